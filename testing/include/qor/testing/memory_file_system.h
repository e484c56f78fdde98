// Files in memory for the code that reads and writes through FileSystem:
// writes to the paths in `failing` fail and change nothing.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "qor/seams/file_system.h"

namespace qor::fixtures {

class MemoryFileSystem final : public FileSystem {
 public:
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    ++writes[path];
    if (failing.count(path)) return false;
    files[path] = bytes;
    return true;
  }

  std::map<std::string, std::vector<std::uint8_t>> files;
  std::map<std::string, int> writes;  // attempts, failed ones included
  std::set<std::string> failing;
};

}  // namespace qor::fixtures
