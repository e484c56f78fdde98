// HTML pages printed to PDF with Qt's text layout: QTextDocument reads the
// page, QPdfWriter lays it out on A4 pages. Needs a QGuiApplication (for the
// fonts) but no display: the "offscreen" platform serves. The Qt toolkit's
// writeDocumentAsPDF and the keybindings tool both go through here.
//
// Example:
//   qor::writeHtmlAsPdf("<h1>Mine</h1>", "/tmp/mine.pdf");   // true
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// The PDF document of `html` (UTF-8), titled with the page's <title>.
// Result: the file's bytes, starting "%PDF-"; empty without a
// QGuiApplication. An empty `html` gives one empty page.
[[nodiscard]] std::vector<std::uint8_t> pdfFromHtml(const std::string& html);

// pdfFromHtml written to `path` atomically (FileSystem::writeFileAtomically):
// on failure the old file is left as it was. Result: false when nothing was
// rendered or the file could not be written; an empty `path` fails.
[[nodiscard]] bool writeHtmlAsPdf(const std::string& html, const std::string& path);

}  // namespace qor
