// libFuzzer target for reading property lists, XML and binary alike (the
// reader tells them apart by their first bytes; the seeds hold both). Any
// input must read to a value or to null without a crash or an access outside
// it. A value that reads must write as XML, unless the XML form cannot carry
// it, and that XML must read back to a value that writes the very same XML
// (the first writing may round dates down; the second has nothing left to
// round).
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "qor/log.h"
#include "qor/plist_file.h"

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Refusals log a line each; kept in memory and dropped, not sent to syslog.
  static qor::LogCapture quiet;
  quiet.clear();

  qor::Ref value = qor::propertyListFromBytes(std::span(data, size));
  if (!value) return 0;
  const std::string xml = qor::xmlPropertyListFromValue(value);
  if (xml.empty()) return 0;
  qor::Ref again = qor::propertyListFromBytes(bytesOf(xml));
  if (!again || qor::xmlPropertyListFromValue(again) != xml) std::abort();
  return 0;
}
