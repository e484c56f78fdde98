#include "qor/plist_file.h"

#include <plist/plist.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <locale.h>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "qor/log.h"
#include "qor/seams/file_system.h"
#include "qor/text.h"
#include "qor/url.h"

namespace qor {

namespace {

// Property-list dates count from 2001-01-01 UTC; ours from 1970-01-01 UTC.
constexpr double kReferenceDateOffset = 978307200.0;
// Dates written as XML must have a four-digit year (libplist writes the year
// without leading zeros): 1000-01-01T00:00:00Z and 9999-12-31T23:59:59Z in
// seconds since 1970.
constexpr double kEarliestXmlDate = -30610224000.0;
constexpr double kLatestXmlDate = 253402300799.0;
constexpr std::size_t kMaximumInput = std::numeric_limits<std::uint32_t>::max();
// Objects that binary input with shared containers may expand to however
// short it is (see binaryPreflight).
constexpr std::uint64_t kSharedExpansionAllowance = std::uint64_t{1} << 20;

// The binary encoding: "bplist00", the objects, the offset table, and a
// 32-byte trailer holding the sizes and positions of the rest.
constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;
constexpr std::size_t kTrailerOffsetSize = 6;
constexpr std::size_t kTrailerReferenceSize = 7;
constexpr std::size_t kTrailerObjectCount = 8;
constexpr std::size_t kTrailerTopObject = 16;
constexpr std::size_t kTrailerTableOffset = 24;
constexpr std::uint8_t kMarkerInteger16 = 0x14;  // unsigned above INT64_MAX
constexpr std::uint8_t kMarkerDate = 0x33;       // big-endian double, seconds since 2001
constexpr std::uint8_t kMarkerAsciiString = 0x50;
constexpr std::uint8_t kMarkerUtf16String = 0x60;
constexpr std::uint8_t kMarkerArray = 0xA0;
constexpr std::uint8_t kMarkerSet = 0xC0;
constexpr std::uint8_t kMarkerDictionary = 0xD0;
constexpr std::uint8_t kMarkerIntegerFamily = 0x10;
constexpr std::uint8_t kHighNibble = 0xF0;
constexpr std::uint8_t kLowNibble = 0x0F;
constexpr std::uint8_t kCountFollows = 0x0F;

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistHandle = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
  void operator()(char* bytes) const { std::free(bytes); }
};

// libplist parses and prints reals with the C library's LC_NUMERIC; a host
// that called setlocale(LC_ALL, "") would read "2.75" as 2 under a comma
// locale. This gives the calling thread "C" numbers meanwhile and leaves its
// other categories as they were.
class CNumericLocale {
 public:
  CNumericLocale() {
    locale_t base = duplocale(uselocale(static_cast<locale_t>(nullptr)));
    if (!base) return;
    c_ = newlocale(LC_NUMERIC_MASK, "C", base);
    if (!c_) {
      freelocale(base);
      return;
    }
    previous_ = uselocale(c_);
  }
  ~CNumericLocale() {
    if (!c_) return;
    uselocale(previous_);
    freelocale(c_);
  }
  CNumericLocale(const CNumericLocale&) = delete;
  CNumericLocale& operator=(const CNumericLocale&) = delete;

 private:
  locale_t c_ = static_cast<locale_t>(nullptr);
  locale_t previous_ = static_cast<locale_t>(nullptr);
};

// `width` (1 to 8) bytes at `at`, big-endian; nullopt past the end.
std::optional<std::uint64_t> bigEndian(std::span<const std::uint8_t> bytes, std::uint64_t at,
                                       std::uint64_t width) {
  if (at > bytes.size() || width > bytes.size() - at) return std::nullopt;
  std::uint64_t value = 0;
  for (std::uint64_t i = 0; i < width; ++i) value = (value << 8) | bytes[at + i];
  return value;
}

// libplist recurses once per nesting level while parsing binary input and
// while freeing any tree, and it parses an object again for every reference
// to it, so a few hundred bytes of containers that refer twice to the next
// one expand to millions of nodes. Such input is refused before it gets
// there: true when the object graph is well formed and acyclic, nests at
// most kMaximumPropertyListDepth containers (the top one counts one) and
// expands to no more objects than the input has bytes or
// kSharedExpansionAllowance, whichever is more. (Without shared containers
// every object but the top takes a reference byte at least, so a plain tree
// always fits.)
bool binaryPreflight(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kBinaryMagic.size() + kTrailerSize) return false;
  const std::uint64_t trailer = bytes.size() - kTrailerSize;
  const std::uint64_t offsetSize = bytes[trailer + kTrailerOffsetSize];
  const std::uint64_t referenceSize = bytes[trailer + kTrailerReferenceSize];
  constexpr std::uint64_t kWidestField = 8;
  if (offsetSize == 0 || offsetSize > kWidestField || referenceSize == 0 || referenceSize > kWidestField)
    return false;
  const std::uint64_t objects = *bigEndian(bytes, trailer + kTrailerObjectCount, kWidestField);
  const std::uint64_t top = *bigEndian(bytes, trailer + kTrailerTopObject, kWidestField);
  const std::uint64_t table = *bigEndian(bytes, trailer + kTrailerTableOffset, kWidestField);
  if (objects == 0 || top >= objects || table > trailer || objects > (trailer - table) / offsetSize) return false;
  const std::uint64_t expansionLimit = std::max<std::uint64_t>(bytes.size(), kSharedExpansionAllowance);
  auto addCapped = [&](std::uint64_t a, std::uint64_t b) {
    return a > expansionLimit || b > expansionLimit - a ? expansionLimit + 1 : a + b;
  };

  // Object `index`: whether it is a container, and where its references are.
  struct Object {
    bool container = false;
    std::uint64_t first = 0;
    std::uint64_t count = 0;
  };
  auto objectAt = [&](std::uint64_t index) -> std::optional<Object> {
    auto offset = bigEndian(bytes, table + index * offsetSize, offsetSize);
    if (!offset || *offset >= table) return std::nullopt;
    std::uint8_t marker = bytes[*offset];
    std::uint8_t family = marker & kHighNibble;
    const bool text = family == kMarkerAsciiString || family == kMarkerUtf16String;
    if (family != kMarkerArray && family != kMarkerSet && family != kMarkerDictionary && !text) return Object{};
    std::uint64_t count = marker & kLowNibble;
    std::uint64_t at = *offset + 1;
    if (count == kCountFollows) {
      if (at >= table || (bytes[at] & kHighNibble) != kMarkerIntegerFamily) return std::nullopt;
      std::uint64_t width = std::uint64_t{1} << (bytes[at] & kLowNibble);
      if (width > kWidestField) return std::nullopt;
      auto extended = bigEndian(bytes, at + 1, width);
      if (!extended) return std::nullopt;
      count = *extended;
      at += 1 + width;
    }
    if (count > table) return std::nullopt;
    if (text) {
      // No string may hold NUL (XML has no such character), and libplist
      // asserts on a dictionary key that does, where a string value would
      // only be refused later: such input is refused here, keys and values
      // alike. A string runs to the offset table at most.
      const std::uint64_t width = family == kMarkerUtf16String ? 2 : 1;
      if (at > table || count > (table - at) / width) return std::nullopt;
      for (std::uint64_t unit = 0; unit < count; ++unit)
        if (*bigEndian(bytes, at + unit * width, width) == 0) return std::nullopt;
      return Object{};
    }
    // A dictionary lists its key references, then its value references.
    std::uint64_t references = family == kMarkerDictionary ? count * 2 : count;
    if (at > table || references > (table - at) / referenceSize) return std::nullopt;
    return Object{true, at, references};
  };

  // Depth first with an explicit path; each object is looked into once and
  // then remembered by its height and expanded size.
  enum class State : std::uint8_t { Unseen, Open, Done };
  std::vector<State> state(objects, State::Unseen);
  std::vector<std::uint16_t> height(objects, 0);    // containers, itself included
  std::vector<std::uint64_t> expanded(objects, 1);  // objects, itself included
  struct Frame {
    std::uint64_t index;
    Object object;
    std::uint64_t next = 0;
    std::uint16_t deepest = 0;
    std::uint64_t size = 1;
  };
  std::vector<Frame> path;
  path.reserve(static_cast<std::size_t>(kMaximumPropertyListDepth));
  // Looks into `index`: a leaf is done at once, a container joins the path.
  auto enter = [&](std::uint64_t index) {
    auto object = objectAt(index);
    if (!object) return false;
    if (!object->container) {
      state[index] = State::Done;
      return true;
    }
    if (path.size() == static_cast<std::size_t>(kMaximumPropertyListDepth)) return false;
    state[index] = State::Open;
    path.push_back({index, *object});
    return true;
  };
  if (!enter(top)) return false;
  while (!path.empty()) {
    Frame& frame = path.back();
    if (frame.next == frame.object.count) {
      auto finished = static_cast<std::uint16_t>(frame.deepest + 1);
      state[frame.index] = State::Done;
      height[frame.index] = finished;
      expanded[frame.index] = frame.size;
      std::uint64_t size = frame.size;
      path.pop_back();
      if (path.empty()) return size <= expansionLimit;
      Frame& parent = path.back();
      parent.deepest = std::max(parent.deepest, finished);
      parent.size = addCapped(parent.size, size);
      continue;
    }
    auto child = bigEndian(bytes, frame.object.first + frame.next * referenceSize, referenceSize);
    ++frame.next;
    if (!child || *child >= objects) return false;
    if (state[*child] == State::Open) return false;  // a cycle
    if (state[*child] == State::Unseen) {
      if (!enter(*child)) return false;
      if (state[*child] == State::Open) continue;  // looked into on the next turns
    }
    // A finished child, possibly shared: its subtree counts again here.
    Frame& current = path.back();
    if (path.size() + height[*child] > static_cast<std::size_t>(kMaximumPropertyListDepth)) return false;
    current.deepest = std::max(current.deepest, height[*child]);
    current.size = addCapped(current.size, expanded[*child]);
    if (current.size > expansionLimit) return false;
  }
  return true;  // the top object is a leaf
}

bool isXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && isXmlSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isXmlSpace(text.back())) text.remove_suffix(1);
  return text;
}

bool allOf(std::string_view text, bool (*accepted)(char)) {
  return std::all_of(text.begin(), text.end(), accepted);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// "-42", "+7", "0x1F": decimal or hexadecimal within the signed 64-bit range.
bool isIntegerText(std::string_view text) {
  text = trimmed(text);
  bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    text.remove_prefix(2);
    base = 16;
  }
  if (text.empty() || !allOf(text, base == 10 ? isDigit : isHexDigit)) return false;
  std::uint64_t magnitude = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
  if (error != std::errc() || end != text.data() + text.size()) return false;
  constexpr auto kLargest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  return magnitude <= kLargest + (negative ? 1 : 0);
}

// "2.75", "-1e300", "inf", "+infinity", "nan", read as the C locale does.
bool isRealText(std::string_view text) {
  text = trimmed(text);
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || text.front() == '-' || text.front() == '+') return false;
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  // An out-of-range magnitude still reads (as infinity or zero).
  return (error == std::errc() || error == std::errc::result_out_of_range) && end == text.data() + text.size();
}

// "2020-05-17T12:34:56Z", with an optional fraction of a second.
bool isDateText(std::string_view text) {
  text = trimmed(text);
  constexpr std::string_view kShape = "dddd-dd-ddTdd:dd:dd";
  if (text.size() < kShape.size() + 1 || text.back() != 'Z') return false;
  for (std::size_t i = 0; i < kShape.size(); ++i)
    if (kShape[i] == 'd' ? !isDigit(text[i]) : text[i] != kShape[i]) return false;
  std::string_view fraction = text.substr(kShape.size(), text.size() - kShape.size() - 1);
  return fraction.empty() || (fraction.size() > 1 && fraction.front() == '.' && allOf(fraction.substr(1), isDigit));
}

bool isBase64Text(std::string_view text) {
  return allOf(text, [](char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '+' || c == '/' || c == '=' ||
           isXmlSpace(c);
  });
}

// What libplist's XML reader lets through and must not: a <key> without a
// value in a dictionary (it silently drops the whole dictionary's contents),
// an integer, real, date or data element whose text does not read as one
// (it silently reads 0 or nothing), an integer outside the signed 64-bit
// range; and nesting deeper than kMaximumPropertyListDepth. True when none
// of these occurs. Only the markup is scanned: comments, CDATA sections,
// processing instructions and declarations are stepped over, and anything
// else malformed is left to the library to refuse.
bool xmlPreflight(std::string_view text) {
  // XML text never holds NUL, and libplist aborts on a string that does.
  if (text.find('\0') != std::string_view::npos) return false;
  struct Level {
    bool dictionary = false;
    bool awaitingValue = false;
  };
  std::vector<Level> levels;
  std::size_t at = 0;
  auto skipPast = [&](std::string_view end) {
    auto found = text.find(end, at);
    at = found == std::string_view::npos ? text.size() : found + end.size();
  };
  while ((at = text.find('<', at)) != std::string_view::npos) {
    std::string_view rest = text.substr(at);
    if (rest.starts_with("<!--")) {
      skipPast("-->");
      continue;
    }
    if (rest.starts_with("<![CDATA[")) {
      skipPast("]]>");
      continue;
    }
    if (rest.starts_with("<?")) {
      skipPast("?>");
      continue;
    }
    if (rest.starts_with("<!")) {
      skipPast(">");
      continue;
    }
    bool closing = rest.starts_with("</");
    std::size_t nameStart = closing ? 2 : 1;
    std::size_t nameEnd = nameStart;
    while (nameEnd < rest.size() && !isXmlSpace(rest[nameEnd]) && rest[nameEnd] != '>' && rest[nameEnd] != '/')
      ++nameEnd;
    std::string_view name = rest.substr(nameStart, nameEnd - nameStart);
    skipPast(">");
    bool selfClosing = !closing && at >= 2 && text[at - 1] == '>' && text[at - 2] == '/';
    bool container = name == "array" || name == "dict";
    if (closing) {
      if (!container) continue;
      if (levels.empty() || levels.back().awaitingValue) return false;
      levels.pop_back();
      continue;
    }
    if (name == "plist") continue;
    bool inDictionary = !levels.empty() && levels.back().dictionary;
    if (name == "key") {
      if (!inDictionary || levels.back().awaitingValue) return false;
      levels.back().awaitingValue = true;
      continue;
    }
    if (inDictionary) {
      if (!levels.back().awaitingValue) return false;
      levels.back().awaitingValue = false;
    }
    if (container && !selfClosing) {
      if (levels.size() == static_cast<std::size_t>(kMaximumPropertyListDepth)) return false;
      levels.push_back({name == "dict", false});
      continue;
    }
    bool (*check)(std::string_view) = name == "integer" ? isIntegerText
                                      : name == "real"  ? isRealText
                                      : name == "date"  ? isDateText
                                      : name == "data"  ? isBase64Text
                                                        : nullptr;
    if (!check) continue;
    if (selfClosing) return false;
    auto end = text.find('<', at);
    if (!check(text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at))) return false;
  }
  return true;
}

// libplist's accessors lose a date's sign within the second before 2001 and
// overflow outside 1933-2069, and read an integer above INT64_MAX as if it
// were negative; the binary encoding of the node alone keeps both exactly.
std::vector<std::uint8_t> binaryOfNode(plist_t node) {
  char* out = nullptr;
  std::uint32_t length = 0;
  plist_to_bin(node, &out, &length);
  std::unique_ptr<char, FreeDeleter> owned(out);
  if (!out) return {};
  auto begin = reinterpret_cast<const std::uint8_t*>(out);
  return std::vector<std::uint8_t>(begin, begin + length);
}

// The single object of a one-node binary plist starts right after the magic.
constexpr std::size_t kFirstObject = kBinaryMagic.size();
constexpr std::size_t kDoubleSize = sizeof(double);

std::optional<double> dateSinceReference(plist_t node) {
  auto bytes = binaryOfNode(node);
  if (bytes.size() < kFirstObject + 1 + kDoubleSize || bytes[kFirstObject] != kMarkerDate) return std::nullopt;
  auto bits = bigEndian(bytes, kFirstObject + 1, kDoubleSize);
  return std::bit_cast<double>(*bits);
}

bool isUnsignedAboveInt64(plist_t node) {
  auto bytes = binaryOfNode(node);
  return bytes.size() > kFirstObject && bytes[kFirstObject] == kMarkerInteger16;
}

// A date node holding exactly `seconds` since 2001: plist_new_date takes
// 32-bit seconds, so the node is read from a one-object binary plist instead.
plist_t newDateNode(double seconds) {
  std::vector<std::uint8_t> bytes(kBinaryMagic.begin(), kBinaryMagic.end());
  bytes.push_back(kMarkerDate);
  auto bits = std::bit_cast<std::uint64_t>(seconds);
  for (std::size_t shift = kDoubleSize; shift-- > 0;) bytes.push_back(static_cast<std::uint8_t>(bits >> (shift * 8)));
  const auto table = static_cast<std::uint8_t>(bytes.size());
  bytes.push_back(static_cast<std::uint8_t>(kFirstObject));  // the offset table: one 1-byte entry
  std::array<std::uint8_t, kTrailerSize> trailer{};
  trailer[kTrailerOffsetSize] = 1;
  trailer[kTrailerReferenceSize] = 1;
  // The 8-byte big-endian counts: one object, the top one is 0, the table.
  constexpr std::size_t kLowestByte = 7;
  trailer[kTrailerObjectCount + kLowestByte] = 1;
  trailer[kTrailerTableOffset + kLowestByte] = table;
  bytes.insert(bytes.end(), trailer.begin(), trailer.end());
  plist_t node = nullptr;
  plist_from_bin(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &node);
  return node;
}

// True when `text` is valid UTF-8 made only of characters XML 1.0 carries:
// tab, line feed, carriage return, U+0020 and above, less the surrogates and
// U+FFFE/U+FFFF. Other text would make a file that XML readers refuse.
bool isXmlText(const std::string& text) {
  // A round trip through UTF-16 turns every malformed byte into U+FFFD.
  std::u16string units = utf16FromUtf8(text);
  if (utf8FromUtf16(units) != text) return false;
  constexpr char16_t kNonCharacterFFFE = 0xFFFE, kNonCharacterFFFF = 0xFFFF;
  return std::none_of(units.begin(), units.end(), [&](char16_t unit) {
    // Other control characters are written as character references (see
    // escapeControlCharacters); NUL cannot pass through libplist's C strings.
    return unit == 0 || unit == kNonCharacterFFFE || unit == kNonCharacterFFFF;
  });
}

// `depth` counts the containers around `node`.
Ref fromNode(plist_t node, int depth) {
  if (!node) return nullptr;
  switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
      std::uint8_t value = 0;
      plist_get_bool_val(node, &value);
      return boolean(value != 0);
    }
    case PLIST_UINT: {
      // Negative integers come back as their two's complement; a true
      // unsigned value above INT64_MAX has no signed counterpart.
      std::uint64_t value = 0;
      plist_get_uint_val(node, &value);
      if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()) && isUnsignedAboveInt64(node))
        return nullptr;
      return integer(static_cast<std::int64_t>(value));
    }
    case PLIST_REAL: {
      double value = 0;
      plist_get_real_val(node, &value);
      return real(value);
    }
    case PLIST_STRING: {
      // XML has no NUL character, and libplist asserts on a string that
      // holds one: such input is refused, as the writer refuses such text.
      std::uint64_t length = 0;
      const char* text = plist_get_string_ptr(node, &length);
      if (!text || std::memchr(text, 0, length)) return nullptr;
      return str(std::string(text, length));
    }
    case PLIST_KEY: {
      char* text = nullptr;
      plist_get_string_val(node, &text);
      std::unique_ptr<char, FreeDeleter> owned(text);
      return str(text ? text : "");
    }
    case PLIST_DATA: {
      std::uint64_t length = 0;
      const char* bytes = plist_get_data_ptr(node, &length);
      auto begin = reinterpret_cast<const std::uint8_t*>(bytes);
      return Data::make(bytes ? std::vector<std::uint8_t>(begin, begin + length) : std::vector<std::uint8_t>{});
    }
    case PLIST_DATE: {
      auto seconds = dateSinceReference(node);
      if (!seconds) return nullptr;
      return Date::make(kReferenceDateOffset + *seconds);
    }
    case PLIST_ARRAY: {
      if (depth >= kMaximumPropertyListDepth) return nullptr;
      std::uint32_t count = plist_array_get_size(node);
      std::vector<Ref> elements;
      elements.reserve(count);
      for (std::uint32_t i = 0; i < count; ++i) {
        Ref element = fromNode(plist_array_get_item(node, i), depth + 1);
        if (!element) return nullptr;
        elements.push_back(std::move(element));
      }
      return Array::make(std::move(elements));
    }
    case PLIST_DICT: {
      if (depth >= kMaximumPropertyListDepth) return nullptr;
      std::vector<Dictionary::Entry> entries;
      plist_dict_iter iterator = nullptr;
      plist_dict_new_iter(node, &iterator);
      std::unique_ptr<void, decltype(&std::free)> ownedIterator(iterator, &std::free);
      for (;;) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, iterator, &key, &value);
        if (!key) break;
        std::unique_ptr<char, FreeDeleter> ownedKey(key);
        Ref element = fromNode(value, depth + 1);
        if (!element) return nullptr;
        entries.emplace_back(key, std::move(element));
      }
      // A URL's own form in files (see qor/url.h).
      if (entries.size() == 1 && entries.front().first == kUrlPropertyListKey)
        if (auto text = asString(entries.front().second)) return Url::make(text->value());
      return Dictionary::make(std::move(entries));
    }
    case PLIST_UID:
    case PLIST_NONE:
      return nullptr;
  }
  return nullptr;
}

// `depth` counts the containers around `value`. Null when the value nests
// too deep (a container that holds itself does), or holds a string, key or
// date that the XML form cannot carry.
plist_t toNode(const Ref& value, int depth) {
  if (!value) return nullptr;
  switch (value->kind()) {
    case Kind::Opaque:  // fonts, file wrappers and the like have no property-list form
      return nullptr;
    case Kind::String: {
      const std::string& text = asString(value)->value();
      return isXmlText(text) ? plist_new_string(text.c_str()) : nullptr;
    }
    case Kind::Number: {
      auto number = asNumber(value);
      switch (number->type()) {
        case Number::Type::Boolean:
          return plist_new_bool(number->boolValue() ? 1 : 0);
        case Number::Type::Integer:
          return plist_new_uint(static_cast<std::uint64_t>(number->integerValue()));
        case Number::Type::Real:
          return plist_new_real(number->realValue());
      }
      return nullptr;
    }
    case Kind::Data: {
      const auto& bytes = asData(value)->bytes();
      return plist_new_data(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    case Kind::Date: {
      // The XML form has whole seconds: round down, so that 23:59:59.5 stays
      // in its minute (libplist would cut toward 2001 instead).
      double since1970 = std::floor(asDate(value)->secondsSince1970());
      if (!(since1970 >= kEarliestXmlDate && since1970 <= kLatestXmlDate)) return nullptr;
      return newDateNode(since1970 - kReferenceDateOffset);
    }
    case Kind::Url: {
      const std::string& text = asUrl(value)->absoluteString();
      if (!isXmlText(text)) return nullptr;
      PlistHandle dict(plist_new_dict());
      plist_dict_set_item(dict.get(), std::string(kUrlPropertyListKey).c_str(), plist_new_string(text.c_str()));
      return dict.release();
    }
    case Kind::Array: {
      if (depth >= kMaximumPropertyListDepth) return nullptr;
      PlistHandle array(plist_new_array());
      for (const auto& element : asArray(value)->elements()) {
        plist_t node = toNode(element, depth + 1);
        if (!node) return nullptr;
        plist_array_append_item(array.get(), node);
      }
      return array.release();
    }
    case Kind::Dictionary: {
      if (depth >= kMaximumPropertyListDepth) return nullptr;
      PlistHandle dict(plist_new_dict());
      for (const auto& [key, element] : asDictionary(value)->entries()) {
        if (!isXmlText(key)) return nullptr;
        plist_t node = toNode(element, depth + 1);
        if (!node) return nullptr;
        plist_dict_set_item(dict.get(), key.c_str(), node);
      }
      return dict.release();
    }
  }
  return nullptr;
}

// libplist writes control characters as they are. XML readers turn a raw
// carriage return into a line feed, and the others are not XML text at all,
// yet a captured Escape or Backspace key is one; a character reference keeps
// each. libplist's own markup holds only line feeds and tabs, so every other
// control character here comes from a string or key.
std::string escapeControlCharacters(std::string_view xml) {
  constexpr unsigned char kFirstPrintable = 0x20;
  std::string out;
  out.reserve(xml.size());
  for (char c : xml) {
    auto byte = static_cast<unsigned char>(c);
    if (byte < kFirstPrintable && c != '\n' && c != '\t')
      out += "&#" + std::to_string(byte) + ";";
    else
      out += c;
  }
  return out;
}

}  // namespace

Ref propertyListFromBytes(std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || bytes.size() > kMaximumInput) return nullptr;
  bool binary = bytes.size() >= kBinaryMagic.size() &&
                std::memcmp(bytes.data(), kBinaryMagic.data(), kBinaryMagic.size()) == 0;
  bool acceptable = binary ? binaryPreflight(bytes)
                        : xmlPreflight({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
  if (!acceptable) return nullptr;
  CNumericLocale numbers;
  plist_t root = nullptr;
  plist_from_memory(reinterpret_cast<const char*>(bytes.data()), static_cast<std::uint32_t>(bytes.size()), &root);
  PlistHandle owned(root);
  return fromNode(root, 0);
}

std::string xmlPropertyListFromValue(const Ref& value) {
  CNumericLocale numbers;
  PlistHandle root(toNode(value, 0));
  if (!root) return {};
  char* xml = nullptr;
  std::uint32_t length = 0;
  plist_to_xml(root.get(), &xml, &length);
  std::string text = xml ? escapeControlCharacters({xml, length}) : std::string();
  plist_to_xml_free(xml);
  return text;
}

Ref readPropertyListFile(const std::string& path) { return readPropertyListFile(path, FileSystem::real()); }

bool writePropertyListFile(const Ref& value, const std::string& path) {
  return writePropertyListFile(value, path, FileSystem::real());
}

}  // namespace qor
