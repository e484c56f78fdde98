#include <QGuiApplication>

#include "pdf_output.h"
#include "qor/qt/pdf_document.h"

namespace qor {

namespace {

constexpr const char* kPlatformVariable = "QT_QPA_PLATFORM";
constexpr const char* kOffscreenPlatform = "offscreen";

constexpr const char* kNoRuntimeFolderWarning = "QStandardPaths: XDG_RUNTIME_DIR not set";

QtMessageHandler previousHandler = nullptr;

// Run without a login session (from cron, or as root over ssh), the tool has
// no runtime folder; Qt then makes one of its own and says so on every run,
// which tells the user of a command-line tool nothing. Every other message
// goes on as before.
void quietAboutRuntimeFolder(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String(kNoRuntimeFolderWarning))) return;
  if (previousHandler) previousHandler(type, context, message);
}

bool writePdf(const std::string& html, const std::string& path) {
  if (!qEnvironmentVariableIsSet(kPlatformVariable)) qputenv(kPlatformVariable, kOffscreenPlatform);
  previousHandler = qInstallMessageHandler(quietAboutRuntimeFolder);
  char name[] = "keybindings";
  char* arguments[] = {name, nullptr};
  int count = 1;
  bool written = false;
  {
    QGuiApplication application(count, arguments);
    written = writeHtmlAsPdf(html, path);
  }
  qInstallMessageHandler(previousHandler);
  return written;
}

}  // namespace

PdfWriter pdfWriterOfThisBuild() { return writePdf; }

}  // namespace qor
