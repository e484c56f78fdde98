// libFuzzer target for the TIFF resolution patch and the TIFF reader. The
// first four bytes give the size in eighths of a point (two big-endian 16-bit
// numbers), the rest is the TIFF data. Any input must keep the patch within
// the data; a refused patch must leave the data as it was, and an accepted
// one may change no more than the two rationals (16 bytes). A picture the
// reader takes (up to 2^16 pixels) must come back sample for sample, in the
// same format, from the TIFF written of it.
#include <algorithm>
#include <functional>
#include <numeric>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qor/tiff_data.h"

namespace {

constexpr std::size_t kSizePrefix = 4;
constexpr float kEighthsPerPoint = 8.0f;
constexpr std::size_t kMostChangedBytes = 16;
constexpr std::uint64_t kMostPixelsWrittenBack = std::uint64_t{1} << 16;

float points(const std::uint8_t* bytes) {
  return static_cast<float>(bytes[0] << 8 | bytes[1]) / kEighthsPerPoint;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < kSizePrefix) return 0;
  const std::vector<std::uint8_t> original(data + kSizePrefix, data + size);
  std::vector<std::uint8_t> tiff = original;
  const qor::TiffPatch result = qor::patchTIFFResolution(tiff, points(data), points(data + 2));
  const auto changed = static_cast<std::size_t>(
      std::inner_product(tiff.begin(), tiff.end(), original.begin(), std::size_t{0}, std::plus<>(),
                         [](std::uint8_t a, std::uint8_t b) { return a != b ? std::size_t{1} : std::size_t{0}; }));
  if (result != qor::TiffPatch::Patched && changed != 0) std::abort();
  if (changed > kMostChangedBytes) std::abort();

  const qor::ImageRef image = qor::imageWithTIFFData(original);
  // Encoding tens of millions of pixels again would take seconds per input.
  if (!image || std::uint64_t{image->pixelsWide()} * image->pixelsHigh() > kMostPixelsWrittenBack) return 0;
  const auto written = qor::tiffRepresentation(*image, qor::TiffCompression::Lzw);
  if (!written) std::abort();
  const qor::ImageRef back = qor::imageWithTIFFData(*written);
  if (!back || back->rgba() != image->rgba() || back->format() != image->format()) std::abort();
  return 0;
}
