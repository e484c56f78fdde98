#include "qor/qt/pdf_document.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

#include "qor/file_system.h"

namespace qor {

namespace {

constexpr int kResolutionDpi = 300;
constexpr double kMarginMillimetres = 15;

}  // namespace

std::vector<std::uint8_t> pdfFromHtml(const std::string& html) {
  // Fonts and layout need the application's font database.
  if (!QGuiApplication::instance()) return {};
  QTextDocument document;
  document.setHtml(QString::fromStdString(html));
  QByteArray bytes;
  {
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QPdfWriter writer(&buffer);
    writer.setResolution(kResolutionDpi);
    writer.setTitle(document.metaInformation(QTextDocument::DocumentTitle));
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                    QMarginsF(kMarginMillimetres, kMarginMillimetres, kMarginMillimetres, kMarginMillimetres),
                    QPageLayout::Millimeter));
    document.print(&writer);
  }
  return {bytes.begin(), bytes.end()};
}

bool writeHtmlAsPdf(const std::string& html, const std::string& path) {
  if (path.empty()) return false;
  std::vector<std::uint8_t> bytes = pdfFromHtml(html);
  return !bytes.empty() && writeFileAtomically(path, bytes);
}

}  // namespace qor
