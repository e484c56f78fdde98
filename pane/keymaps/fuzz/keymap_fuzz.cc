// libFuzzer target for one reader of other editors' keymaps, the kind named
// by QOR_FUZZED_KIND (one executable per kind). Any input gives a keymap or
// one error line, never both; each entry's key is a stored sequence exactly
// when its text is there and has no reason against it; and each sequence,
// written in the kind's notation, reads back as the same sequence, so that
// what the import shows of a key it also reads.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "qor/keymaps/foreign_keymap.h"

namespace {

[[noreturn]] void fail(const std::string& keyText, const char* why) {
  std::fprintf(stderr, "key text '%s': %s\n", keyText.c_str(), why);
  std::abort();
}

const qor::KeymapKind kKind = *qor::keymapKindNamed(QOR_FUZZED_KIND);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  const qor::KeymapReading read = qor::readForeignKeymap(content, kKind);
  (void)qor::recognizeKeymap(content, "keymap");
  if (!read.keymap) {
    if (read.error.empty() || read.error.find('\n') != std::string::npos) fail("", "no keymap and no one line");
    return 0;
  }
  if (!read.error.empty()) fail("", "an error beside a keymap");
  for (const qor::ForeignBinding& binding : read.keymap->bindings) {
    const bool readable = !binding.keyText.empty() && binding.unreadableKey.empty();
    if (readable != (binding.sequence != nullptr)) fail(binding.keyText, "a sequence without its text, or a reason");
    if (!binding.sequence) continue;
    const std::string written = qor::keyTextOfSequence(*binding.sequence, kKind);
    std::string why;
    const qor::ArrayRef again = qor::sequenceOfKeyText(written, kKind, qor::KeymapPlatform::Linux, &why);
    if (!qor::isEqual(again, binding.sequence)) fail(binding.keyText, ("written as '" + written + "': " + why).c_str());
  }
  return 0;
}
