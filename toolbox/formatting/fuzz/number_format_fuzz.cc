// libFuzzer target for number format descriptions as the host stores them.
// The input is text, one "key=value" a line, so that seeds read as what they
// describe:
//   positive=#,##0.00         a description entry; the value is a string,
//   minimum=r:-5              or with "i:" an integer, "r:" a real, "b:" a
//   1000 separators=b:0       boolean, "d:" a dictionary {rest: "x"}
//   locale=de_DE              the formatter's locale
//   value=-1234.5             a number to format (several may follow)
//   text=1,234.50             a text to read back
// Any description must format every value, or refuse its patterns, without a
// crash or a sanitizer report; the formatter it makes must format the same
// text, and read texts (its own among them) without one.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "qor/number_formatter.h"

namespace {

struct Input {
  std::vector<qor::Dictionary::Entry> entries;
  std::string locale;
  std::vector<double> values;
  std::vector<std::string> texts;
};

// A typed value from its text: "i:", "r:", "b:", "d:" prefixes, else a string.
qor::Ref typedValue(std::string_view text) {
  const std::string rest(text.size() >= 2 ? text.substr(2) : std::string_view());
  if (text.starts_with("i:")) return qor::integer(std::strtoll(rest.c_str(), nullptr, 0));
  if (text.starts_with("r:")) return qor::real(std::strtod(rest.c_str(), nullptr));
  if (text.starts_with("b:")) return qor::boolean(rest == "1");
  if (text.starts_with("d:")) return qor::Dictionary::make({{rest, qor::str("x")}});
  return qor::str(std::string(text));
}

Input read(std::string_view text) {
  Input input;
  while (!text.empty()) {
    const std::size_t end = std::min(text.find('\n'), text.size());
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(std::min(end + 1, text.size()));
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string key(line.substr(0, equals));
    const std::string_view value = line.substr(equals + 1);
    if (key == "locale") {
      input.locale = std::string(value);
    } else if (key == "value") {
      input.values.push_back(std::strtod(std::string(value).c_str(), nullptr));
    } else if (key == "text") {
      input.texts.emplace_back(value);
    } else {
      input.entries.emplace_back(key, typedValue(value));
    }
  }
  return input;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input input = read(std::string_view(reinterpret_cast<const char*>(data), size));
  const qor::DictionaryRef description = qor::Dictionary::make(input.entries);
  qor::NumberFormatter formatter;
  qor::setNumberFormatterWithDictionary(formatter, description);
  const qor::DictionaryRef defaults = qor::Dictionary::make({{"font", qor::str("Sans")}});
  for (double value : input.values) {
    const auto styled = qor::stringFromNumberForFormat(value, description, defaults);
    const auto text = formatter.stringForObjectValue(value);
    if (styled.has_value() != text.has_value() || (text && styled->string() != *text)) std::abort();
    if (text) input.texts.push_back(*text);
  }
  formatter.setLocaleIdentifier(input.locale);
  for (const std::string& text : input.texts) {
    (void)formatter.numberFromString(text);
    (void)formatter.stringForObjectValue(formatter.numberFromString(text).value_or(0));
  }
  return 0;
}
