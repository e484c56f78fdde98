/// @file
/// Runtime utilities: a process-wide Mersenne Twister, the time of day, the
/// running system's version and two small helpers for debugging code.
///
/// Example:
/// @code
///   qor::super_random_init(42);
///   std::uint32_t roll = qor::super_random() % 6;
///   if (qor::getOSVersion() >= 0x610) ...   // Linux 6.1 or later
/// @endcode
///
/// Threads: every function may be called from several threads at once, except
/// the random generator's (below).
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// ---------------------------------------------------------------------------
/// @name Random numbers
/// One MT19937 generator (the 32-bit Mersenne Twister) per process. Its output
/// is exactly the reference sequence for the seed, so std::mt19937 seeded alike
/// gives the same numbers. The state is not locked: call these two from one
/// thread at a time (the host's main thread).
///@{

/// (Re)seeds the generator; the sequence restarts for `seed`. Nothing in the
/// toolbox seeds it: that is the caller's choice.
QOR_TOOLBOX_EXPORT void super_random_init(std::uint32_t seed);

/// The next output, anywhere in 0 to 4294967295. A generator that was never
/// seeded seeds itself with 5489 first, so without any seeding the first three
/// results are 3499211612, 581869302, 3890346734.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::uint32_t super_random();
///@}

// ---------------------------------------------------------------------------
// Time

/// Seconds since 1970-01-01 UTC, with a microsecond fraction (the name is the
/// resolution, not the unit), from gettimeofday(2).
[[nodiscard]] QOR_TOOLBOX_EXPORT double microsecond();

// ---------------------------------------------------------------------------
/// @name System version
/// The version is packed into hexadecimal digits that read as the decimal
/// version: the major number's decimal digits in the high digits, then one
/// digit each for the minor and the patch number. 10.4.8 -> 0x1048,
/// 10.5 -> 0x1050, 6.1.0 -> 0x610.
///
/// A minor or patch number above 9 has no digit of its own, so it is clamped
/// to 9; when the minor number is clamped the patch digit becomes 9 as well.
/// That keeps the packing monotonic: a later release never packs lower than an
/// earlier one (6.9.5 -> 0x695, 6.10.0 -> 0x699, 6.12.3 -> 0x699), so callers
/// can keep comparing with >= as they would with exact versions. The major
/// number keeps up to five decimal digits (larger ones clamp to 99999) so the
/// result stays a positive signed 32-bit number.
///@{

/// Packs the leading "major[.minor[.patch]]" of a release text; anything after
/// the numbers is ignored ("6.1.0-18-amd64" -> 0x610), missing numbers read as
/// 0 ("6" -> 0x600). Result: 0 when the text does not begin with a digit
/// (also for an empty text).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::int32_t packSystemVersion(std::string_view release);

/// The running system's version (the kernel release from uname(2)), packed
/// as packSystemVersion() packs it. Result: 0 when the system gives no release
/// text or it does not parse; 0 compares below every real
/// version, so callers that test "at least version X" take their oldest path.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::int32_t getOSVersion();
///@}

// ---------------------------------------------------------------------------
// Debugging helpers

/// The low 32 bits of the pointer's address, read as signed (for compact
/// identifiers in log lines). A null pointer gives 0.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::int32_t pointerLow32(const void* pointer);

/// Trace points that accept any arguments and do nothing; they compile away.
///@{
template <typename... Args>
inline void DebugLog1(const Args&... /*ignored*/) {}
template <typename... Args>
inline void DebugLog2(const Args&... /*ignored*/) {}
template <typename... Args>
inline void DebugLog3(const Args&... /*ignored*/) {}
///@}

}  // namespace qor
