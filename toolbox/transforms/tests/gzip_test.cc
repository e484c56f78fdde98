#include "qor/gzip.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iomanip>
#include <sstream>

#include "qor/log.h"
#include "qor/seams/zlib_calls.h"
#include "test_support.h"

namespace qor {
namespace {

using test_support::Bytes;
using test_support::bytesOf;
using test_support::bytesOrEmpty;
using test_support::CaseName;
using test_support::randomBytes;
using test_support::runTool;
using test_support::wordBytes;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace std::string_literals;

constexpr std::size_t kBareHeaderLength = 10;
constexpr std::size_t kTrailerLength = 8;  // CRC-32 and length

// ID1 ID2 CM FLG, MTIME 0, XFL 0, OS 3 (Unix).
Bytes gzipHeader(std::uint8_t flags, const Bytes& optionalFields = {}, std::uint8_t method = 8) {
  Bytes header = {0x1f, 0x8b, method, flags, 0, 0, 0, 0, 0, 3};
  header.insert(header.end(), optionalFields.begin(), optionalFields.end());
  return header;
}

Bytes concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

Bytes firstBytes(const Bytes& bytes, std::size_t count) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes littleEndian32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::string hexAddress(const void* address) {
  std::ostringstream text;
  text << std::hex << std::setw(8) << std::setfill('0')
       << reinterpret_cast<std::uintptr_t>(address);
  return text.str();
}

std::int32_t headerCheck(const Bytes& bytes) {
  return GzipHeaderCheck(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

// --- GzipHeaderCheck ---------------------------------------------------------

struct HeaderCase {
  const char* name;
  Bytes bytes;
  std::int32_t offset;
  friend void PrintTo(const HeaderCase& c, std::ostream* out) { *out << c.name; }
};

class GzipHeaderCheckTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(GzipHeaderCheckTest, GivesTheOffsetOfTheDeflateData) {
  EXPECT_EQ(headerCheck(GetParam().bytes), GetParam().offset);
}

const Bytes kFiller256(256, 0xaa);

INSTANTIATE_TEST_SUITE_P(
    Layouts, GzipHeaderCheckTest,
    ::testing::Values(
        HeaderCase{"BareHeaderOfTenBytes", gzipHeader(0x00), 10},
        HeaderCase{"TextFlagIsIgnored", gzipHeader(0x01), 10},
        // 10 + "a" + its zero = 12.
        HeaderCase{"Name", gzipHeader(0x08, bytesOf("a\0"s)), 12},
        HeaderCase{"EmptyName", gzipHeader(0x08, {0}), 11},
        HeaderCase{"HeaderChecksumIsSkippedNotVerified", gzipHeader(0x02, {0xde, 0xad}), 12},
        // Extra length 00 01 little-endian = 256; 12 + 256 = 268.
        HeaderCase{"Extra256", gzipHeader(0x04, concat({0x00, 0x01}, kFiller256)), 268},
        // Extra length 80 00 = 128; 12 + 128 = 140 (the 116 bytes after are deflate data).
        HeaderCase{"Extra128", gzipHeader(0x04, concat({0x80, 0x00}, kFiller256)), 140},
        // 10 + (2 + 3) extra + "ab\0" + "c\0" + 2 checksum = 22.
        HeaderCase{"AllFieldsInOrder", gzipHeader(0x1e, bytesOf("\x03\x00xyzab\0c\0\x12\x34"s)),
                   22},
        HeaderCase{"ExtraExactlyFillsTheData", gzipHeader(0x04, concat({0x10, 0x00}, Bytes(16))),
                   28},
        HeaderCase{"ExtraRunsOnePastTheEnd", gzipHeader(0x04, concat({0x10, 0x00}, Bytes(15))), -1},
        HeaderCase{"ExtraLengthCutShort", gzipHeader(0x04, {0x10}), -1},
        HeaderCase{"NameWithoutItsZero", gzipHeader(0x08, bytesOf("name")), -1},
        HeaderCase{"CommentWithoutItsZero", gzipHeader(0x18, bytesOf("n\0comment"s)), -1},
        HeaderCase{"HeaderChecksumCutShort", gzipHeader(0x02, {0xde}), -1},
        HeaderCase{"ReservedFlag20", gzipHeader(0x20, Bytes(8)), -1},
        HeaderCase{"ReservedFlag80", gzipHeader(0x80, Bytes(8)), -1},
        HeaderCase{"Method7", gzipHeader(0x00, Bytes(8), 7), -1},
        HeaderCase{"NineBytes", firstBytes(gzipHeader(0x00), 9), -1},
        HeaderCase{"WrongFirstMagicByte", Bytes{0x1e, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3}, -1},
        HeaderCase{"WrongSecondMagicByte", Bytes{0x1f, 0x8c, 8, 0, 0, 0, 0, 0, 0, 3}, -1},
        HeaderCase{"Empty", Bytes{}, -1}),
    CaseName());

TEST(GzipHeaderCheck, LooksOnlyAtTheGivenLength) {
  const Bytes header = gzipHeader(0x08, bytesOf("abc\0"s));
  // The name's zero is byte 13, so the header ends at 14.
  EXPECT_EQ(GzipHeaderCheck(header.data(), 14), 14);
  EXPECT_EQ(GzipHeaderCheck(header.data(), 13), -1);
  EXPECT_EQ(GzipHeaderCheck(header.data(), -1), -1);
  EXPECT_EQ(GzipHeaderCheck(nullptr, 14), -1);
}

// --- uncompressedDataWithData ------------------------------------------------

struct ContentCase {
  const char* name;
  Bytes content;
  friend void PrintTo(const ContentCase& c, std::ostream* out) { *out << c.name; }
};

class UncompressTest : public ::testing::TestWithParam<ContentCase> {};

TEST_P(UncompressTest, RestoresWhatGzipWritersCompressed) {
  const Bytes& content = GetParam().content;
  // The gzip tool writes a bare header for standard input; python's writer
  // adds a file name.
  const auto byTool = runTool({"gzip", "-c", "-9", "-n"}, content);
  const auto byPython = runTool({"python3", "-c",
                                 "import gzip, sys\n"
                                 "f = gzip.GzipFile(filename='bindings.plist', mode='wb', "
                                 "fileobj=sys.stdout.buffer, mtime=0)\n"
                                 "f.write(sys.stdin.buffer.read())\n"
                                 "f.close()\n"},
                                content);
  ASSERT_TRUE(byTool && byPython);
  ASSERT_GT(headerCheck(*byPython), headerCheck(*byTool));
  for (const Bytes& gzipped : {*byTool, *byPython}) {
    LogCapture capture;
    const DataRef plain = uncompressedDataWithData(Data::make(gzipped));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->bytes(), content);
    EXPECT_THAT(capture.lines(), IsEmpty());
  }
}

// Sizes around the 16384-byte output buffer: 40000 = 2 * 16384 + 7232.
INSTANTIATE_TEST_SUITE_P(Sizes, UncompressTest,
                         ::testing::Values(ContentCase{"EmptyGivesEmptyData", {}},
                                           ContentCase{"OneByte", bytesOf("x")},
                                           ContentCase{"BufferMinusOne", wordBytes(16383, 1)},
                                           ContentCase{"ExactlyOneBuffer", wordBytes(16384, 2)},
                                           ContentCase{"BufferPlusOne", randomBytes(16385, 3)},
                                           ContentCase{"TwoBuffersAnd7232", randomBytes(40000, 4)},
                                           ContentCase{"ManyBuffers", wordBytes(300000, 5)},
                                           // Over two 1 MiB output windows.
                                           ContentCase{"SeveralWindows", wordBytes(2500000, 12)}),
                         CaseName());

TEST(Uncompress, ReadsTheFirstMembersDeflateDataOnly) {
  const Bytes content = wordBytes(5000, 6);
  const auto gzipped = runTool({"gzip", "-c", "-n"}, content);
  const auto other = runTool({"gzip", "-c", "-n"}, bytesOf("second member"));
  ASSERT_TRUE(gzipped && other);
  const Bytes deflateAndTrailer(gzipped->begin() + kBareHeaderLength, gzipped->end());
  const Bytes deflateOnly =
      firstBytes(deflateAndTrailer, deflateAndTrailer.size() - kTrailerLength);
  Bytes badTrailer = deflateAndTrailer;
  for (std::size_t i = deflateOnly.size(); i < badTrailer.size(); ++i) badTrailer[i] ^= 0xff;
  const Bytes allFields = gzipHeader(0x1e, bytesOf("\x02\x00xyname\0comment\0\x00\x00"s));

  // The trailer's length field is only a size hint: it may understate (a
  // second member, zeros), overstate (inverted) or be missing.
  const Bytes zeroTrailer = concat(deflateOnly, Bytes(kTrailerLength, 0));
  for (const Bytes& member : {concat(allFields, deflateAndTrailer), concat(*gzipped, *other),
                              concat(*gzipped, bytesOf("junk")), concat(gzipHeader(0), badTrailer),
                              concat(gzipHeader(0), zeroTrailer),
                              concat(gzipHeader(0), deflateOnly)}) {
    EXPECT_EQ(bytesOrEmpty(uncompressedDataWithData(Data::make(member))), content);
  }
}

TEST(Uncompress, RefusesWhatIsNotGzip) {
  const auto deflated = compressedDataWithData(Data::make(bytesOf("no header in front")));
  ASSERT_TRUE(deflated);
  for (const DataRef& data : {DataRef(), Data::make({}), Data::make(Bytes(9, 0x1f)), deflated}) {
    LogCapture capture;
    EXPECT_FALSE(uncompressedDataWithData(data)) << describe(data);
    EXPECT_THAT(capture.lines(), ElementsAre("Bad Gzip format"));
  }
}

struct BrokenStreamCase {
  const char* name;
  Bytes deflateData;
  const char* message;  // the zlib stream's message in the log line
  friend void PrintTo(const BrokenStreamCase& c, std::ostream* out) { *out << c.name; }
};

class BrokenStreamTest : public ::testing::TestWithParam<BrokenStreamCase> {};

TEST_P(BrokenStreamTest, FailsWithTheInputsAddressAndZlibsMessage) {
  const DataRef data = Data::make(concat(gzipHeader(0x00), GetParam().deflateData));
  LogCapture capture;
  EXPECT_FALSE(uncompressedDataWithData(data));
  EXPECT_THAT(capture.lines(),
              ElementsAre("failed to inflate at " + hexAddress(data->bytes().data()) + ": " +
                          GetParam().message + "\n"));
}

// Cut short: the first half of 40000 random bytes' stream; zlib leaves no
// message for running out of input.
Bytes firstHalfOfAStream() {
  const Bytes deflated = compressedDataWithData(Data::make(randomBytes(40000, 7)))->bytes();
  return firstBytes(deflated, deflated.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BrokenStreamTest,
    ::testing::Values(BrokenStreamCase{"HeaderOnly", {}, "???"},
                      BrokenStreamCase{"CutShort", firstHalfOfAStream(), "???"},
                      // 0x07: final block (bit 0) of the reserved type 3 (bits 1-2).
                      BrokenStreamCase{"ReservedBlockType", {0x07}, "invalid block type"}),
    CaseName());

// --- compressedDataWithData --------------------------------------------------

class CompressTest : public ::testing::TestWithParam<ContentCase> {};

TEST_P(CompressTest, IsZlibsLevel9RawStreamThatGzipToolsAccept) {
  const Bytes& content = GetParam().content;
  LogCapture capture;
  const DataRef deflated = compressedDataWithData(Data::make(content));
  ASSERT_TRUE(deflated);
  EXPECT_THAT(capture.lines(), IsEmpty());
  EXPECT_EQ(runTool({"python3", "-c",
                     "import sys, zlib\n"
                     "c = zlib.compressobj(9, zlib.DEFLATED, -15, 9, 0)\n"
                     "sys.stdout.buffer.write(c.compress(sys.stdin.buffer.read()) + c.flush())\n"},
                    content),
            deflated->bytes());

  const auto crc = static_cast<std::uint32_t>(
      crc32(crc32(0, nullptr, 0), content.data(), static_cast<uInt>(content.size())));
  const Bytes member =
      concat(concat(concat(gzipHeader(0x00), deflated->bytes()), littleEndian32(crc)),
             littleEndian32(static_cast<std::uint32_t>(content.size())));
  EXPECT_EQ(runTool({"gzip", "-d", "-c"}, member), content);
  EXPECT_EQ(bytesOrEmpty(uncompressedDataWithData(Data::make(member))), content);
}

// Random 40000 bytes deflate to more than 16384 bytes, so the output buffer
// fills at least twice.
INSTANTIATE_TEST_SUITE_P(Sizes, CompressTest,
                         ::testing::Values(ContentCase{"OneByte", bytesOf("x")},
                                           ContentCase{"ExactlyOneBuffer", wordBytes(16384, 8)},
                                           ContentCase{"IncompressibleOverTwoBuffers",
                                                       randomBytes(40000, 9)},
                                           ContentCase{"ManyBuffersOfText", wordBytes(300000, 10)}),
                         CaseName());

TEST(Compress, NothingToCompressIsABufferError) {
  for (const DataRef& data : {DataRef(), Data::make({})}) {
    LogCapture capture;
    EXPECT_FALSE(compressedDataWithData(data));
    EXPECT_THAT(capture.lines(), ElementsAre("failed to deflate: buffer error\n"));
  }
}

// --- zlib failures -----------------------------------------------------------

enum class ZlibCall { StartInflate, EndInflate, StartDeflate, EndDeflate };

// Breaks one call: a start fails before zlib allocates anything, an end
// fails after zlib has freed the stream. (Failures midway come from real
// broken input above.)
class BrokenZlib : public ZlibCalls {
 public:
  BrokenZlib(ZlibCall broken, const char* message) : broken_(broken), message_(message) {}

  int startInflate(z_stream& stream, int windowBits) override {
    return breaks(ZlibCall::StartInflate, stream) ? Z_MEM_ERROR
                                                  : ZlibCalls::startInflate(stream, windowBits);
  }
  int endInflate(z_stream& stream) override {
    const int status = ZlibCalls::endInflate(stream);
    return breaks(ZlibCall::EndInflate, stream) ? Z_STREAM_ERROR : status;
  }
  int startDeflate(z_stream& stream, int level, int method, int windowBits, int memLevel,
                   int strategy) override {
    return breaks(ZlibCall::StartDeflate, stream)
               ? Z_VERSION_ERROR
               : ZlibCalls::startDeflate(stream, level, method, windowBits, memLevel, strategy);
  }
  int endDeflate(z_stream& stream) override {
    const int status = ZlibCalls::endDeflate(stream);
    return breaks(ZlibCall::EndDeflate, stream) ? Z_DATA_ERROR : status;
  }

 private:
  bool breaks(ZlibCall call, z_stream& stream) const {
    if (call != broken_) return false;
    stream.msg = message_;
    return true;
  }
  ZlibCall broken_;
  const char* message_;
};

struct ZlibFailureCase {
  const char* name;
  ZlibCall broken;
  const char* message;
  const char* line;
  friend void PrintTo(const ZlibFailureCase& c, std::ostream* out) { *out << c.name; }
};

class ZlibFailureTest : public ::testing::TestWithParam<ZlibFailureCase> {};

TEST_P(ZlibFailureTest, LogsTheStepAndDiscardsTheOutput) {
  const ZlibFailureCase& c = GetParam();
  BrokenZlib zlib(c.broken, c.message);
  const DataRef content = Data::make(wordBytes(50000, 11));
  const bool inflating = c.broken == ZlibCall::StartInflate || c.broken == ZlibCall::EndInflate;
  LogCapture capture;
  if (inflating) {
    const Bytes member = concat(gzipHeader(0), compressedDataWithData(content)->bytes());
    EXPECT_FALSE(uncompressedDataWithData(Data::make(member), zlib));
  } else {
    EXPECT_FALSE(compressedDataWithData(content, zlib));
  }
  EXPECT_THAT(capture.lines(), ElementsAre(c.line));
}

// The two start messages end without a line feed, the end messages with one.
INSTANTIATE_TEST_SUITE_P(
    Calls, ZlibFailureTest,
    ::testing::Values(ZlibFailureCase{"StartInflateWithoutMessage", ZlibCall::StartInflate, nullptr,
                                      "failed to initialize to inflate: ???"},
                      ZlibFailureCase{"StartInflate", ZlibCall::StartInflate, "out of memory",
                                      "failed to initialize to inflate: out of memory"},
                      ZlibFailureCase{"EndInflate", ZlibCall::EndInflate, "stream error",
                                      "failed to end inflating: stream error\n"},
                      ZlibFailureCase{"StartDeflate", ZlibCall::StartDeflate,
                                      "incompatible version",
                                      "failed to initialize to deflate: incompatible version"},
                      ZlibFailureCase{"EndDeflate", ZlibCall::EndDeflate, nullptr,
                                      "failed to end deflating: ???\n"}),
    CaseName());

}  // namespace
}  // namespace qor
