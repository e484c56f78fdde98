// The drawing gallery: one picture per drawing function of the toolbox, with
// the cases a person should see (double borders meeting single ones, the
// guides of "none" and empty sides, swatches of opaque, half-transparent and
// no colour, a checker overrunning its rectangle, the three check-box states,
// invisible characters over a sample line ...).
//
// Every picture draws through the Qt graphics context onto whatever device
// it is given, so the same code writes PNG, SVG and PDF.
//
// Example:
//   for (const auto& picture : qor::galleryPictures())
//     qor::renderPicture(picture, 2).save(QString::fromStdString(picture.name) + ".png");
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QImage>
#include <QPainter>
#include <QSize>
#include <QString>

namespace qor {

struct Picture {
  std::string name;     // file name without extension: "borders"
  std::string caption;  // one line for the documentation
  QSize size;           // in points
  std::function<void(QPainter&)> draw;
};

[[nodiscard]] std::vector<Picture> galleryPictures();

// `picture` on a white image `scale` times its size in pixels.
[[nodiscard]] QImage renderPicture(const Picture& picture, int scale);

// Writes `picture` as SVG to `path`. Result: false when the file cannot be written.
[[nodiscard]] bool writeSvg(const Picture& picture, const QString& path);

// Writes all `pictures` to one PDF at `path`, one page each. Result: false
// when the file cannot be written or `pictures` is empty.
[[nodiscard]] bool writePdf(const std::vector<Picture>& pictures, const QString& path);

}  // namespace qor
