#include <QGuiApplication>

#include "pdf_output.h"
#include "qor/qt/pdf_document.h"

namespace qor {

namespace {

constexpr const char* kPlatformVariable = "QT_QPA_PLATFORM";
constexpr const char* kOffscreenPlatform = "offscreen";

bool writePdf(const std::string& html, const std::string& path) {
  if (!qEnvironmentVariableIsSet(kPlatformVariable)) qputenv(kPlatformVariable, kOffscreenPlatform);
  char name[] = "keybindings";
  char* arguments[] = {name, nullptr};
  int count = 1;
  QGuiApplication application(count, arguments);
  return writeHtmlAsPdf(html, path);
}

}  // namespace

PdfWriter pdfWriterOfThisBuild() { return writePdf; }

}  // namespace qor
