#include <QImage>
#include <cmath>

#include "qor/qt/text_system.h"

namespace qor {

namespace {

constexpr double kInchesPerMetre = 0.0254;
constexpr double kWholeNumberSlack = 0.05;
constexpr std::size_t kBytesPerPixel = 4;

// Qt stores dots per metre as whole numbers, and gives an image from a file
// without a resolution its own default.
double dotsPerInch(int dotsPerMetre, int defaultDotsPerMetre) {
  if (dotsPerMetre <= 0 || dotsPerMetre == defaultDotsPerMetre) return Image::kPointsPerInch;
  double dpi = dotsPerMetre * kInchesPerMetre;
  return std::abs(dpi - std::round(dpi)) < kWholeNumberSlack ? std::round(dpi) : dpi;
}

}  // namespace

ImageRef QtImageReader::imageWithData(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return nullptr;
  QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
  if (image.isNull()) return nullptr;
  const QImage plain(1, 1, QImage::Format_RGBA8888);
  const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
  const auto width = static_cast<std::uint32_t>(rgba.width()), height = static_cast<std::uint32_t>(rgba.height());
  std::vector<std::uint8_t> pixels;
  pixels.reserve(std::size_t{width} * height * kBytesPerPixel);
  for (std::uint32_t y = 0; y < height; ++y) {
    const uchar* line = rgba.constScanLine(static_cast<int>(y));
    pixels.insert(pixels.end(), line, line + std::size_t{width} * kBytesPerPixel);
  }
  return std::make_shared<Image>(width, height, std::move(pixels),
                                 dotsPerInch(image.dotsPerMeterX(), plain.dotsPerMeterX()),
                                 dotsPerInch(image.dotsPerMeterY(), plain.dotsPerMeterY()));
}

}  // namespace qor
