// libFuzzer target for reading ".qordoc" archives with the headless text
// system. Any input must read without a crash or an access outside its
// data; an archive that reads must write again and read back to the same
// characters.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "qor/headless/text_system.h"
#include "qor/editor/document_archive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  qor::HeadlessTextSystem system;
  auto text = qor::textWithDocumentArchive(std::span(data, size), system);
  if (!text) return 0;
  auto archive = qor::documentArchiveWithText(*text);
  if (!archive) return 0;  // a string the XML form cannot carry
  auto again = qor::textWithDocumentArchive(*archive, system);
  if (!again || again->string() != text->string()) std::abort();
  return 0;
}
