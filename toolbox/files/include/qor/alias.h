/// @file
/// Alias records on Linux: opaque bytes that designate a file or folder by
/// what the kernel offers, and find it again after it was renamed or moved,
/// its folder renamed, or its file system mounted elsewhere.
///
/// A record holds the path at creation, the device and inode numbers, the
/// birth time (statx), the kernel's file handle (name_to_handle_at), the
/// file system's identity (its UUID, or the source and type that
/// /proc/self/mountinfo gives) and its mount point. The byte layout is in
/// docs/architecture.md ("Alias records").
///
/// Resolution takes these roads in turn and stops at the first that names
/// the very item: (1) the recorded path; (2) the file handle
/// (open_by_handle_at, for processes allowed to use it); (3) the same path
/// inside the same file system mounted at another mount point; (4) a search
/// of that file system for the same inode and birth time, from the old
/// folder outwards, capped in entries and time. An item counts as the very
/// item only when its inode, its kind (folder or not), its file system and,
/// where both sides know it, its birth time agree: a different file that now
/// has the old name is never taken.
///
/// Example:
/// @code
///   auto alias = qor::aliasFromPath("/home/u/pics/p.png");
///   // ... p.png moved to /home/u/old/p.png
///   qor::pathFromAlias(alias);   // "/home/u/old/p.png"
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "qor/value.h"

namespace qor {

/// When an item came into being (statx's birth time).
struct QOR_TOOLBOX_EXPORT BirthTime {
  std::int64_t seconds = 0;       ///< Whole seconds since the Unix epoch.
  std::uint32_t nanoseconds = 0;  ///< The fraction of the second, below 1e9.
  /// Orders by seconds, then nanoseconds.
  friend auto operator<=>(const BirthTime&, const BirthTime&) = default;
};

/// A file handle from name_to_handle_at: its type and opaque bytes.
struct QOR_TOOLBOX_EXPORT KernelFileHandle {
  std::int32_t type = 0;            ///< handle_type
  std::vector<std::uint8_t> bytes;  ///< f_handle, at most 128 bytes.
  friend bool operator==(const KernelFileHandle&, const KernelFileHandle&) = default;
};

/// An alias record for the item at `path` (a link at its end is followed).
/// Result: null for an empty path, a missing item, or an item whose identity
/// can't be read.
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef aliasFromPath(std::string_view path);

/// How far the search road may go.
struct QOR_TOOLBOX_EXPORT AliasSearchLimits {
  std::size_t maximumEntries = 50'000;  ///< folder entries read, all folders together
  std::chrono::milliseconds maximumTime{2'000};  ///< from the search's start, on the monotonic clock
};

/// Which road found the item.
enum class AliasRoad { None, RecordedPath, FileHandle, OtherMountPoint, Search };

/// What a resolution did, for tests and benchmarks.
struct QOR_TOOLBOX_EXPORT AliasResolution {
  std::optional<std::string> path;   ///< the item's path; nullopt when not found
  AliasRoad road = AliasRoad::None;  ///< None when not found
  std::size_t entriesSearched = 0;   ///< folder entries the search road read
};

/// The absolute path of the item `alias` designates. Result: nullopt for null,
/// truncated or malformed data, and when no road finds the very item.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::string> pathFromAlias(const DataRef& alias);
/// The same, with the search's limits and a report of the road taken.
[[nodiscard]] QOR_TOOLBOX_EXPORT AliasResolution resolveAlias(std::span<const std::uint8_t> alias,
                                                              const AliasSearchLimits& limits = {});

/// The decoded contents of an alias record.
struct QOR_TOOLBOX_EXPORT AliasRecord {
  std::string path;              ///< as given at creation (absolute)
  std::string pathInFileSystem;  ///< from the file system's root, links resolved
  std::string mountPoint;        ///< where the file system was mounted
  std::uint64_t device = 0;      ///< st_dev at creation
  std::uint64_t inode = 0;       ///< st_ino at creation
  std::optional<BirthTime> birth;  ///< absent when the file system kept none
  bool isFolder = false;         ///< whether the item is a folder
  std::optional<KernelFileHandle> handle;  ///< absent when name_to_handle_at failed
  std::string fileSystemUuid;    ///< empty when unknown
  std::string fileSystemSource;  ///< the mount's source ("/dev/sda2", "tmpfs")
  std::string fileSystemType;    ///< "ext4"
  friend bool operator==(const AliasRecord&, const AliasRecord&) = default;
};

/// The bytes of `record`: a header (magic, version, length of the rest), then
/// one tagged field per member; `birth` and `handle` only when present.
/// decodeAliasRecord() gives the record back.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::vector<std::uint8_t> encodeAliasRecord(const AliasRecord& record);
/// The record in `bytes`. Result: nullopt for bytes that are not a complete
/// record of a known version: wrong magic or version, a field running past
/// the end, a field twice, a number of the wrong width, a missing path or
/// inode. Fields of unknown tags are skipped.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<AliasRecord> decodeAliasRecord(std::span<const std::uint8_t> bytes);

/// One line of /proc/self/mountinfo.
struct QOR_TOOLBOX_EXPORT MountEntry {
  std::uint64_t device = 0;  ///< makedev(major, minor)
  std::string root;          ///< the folder of the file system mounted here
  std::string mountPoint;      ///< where it is mounted
  std::string fileSystemType;  ///< "ext4"
  std::string source;          ///< "/dev/sda2", "tmpfs"
};

/// The lines of a mountinfo text, with the octal escapes of blanks, tabs,
/// newlines and backslashes decoded. Malformed lines are skipped.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::vector<MountEntry> parseMountTable(std::string_view text);

}  // namespace qor
