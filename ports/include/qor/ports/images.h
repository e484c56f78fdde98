/// @file
/// Image port: decoding picture files into pixels with their resolution.
///
/// The platform reads the formats it knows (the Qt implementation: PNG, JPEG,
/// GIF, BMP, TIFF through Qt's image readers). TIFF encoding is not here: the
/// toolbox writes TIFF through libtiff itself, so that it controls the bytes.
///
/// Threads: readers are called on the main thread only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "qor/opaque.h"

namespace qor {

/// The size of one sample (red, green, blue or alpha) of an Image.
enum class SampleBits : std::uint8_t {
  Eight = 8,     ///< one byte
  Sixteen = 16,  ///< two bytes, the more significant first
};

/// How an Image's colour relates to its alpha: straight colour
/// (Unassociated), or colour already multiplied by alpha (Associated), as a
/// file that declares its alpha associated stores it.
enum class AlphaKind : std::uint8_t {
  Unassociated,  ///< straight colour: what the pixel shows where it is opaque
  Associated,    ///< colour multiplied by alpha, never above it
};

/// The layout of an Image's samples. Converting between the two kinds of
/// alpha loses colour wherever alpha is small, so a picture keeps the kind
/// its file gave it.
struct PixelFormat {
  SampleBits bits = SampleBits::Eight;        ///< bits per sample
  AlphaKind alpha = AlphaKind::Unassociated;  ///< what the colour samples hold
  friend bool operator==(const PixelFormat&, const PixelFormat&) = default;
};

/// A decoded picture: RGBA pixels, row by row from the top, in the format
/// its file gave (8 or 16 bits per sample, straight or premultiplied
/// colour), and the resolution in dots per inch that its file gave it (72
/// when it gave none).
class Image final : public Opaque {
 public:
  /// Points per inch; also the resolution of a file that gives none.
  static constexpr double kPointsPerInch = 72.0;
  /// Red, green, blue and alpha.
  static constexpr std::size_t kSamplesPerPixel = 4;
  /// Bits in a byte, for bytesPerPixel().
  static constexpr std::size_t kBitsPerByte = 8;

  /// An image of `width` x `height` pixels; `rgba` holds width x height x
  /// bytesPerPixel() bytes in `format`. All values are kept as given,
  /// unchecked: readers pass positive resolutions.
  Image(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> rgba, double xDotsPerInch,
        double yDotsPerInch, PixelFormat format = {})
      : width_(width),
        height_(height),
        rgba_(std::move(rgba)),
        xDpi_(xDotsPerInch),
        yDpi_(yDotsPerInch),
        format_(format) {}

  [[nodiscard]] std::string_view typeName() const override { return "image"; }
  /// Width (height) in pixels.
  ///@{
  [[nodiscard]] std::uint32_t pixelsWide() const { return width_; }
  [[nodiscard]] std::uint32_t pixelsHigh() const { return height_; }
  ///@}
  /// width x height x bytesPerPixel() bytes: red, green, blue, alpha.
  [[nodiscard]] const std::vector<std::uint8_t>& rgba() const { return rgba_; }
  /// The layout of rgba().
  [[nodiscard]] PixelFormat format() const { return format_; }
  /// 4 for 8-bit samples, 8 for 16-bit ones.
  [[nodiscard]] std::size_t bytesPerPixel() const {
    return kSamplesPerPixel * static_cast<std::size_t>(format_.bits) / kBitsPerByte;
  }
  /// Horizontal (vertical) resolution in dots per inch.
  ///@{
  [[nodiscard]] double xDotsPerInch() const { return xDpi_; }
  [[nodiscard]] double yDotsPerInch() const { return yDpi_; }
  ///@}
  /// The size in points: pixels x 72 / dots per inch.
  ///@{
  [[nodiscard]] double pointWidth() const { return width_ * kPointsPerInch / xDpi_; }
  [[nodiscard]] double pointHeight() const { return height_ * kPointsPerInch / yDpi_; }
  ///@}

 private:
  std::uint32_t width_;
  std::uint32_t height_;
  std::vector<std::uint8_t> rgba_;
  double xDpi_;
  double yDpi_;
  PixelFormat format_;
};
/// A shared image; null stands for no image.
using ImageRef = std::shared_ptr<Image>;

/// Decodes picture files with the platform's readers.
class ImageReader {
 public:
  virtual ~ImageReader() = default;
  /// The picture in `bytes`. Result: null when the platform reads no image
  /// from them (empty data included). A missing or non-positive resolution
  /// reads as 72 dots per inch.
  [[nodiscard]] virtual ImageRef imageWithData(std::span<const std::uint8_t> bytes) = 0;
};

}  // namespace qor
