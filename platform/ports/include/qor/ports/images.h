/// @file
/// Image port: decoding picture files into pixels with their resolution.
///
/// The platform reads the formats it knows (the Qt implementation: PNG, JPEG,
/// GIF, BMP, TIFF through Qt's image readers). TIFF encoding is not here: the
/// toolbox writes TIFF through libtiff itself, so that it controls the bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "qor/opaque.h"

namespace qor {

/// A decoded picture: 8-bit RGBA pixels, row by row from the top, and the
/// resolution in dots per inch that its file gave it (72 when it gave none).
class Image final : public Opaque {
 public:
  /// Points per inch; also the resolution of a file that gives none.
  static constexpr double kPointsPerInch = 72.0;

  /// An image of `width` x `height` pixels; `rgba` holds width x height x 4
  /// bytes. All values are kept as given, unchecked: readers pass positive
  /// resolutions.
  Image(std::uint32_t width, std::uint32_t height, std::vector<std::uint8_t> rgba, double xDotsPerInch,
        double yDotsPerInch)
      : width_(width), height_(height), rgba_(std::move(rgba)), xDpi_(xDotsPerInch), yDpi_(yDotsPerInch) {}

  [[nodiscard]] std::string_view typeName() const override { return "image"; }
  /// Width (height) in pixels.
  ///@{
  [[nodiscard]] std::uint32_t pixelsWide() const { return width_; }
  [[nodiscard]] std::uint32_t pixelsHigh() const { return height_; }
  ///@}
  /// width x height x 4 bytes.
  [[nodiscard]] const std::vector<std::uint8_t>& rgba() const { return rgba_; }
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
