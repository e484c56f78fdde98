/// @file
/// A seam for file-system calls, so that tests can inject failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/toolbox_export.h"

namespace qor {

/// True when `text` reaches the system whole as a C string: it holds no
/// NUL byte. The system reads a path or an argument only up to its first
/// NUL, so one holding a NUL would name another item (".../victim.txt" for
/// ".../victim.txt\0other"); every seam that hands text to the system refuses
/// it as naming nothing. Thread-safe.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool reachesSystemWhole(std::string_view text);

/// File-system calls behind a virtual interface; real() is the one that
/// reaches the disk, tests derive their own.
class QOR_TOOLBOX_EXPORT FileSystem {
 public:
  virtual ~FileSystem() = default;
  /// The whole file, or nullopt when it cannot be opened or read (errno
  /// ENOENT for a path that does not reach the system whole).
  [[nodiscard]] virtual std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) = 0;
  /// Writes `bytes` to `path` atomically: a temporary ".<name>.tmp-..." in the
  /// same folder, fsync, rename over `path`, fsync of the folder. A new file
  /// gets 0666 less the umask; a replaced one keeps its permission bits (not
  /// its owner). Through a symbolic link the file it points to is replaced
  /// and the link stays (a link that points nowhere is replaced). Result:
  /// false, with the line "*** cannot write <path>: <step>: <error>" in the
  /// log, when any step up to the rename fails (a path that does not reach
  /// the system whole fails at "open", touching nothing); `path` is then as
  /// it was and no temporary remains.
  [[nodiscard]] virtual bool writeFileAtomically(const std::string& path,
                                                 const std::vector<std::uint8_t>& bytes) = 0;
  /// Removes the temporaries that writeFileAtomically left beside `path` (or
  /// beside the file a symbolic link at `path` points to) in a process that
  /// died before its rename. Such a temporary is named `.<name>.tmp-<pid>-<n>`,
  /// and its process `<pid>` no longer exists on this machine. Temporaries of
  /// a live process, and any other name, are left alone. Result: how many were
  /// removed; 0 when the folder cannot be listed. The default removes nothing,
  /// for file systems that never leave temporaries (those kept in memory).
  virtual std::size_t removeAbandonedTemporaries(const std::string& path);
  /// The process-wide real file system.
  static FileSystem& real();
};

}  // namespace qor
