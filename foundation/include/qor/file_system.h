// A seam for file-system calls, so that tests can inject failures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor {

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // The whole file, or nullopt when it cannot be opened or read.
  [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) = 0;
  // Writes `bytes` to `path` atomically (temporary file in the same folder,
  // fsync, rename). Result: false when any step fails; `path` is then as it was.
  [[nodiscard]] virtual bool writeFileAtomically(const std::string& path,
                                                 const std::vector<std::uint8_t>& bytes) = 0;
  // The process-wide real file system.
  static FileSystem& real();
};

}  // namespace qor
