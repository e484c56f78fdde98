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
constexpr std::uint32_t kRgbaBytesPerPixel = 4;  // what libtiff's RGBA reader gives
constexpr std::uint16_t kSamplesPerPixel = 4;
constexpr std::uint16_t kRgbSamples = 3;
constexpr std::uint16_t kGreySamples = 1;
constexpr unsigned kBitsPerByte = 8;
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

struct Pixels {
  std::vector<std::uint8_t> rgba;
  PixelFormat format;
};

// The layout readSamples() takes: grey or RGB, 8 or 16 bits, one plane,
// strips, rows from the top, and at most an alpha sample beyond the colour.
struct SampleLayout {
  std::uint16_t colours = 0;  // 1 (grey) or 3 (RGB)
  std::uint16_t samples = 0;  // per pixel, the colours included
  SampleBits bits = SampleBits::Eight;
  std::optional<AlphaKind> alpha;  // none: opaque
};

std::optional<SampleLayout> sampleLayout(TIFF* tiff) {
  std::uint16_t photometric = 0, bits = 0, samples = 0, planar = 0, format = 0, orientation = 0, extraCount = 0;
  std::uint16_t* extra = nullptr;
  if (TIFFIsTiled(tiff) || !TIFFGetField(tiff, TIFFTAG_PHOTOMETRIC, &photometric) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_BITSPERSAMPLE, &bits) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLESPERPIXEL, &samples) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_PLANARCONFIG, &planar) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_SAMPLEFORMAT, &format) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_ORIENTATION, &orientation) ||
      !TIFFGetFieldDefaulted(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra))
    return std::nullopt;
  SampleLayout layout;
  layout.colours = photometric == PHOTOMETRIC_RGB ? kRgbSamples : photometric == PHOTOMETRIC_MINISBLACK ? kGreySamples : 0;
  layout.samples = samples;
  constexpr auto kEight = static_cast<std::uint16_t>(SampleBits::Eight);
  constexpr auto kSixteen = static_cast<std::uint16_t>(SampleBits::Sixteen);
  if (layout.colours == 0 || (bits != kEight && bits != kSixteen) || planar != PLANARCONFIG_CONTIG ||
      format != SAMPLEFORMAT_UINT || orientation != ORIENTATION_TOPLEFT || samples < layout.colours ||
      samples > layout.colours + 1)
    return std::nullopt;
  layout.bits = bits == kSixteen ? SampleBits::Sixteen : SampleBits::Eight;
  if (samples == layout.colours) return layout;
  // A sample beyond the colours that the file does not describe is taken,
  // as libtiff's RGBA reader takes it, for alpha with premultiplied colour;
  // one described as unspecified is no alpha.
  const std::uint16_t kind = extraCount > 0 && extra ? extra[0] : EXTRASAMPLE_ASSOCALPHA;
  if (kind == EXTRASAMPLE_ASSOCALPHA) layout.alpha = AlphaKind::Associated;
  if (kind == EXTRASAMPLE_UNASSALPHA) layout.alpha = AlphaKind::Unassociated;
  return layout;
}

// Every sample as the file holds it, so that neither kind of alpha is
// turned into the other: libtiff's RGBA reader premultiplies straight
// colour, which darkens every see-through pixel. Result: nullopt for a
// layout it does not take, or when a row cannot be read.
std::optional<Pixels> readSamples(TIFF* tiff, std::uint32_t width, std::uint32_t height) {
  const auto layout = sampleLayout(tiff);
  if (!layout) return std::nullopt;
  const bool sixteen = layout->bits == SampleBits::Sixteen;
  const std::size_t sampleBytes = sixteen ? sizeof(std::uint16_t) : 1;
  const std::size_t rowBytes = std::size_t{width} * layout->samples * sampleBytes;
  if (TIFFScanlineSize64(tiff) != static_cast<std::uint64_t>(rowBytes)) return std::nullopt;
  const std::uint16_t opaque = sixteen ? std::numeric_limits<std::uint16_t>::max() : std::numeric_limits<std::uint8_t>::max();
  Pixels pixels{{}, {layout->bits, layout->alpha.value_or(AlphaKind::Unassociated)}};
  std::vector<std::uint8_t> row(rowBytes);
  auto put = [&](std::uint16_t sample) {
    if (sixteen) pixels.rgba.push_back(static_cast<std::uint8_t>(sample >> kBitsPerByte));
    pixels.rgba.push_back(static_cast<std::uint8_t>(sample));
  };
  for (std::uint32_t y = 0; y < height; ++y) {
    if (TIFFReadScanline(tiff, row.data(), y, 0) != 1) return std::nullopt;
    for (std::size_t pixel = 0; pixel < width; ++pixel) {
      auto sample = [&](std::size_t index) -> std::uint16_t {
        const std::size_t at = (pixel * layout->samples + index) * sampleBytes;
        if (!sixteen) return row[at];
        std::uint16_t value = 0;  // libtiff gives the machine's order
        std::memcpy(&value, row.data() + at, sizeof value);
        return value;
      };
      for (std::uint16_t colour = 0; colour < kRgbSamples; ++colour)
        put(sample(layout->colours == kRgbSamples ? colour : 0));
      put(layout->alpha ? sample(layout->colours) : opaque);
    }
  }
  return pixels;
}

// Any other layout (palettes, tiles, YCbCr, CMYK, other depths) through
// libtiff's RGBA reader, which gives 8-bit premultiplied colour. It stops at
// the first strip or tile it cannot read, as readSamples() does at a row:
// data cut short is no picture, rather than one padded with whatever the
// buffer held.
std::optional<Pixels> readThroughRgba(TIFF* tiff, std::uint32_t width, std::uint32_t height) {
  constexpr int kStopOnError = 1;
  std::vector<std::uint32_t> raster(std::size_t{width} * height);
  if (!TIFFReadRGBAImageOriented(tiff, width, height, raster.data(), ORIENTATION_TOPLEFT, kStopOnError))
    return std::nullopt;
  Pixels pixels{{}, {SampleBits::Eight, AlphaKind::Associated}};
  pixels.rgba.reserve(raster.size() * kRgbaBytesPerPixel);
  for (std::uint32_t pixel : raster) {
    pixels.rgba.push_back(static_cast<std::uint8_t>(TIFFGetR(pixel)));
    pixels.rgba.push_back(static_cast<std::uint8_t>(TIFFGetG(pixel)));
    pixels.rgba.push_back(static_cast<std::uint8_t>(TIFFGetB(pixel)));
    pixels.rgba.push_back(static_cast<std::uint8_t>(TIFFGetA(pixel)));
  }
  return pixels;
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
  const std::size_t rowBytes = std::size_t{width} * image.bytesPerPixel();
  if (width == 0 || height == 0 || image.rgba().size() != std::uint64_t{height} * rowBytes) return std::nullopt;
  const bool sixteen = image.format().bits == SampleBits::Sixteen;
  MemoryFile file;
  {
    // "b": big-endian, whatever the machine.
    TiffHandle tiff = open(file, "wb");
    if (!tiff) return std::nullopt;
    // The colour goes out as it came in, so the file must say which kind it is.
    const std::uint16_t extra[] = {
        static_cast<std::uint16_t>(image.format().alpha == AlphaKind::Associated ? EXTRASAMPLE_ASSOCALPHA
                                                                                 : EXTRASAMPLE_UNASSALPHA)};
    bool ok = TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, width) && TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, height) &&
              TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(image.format().bits)) &&
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
    std::vector<std::uint8_t> row(rowBytes);
    for (std::uint32_t y = 0; ok && y < height; ++y) {
      const std::uint8_t* source = image.rgba().data() + y * rowBytes;
      if (sixteen) {
        // libtiff takes 16-bit samples in the machine's order.
        for (std::size_t at = 0; at < rowBytes; at += sizeof(std::uint16_t)) {
          const auto sample = static_cast<std::uint16_t>(source[at] << kBitsPerByte | source[at + 1]);
          std::memcpy(row.data() + at, &sample, sizeof sample);
        }
      } else {
        std::memcpy(row.data(), source, rowBytes);
      }
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
  auto pixels = readSamples(tiff.get(), width, height);
  if (!pixels) pixels = readThroughRgba(tiff.get(), width, height);
  if (!pixels) return nullptr;
  float xResolution = 0, yResolution = 0;
  std::uint16_t unit = RESUNIT_INCH;
  TIFFGetField(tiff.get(), TIFFTAG_XRESOLUTION, &xResolution);
  TIFFGetField(tiff.get(), TIFFTAG_YRESOLUTION, &yResolution);
  TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
  return std::make_shared<Image>(width, height, std::move(pixels->rgba), dotsPerInch(xResolution, unit),
                                 dotsPerInch(yResolution, unit), pixels->format);
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
