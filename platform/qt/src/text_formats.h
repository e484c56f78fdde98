// Qt text formats (block, character, table, list) as property lists,
// property by property, so that they read back equal.
#pragma once

#include <QTextFormat>
#include <optional>

#include "qor/value.h"

namespace qor {

// {"type" = <QTextFormat::type()>; "properties" = {"<property id>" = value}}.
// Values: booleans, integers, reals and strings as such; string lists
// {"strings"}, colours {"color" = "#aarrggbb"}, solid and pattern brushes
// {"brush"; "style"}, pens {"pen"; "width"; "style"}, lengths {"length
// type"; "length"}, tab stops {"tab"; "tab type"; "delimiter"} and lists of
// these {"list"} (column widths, tab positions). The object index (which
// ties a block to its list inside one document) and properties of other
// types (gradients, textures, fonts kept as QFont) are left out.
[[nodiscard]] DictionaryRef formatPropertyList(const QTextFormat& format);

// The format back from that form. Result: nullopt for another value or a
// malformed property.
[[nodiscard]] std::optional<QTextFormat> formatFromPropertyList(const Ref& value);

}  // namespace qor
