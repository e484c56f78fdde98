#include "qor/qt/psd_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <QTemporaryDir>

namespace qor {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes readBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

// Pixels of `channels` bytes each from a seeded Mersenne Twister.
Bytes randomPixels(int width, int height, int channels, std::uint32_t seed) {
  std::mt19937 random(seed);
  Bytes pixels(static_cast<std::size_t>(width * height * channels));
  for (auto& byte : pixels) byte = static_cast<std::uint8_t>(random());
  return pixels;
}

// ImageMagick writes the PSD, from raw pixels, as the oracle's input.
class ConvertedImage : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system(QOR_CONVERT " -version > /dev/null 2>&1") != 0) GTEST_SKIP() << QOR_CONVERT " is missing";
    ASSERT_TRUE(folder_.isValid());
  }

  // `format` is ImageMagick's raw format ("rgba", "rgb", "gray").
  Bytes convert(const Bytes& raw, int width, int height, const std::string& format, const std::string& compression) {
    const std::string in = folder_.filePath("in.raw").toStdString();
    const std::string out = folder_.filePath("out.psd").toStdString();
    writeBytes(in, raw);
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string command = std::string(QOR_CONVERT) + " -size " + size + " -depth 8 " + format + ":" + in +
                                " -compress " + compression + " " + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return readBytes(out);
  }

  QTemporaryDir folder_;
};

TEST_F(ConvertedImage, RgbaPixelsComeBackFromRleAndRawFiles) {
  // Odd sizes, so that no row length is a multiple of a PackBits run.
  constexpr int kWidth = 13;
  constexpr int kHeight = 7;
  Bytes pixels = randomPixels(kWidth, kHeight, 4, 42);
  // Opaque runs longer than 128 bytes (PackBits' limit) in the last row.
  for (int x = 0; x < kWidth; ++x) {
    std::uint8_t* pixel = &pixels[static_cast<std::size_t>(((kHeight - 1) * kWidth + x) * 4)];
    pixel[0] = 10, pixel[1] = 20, pixel[2] = 30, pixel[3] = 255;
  }
  for (const char* compression : {"RLE", "None"}) {
    auto image = decodePhotoshopImage(convert(pixels, kWidth, kHeight, "rgba", compression));
    ASSERT_TRUE(image) << compression;
    EXPECT_EQ(image->width, kWidth);
    EXPECT_EQ(image->height, kHeight);
    EXPECT_EQ(image->pixels, pixels) << compression;
  }
}

TEST_F(ConvertedImage, OpaqueAndGrayFilesGetFullAlpha) {
  constexpr int kWidth = 9;
  constexpr int kHeight = 5;
  Bytes rgb = randomPixels(kWidth, kHeight, 3, 7);
  auto color = decodePhotoshopImage(convert(rgb, kWidth, kHeight, "rgb", "RLE"));
  ASSERT_TRUE(color);
  Bytes gray = randomPixels(kWidth, kHeight, 1, 8);
  auto grayImage = decodePhotoshopImage(convert(gray, kWidth, kHeight, "gray", "RLE"));
  ASSERT_TRUE(grayImage);
  for (std::size_t pixel = 0; pixel < std::size_t{kWidth * kHeight}; ++pixel) {
    for (std::size_t component = 0; component < 3; ++component) {
      EXPECT_EQ(color->pixels[pixel * 4 + component], rgb[pixel * 3 + component]) << pixel;
      EXPECT_EQ(grayImage->pixels[pixel * 4 + component], gray[pixel]) << pixel;
    }
    EXPECT_EQ(color->pixels[pixel * 4 + 3], 255) << pixel;
    EXPECT_EQ(grayImage->pixels[pixel * 4 + 3], 255) << pixel;
  }
  QImage shown = imageFromPhotoshopData(convert(rgb, kWidth, kHeight, "rgb", "None"));
  ASSERT_FALSE(shown.isNull());
  EXPECT_EQ(shown.size(), QSize(kWidth, kHeight));
  EXPECT_EQ(shown.pixel(1, 0), qRgb(rgb[3], rgb[4], rgb[5]));
}

TEST_F(ConvertedImage, EveryTruncationIsRefused) {
  Bytes file = convert(randomPixels(4, 3, 4, 9), 4, 3, "rgba", "RLE");
  ASSERT_TRUE(decodePhotoshopImage(file));
  for (std::size_t length = 0; length < file.size(); ++length) {
    Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
    // The layer section may be cut without touching the composite only if
    // the composite still ends where it should, which a shorter file cannot.
    EXPECT_FALSE(decodePhotoshopImage(prefix)) << length;
  }
}

// A PSD written here byte by byte, for the cases ImageMagick never writes.
Bytes handMade(std::uint16_t channels, std::uint32_t height, std::uint32_t width, std::uint16_t depth,
               std::uint16_t mode, std::uint16_t compression, const Bytes& data, std::uint16_t version = 1) {
  Bytes bytes = {'8', 'B', 'P', 'S'};
  auto u16 = [&](std::uint32_t value) {
    bytes.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes.push_back(static_cast<std::uint8_t>(value));
  };
  auto u32 = [&](std::uint32_t value) {
    u16(value >> 16);
    u16(value & 0xFFFF);
  };
  u16(version);
  bytes.insert(bytes.end(), 6, 0);
  u16(channels);
  u32(height);
  u32(width);
  u16(depth);
  u16(mode);
  u32(0), u32(0), u32(0);  // colour mode data, resources, layers: empty
  u16(compression);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

TEST(HandMadeImage, PackBitsRunsAtTheirLimits) {
  // One gray row of 130 pixels: a run of 128 (header -127, 1 - (-127) = 128),
  // a no-op (-128), then a literal of 2 (header 1).
  const Bytes row = {0x81, 0x07, 0x80, 0x01, 0x09, 0x0A};
  const Bytes data = {0x00, static_cast<std::uint8_t>(row.size())};
  Bytes withRow = data;
  withRow.insert(withRow.end(), row.begin(), row.end());
  auto image = decodePhotoshopImage(handMade(1, 1, 130, 8, 1, 1, withRow));
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[0], 0x07);
  EXPECT_EQ(image->pixels[127 * 4], 0x07);
  EXPECT_EQ(image->pixels[128 * 4], 0x09);
  EXPECT_EQ(image->pixels[129 * 4], 0x0A);

  // The same row one pixel narrower overruns it.
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 129, 8, 1, 1, withRow)));
}

TEST(HandMadeImage, RefusesWhatItDoesNotRead) {
  const Bytes onePixel = {0x80};
  EXPECT_TRUE(decodePhotoshopImage(handMade(1, 1, 1, 8, 1, 0, onePixel)));
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 1, 8, 1, 0, onePixel, 2))) << "large-document form";
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 1, 16, 1, 0, {0, 0}))) << "16 bits";
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 1, 8, 4, 0, onePixel))) << "CMYK";
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 1, 8, 1, 2, onePixel))) << "ZIP";
  EXPECT_FALSE(decodePhotoshopImage(handMade(2, 1, 1, 8, 3, 0, {1, 2}))) << "RGB with two channels";
  EXPECT_FALSE(decodePhotoshopImage(handMade(57, 1, 1, 8, 1, 0, Bytes(57, 0)))) << "57 channels";
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 0, 1, 8, 1, 0, {}))) << "no rows";
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 1, 30001, 8, 1, 0, Bytes(30001, 0)))) << "too wide";
  // 4097 x 4097 is above 2^24 pixels though each side is allowed.
  EXPECT_FALSE(decodePhotoshopImage(handMade(1, 4097, 4097, 8, 1, 0, {}))) << "too many pixels";
  EXPECT_FALSE(decodePhotoshopImage(Bytes{'8', 'B', 'P', 'X'}));
  EXPECT_FALSE(decodePhotoshopImage(Bytes{}));
  EXPECT_TRUE(imageFromPhotoshopData(Bytes{}).isNull());
}

}  // namespace
}  // namespace qor
