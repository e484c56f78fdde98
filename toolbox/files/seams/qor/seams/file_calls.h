// A seam for every system call of the files subsystem, so that tests can
// inject failures and take each road of alias resolution; not installed, not
// exported: the tests link the static parts.
//
// Each method makes one system call (or a fixed few) and reports failure the
// way the call does: a nullopt or false result with errno set. A path that
// does not reach the system whole (it holds a NUL byte) names nothing: each
// method answers as for a missing item (errno ENOENT) and calls nothing. The real
// implementation is FileCalls::real(); tests derive from FileCalls and
// override the calls they want to fail or to see.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "qor/alias.h"
#include "qor/library.h"
#include "qor/resource_location.h"

namespace qor {

// What the kernel says an item is.
struct ItemIdentity {
  std::uint64_t device = 0;  // st_dev
  std::uint64_t inode = 0;   // st_ino
  // Absent when the file system keeps no birth time.
  std::optional<BirthTime> birth;
  bool isFolder = false;     // S_ISDIR of the mode.
};

// One entry of a folder listing, as readdir gives it.
struct FolderEntry {
  // d_type: Unknown when the file system does not fill it in (DT_UNKNOWN);
  // Other for anything but a folder or a link.
  enum class Type { Folder, SymbolicLink, Other, Unknown };
  std::string name;           // The entry's name, without its folder.
  std::uint64_t inode = 0;    // d_ino
  Type type = Type::Unknown;  // d_type
};

// Whether a call on a path that names a symbolic link looks at the link
// itself (DoNotFollow) or at what it points to (Follow).
enum class LinkHandling { Follow, DoNotFollow };

// The system calls of the files subsystem, one virtual method each; the
// base class makes the real calls. Use FileCalls::real(), or derive to
// inject failures in tests.
class FileCalls {
 public:
  virtual ~FileCalls() = default;

  // stat: whether anything exists at `path`, following symbolic links (a
  // link that points nowhere does not count). Empty path: false.
  [[nodiscard]] virtual bool exists(const std::string& path);
  // stat: true for a folder (through links), false otherwise.
  [[nodiscard]] virtual bool isFolder(const std::string& path);
  // statx with the birth time when the file system keeps one; `links`
  // says whether a link at the end of `path` is followed. Empty path or
  // failure: nullopt (errno set).
  [[nodiscard]] virtual std::optional<ItemIdentity> identify(const std::string& path, LinkHandling links);
  // realpath: the absolute path without links, "." or "..".
  [[nodiscard]] virtual std::optional<std::string> realPath(const std::string& path);
  // name_to_handle_at, following a link at the end of `path`.
  [[nodiscard]] virtual std::optional<KernelFileHandle> handleForPath(const std::string& path);
  // open_by_handle_at relative to the folder `mountPoint` (needs
  // CAP_DAC_READ_SEARCH), then the path the kernel names for the opened item
  // (/proc/self/fd). A deleted item has no path: nullopt.
  [[nodiscard]] virtual std::optional<std::string> pathForHandle(const std::string& mountPoint,
                                                                 const KernelFileHandle& handle);
  // The text of /proc/self/mountinfo.
  [[nodiscard]] virtual std::optional<std::string> mountTable();
  // The UUID of the file system on block device `device` (libblkid, from its
  // cache or by probing the device). Empty: unknown.
  [[nodiscard]] virtual std::string fileSystemUuid(const std::string& device);
  // opendir/readdir: appends the entries of `path` other than "." and ".."
  // to `entries` in the order the file system gives them. Result: false
  // (errno set) when the folder cannot be opened or a read fails; entries
  // read before a failed read are kept.
  [[nodiscard]] virtual bool listFolder(const std::string& path, std::vector<FolderEntry>& entries);
  // The whole file, or nullopt.
  [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);
  // mkdir of `path` and every missing folder above it, mode 0777 less the
  // umask. Result: false (errno set) when one cannot be made.
  [[nodiscard]] virtual bool createFolders(const std::string& path);
  // The user's home folder: $HOME, or the password database's entry.
  [[nodiscard]] virtual std::string homeFolder();
  // GIO's g_file_trash on `path`, which must be absolute; a link is trashed
  // itself.
  [[nodiscard]] virtual TrashOutcome trash(const std::string& path);
  // A monotonic clock, for the time limit of searches.
  [[nodiscard]] virtual std::chrono::steady_clock::time_point now();

  // The process-wide instance that makes the real calls.
  static FileCalls& real();
};

// The calls of qor/alias.h, qor/library.h and qor/resource_location.h with
// the system calls going through `calls`; the public ones pass
// FileCalls::real().
[[nodiscard]] DataRef aliasFromPath(std::string_view path, FileCalls& calls);
[[nodiscard]] std::optional<std::string> pathFromAlias(const DataRef& alias, FileCalls& calls);
[[nodiscard]] AliasResolution resolveAlias(std::span<const std::uint8_t> alias, FileCalls& calls,
                                           const AliasSearchLimits& limits = {});
[[nodiscard]] MutableArrayRef collectFilesInDirectoryWithExtension(std::string_view folder, std::string_view extension,
                                                                   FileCalls& calls);
[[nodiscard]] MutableArrayRef getTagSetInLibrary(FileCalls& calls);
[[nodiscard]] MutableArrayRef getStylesheetsInLibrary(FileCalls& calls);
[[nodiscard]] bool createFolderUnderHome(std::string_view path, FileCalls& calls);
[[nodiscard]] TrashOutcome moveFileToTrash(std::string_view path, FileCalls& calls);
[[nodiscard]] MutableDictionaryRef resourceLocationDictionaryWithPathAndBasePath(std::string_view path,
                                                                                 std::string_view basePath,
                                                                                 FileCalls& calls);
[[nodiscard]] std::optional<std::string> pathFromResourceLocationDictionaryWithBasePath(
    const MutableDictionaryRef& record, std::string_view basePath, FileCalls& calls);
[[nodiscard]] std::string stringByStandardizingPath(std::string_view path, FileCalls& calls);

}  // namespace qor
