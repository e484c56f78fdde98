/// @file
/// Borders around rectangles, the guides shown for sides without a border,
/// colour swatches and checkerboards.
///
/// All functions draw into the given graphics context and keep no state.
/// Coordinates are 32-bit floats in view space, y growing downward: "top" is
/// the side at the smallest y.
///
/// A border description (`BorderDescription`) is a Dictionary from side names
/// ("left", "right", "top", "bottom", "left diagonal", "right diagonal") to
/// side descriptions (`BorderSideDescription`), dictionaries with the optional
/// keys
/// @code
///   "thickness"     number, line width in points (absent: 1.0)
///   "style"         "none" (not drawn), "double" (two lines), anything else one line
///   "color"         colour as an array of numbers, see colorFromPropertyList (absent: black)
///   "dash pattern"  array of numbers: painted and unpainted lengths, alternating
/// @endcode
/// Sides are drawn in the dictionary's own order. Values that cannot be read
/// fall back to the absent case: a thickness that is negative or not finite
/// draws 1.0 wide; a dash pattern with a length that is not a number, is
/// negative or not finite, or that sums to 0 draws a continuous line; a
/// pattern of more than nine lengths keeps its first nine, as the toolkit
/// keeps no more; a side whose value is not a dictionary is left out.
///
/// Example:
/// @code
///   auto border = qor::Dictionary::make({
///       {"left", qor::Dictionary::make({{"style", qor::str("double")}, {"thickness", qor::real(2)}})},
///       {"top", qor::Dictionary::make({{"style", qor::str("solid")}})}});
///   qor::drawLinesAroundRect(context, {{0, 0}, {40, 20}}, border, qor::Antialiasing::Off);
/// @endcode
///
/// Threads: the functions draw into the current graphics context, on the main
/// thread only.
#pragma once

#include "qor/toolbox_export.h"

#include <optional>

#include "qor/geometry.h"
#include "qor/ports/graphics_context.h"
#include "qor/value.h"

namespace qor {

/// The dash pattern holds at most this many lengths.
inline constexpr std::size_t kMaximumDashLengths = 9;
/// Checkers with more squares than this draw only their background: the
/// squares would be far below a pixel each, and counting them would stall
/// the caller.
inline constexpr double kMaximumCheckerSquares = 16.0 * 1024 * 1024;

/// A colour from its property-list form: an array of three or four numbers,
/// red, green, blue and optionally alpha (1 when absent), each in 0..1 and
/// clamped to it. Result: nullopt for anything else (null, another kind, too
/// few or too many elements, a non-number or NaN element).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<Color> colorFromPropertyList(const Ref& value);
/// The four-number form of `color`.
[[nodiscard]] QOR_TOOLBOX_EXPORT ArrayRef propertyListFromColor(const Color& color);

/// Strokes the sides of `rect` that `border` describes. Double lines move the
/// ends of neighbouring sides out to meet their outer line; diagonals run
/// between the inner corners. With `antialias` Off, the four straight sides
/// are stroked without antialiasing; the context's setting afterwards equals
/// the one before in every case. A null or empty `border` draws nothing.
QOR_TOOLBOX_EXPORT void drawLinesAroundRect(GraphicsContext& context, Rect rect, const DictionaryRef& border, Antialiasing antialias);

/// Whether drawBackgroundImageForLinesAroundRect() also marks the sides
/// described by an empty dictionary.
enum class MarkEmptySides { No, Yes };

/// Guides for the sides that show no border: a blue dotted double line one
/// point either side of each side whose style is "none", and with
/// `markEmptySides` Yes a thin black line on each side described by an empty
/// dictionary plus a red prohibition sign across `rect`. Straight sides are
/// drawn without antialiasing. A null or empty `border` draws nothing.
QOR_TOOLBOX_EXPORT void drawBackgroundImageForLinesAroundRect(GraphicsContext& context, Rect rect, const DictionaryRef& border,
                                           MarkEmptySides markEmptySides);

/// Which diagonal splits a swatch: Falling runs from (x, y) to (maxX, maxY),
/// Rising from (maxX, y) to (x, maxY).
enum class TileDiagonal { Falling, Rising };

/// A colour swatch: `rect` split into a white and a black triangle (white
/// first), then painted over with `color` so its transparency shows. A null
/// `color` leaves the two triangles.
QOR_TOOLBOX_EXPORT void drawTileForColorInRect(GraphicsContext& context, const std::optional<Color>& color, Rect rect,
                            TileDiagonal diagonal);

/// Fills `rect` with `background`, then squares of side `size` in `checker`
/// on every other place of each row, rows alternating, counting rows from
/// y = 0 (a row whose top divided by `size` truncates to an odd number starts
/// one square in). Squares are not clipped: the last row and column may reach
/// one square past `rect`, and rows with a negative odd quotient start one
/// square left of x. A `size` that is not above 0 or not finite, a `rect`
/// with a non-finite number, or more than kMaximumCheckerSquares squares
/// draws the background only.
QOR_TOOLBOX_EXPORT void drawCheckerInRect(GraphicsContext& context, Rect rect, float size, const Color& background,
                       const Color& checker);

}  // namespace qor
