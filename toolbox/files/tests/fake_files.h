// File calls over an invented tree of paths, for the record logic, and a
// wrapper of the real calls that can shut single roads.
#pragma once

#include <sys/sysmacros.h>

#include <cerrno>
#include <functional>
#include <set>
#include <string>

#include "qor/seams/file_calls.h"

namespace qor::fixtures {

// Paths in `existing` exist (no others); each gets an identity of its own.
// Counts the calls that only alias resolution makes.
class InventedFiles : public FileCalls {
 public:
  std::set<std::string> existing;
  std::string home = "/Users/u";
  bool attributesFail = false;
  int mountTableReads = 0;

  bool exists(const std::string& path) override { return existing.contains(path); }
  bool isFolder(const std::string&) override { return false; }
  std::optional<ItemIdentity> identify(const std::string& path, LinkHandling) override {
    if (attributesFail) {
      errno = EACCES;
      return std::nullopt;
    }
    if (!existing.contains(path)) {
      errno = ENOENT;
      return std::nullopt;
    }
    return ItemIdentity{makedev(8, 1), std::hash<std::string>{}(path), BirthTime{1, 2}, false};
  }
  std::optional<std::string> realPath(const std::string& path) override {
    if (existing.contains(path)) return path;
    return std::nullopt;
  }
  std::optional<KernelFileHandle> handleForPath(const std::string&) override { return std::nullopt; }
  std::optional<std::string> mountTable() override {
    ++mountTableReads;
    return std::string();
  }
  std::string homeFolder() override { return home; }
};

// The real calls, with the handle road shut on request.
class RealFilesWithoutHandles : public FileCalls {
 public:
  bool handlesAllowed = true;
  std::optional<std::string> pathForHandle(const std::string& mountPoint, const KernelFileHandle& handle) override {
    if (!handlesAllowed) {
      errno = EPERM;  // what an unprivileged process gets
      return std::nullopt;
    }
    return FileCalls::pathForHandle(mountPoint, handle);
  }
};

}  // namespace qor::fixtures
