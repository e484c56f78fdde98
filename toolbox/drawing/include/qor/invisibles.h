/// @file
/// Marks for invisible characters over laid-out text.
///
/// Example, while a text view draws its glyphs:
/// @code
///   qor::drawSpecialCharactersInString(context, storage, {0, storage.length()}, origin, layout,
///                                      qor::Color::colorWithCalibratedRedGreenBlueAlpha(0.5, 0.5, 0.5, 1));
/// @endcode
///
/// Threads: the functions draw into the current graphics context, on the main
/// thread only.
#pragma once

#include "qor/toolbox_export.h"

#include "qor/attributed_string.h"
#include "qor/geometry.h"
#include "qor/ports/graphics_context.h"

namespace qor {

/// Paints a mark in `color` over every space, tab and line break of `text`
/// within `range`:
/// @code
///   U+0020 space, U+00A0 no-break space   a dot
///   U+3000 ideographic space              a dot and an underline
///   U+0009 tab                            an arrow pointing right
///   U+000D carriage return                an arrow pointing left
///   U+000A line feed                      "¶"
///   U+2028 line separator                 "↵"
/// @endcode
/// Other characters get no mark. Glyph boxes come from `layout` (glyph index
/// = character index) and are moved by `origin`, the container's origin in
/// view coordinates (y downward). Dots are min(0.8 × W, 3) across for a glyph
/// W wide; arrowheads are 6 points tall and 0.2 × W long. The line-break
/// texts use the user's default text font at the size of the character's own
/// font (8 points when it has none) and sit at the top-left corner of their
/// glyph box, except a break that ends the range right after other text: it
/// sits at the trailing edge of the preceding glyph.
///
/// The range is clamped to the text; an empty range, or one starting at or
/// past the end, draws nothing.
QOR_TOOLBOX_EXPORT void drawSpecialCharactersInString(GraphicsContext& context, const TextStorage& text, TextRange range, Point origin,
                                   const LayoutManager& layout, const Color& color);

}  // namespace qor
