#include "qor/qt/psd_image.h"

#include <array>
#include <cstring>

namespace qor {

namespace {

constexpr std::array<std::uint8_t, 4> kSignature = {'8', 'B', 'P', 'S'};
constexpr std::uint16_t kVersion = 1;
constexpr std::uint32_t kMaximumSide = 30000;
constexpr std::uint16_t kMaximumChannels = 56;
constexpr std::size_t kRowSizeBytes = 2;
constexpr std::uint16_t kDepth = 8;
constexpr std::uint16_t kGrayscaleMode = 1;
constexpr std::uint16_t kRgbMode = 3;
constexpr std::uint16_t kRawCompression = 0;
constexpr std::uint16_t kRleCompression = 1;
constexpr std::size_t kReservedBytes = 6;
constexpr std::size_t kRgbaChannels = 4;
constexpr std::size_t kAlphaIndex = 3;
constexpr std::uint8_t kOpaque = 0xFF;
// PackBits: a header of -128 is a no-op.
constexpr std::int8_t kPackBitsNoOp = -128;

// Big-endian reading with bounds checks; a read past the end sets `failed`.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
  std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
  // The next `count` bytes; empty (and failed) when fewer remain.
  std::span<const std::uint8_t> bytes(std::size_t count) {
    if (failed_ || count > remaining()) {
      failed_ = true;
      return {};
    }
    auto part = bytes_.subspan(position_, count);
    position_ += count;
    return part;
  }
  void skip(std::size_t count) { (void)bytes(count); }
  [[nodiscard]] std::size_t remaining() const { return bytes_.size() - position_; }
  [[nodiscard]] bool failed() const { return failed_; }

 private:
  std::uint64_t take(std::size_t count) {
    std::uint64_t value = 0;
    for (std::uint8_t byte : bytes(count)) value = (value << 8) | byte;
    return value;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t position_ = 0;
  bool failed_ = false;
};

// Expands one PackBits row into `row` (exactly its size). Result: false when
// the data ends early or runs past the row.
bool unpackRow(std::span<const std::uint8_t> packed, std::span<std::uint8_t> row) {
  std::size_t in = 0;
  std::size_t out = 0;
  while (out < row.size()) {
    if (in >= packed.size()) return false;
    const auto header = static_cast<std::int8_t>(packed[in++]);
    if (header == kPackBitsNoOp) continue;
    if (header >= 0) {
      const std::size_t count = static_cast<std::size_t>(header) + 1;
      if (in + count > packed.size() || out + count > row.size()) return false;
      std::memcpy(row.data() + out, packed.data() + in, count);
      in += count;
      out += count;
    } else {
      const std::size_t count = static_cast<std::size_t>(1 - header);
      if (in >= packed.size() || out + count > row.size()) return false;
      std::memset(row.data() + out, packed[in++], count);
      out += count;
    }
  }
  return true;
}

}  // namespace

std::optional<RgbaImage> decodePhotoshopImage(std::span<const std::uint8_t> bytes) {
  Reader reader(bytes);
  auto signature = reader.bytes(kSignature.size());
  if (reader.failed() || !std::equal(signature.begin(), signature.end(), kSignature.begin())) return std::nullopt;
  if (reader.u16() != kVersion) return std::nullopt;
  reader.skip(kReservedBytes);
  const std::uint16_t channels = reader.u16();
  const std::uint32_t height = reader.u32();
  const std::uint32_t width = reader.u32();
  const std::uint16_t depth = reader.u16();
  const std::uint16_t mode = reader.u16();
  if (reader.failed() || depth != kDepth || (mode != kRgbMode && mode != kGrayscaleMode)) return std::nullopt;
  if (width == 0 || height == 0 || width > kMaximumSide || height > kMaximumSide) return std::nullopt;
  const std::size_t pixelCount = std::size_t{width} * height;
  if (static_cast<std::int64_t>(pixelCount) > kMaximumPhotoshopPixels) return std::nullopt;
  const std::size_t colorChannels = mode == kRgbMode ? 3 : 1;
  if (channels < colorChannels || channels > kMaximumChannels) return std::nullopt;
  const bool hasAlpha = channels > colorChannels;
  const std::size_t usedChannels = colorChannels + (hasAlpha ? 1 : 0);

  // Colour-mode data, image resources, layer and mask information: skipped.
  for (int section = 0; section < 3; ++section) reader.skip(reader.u32());
  const std::uint16_t compression = reader.u16();
  if (reader.failed()) return std::nullopt;

  // Planar channel data, one width-long row after another.
  std::vector<std::vector<std::uint8_t>> planes(usedChannels, std::vector<std::uint8_t>(pixelCount));
  if (compression == kRawCompression) {
    for (auto& plane : planes) {
      auto data = reader.bytes(pixelCount);
      if (reader.failed()) return std::nullopt;
      std::memcpy(plane.data(), data.data(), pixelCount);
    }
  } else if (compression == kRleCompression) {
    // The byte counts of every row of every channel come first.
    const std::size_t rowCount = std::size_t{channels} * height;
    if (rowCount * kRowSizeBytes > reader.remaining()) return std::nullopt;
    std::vector<std::uint16_t> rowSizes(rowCount);
    for (auto& size : rowSizes) size = reader.u16();
    if (reader.failed()) return std::nullopt;
    for (std::size_t channel = 0; channel < usedChannels; ++channel) {
      for (std::size_t row = 0; row < height; ++row) {
        auto packed = reader.bytes(rowSizes[channel * height + row]);
        if (reader.failed()) return std::nullopt;
        if (!unpackRow(packed, std::span(planes[channel]).subspan(row * width, width))) return std::nullopt;
      }
    }
  } else {
    return std::nullopt;
  }

  RgbaImage image{static_cast<int>(width), static_cast<int>(height), std::vector<std::uint8_t>(pixelCount * kRgbaChannels)};
  for (std::size_t pixel = 0; pixel < pixelCount; ++pixel) {
    std::uint8_t* out = &image.pixels[pixel * kRgbaChannels];
    for (std::size_t component = 0; component < kAlphaIndex; ++component)
      out[component] = planes[colorChannels == 3 ? component : 0][pixel];
    out[kAlphaIndex] = hasAlpha ? planes[colorChannels][pixel] : kOpaque;
  }
  return image;
}

QImage imageFromPhotoshopData(std::span<const std::uint8_t> bytes) {
  std::optional<RgbaImage> decoded = decodePhotoshopImage(bytes);
  if (!decoded) return {};
  QImage image(decoded->width, decoded->height, QImage::Format_RGBA8888);
  const std::size_t rowBytes = static_cast<std::size_t>(decoded->width) * kRgbaChannels;
  for (int row = 0; row < decoded->height; ++row)
    std::memcpy(image.scanLine(row), decoded->pixels.data() + static_cast<std::size_t>(row) * rowBytes, rowBytes);
  return image;
}

}  // namespace qor
