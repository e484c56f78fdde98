// The editor's native rich-text document, ".qordoc": an archive of the
// attributed text that keeps only property-list attribute values.
//
// The file is an XML property list:
//   {"format" = "QOR document"; "version" = 1; "string" = ...;
//    "runs" = ({"length" = n; "attributes" = {...}}, ...)}
// A run keeps its property-list attributes as they are (among them the saved
// formatting: "neo font descriptor dictionary"); its font as "font family"
// and "font size" (read back as the text system's font of that family); file wrappers ("RTFD file wrapper", "QOR image file
// attribute name") and attachments as {"archived" = "file wrapper" |
// "attachment"; "value" = <the wrapper's property-list form>}; a paragraph
// style as {"archived" = "paragraph style"; "value" = <its format's form>}
// (alignment, indents, spacing, tab stops: the text system's
// paragraphFormatForm). Tables and lists, and other platform values, are not
// kept in the runs: tables and lists come back from the saved wrappers when
// the document is opened.
//
// Writing runs saveStandardTextAttributes on the text first; reading runs
// restoreSavedStandardTextAttributes on what it read.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "qor/seams/file_system.h"
#include "qor/text/stored_text.h"

namespace qor {

inline constexpr char kDocumentExtension[] = "qordoc";

// Saves the formatting into `text` (which gains the two saved attributes)
// and returns the archive. Result: nullopt when the text holds a value the
// XML form cannot carry (a string with NUL, a date out of range).
[[nodiscard]] std::optional<std::vector<std::uint8_t>> documentArchiveWithText(StoredText& text);

// Writes documentArchiveWithText(text) to `path` atomically through `fs`.
// Result: false when the archive cannot be made or written; the file at
// `path` is then as it was.
[[nodiscard]] bool writeDocumentArchive(StoredText& text, const std::string& path,
                                        FileSystem& fs = FileSystem::real());

// The text of an archive, made with `system`, its formatting restored.
// Result: null when the bytes are no property list, not a document of this
// format and version, or malformed (a run that does not add up, a font or
// wrapper that cannot be made).
[[nodiscard]] std::unique_ptr<StoredText> textWithDocumentArchive(std::span<const std::uint8_t> bytes,
                                                                  StoredTextSystem& system);

}  // namespace qor
