// libFuzzer target for the TIFF resolution patch. The first four bytes give
// the size in eighths of a point (two big-endian 16-bit numbers), the rest is
// the TIFF data. Any input must keep the patch within the data; a refused
// patch must leave the data as it was, and an accepted one may change no
// more than the two rationals (16 bytes).
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
  return 0;
}
