// libFuzzer target for the gzip functions. Any input must leave the header
// check in range and the decompressor within the data; any non-empty input
// must survive compression, a bare gzip header and decompression unchanged.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "qor/gzip.h"
#include "qor/log.h"

namespace {

constexpr std::int32_t kBareHeaderLength = 10;

// Header of a member with no optional fields, as the gzip tool writes for
// standard input.
const std::vector<std::uint8_t> kBareHeader = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};

void checkHeaderOffset(const std::uint8_t* bytes, std::size_t size) {
  const auto length = static_cast<std::int32_t>(size);
  const std::int32_t offset = qor::GzipHeaderCheck(bytes, length);
  if (offset != -1 && (offset < kBareHeaderLength || offset > length)) std::abort();
}

void checkRoundTrip(const std::vector<std::uint8_t>& content) {
  const qor::DataRef deflated = qor::compressedDataWithData(qor::Data::make(content));
  if (content.empty()) {
    if (deflated) std::abort();
    return;
  }
  if (!deflated) std::abort();
  std::vector<std::uint8_t> member = kBareHeader;
  member.insert(member.end(), deflated->bytes().begin(), deflated->bytes().end());
  const qor::DataRef restored = qor::uncompressedDataWithData(qor::Data::make(std::move(member)));
  if (!restored || restored->bytes() != content) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
  // Failures log a line each; kept in memory and dropped, not sent to syslog.
  static qor::LogCapture quiet;
  quiet.clear();

  checkHeaderOffset(bytes, size);
  const std::vector<std::uint8_t> input(bytes, bytes + size);
  // As it stands: mostly "Bad Gzip format"; behind a valid header, the input
  // goes straight to the inflater.
  (void)qor::uncompressedDataWithData(qor::Data::make(input));
  std::vector<std::uint8_t> behindHeader = kBareHeader;
  behindHeader.insert(behindHeader.end(), input.begin(), input.end());
  (void)qor::uncompressedDataWithData(qor::Data::make(std::move(behindHeader)));
  checkRoundTrip(input);
  return 0;
}
