#include "qor/image_attachments.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>

#include "qor/headless/text_system.h"
#include "qor/log.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"
#include "qor/tiff_data.h"

namespace qor {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A picture with a different colour in every pixel, so that a lost or
// shuffled pixel shows.
ImageRef picture(std::uint32_t width, std::uint32_t height, double dpi = Image::kPointsPerInch) {
  std::vector<std::uint8_t> rgba;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint32_t value : {x, y, x ^ y, 255u}) rgba.push_back(static_cast<std::uint8_t>(value));
  return std::make_shared<Image>(width, height, std::move(rgba), dpi, dpi);
}

DataRef tiff(const Image& image, TiffCompression compression = TiffCompression::None) {
  return Data::make(tiffRepresentation(image, compression).value());
}

std::string run(const std::string& command) { return fixtures::runCommand(command).output; }

// What libtiff's own tools and an independent reader (python3, bytes as
// the file format lays them out) say about TIFF data.
struct Oracle {
  std::string tiffdump, tiffinfo, rationals;
};

Oracle oracle(const DataRef& data) {
  fixtures::TemporaryFolder folder;
  std::string path = folder.file("out.tif");
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data->bytes().data()),
                                             static_cast<std::streamsize>(data->bytes().size()));
  const std::string python = R"(
import struct, sys
b = open(sys.argv[1], 'rb').read()
ifd, = struct.unpack('>I', b[4:8]); n, = struct.unpack('>H', b[ifd:ifd+2])
for i in range(n):
    tag, typ, cnt, val = struct.unpack('>HHII', b[ifd+2+12*i:ifd+14+12*i])
    if tag in (282, 283): print('%d %d/%d' % ((tag,) + struct.unpack('>II', b[val:val+8])))
)";
  return {run("tiffdump " + path), run("tiffinfo " + path + " 2>&1"),
          run("python3 -c \"$(cat <<'EOF'\n" + python + "\nEOF\n)\" " + path)};
}

TEST(TIFFDataWithData, ExactRationalsLzwAndBigEndianAsLibtiffsToolsReadThem) {
  struct Case {
    std::uint32_t pixelsWide, pixelsHigh;
    float pointsWide, pointsHigh;
    const char* rationals;  // as python reads the bytes
    const char* dumpedResolution;
  };
  const Case cases[] = {
      // 400 x 72 / 200 = 144 dpi; 300 x 72 / 150 = 144 dpi.
      {400, 300, 200.0f, 150.0f, "282 28800/200\n283 21600/150\n", "XResolution (282) RATIONAL (5) 1<144>"},
      // 1000 x 72 / 100 = 720 dpi, kept as written, not reduced to 720/1.
      {1000, 500, 100.0f, 50.0f, "282 72000/100\n283 36000/50\n", "XResolution (282) RATIONAL (5) 1<720>"},
      // 99.9 pt truncates to 99: 28800 / 99 = 290.909 dpi.
      {400, 300, 99.9f, 150.0f, "282 28800/99\n283 21600/150\n", "XResolution (282) RATIONAL (5) 1<290.909>"},
  };
  HeadlessImageReader reader;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rationals);
    auto source = picture(c.pixelsWide, c.pixelsHigh);
    auto result = TIFFDataWithData(tiff(*source), c.pointsWide, c.pointsHigh, reader);
    ASSERT_TRUE(result);
    auto seen = oracle(result);
    EXPECT_EQ(seen.rationals, c.rationals);
    EXPECT_THAT(seen.tiffdump, HasSubstr("<big-endian>"));
    EXPECT_THAT(seen.tiffdump, HasSubstr("ImageWidth (256) SHORT (3) 1<" + std::to_string(c.pixelsWide) + ">"));
    EXPECT_THAT(seen.tiffdump, HasSubstr(c.dumpedResolution));
    EXPECT_THAT(seen.tiffinfo, HasSubstr("Compression Scheme: LZW"));
    // Every pixel is still there, and the picture now shows at the size asked for.
    auto back = imageWithTIFFData(result->bytes());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rgba(), source->rgba());
    EXPECT_NEAR(back->pointWidth(), std::trunc(c.pointsWide), 1e-3);
  }
  EXPECT_EQ(reader.calls(), 0);  // TIFF never needs the platform
}

TEST(TiffRepresentation, AnEmptyImageOrAPixelBufferOfTheWrongSizeGivesNothing) {
  // Image keeps what it is given unchecked: a short buffer must not be read past.
  const Image images[] = {
      {0, 4, {}, Image::kPointsPerInch, Image::kPointsPerInch},
      {4, 0, {}, Image::kPointsPerInch, Image::kPointsPerInch},
      {4, 4, std::vector<std::uint8_t>(4 * 4 * 4 - 1), Image::kPointsPerInch, Image::kPointsPerInch},
      {4, 4, std::vector<std::uint8_t>(4 * 4 * 4 + 4), Image::kPointsPerInch, Image::kPointsPerInch},
  };
  for (const Image& image : images)
    EXPECT_FALSE(tiffRepresentation(image, TiffCompression::None).has_value())
        << image.pixelsWide() << " x " << image.pixelsHigh() << ", " << image.rgba().size() << " bytes";
}

TEST(TIFFDataWithData, FailuresGiveNullAndOneLogLine) {
  constexpr float kInfinity = std::numeric_limits<float>::infinity();
  HeadlessImageReader reader;
  const DataRef wide = tiff(*picture(65536, 1));  // libtiff stores this width as LONG
  struct Case {
    DataRef data;
    float pointsWide, pointsHigh;
    const char* line;
  };
  const Case cases[] = {
      {nullptr, 10, 10, "*** TIFFDataWithData: null source."},
      {Data::make({'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'}), 10, 10,
       "*** TIFFDataWithData: invalid image."},
      {Data::make({}), 10, 10, "*** TIFFDataWithData: invalid image."},
      {Data::make({'M', 'M', 0, 42, 0, 0, 0, 200}), 10, 10, "*** TIFFDataWithData: invalid image."},
      {wide, 100, 1, "*** TIFFDataWithData: cannot set the resolution (wider or higher than 65535 pixels)."},
      {tiff(*picture(4, 4)), 0.99f, 10, "*** TIFFDataWithData: cannot set the resolution (a size below one point)."},
      {tiff(*picture(4, 4)), 10, std::numeric_limits<float>::quiet_NaN(),
       "*** TIFFDataWithData: cannot set the resolution (a size that is not a number)."},
      {tiff(*picture(4, 4)), -3, 10, "*** TIFFDataWithData: cannot set the resolution (a size below one point)."},
      {tiff(*picture(4, 4)), -kInfinity, 10,
       "*** TIFFDataWithData: cannot set the resolution (a size below one point)."},
      // No 32-bit denominator holds 2^32 (the float below it fits: see the patch's test).
      {tiff(*picture(4, 4)), kInfinity, 10,
       "*** TIFFDataWithData: cannot set the resolution (a size of 2^32 points or more)."},
      {tiff(*picture(4, 4)), 10, 4294967296.0f,
       "*** TIFFDataWithData: cannot set the resolution (a size of 2^32 points or more)."},
  };
  for (const auto& c : cases) {
    LogCapture capture;
    EXPECT_EQ(TIFFDataWithData(c.data, c.pointsWide, c.pointsHigh, reader), nullptr) << c.line;
    EXPECT_THAT(capture.lines(), ElementsAre(c.line));
  }
}

// Offsets of the entries of the one directory our encoder writes.
std::size_t entryOf(const std::vector<std::uint8_t>& bytes, std::uint16_t tag) {
  std::size_t directory = std::size_t{bytes[4]} << 24 | std::size_t{bytes[5]} << 16 | std::size_t{bytes[6]} << 8 | bytes[7];
  std::size_t count = std::size_t{bytes[directory]} << 8 | bytes[directory + 1];
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t entry = directory + 2 + 12 * i;
    if ((std::size_t{bytes[entry]} << 8 | bytes[entry + 1]) == tag) return entry;
  }
  ADD_FAILURE() << "no tag " << tag;
  return 0;
}

TEST(PatchTIFFResolution, RejectsWhatItCannotPatchWithoutTouchingTheData) {
  const auto good = tiffRepresentation(*picture(8, 4), TiffCompression::Lzw).value();
  // A directory that claims 65535 x 65535 pixels is not decoded at all.
  auto huge = good;
  for (std::uint16_t tag : {std::uint16_t{256}, std::uint16_t{257}}) {
    huge[entryOf(huge, tag) + 8] = 0xFF;
    huge[entryOf(huge, tag) + 9] = 0xFF;
  }
  EXPECT_EQ(imageWithTIFFData(huge), nullptr);
  const std::size_t directory = entryOf(good, 256) - 2;
  auto put16 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v >> 8);
    b[at + 1] = static_cast<std::uint8_t>(v);
  };
  auto put32 = [](std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
  };
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    TiffPatch expected;
  };
  const Case cases[] = {
      {"intact", [](auto&) {}, TiffPatch::Patched},
      {"little-endian header", [](auto& b) { b[0] = b[1] = 'I'; }, TiffPatch::NotBigEndian},
      {"mixed byte-order mark", [](auto& b) { b[1] = 'I'; }, TiffPatch::NotBigEndian},
      {"seven bytes", [](auto& b) { b.resize(7); }, TiffPatch::Truncated},
      {"directory past the end", [&](auto& b) { put32(b, 4, static_cast<std::uint32_t>(b.size() - 1)); }, TiffPatch::Truncated},
      {"directory offset 2^32-1", [&](auto& b) { put32(b, 4, 0xFFFFFFFF); }, TiffPatch::Truncated},
      {"entry count past the end", [&](auto& b) { put16(b, directory, 0xFFFF); }, TiffPatch::Truncated},
      {"cut inside the directory", [&](auto& b) { b.resize(directory + 20); }, TiffPatch::Truncated},
      {"XResolution value past the end",
       [&](auto& b) { put32(b, entryOf(good, 282) + 8, static_cast<std::uint32_t>(b.size() - 7)); }, TiffPatch::Truncated},
      {"YResolution value at 2^32-4", [&](auto& b) { put32(b, entryOf(good, 283) + 8, 0xFFFFFFFC); }, TiffPatch::Truncated},
      {"ImageWidth as LONG", [&](auto& b) { put16(b, entryOf(good, 256) + 2, 4); }, TiffPatch::DimensionNotShort},
      {"ImageLength as LONG", [&](auto& b) { put16(b, entryOf(good, 257) + 2, 4); }, TiffPatch::DimensionNotShort},
      {"no YResolution", [&](auto& b) { put16(b, entryOf(good, 283), 999); }, TiffPatch::NoResolution},
      {"XResolution as SHORT", [&](auto& b) { put16(b, entryOf(good, 282) + 2, 3); }, TiffPatch::NoResolution},
      {"two XResolution values", [&](auto& b) { put32(b, entryOf(good, 282) + 4, 2); }, TiffPatch::NoResolution},
      {"no XResolution", [&](auto& b) { put16(b, entryOf(good, 282), 999); }, TiffPatch::NoResolution},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = good;
    c.damage(bytes);
    const auto before = bytes;
    EXPECT_EQ(patchTIFFResolution(bytes, 4.0f, 2.0f), c.expected);
    if (c.expected != TiffPatch::Patched) {
      EXPECT_EQ(bytes, before);
    }
  }
  // The largest float below 2^32, 2^32 - 256, still fits a 32-bit denominator.
  auto widest = good;
  EXPECT_EQ(patchTIFFResolution(widest, 4294967040.0f, 2.0f), TiffPatch::Patched);
  // An absent ImageWidth counts as 0 pixels: numerator 0 x 72.
  auto noWidth = good;
  put16(noWidth, entryOf(good, 256), 999);
  ASSERT_EQ(patchTIFFResolution(noWidth, 4.0f, 2.0f), TiffPatch::Patched);
  std::size_t x = std::size_t{noWidth[entryOf(good, 282) + 10]} << 8 | noWidth[entryOf(good, 282) + 11];
  EXPECT_EQ(std::vector<std::uint8_t>(noWidth.begin() + static_cast<std::ptrdiff_t>(x),
                                      noWidth.begin() + static_cast<std::ptrdiff_t>(x) + 8),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 4}));
}

class ReplacingImages : public ::testing::Test {
 protected:
  // "a", the attachment character, "b".
  std::unique_ptr<StoredText> text(const Ref& attachment, const Ref& highResolution) {
    AttributedString string("a\xEF\xBF\xBC" "b");
    auto attributes = MutableDictionary::make();
    if (attachment) attributes->setObjectForKey(attachment, kAttachmentAttributeName);
    if (highResolution) attributes->setObjectForKey(highResolution, kImageFileAttributeName);
    string.setAttributesRange(attributes, {1, 1});
    return system_.textWithAttributedString(std::move(string), StoredText::Mutability::Fixed);
  }

  HeadlessTextSystem system_;
  HeadlessImageReader reader_;
  // Shown at 200 x 150 pt: 100 x 75 px at 36 dpi.
  TextAttachmentRef shown_ = TextAttachment::make(FileWrapper::makeRegularFile(tiff(*picture(100, 75, 36))->bytes(), "shown.tiff"));
  std::vector<std::uint8_t> jpeg_{0xFF, 0xD8, 0xFF, 0xE0, 'J', 'F', 'I', 'F'};
};

TEST_F(ReplacingImages, AnAttachmentWithItsSourceBecomesAFullResolutionTiff) {
  reader_.registerImage(jpeg_, picture(400, 300));
  struct Case {
    const char* preferred;
    const char* filename;
    const char* expectedPreferred;
    const char* expectedFilename;
  };
  const Case cases[] = {
      {"photo.jpeg", "photo.jpeg", "photo.tif", "photo.tif"},
      {"Pictures/holiday.2026.png", "photo 2.jpeg", "holiday.2026.tif", "photo 2.tif"},
      {".hidden", "noextension", ".hidden.tif", "noextension.tif"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.preferred);
    auto source = FileWrapper::makeRegularFile(jpeg_, c.preferred, c.filename);
    auto input = text(shown_, source);
    const AttributedString before = input->attributedString();
    auto copy = stringReplacingWithHighResolusionImagesIn(input.get(), reader_);
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->isMutable());
    EXPECT_EQ(input->attributedString(), before);  // the input is only read
    EXPECT_EQ(copy->string(), input->string());
    auto run = copy->attributeAtIndexEffectiveRange(kAttachmentAttributeName, 1);
    EXPECT_EQ(run->range, (TextRange{1, 1}));
    auto attachment = opaqueAs<TextAttachment>(run->value);
    ASSERT_TRUE(attachment);
    const auto& wrapper = attachment->fileWrapper();
    EXPECT_EQ(wrapper->preferredFilename(), c.expectedPreferred);
    EXPECT_EQ(wrapper->filename(), c.expectedFilename);
    EXPECT_EQ(copy->attributeAtIndexEffectiveRange(kImageFileAttributeName, 1)->value, source);
    // 400 x 300 px at 200 x 150 pt: 144 dpi.
    auto image = imageWithTIFFData(wrapper->regularFileContents());
    ASSERT_TRUE(image);
    EXPECT_EQ(image->pixelsWide(), 400u);
    EXPECT_DOUBLE_EQ(image->xDotsPerInch(), 144.0);
    EXPECT_DOUBLE_EQ(image->pointHeight(), 150.0);
  }
}

TEST_F(ReplacingImages, WhatCannotBeReplacedStaysAsItWas) {
  auto unreadable = FileWrapper::makeRegularFile({'?'}, "broken.jpeg");
  auto readable = FileWrapper::makeRegularFile(jpeg_, "photo.jpeg");
  reader_.registerImage(jpeg_, picture(40, 30));
  auto blankAttachment = TextAttachment::make(nullptr);
  struct Case {
    const char* name;
    Ref attachment, highResolution;
  };
  const Case cases[] = {
      {"no attachments", nullptr, nullptr},
      {"attachment without a source", shown_, nullptr},
      {"source without an attachment", nullptr, readable},
      {"unreadable source", shown_, unreadable},
      {"attachment without a file", blankAttachment, readable},
      {"unreadable picture as shown", TextAttachment::make(unreadable), readable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto input = text(c.attachment, c.highResolution);
    auto copy = stringReplacingWithHighResolusionImagesIn(input.get(), reader_);
    EXPECT_EQ(static_cast<StoredText&>(*copy).attributedString(), input->attributedString());
  }
  EXPECT_EQ(stringReplacingWithHighResolusionImagesIn(nullptr, reader_), nullptr);
}

TEST(ImageWithFileWrapper, RegularFilesAndLinksToFilesOnly) {
  fixtures::TemporaryFolder folder;
  const auto bytes = tiff(*picture(3, 2))->bytes();
  std::ofstream(folder.file("p.tif"), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                              static_cast<std::streamsize>(bytes.size()));
  HeadlessImageReader reader;
  struct Case {
    const char* name;
    FileWrapperRef wrapper;
    bool image;
  };
  const Case cases[] = {
      {"regular file", FileWrapper::makeRegularFile(bytes), true},
      {"link to a file", FileWrapper::makeSymbolicLink(folder.file("p.tif")), true},
      {"link to a folder", FileWrapper::makeSymbolicLink(folder.path()), false},
      {"link to nothing", FileWrapper::makeSymbolicLink(folder.file("missing.tif")), false},
      {"folder", FileWrapper::makeFolder({FileWrapper::makeRegularFile(bytes, "p.tif")}), false},
      {"not a picture", FileWrapper::makeRegularFile({1, 2, 3}), false},
      {"null", nullptr, false},
  };
  for (const auto& c : cases) {
    auto image = imageWithFileWrapper(c.wrapper, reader);
    EXPECT_EQ(image != nullptr, c.image) << c.name;
    if (image) {
      EXPECT_EQ(image->pixelsWide(), 3u) << c.name;
    }
  }
}

}  // namespace
}  // namespace qor
