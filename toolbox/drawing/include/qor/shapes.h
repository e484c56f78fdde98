/// @file
/// Named points of rectangles, rounded rectangles and check boxes.
///
/// The point functions take y as growing upward: "bottom" is y and "top" is
/// y + height. All arithmetic is single precision.
/// @code
///   qor::topRightOfRect({{0, 0}, {10, 20}})  // (10, 20)
/// @endcode
///
/// Threads: the functions draw into the current graphics context, on the main
/// thread only.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>

#include "qor/geometry.h"
#include "qor/ports/graphics_context.h"

namespace qor {

[[nodiscard]] QOR_TOOLBOX_EXPORT Point bottomLeftOfRect(Rect rect);    ///< (x, y)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point bottomCenterOfRect(Rect rect);  ///< (x + 0.5 × width, y)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point bottomRightOfRect(Rect rect);   ///< (x + width, y)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point leftCenterOfRect(Rect rect);    ///< (x, y + 0.5 × height)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point centerOfRect(Rect rect);        ///< (x + 0.5 × width, y + 0.5 × height)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point rightCenterOfRect(Rect rect);   ///< (x + width, y + 0.5 × height)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point topLeftOfRect(Rect rect);       ///< (x, y + height)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point topCenterOfRect(Rect rect);     ///< (x + 0.5 × width, y + height)
[[nodiscard]] QOR_TOOLBOX_EXPORT Point topRightOfRect(Rect rect);      ///< (x + width, y + height)

/// A rounded rectangle inset by one point on every side, corners of `radius`
/// clamped to half the inset rectangle's shorter side. It starts at the middle
/// of the inset rectangle's maxY edge and turns through the corners (x, maxY),
/// (x, y), (maxX, y), (maxX, maxY). A `radius` not above 0 (or NaN) gives the
/// plain inset rectangle. Result: the empty path when the inset rectangle has
/// no width or height (or a NaN one).
[[nodiscard]] QOR_TOOLBOX_EXPORT BezierPath bezierPathWithRoundRect(Rect rect, float radius);

/// @name Check-box states
/// The toolkit's button state values, as drawCheckbox() takes them.
///@{
inline constexpr std::int32_t kCheckboxOff = 0;     ///< the box alone
inline constexpr std::int32_t kCheckboxOn = 1;      ///< the box with a tick
inline constexpr std::int32_t kCheckboxMixed = -1;  ///< the box with a dash
///@}

/// Draws a check box of size `size` at `origin` in black: the box (side
/// 0.6 × size, line width size / 64, without antialiasing), then for state On
/// a tick and for Mixed a dash (line width size / 12, with the context's own
/// antialiasing). Any other state draws the box only. The context's
/// antialiasing setting afterwards equals the one before.
QOR_TOOLBOX_EXPORT void drawCheckbox(GraphicsContext& context, Point origin, float size, std::int32_t state);

}  // namespace qor
