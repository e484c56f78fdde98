// File calls that answer from the path alone, without touching the disk, so
// that fuzzing reaches every road of resolution quickly and repeatably:
// names ending in "/" are folders, every folder lists the same three
// entries, inode numbers come from a hash of the path (few, so that
// matches happen), and two ext4 file systems are mounted.
#pragma once

#include <sys/sysmacros.h>

#include <cerrno>
#include <functional>
#include <string>

#include "qor/seams/file_calls.h"

namespace qor::fuzzing {

class SyntheticFiles final : public FileCalls {
 public:
  bool exists(const std::string& path) override { return !path.empty() && hash(path) % 3 != 0; }
  bool isFolder(const std::string& path) override { return exists(path) && hash(path) % 2 == 0; }
  std::optional<ItemIdentity> identify(const std::string& path, LinkHandling) override {
    if (!exists(path)) {
      errno = ENOENT;
      return std::nullopt;
    }
    const std::size_t h = hash(path);
    return ItemIdentity{makedev(8, 1), h % kInodes, BirthTime{static_cast<std::int64_t>(h % 2), 0}, isFolder(path)};
  }
  std::optional<std::string> realPath(const std::string& path) override {
    if (!exists(path)) return std::nullopt;
    return path;
  }
  std::optional<KernelFileHandle> handleForPath(const std::string& path) override {
    return KernelFileHandle{1, std::vector<std::uint8_t>(path.begin(), path.end())};
  }
  std::optional<std::string> pathForHandle(const std::string& mountPoint, const KernelFileHandle& handle) override {
    std::string path = mountPoint + "/" + std::string(handle.bytes.begin(), handle.bytes.end());
    if (!exists(path)) return std::nullopt;
    return path;
  }
  std::optional<std::string> mountTable() override {
    return std::string("1 0 8:1 / / rw - ext4 /dev/sda1 rw\n"
                       "2 1 8:2 /sub /mnt/other\\040disk rw - ext4 /dev/sdb1 rw\n");
  }
  std::string fileSystemUuid(const std::string& device) override { return "uuid of " + device; }
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override {
    if (!isFolder(path)) {
      errno = ENOTDIR;
      return false;
    }
    entries.push_back({"a", 1, FolderEntry::Type::Folder});
    entries.push_back({"b", 2, FolderEntry::Type::Unknown});
    entries.push_back({"p.png", 3, FolderEntry::Type::Other});
    return true;
  }
  std::optional<std::vector<std::uint8_t>> readFile(const std::string&) override { return std::nullopt; }
  bool createFolders(const std::string&) override { return false; }
  std::string homeFolder() override { return "/home/u"; }
  TrashOutcome trash(const std::string&) override { return {1, "no trash here"}; }

 private:
  static constexpr std::size_t kInodes = 8;
  static std::size_t hash(const std::string& path) { return std::hash<std::string>{}(path); }
};

}  // namespace qor::fuzzing
