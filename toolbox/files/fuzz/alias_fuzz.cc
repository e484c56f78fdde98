// libFuzzer target for alias records. Any bytes must decode to nothing or to
// a record that encodes back to bytes decoding the same; resolution of any
// bytes must stay within its search cap and give an absolute path or nothing.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "qor/alias.h"
#include "synthetic_files.h"

namespace {

constexpr std::size_t kEntryCap = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::span<const std::uint8_t> bytes(data, size);
  if (auto record = qor::decodeAliasRecord(bytes)) {
    auto again = qor::decodeAliasRecord(qor::encodeAliasRecord(*record));
    if (!again || !(*again == *record)) std::abort();
  }
  qor::fuzzing::SyntheticFiles files;
  qor::AliasSearchLimits limits;
  limits.maximumEntries = kEntryCap;
  auto resolution = qor::resolveAlias(bytes, files, limits);
  if (resolution.entriesSearched > kEntryCap) std::abort();
  if (resolution.path && (resolution.path->empty() || resolution.path->front() != '/')) std::abort();
  if (resolution.path.has_value() != (resolution.road != qor::AliasRoad::None)) std::abort();
  return 0;
}
