/// @file
/// Modifier-key bits of key events and stored key strokes.
///
/// Only the four bits of kModifierMaskBits are meaningful; events may carry
/// other device bits, which readers of a mask ignore.
/// @code
///   bool command = (modifiers & qor::kCommandKeyMask) != 0;
/// @endcode
///
/// Threads: constants only, readable from any thread.
#pragma once

#include <cstdint>

namespace qor {

inline constexpr std::uint32_t kShiftKeyMask = 0x20000;      ///< Shift ⇧
inline constexpr std::uint32_t kControlKeyMask = 0x40000;    ///< Control ⌃
inline constexpr std::uint32_t kAlternateKeyMask = 0x80000;  ///< Option ⌥
inline constexpr std::uint32_t kCommandKeyMask = 0x100000;   ///< Command ⌘
/// The four modifier bits together, 0x1E0000.
inline constexpr std::uint32_t kModifierMaskBits =
    kShiftKeyMask | kControlKeyMask | kAlternateKeyMask | kCommandKeyMask;

}  // namespace qor
