#include <sys/time.h>
#include <sys/utsname.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

#include "qor/runtime.h"
#include "qor/seams/system_version.h"

namespace qor {

namespace {

constexpr double kSecondsPerMicrosecond = 0.000001;

constexpr int kDecimalBase = 10;
constexpr int kHexDigitBits = 4;
constexpr std::uint32_t kLargestDigit = 9;
// Five decimal digits keep the packed major number below 0x99999 << 8,
// inside the positive signed 32-bit range.
constexpr std::uint32_t kLargestMajor = 99999;

class UnameSource final : public SystemVersionSource {
 public:
  [[nodiscard]] std::optional<std::string> releaseText() const override {
    utsname names{};
    if (uname(&names) != 0) return std::nullopt;
    return std::string(names.release);
  }
};

std::mutex sourceMutex;
std::shared_ptr<const SystemVersionSource> injectedSource;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the run of decimal digits at `at`, saturating at `limit`.
std::uint32_t readNumber(std::string_view text, std::size_t& at, std::uint32_t limit) {
  std::uint32_t value = 0;
  for (; at < text.size() && isDigit(text[at]); ++at)
    value = std::min<std::uint32_t>(limit, value * kDecimalBase + static_cast<std::uint32_t>(text[at] - '0'));
  return value;
}

// Reads ".<digits>" at `at`; 0 when there is no such part. The limit only
// needs to exceed kLargestDigit so that clamping can tell "above 9".
std::uint32_t readComponent(std::string_view text, std::size_t& at) {
  constexpr std::uint32_t kAboveDigit = kLargestDigit + 1;
  if (at + 1 >= text.size() || text[at] != '.' || !isDigit(text[at + 1])) return 0;
  ++at;
  return readNumber(text, at, kAboveDigit);
}

// The decimal digits of `number` as hexadecimal digits: 104 -> 0x104.
std::uint32_t decimalAsHex(std::uint32_t number) {
  std::uint32_t packed = 0;
  for (int shift = 0; number != 0; shift += kHexDigitBits, number /= kDecimalBase)
    packed |= (number % kDecimalBase) << shift;
  return packed;
}

}  // namespace

double microsecond() {
  timeval now{};
  gettimeofday(&now, nullptr);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_usec) * kSecondsPerMicrosecond;
}

std::int32_t packSystemVersion(std::string_view release) {
  if (release.empty() || !isDigit(release.front())) return 0;
  std::size_t at = 0;
  std::uint32_t major = readNumber(release, at, kLargestMajor);
  std::uint32_t minor = readComponent(release, at);
  std::uint32_t patch = readComponent(release, at);
  if (minor > kLargestDigit) {
    minor = kLargestDigit;
    patch = kLargestDigit;
  }
  patch = std::min(patch, kLargestDigit);
  std::uint32_t packed = (decimalAsHex(major) << (2 * kHexDigitBits)) | (minor << kHexDigitBits) | patch;
  return static_cast<std::int32_t>(packed);
}

const SystemVersionSource& SystemVersionSource::real() {
  static const UnameSource source;
  return source;
}

void setSystemVersionSource(std::shared_ptr<const SystemVersionSource> source) {
  std::lock_guard lock(sourceMutex);
  injectedSource = std::move(source);
}

std::int32_t getOSVersion() {
  std::shared_ptr<const SystemVersionSource> source;
  {
    std::lock_guard lock(sourceMutex);
    source = injectedSource;
  }
  auto release = source ? source->releaseText() : SystemVersionSource::real().releaseText();
  return release ? packSystemVersion(*release) : 0;
}

std::int32_t pointerLow32(const void* pointer) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer)));
}

}  // namespace qor
