// How this build of keybindings writes PDF: through Qt's text layout when it
// was built with Qt, not at all otherwise (pdf_output_qt.cc or
// pdf_output_none.cc, chosen by the build).
#pragma once

#include "session.h"

namespace qor {

// The writer `cheatsheet` uses for PDF; null in a build without Qt. The Qt
// writer starts a QGuiApplication for each document, on the "offscreen"
// platform unless QT_QPA_PLATFORM names another: a PDF needs no display.
[[nodiscard]] PdfWriter pdfWriterOfThisBuild();

}  // namespace qor
