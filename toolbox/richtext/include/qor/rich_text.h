/// @file
/// Rich-text attribute persistence: carries a text's font typography, tables
/// and lists through archives that keep only property-list attribute values.
///
/// Saving copies the formatting into two attributes of this system's own,
/// which are part of the document format:
/// @code
///   kFontDescriptorDictionaryAttributeName ("neo font descriptor
///     dictionary"): over each font run whose font has a non-empty descriptor
///     attribute dictionary, that dictionary.
///   kRTFDFileWrapperAttributeName ("RTFD file wrapper"): over exactly the
///     characters of one group of tables and lists, a file wrapper holding
///     those characters serialised by the text system.
/// @endcode
/// Restoring rebuilds fonts, tables and lists from them on a text read back
/// from such an archive. The extra attributes are never removed; the next
/// save refreshes them.
///
/// Every function that takes a text does nothing when the text is null,
/// empty or fixed (`isMutable()` false). Nothing is reported: a run whose
/// font, wrapper or re-read text cannot be made is left as it is, and the
/// restore of tables and lists never changes characters.
///
/// Example (a document's save and open):
/// @code
///   qor::saveStandardTextAttributes(text.get());   // then archive the text
///   ...                                             // read it back
///   qor::restoreSavedStandardTextAttributes(text.get());
/// @endcode
///
/// Threads: main thread only, as the texts and the text system they change.
#pragma once

#include "qor/toolbox_export.h"

#include <memory>
#include <string>

#include "qor/ports/text_system.h"
#include "qor/value.h"

namespace qor {

/// The attribute that carries a font run's descriptor dictionary.
inline constexpr char kFontDescriptorDictionaryAttributeName[] = "neo font descriptor dictionary";
/// The attribute that carries a group of tables and lists as a file wrapper.
inline constexpr char kRTFDFileWrapperAttributeName[] = "RTFD file wrapper";

/// saveTypographyTextAttributes, then saveTableAndListTextAttributes.
QOR_TOOLBOX_EXPORT void saveStandardTextAttributes(AttributedText* text);
/// restoreTypographyTextAttributes, then restoreTableAndListTextAttributes.
QOR_TOOLBOX_EXPORT void restoreSavedStandardTextAttributes(AttributedText* text);

/// Walks the font runs from index 0 and sets the descriptor dictionary
/// attribute over each run whose font's descriptor dictionary has entries.
QOR_TOOLBOX_EXPORT void saveTypographyTextAttributes(AttributedText* text);
/// Walks the descriptor dictionary runs from index 0; over each run with a
/// non-empty dictionary, replaces the font by one made from the dictionary
/// at the point size of the font at the run's first character. A run without
/// a font there, or whose dictionary makes no font, is left alone.
QOR_TOOLBOX_EXPORT void restoreTypographyTextAttributes(AttributedText* text);

/// Walks the paragraph-style runs; for a paragraph in tables or lists, takes
/// the union of the whole ranges of its tables and lists (the group), sets a
/// serialised wrapper of the group over it and continues after the group, so
/// a table or list of many paragraphs is saved once. A list inside a table
/// cell gives one wrapper over the union of both.
QOR_TOOLBOX_EXPORT void saveTableAndListTextAttributes(AttributedText* text);
/// Walks the wrapper runs (longest effective ranges); where the paragraph at
/// a run's start has lost its tables and lists, reads the wrapper back and,
/// when its length equals the run's, puts the paragraph styles of its table
/// and list paragraphs back over the same stretches. Only paragraph styles
/// change; a text that still has its structure is not touched.
QOR_TOOLBOX_EXPORT void restoreTableAndListTextAttributes(AttributedText* text);

/// A new mutable copy of `attributes` plus, when it holds a font (under
/// kFontAttributeName) whose descriptor dictionary has entries, that
/// dictionary under kFontDescriptorDictionaryAttributeName. Result: a new
/// empty dictionary for a null or empty argument.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableDictionaryRef textAttributesIncludingTypography(const DictionaryRef& attributes);

/// A new mutable copy of `attributes` in which, when it holds a non-empty
/// descriptor dictionary and a font, and `system` makes a font from the
/// dictionary at the old font's point size, that font replaces the old one.
/// The descriptor dictionary stays in the copy. Result: a new empty
/// dictionary for a null or empty argument; a plain copy when no font is made.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableDictionaryRef textAttributesRestoringTypography(const DictionaryRef& attributes,
                                                                     TextSystem& system);

/// A new mutable text of `string` (UTF-8) with the single attribute font set
/// to the user's default text font at the small system font size. Never null.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::unique_ptr<AttributedText> attributedStringWithStringForColumn(std::string string,
                                                                                  TextSystem& system);

}  // namespace qor
