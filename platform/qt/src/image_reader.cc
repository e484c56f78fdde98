#include <QImage>
#include <cmath>
#include <cstring>

#include "qor/qt/text_system.h"

namespace qor {

namespace {

constexpr double kInchesPerMetre = 0.0254;
constexpr double kWholeNumberSlack = 0.05;
constexpr unsigned kBitsPerByte = 8;
constexpr int kEightBitDepth = 32;  // QImage::depth() of a 4 x 8-bit format

// Formats deeper than four 8-bit samples, and 16-bit grey.
bool sixteenBitSamples(const QImage& image) {
  return image.depth() > kEightBitDepth || image.format() == QImage::Format_Grayscale16;
}

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
  // The samples stay as deep as the file's, and premultiplied colour stays
  // premultiplied: converting either way would change see-through pixels.
  const PixelFormat format{sixteenBitSamples(image) ? SampleBits::Sixteen : SampleBits::Eight,
                           image.pixelFormat().premultiplied() == QPixelFormat::Premultiplied
                               ? AlphaKind::Associated
                               : AlphaKind::Unassociated};
  const bool sixteen = format.bits == SampleBits::Sixteen, associated = format.alpha == AlphaKind::Associated;
  const QImage rgba = image.convertToFormat(
      sixteen ? (associated ? QImage::Format_RGBA64_Premultiplied : QImage::Format_RGBA64)
              : (associated ? QImage::Format_RGBA8888_Premultiplied : QImage::Format_RGBA8888));
  const auto width = static_cast<std::uint32_t>(rgba.width()), height = static_cast<std::uint32_t>(rgba.height());
  std::vector<std::uint8_t> pixels;
  pixels.reserve(std::size_t{width} * height * Image::kSamplesPerPixel * (sixteen ? sizeof(quint16) : 1));
  for (std::uint32_t y = 0; y < height; ++y) {
    const uchar* line = rgba.constScanLine(static_cast<int>(y));
    if (!sixteen) {
      pixels.insert(pixels.end(), line, line + std::size_t{width} * Image::kSamplesPerPixel);
      continue;
    }
    // Qt keeps 16-bit samples in the machine's order; an Image, most significant byte first.
    for (std::size_t sample = 0; sample < std::size_t{width} * Image::kSamplesPerPixel; ++sample) {
      quint16 value = 0;
      std::memcpy(&value, line + sample * sizeof value, sizeof value);
      pixels.push_back(static_cast<std::uint8_t>(value >> kBitsPerByte));
      pixels.push_back(static_cast<std::uint8_t>(value));
    }
  }
  return std::make_shared<Image>(width, height, std::move(pixels),
                                 dotsPerInch(image.dotsPerMeterX(), plain.dotsPerMeterX()),
                                 dotsPerInch(image.dotsPerMeterY(), plain.dotsPerMeterY()), format);
}

}  // namespace qor
