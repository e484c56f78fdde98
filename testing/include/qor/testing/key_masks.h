// Short names for the modifier masks the key tables of the tests use.
#pragma once

#include <cstdint>

#include "qor/key_masks.h"

namespace qor::fixtures {

inline constexpr std::uint32_t kCommand = kCommandKeyMask;
inline constexpr std::uint32_t kControl = kControlKeyMask;
inline constexpr std::uint32_t kOption = kAlternateKeyMask;
inline constexpr std::uint32_t kShift = kShiftKeyMask;

}  // namespace qor::fixtures
