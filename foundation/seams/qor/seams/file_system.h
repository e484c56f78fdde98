// The file-system calls of the layers that read and write files, behind a
// virtual interface, so that their tests can keep files in memory or make a
// write fail. Built entirely on the public calls of qor/file_system.h and
// qor/plist_file.h, so it adds nothing to the library's interface; not
// installed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qor/file_system.h"
#include "qor/log.h"
#include "qor/plist_file.h"

namespace qor {

// real() is the disk (qor/file_system.h); tests derive their own.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // As qor::readFile.
  [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) = 0;
  // As qor::writeFileAtomically.
  [[nodiscard]] virtual bool writeFileAtomically(const std::string& path,
                                                 const std::vector<std::uint8_t>& bytes) = 0;
  // As qor::removeAbandonedTemporaries; nothing for file systems that never
  // leave temporaries (those kept in memory).
  virtual std::size_t removeAbandonedTemporaries(const std::string& /*path*/) { return 0; }
  // The process-wide disk.
  static FileSystem& real();
};

namespace seams {

class Disk final : public FileSystem {
 public:
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
    return ::qor::readFile(path);
  }
  bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
    return ::qor::writeFileAtomically(path, bytes);
  }
  std::size_t removeAbandonedTemporaries(const std::string& path) override {
    return ::qor::removeAbandonedTemporaries(path);
  }
};

}  // namespace seams

inline FileSystem& FileSystem::real() {
  static seams::Disk disk;
  return disk;
}

// readPropertyListFile and writePropertyListFile (qor/plist_file.h) through `fs`.
[[nodiscard]] inline Ref readPropertyListFile(const std::string& path, FileSystem& fs) {
  auto bytes = fs.readFile(path);
  if (!bytes) return nullptr;
  return propertyListFromBytes(*bytes);
}

[[nodiscard]] inline bool writePropertyListFile(const Ref& value, const std::string& path, FileSystem& fs) {
  std::string xml = xmlPropertyListFromValue(value);
  if (xml.empty()) {
    logLine("*** cannot write " + path + ": the value is not a property list");
    return false;
  }
  return fs.writeFileAtomically(path, std::vector<std::uint8_t>(xml.begin(), xml.end()));
}

}  // namespace qor
