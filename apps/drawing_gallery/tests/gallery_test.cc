// The gallery's pictures against the reference images kept in the tree, and
// its SVG and PDF output.
//
// A picture matches when no pixel channel differs by more than
// kChannelTolerance, apart from at most kStrayPixelShare of the pixels (glyph
// edges may fall differently with another FreeType). On a mismatch the test
// saves the new picture and a diff image (differing pixels red over a faded
// copy of the reference) to the artefacts folder; to accept a deliberate
// change, run qor-drawing-gallery into docs/drawing.
#include "gallery.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QSvgRenderer>
#include <QTemporaryDir>

namespace qor {
namespace {

constexpr int kScale = 2;
constexpr int kChannelTolerance = 40;
constexpr double kStrayPixelShare = 0.002;

int channelDifference(QRgb a, QRgb b) {
  return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b)),
                   std::abs(qAlpha(a) - qAlpha(b))});
}

// The number of pixels that differ beyond the tolerance; `diff` shows them.
int compareImages(const QImage& actual, const QImage& reference, QImage& diff) {
  diff = QImage(reference.size(), QImage::Format_ARGB32);
  int differing = 0;
  for (int y = 0; y < reference.height(); ++y) {
    for (int x = 0; x < reference.width(); ++x) {
      const QRgb want = reference.pixel(x, y), got = actual.pixel(x, y);
      const bool differs = channelDifference(want, got) > kChannelTolerance;
      differing += differs ? 1 : 0;
      const int faded = 192 + qGray(want) / 4;
      diff.setPixel(x, y, differs ? qRgb(255, 0, 0) : qRgb(faded, faded, faded));
    }
  }
  return differing;
}

TEST(DrawingGallery, PicturesMatchTheReferences) {
  QDir artefacts(QOR_DRAWING_ARTIFACTS);
  for (const auto& picture : galleryPictures()) {
    SCOPED_TRACE(picture.name);
    const QString name = QString::fromStdString(picture.name);
    const QImage actual = renderPicture(picture, kScale).convertToFormat(QImage::Format_ARGB32);
    const QImage reference = QImage(QString(QOR_DRAWING_REFERENCES) + "/" + name + ".png")
                                 .convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(reference.isNull()) << "no reference image for " << picture.name;
    bool matches = reference.size() == actual.size();
    QImage diff;
    if (matches) {
      const int differing = compareImages(actual, reference, diff);
      matches = differing <= kStrayPixelShare * reference.width() * reference.height();
      EXPECT_TRUE(matches) << differing << " pixels differ";
    } else {
      ADD_FAILURE() << "size " << actual.width() << "x" << actual.height() << ", reference "
                    << reference.width() << "x" << reference.height();
    }
    if (!matches) {
      artefacts.mkpath(".");
      actual.save(artefacts.filePath(name + "-actual.png"));
      if (!diff.isNull()) diff.save(artefacts.filePath(name + "-diff.png"));
      std::fprintf(stderr, "saved %s\n", qPrintable(artefacts.filePath(name + "-*.png")));
    }
  }
}

TEST(DrawingGallery, SvgAndPdfThroughTheSameContext) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const auto pictures = galleryPictures();
  for (const auto& picture : pictures) {
    const QString path = folder.filePath(QString::fromStdString(picture.name) + ".svg");
    ASSERT_TRUE(writeSvg(picture, path));
    QSvgRenderer svg(path);
    ASSERT_TRUE(svg.isValid()) << picture.name;
    // Drawn back into an image, the SVG is not blank.
    QImage image(picture.size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    svg.render(&painter);
    painter.end();
    bool inked = false;
    for (int y = 0; y < image.height() && !inked; ++y) {
      for (int x = 0; x < image.width() && !inked; ++x) inked = image.pixel(x, y) != qRgb(255, 255, 255);
    }
    EXPECT_TRUE(inked) << picture.name;
  }
  const QString pdf = folder.filePath("drawing.pdf");
  ASSERT_TRUE(writePdf(pictures, pdf));
  QFile file(pdf);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray bytes = file.readAll();
  EXPECT_TRUE(bytes.startsWith("%PDF-"));
  // One page per picture: "/Type /Page" also begins "/Type /Pages".
  EXPECT_EQ(bytes.count("/Type /Page") - bytes.count("/Type /Pages"), qsizetype(pictures.size()));
  EXPECT_FALSE(writePdf({}, folder.filePath("empty.pdf")));
  EXPECT_FALSE(writeSvg(pictures.front(), "/nonexistent-folder/x.svg"));
}

}  // namespace
}  // namespace qor
