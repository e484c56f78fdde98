/// @file
/// The version of libqor-toolbox a program runs with.
///
/// Example:
/// @code
///   std::printf("toolbox %s\n", qor::toolboxVersion());   // "toolbox 0.1.0"
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

namespace qor {

/// The library's version as "major.minor.patch", never null, never empty.
/// The major number is the one in its SONAME (`libqor-toolbox.so.<major>`).
[[nodiscard]] QOR_TOOLBOX_EXPORT const char* toolboxVersion();

}  // namespace qor
