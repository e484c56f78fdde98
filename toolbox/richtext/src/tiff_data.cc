#include "qor/tiff_data.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <limits>
#include <memory>
#include <variant>

namespace qor {

namespace {

constexpr std::uint16_t kTagImageWidth = 256;
constexpr std::uint16_t kTagImageLength = 257;
constexpr std::uint16_t kTagXResolution = 282;
constexpr std::uint16_t kTagYResolution = 283;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeRational = 5;
constexpr std::size_t kHeaderSize = 8;
constexpr std::size_t kFirstDirectoryOffsetAt = 4;
constexpr std::size_t kEntrySize = 12;
constexpr std::size_t kEntryCountSize = 2;
constexpr std::size_t kEntryTypeAt = 2;
constexpr std::size_t kEntryCountAt = 4;
constexpr std::size_t kEntryValueAt = 8;
constexpr std::size_t kRationalSize = 8;
constexpr std::size_t kDenominatorAt = 4;
constexpr std::uint32_t kPointsPerInch = 72;
constexpr double kCentimetresPerInch = 2.54;
constexpr double kDefaultDotsPerInch = 72.0;
constexpr std::uint32_t kBytesPerPixel = 4;  // RGBA, 8 bits each
constexpr std::uint16_t kBitsPerSample = 8;
constexpr std::uint16_t kSamplesPerPixel = 4;
constexpr std::uint32_t kRowsPerStrip = 64;
// libtiff refuses single allocations above this while reading, so hostile
// data cannot make it reserve gigabytes.
constexpr tmsize_t kMaximumTiffAllocation = tmsize_t{1} << 28;

// An in-memory file for TIFFClientOpen.
struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  std::uint64_t position = 0;
};

tsize_t readProc(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size < 0 || file->position >= file->bytes.size()) return 0;
  auto count = std::min<std::uint64_t>(static_cast<std::uint64_t>(size), file->bytes.size() - file->position);
  std::memcpy(buffer, file->bytes.data() + file->position, count);
  file->position += count;
  return static_cast<tsize_t>(count);
}

tsize_t writeProc(thandle_t handle, tdata_t buffer, tsize_t size) {
  auto* file = static_cast<MemoryFile*>(handle);
  if (size < 0) return 0;
  auto end = file->position + static_cast<std::uint64_t>(size);
  if (end > file->bytes.size()) file->bytes.resize(end);
  std::memcpy(file->bytes.data() + file->position, buffer, static_cast<std::size_t>(size));
  file->position = end;
  return size;
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<MemoryFile*>(handle);
  std::uint64_t base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? file->bytes.size() : 0;
  file->position = base + offset;
  return file->position;
}

int closeProc(thandle_t) { return 0; }
toff_t sizeProc(thandle_t handle) { return static_cast<MemoryFile*>(handle)->bytes.size(); }
int mapProc(thandle_t, tdata_t*, toff_t*) { return 0; }
void unmapProc(thandle_t, tdata_t, toff_t) {}

// libtiff's complaints about bad data are no business of the log: the
// callers report a failure in their own words.
int quietHandler(TIFF*, void*, const char*, const char*, va_list) { return 1; }

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
using TiffHandle = std::unique_ptr<TIFF, TiffCloser>;

struct OptionsFree {
  void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

TiffHandle open(MemoryFile& file, const char* mode) {
  std::unique_ptr<TIFFOpenOptions, OptionsFree> options(TIFFOpenOptionsAlloc());
  TIFFOpenOptionsSetErrorHandlerExtR(options.get(), quietHandler, nullptr);
  TIFFOpenOptionsSetWarningHandlerExtR(options.get(), quietHandler, nullptr);
  TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaximumTiffAllocation);
  return TiffHandle(TIFFClientOpenExt("memory", mode, &file, readProc, writeProc, seekProc, closeProc, sizeProc,
                                      mapProc, unmapProc, options.get()));
}

std::uint16_t be16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::uint32_t be32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 | std::uint32_t{bytes[at + 2]} << 8 |
         bytes[at + 3];
}

void putBe32(std::span<std::uint8_t> bytes, std::size_t at, std::uint32_t value) {
  for (int shift = 24, i = 0; shift >= 0; shift -= 8, ++i)
    bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> shift);
}

// 2^32 as a float: the first size whose whole points a 32-bit denominator
// cannot hold (the largest float below it, 2^32 - 256, fits).
constexpr float kFirstSizeTooLarge = 4294967296.0f;

// The whole points of a size, or why it has none that a denominator can hold.
std::variant<std::uint32_t, TiffPatch> wholePoints(float points) {
  if (std::isnan(points)) return TiffPatch::SizeNotANumber;
  if (points < 1.0f) return TiffPatch::SizeBelowOnePoint;
  if (points >= kFirstSizeTooLarge) return TiffPatch::SizeTooLarge;
  return static_cast<std::uint32_t>(points);
}

double dotsPerInch(float resolution, std::uint16_t unit) {
  if (!(resolution > 0) || !std::isfinite(resolution) || unit == RESUNIT_NONE) return kDefaultDotsPerInch;
  return unit == RESUNIT_CENTIMETER ? resolution * kCentimetresPerInch : resolution;
}

}  // namespace

bool isTIFFData(std::span<const std::uint8_t> bytes) {
  static constexpr std::uint8_t kBigEndian[] = {'M', 'M', 0, 42};
  static constexpr std::uint8_t kLittleEndian[] = {'I', 'I', 42, 0};
  return bytes.size() >= sizeof kBigEndian && (std::equal(std::begin(kBigEndian), std::end(kBigEndian), bytes.begin()) ||
                                               std::equal(std::begin(kLittleEndian), std::end(kLittleEndian), bytes.begin()));
}

std::optional<std::vector<std::uint8_t>> tiffRepresentation(const Image& image, TiffCompression compression) {
  const std::uint32_t width = image.pixelsWide(), height = image.pixelsHigh();
  if (width == 0 || height == 0 || image.rgba().size() != std::uint64_t{width} * height * kBytesPerPixel)
    return std::nullopt;
  MemoryFile file;
  {
    // "b": big-endian, whatever the machine.
    TiffHandle tiff = open(file, "wb");
    if (!tiff) return std::nullopt;
    const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
    bool ok = TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, height) &&
              TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, kBitsPerSample) &&
              TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, kSamplesPerPixel) &&
              TIFFSetField(tiff.get(), TIFFTAG_EXTRASAMPLES, static_cast<std::uint16_t>(std::size(extra)), extra) &&
              TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION,
                           compression == TiffCompression::Lzw ? COMPRESSION_LZW : COMPRESSION_NONE) &&
              TIFFSetField(tiff.get(), TIFFTAG_ROWSPERSTRIP, kRowsPerStrip) &&
              TIFFSetField(tiff.get(), TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
              TIFFSetField(tiff.get(), TIFFTAG_XRESOLUTION, static_cast<float>(image.xDotsPerInch())) &&
              TIFFSetField(tiff.get(), TIFFTAG_YRESOLUTION, static_cast<float>(image.yDotsPerInch()));
    const std::size_t rowBytes = std::size_t{width} * kBytesPerPixel;
    std::vector<std::uint8_t> row(rowBytes);
    for (std::uint32_t y = 0; ok && y < height; ++y) {
      std::memcpy(row.data(), image.rgba().data() + y * rowBytes, rowBytes);
      ok = TIFFWriteScanline(tiff.get(), row.data(), y, 0) == 1;
    }
    if (!ok || !TIFFWriteDirectory(tiff.get())) return std::nullopt;
  }
  return std::move(file.bytes);
}

ImageRef imageWithTIFFData(std::span<const std::uint8_t> bytes) {
  if (!isTIFFData(bytes)) return nullptr;
  MemoryFile file{std::vector<std::uint8_t>(bytes.begin(), bytes.end())};
  TiffHandle tiff = open(file, "r");
  if (!tiff) return nullptr;
  std::uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff.get(), TIFFTAG_IMAGELENGTH, &height) ||
      width == 0 || height == 0 || std::uint64_t{width} * height > kMaximumTiffPixels)
    return nullptr;
  std::vector<std::uint32_t> raster(std::size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tiff.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0)) return nullptr;
  std::vector<std::uint8_t> rgba;
  rgba.reserve(raster.size() * kBytesPerPixel);
  for (std::uint32_t pixel : raster) {
    rgba.push_back(static_cast<std::uint8_t>(TIFFGetR(pixel)));
    rgba.push_back(static_cast<std::uint8_t>(TIFFGetG(pixel)));
    rgba.push_back(static_cast<std::uint8_t>(TIFFGetB(pixel)));
    rgba.push_back(static_cast<std::uint8_t>(TIFFGetA(pixel)));
  }
  float xResolution = 0, yResolution = 0;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &xResolution);
  TIFFGetField(tiff.get(), TIFFTAG_YRESOLUTION, &yResolution);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  return std::make_shared<Image>(width, height, std::move(rgba), dotsPerInch(xResolution, unit),
                                 dotsPerInch(yResolution, unit));
}

TiffPatch patchTIFFResolution(std::span<std::uint8_t> tiff, float widthInPoints, float heightInPoints) {
  if (tiff.size() < kHeaderSize) return TiffPatch::Truncated;
  if (tiff[0] != 'M' || tiff[1] != 'M') return TiffPatch::NotBigEndian;
  const std::uint64_t directory = be32(tiff, kFirstDirectoryOffsetAt);
  if (directory + kEntryCountSize > tiff.size()) return TiffPatch::Truncated;
  const std::uint16_t count = be16(tiff, static_cast<std::size_t>(directory));
  const std::uint64_t entries = directory + kEntryCountSize;
  if (entries + std::uint64_t{count} * kEntrySize > tiff.size()) return TiffPatch::Truncated;

  std::uint32_t pixelsWide = 0, pixelsHigh = 0;
  std::optional<std::size_t> xAt, yAt;
  for (std::uint16_t i = 0; i < count; ++i) {
    const auto entry = static_cast<std::size_t>(entries + std::uint64_t{i} * kEntrySize);
    const std::uint16_t tag = be16(tiff, entry);
    const std::uint16_t type = be16(tiff, entry + kEntryTypeAt);
    if (tag == kTagImageWidth || tag == kTagImageLength) {
      if (type != kTypeShort) return TiffPatch::DimensionNotShort;
      (tag == kTagImageWidth ? pixelsWide : pixelsHigh) = be16(tiff, entry + kEntryValueAt);
    } else if (tag == kTagXResolution || tag == kTagYResolution) {
      if (type != kTypeRational || be32(tiff, entry + kEntryCountAt) != 1) return TiffPatch::NoResolution;
      const std::uint64_t value = be32(tiff, entry + kEntryValueAt);
      if (value + kRationalSize > tiff.size()) return TiffPatch::Truncated;
      (tag == kTagXResolution ? xAt : yAt) = static_cast<std::size_t>(value);
    }
  }
  if (!xAt || !yAt) return TiffPatch::NoResolution;
  const auto pointsWide = wholePoints(widthInPoints), pointsHigh = wholePoints(heightInPoints);
  for (const auto& points : {pointsWide, pointsHigh})
    if (const auto* refused = std::get_if<TiffPatch>(&points)) return *refused;

  // A SHORT dimension times 72 stays far below 2^32.
  putBe32(tiff, *xAt, pixelsWide * kPointsPerInch);
  putBe32(tiff, *xAt + kDenominatorAt, std::get<std::uint32_t>(pointsWide));
  putBe32(tiff, *yAt, pixelsHigh * kPointsPerInch);
  putBe32(tiff, *yAt + kDenominatorAt, std::get<std::uint32_t>(pointsHigh));
  return TiffPatch::Patched;
}

}  // namespace qor
