/// @file
/// Whole-file reads and atomic writes on the disk.
///
/// Threads: every function may be called from several threads at once; two
/// writes of the same path at once each leave a whole file, the last rename
/// winning.
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
/// ".../victim.txt\0other"); every call that hands text to the system refuses
/// it as naming nothing.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool reachesSystemWhole(std::string_view text);

/// The whole file at `path`, or nullopt when it cannot be opened or read
/// (errno ENOENT for a path that does not reach the system whole).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);

/// Writes `bytes` to `path` atomically: a temporary ".<name>.tmp-..." in the
/// same folder, fsync, rename over `path`, fsync of the folder. A new file
/// gets 0666 less the umask; a replaced one keeps its permission bits (not
/// its owner). Through a symbolic link the file it points to is replaced
/// and the link stays (a link that points nowhere is replaced). Result:
/// false, with the line "*** cannot write <path>: <step>: <error>" in the
/// log, when any step up to the rename fails (a path that does not reach
/// the system whole fails at "open", touching nothing); `path` is then as
/// it was and no temporary remains.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool writeFileAtomically(const std::string& path,
                                                          const std::vector<std::uint8_t>& bytes);

/// Removes the temporaries that writeFileAtomically left beside `path` (or
/// beside the file a symbolic link at `path` points to) in a process that
/// died before its rename. Such a temporary is named `.<name>.tmp-<pid>-<n>`,
/// and its process `<pid>` no longer exists on this machine. Temporaries of
/// a live process, and any other name, are left alone. Result: how many were
/// removed; 0 when the folder cannot be listed.
QOR_TOOLBOX_EXPORT std::size_t removeAbandonedTemporaries(const std::string& path);

}  // namespace qor
