// What a person sees of a Qt text document, for comparing documents.
#pragma once

#include <string>
#include <vector>

class QTextDocument;

namespace qor::fixtures {

// One row per block: its text, then its table (size, cell, span, border,
// padding, column widths), its list (style, indent, item label), the size of
// each picture in it, and the font of its first character. Tables and lists
// are numbered in order of appearance, so that two documents compare equal
// when they look the same.
std::vector<std::string> documentStructure(const QTextDocument& document);

}  // namespace qor::fixtures
