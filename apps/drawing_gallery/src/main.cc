// qor-drawing-gallery: renders a picture of every drawing function of the
// toolbox as PNG and SVG, and all of them as one PDF.
//
//   qor-drawing-gallery [--scale N] OUTPUT_FOLDER
//
// Writes <name>.png (N pixels per point, 2 by default), <name>.svg and
// drawing.pdf into OUTPUT_FOLDER, creating it. Exit status 0 when every file
// was written, 1 when one could not be, 2 for a wrong command line.
#include <cstdio>

#include <QDir>
#include <QGuiApplication>
#include <QStringList>

#include "gallery.h"

namespace {

constexpr int kDefaultScale = 2;
constexpr int kLargestScale = 8;
constexpr int kUsageError = 2;

int usage() {
  std::fprintf(stderr, "usage: qor-drawing-gallery [--scale N] OUTPUT_FOLDER\n");
  return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  QStringList arguments = application.arguments().mid(1);
  int scale = kDefaultScale;
  if (arguments.size() == 3 && arguments[0] == "--scale") {
    bool ok = false;
    scale = arguments[1].toInt(&ok);
    if (!ok || scale < 1 || scale > kLargestScale) return usage();
    arguments = arguments.mid(2);
  }
  if (arguments.size() != 1) return usage();
  const QDir folder(arguments[0]);
  if (!folder.mkpath(".")) {
    std::fprintf(stderr, "qor-drawing-gallery: cannot create %s\n", qPrintable(arguments[0]));
    return 1;
  }
  const auto pictures = qor::galleryPictures();
  bool ok = true;
  for (const auto& picture : pictures) {
    const QString name = QString::fromStdString(picture.name);
    const QString png = folder.filePath(name + ".png"), svg = folder.filePath(name + ".svg");
    if (!qor::renderPicture(picture, scale).save(png)) {
      std::fprintf(stderr, "qor-drawing-gallery: cannot write %s\n", qPrintable(png));
      ok = false;
    }
    if (!qor::writeSvg(picture, svg)) {
      std::fprintf(stderr, "qor-drawing-gallery: cannot write %s\n", qPrintable(svg));
      ok = false;
    }
  }
  const QString pdf = folder.filePath("drawing.pdf");
  if (!qor::writePdf(pictures, pdf)) {
    std::fprintf(stderr, "qor-drawing-gallery: cannot write %s\n", qPrintable(pdf));
    ok = false;
  }
  return ok ? 0 : 1;
}
