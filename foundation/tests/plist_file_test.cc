#include "qor/plist_file.h"

#include <gtest/gtest.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include "qor/log.h"
#include "qor/testing/memory_file_system.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"
#include "qor/url.h"

namespace qor {
namespace {

using fixtures::readText;
using fixtures::runPython;
using fixtures::TemporaryFolder;
using fixtures::writeText;

constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();

Ref parse(std::string_view text) {
  return propertyListFromBytes({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

Ref parseBytes(const std::vector<std::uint8_t>& bytes) { return propertyListFromBytes(bytes); }

std::string xmlDocument(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>\n";
}

double secondsSince1970(int year, unsigned month, unsigned day, int hour, int minute, int second,
                        int microsecond = 0) {
  using namespace std::chrono;
  auto midnight = sys_days{std::chrono::year{year} / month / day}.time_since_epoch();
  return static_cast<double>(duration_cast<seconds>(midnight).count()) + hour * 3600.0 + minute * 60.0 + second +
         microsecond / 1e6;
}

// Deep comparison that, unlike isEqual, tells integers, reals and booleans
// apart and checks dictionary key order; dates match within `dateSlack`.
void expectSame(const Ref& actual, const Ref& expected, double dateSlack, const std::string& where = "root") {
  ASSERT_TRUE(actual) << where << ": null, expected " << describe(expected);
  ASSERT_EQ(actual->kind(), expected->kind()) << where << ": " << describe(actual) << " vs " << describe(expected);
  switch (expected->kind()) {
    case Kind::Opaque:  // never read from a file
      ADD_FAILURE() << where << ": " << describe(expected);
      return;
    case Kind::Number: {
      auto a = asNumber(actual), e = asNumber(expected);
      ASSERT_EQ(a->type(), e->type()) << where << ": " << describe(actual) << " vs " << describe(expected);
      if (e->type() != Number::Type::Real)
        EXPECT_EQ(a->integerValue(), e->integerValue()) << where;
      else if (std::isnan(e->realValue()))
        EXPECT_TRUE(std::isnan(a->realValue())) << where;
      else
        EXPECT_EQ(a->realValue(), e->realValue()) << where;
      return;
    }
    case Kind::Date:
      EXPECT_NEAR(asDate(actual)->secondsSince1970(), asDate(expected)->secondsSince1970(), dateSlack) << where;
      return;
    case Kind::Array: {
      auto a = asArray(actual), e = asArray(expected);
      ASSERT_EQ(a->count(), e->count()) << where;
      for (std::size_t i = 0; i < e->count(); ++i)
        expectSame(a->objectAtIndex(i), e->objectAtIndex(i), dateSlack, where + "[" + std::to_string(i) + "]");
      return;
    }
    case Kind::Dictionary: {
      auto a = asDictionary(actual), e = asDictionary(expected);
      ASSERT_EQ(a->allKeys(), e->allKeys()) << where;
      for (const auto& [key, value] : e->entries())
        expectSame(a->objectForKey(key), value, dateSlack, where + "." + key);
      return;
    }
    case Kind::String:
    case Kind::Data:
    case Kind::Url:
      EXPECT_TRUE(isEqual(actual, expected)) << where << ": " << describe(actual) << " vs " << describe(expected);
      return;
  }
}

std::vector<std::uint8_t> allByteValues() {
  std::vector<std::uint8_t> bytes;
  for (int i = 0; i < 256; ++i) bytes.push_back(static_cast<std::uint8_t>(i));
  return bytes;
}

// The value both directions of the plistlib tests use: every kind, the
// boundaries of the integer range, dates on both sides of 2001 and beyond the
// 32-bit second counts (1933 and 2069), non-ASCII text, keys out of order.
constexpr const char* kPythonValue = R"(
import datetime, math, plistlib, sys
value = {
    "zeta": 1, "alpha": -7, "int64 min": -2**63, "int64 max": 2**63 - 1,
    "real": 0.1, "whole real": 3.0, "negative real": -0.5, "tiny": 5e-324, "infinity": float("inf"),
    "true": True, "false": False,
    "data": bytes(range(256)), "empty data": b"",
    "date": datetime.datetime(2020, 5, 17, 12, 34, 56, 789012),
    "before 2001": datetime.datetime(2000, 12, 31, 23, 59, 59, 500000),
    "before 1933": datetime.datetime(1905, 3, 4, 5, 6, 7, 250000),
    "after 2069": datetime.datetime(2100, 1, 1, 0, 0, 0, 500000),
    "string": "caf\u00e9 \u2318 \U0001F600", "empty": "",
    "nested": [[1, [2.5, {"deep": True}]], {}, []],
    "\u043a\u043b\u044e\u0447 \u2318": "value",
}
)";

// The same value in our terms; `wholeSeconds` drops the fractions of the
// dates as the XML form does.
Ref expectedValue(bool wholeSeconds) {
  auto date = [&](double seconds) { return Date::make(wholeSeconds ? std::floor(seconds) : seconds); };
  return Dictionary::make({
      {"zeta", integer(1)},
      {"alpha", integer(-7)},
      {"int64 min", integer(kInt64Min)},
      {"int64 max", integer(kInt64Max)},
      {"real", real(0.1)},
      {"whole real", real(3.0)},
      {"negative real", real(-0.5)},
      {"tiny", real(5e-324)},
      {"infinity", real(std::numeric_limits<double>::infinity())},
      {"true", boolean(true)},
      {"false", boolean(false)},
      {"data", Data::make(allByteValues())},
      {"empty data", Data::make({})},
      {"date", date(secondsSince1970(2020, 5, 17, 12, 34, 56, 789012))},
      {"before 2001", date(secondsSince1970(2000, 12, 31, 23, 59, 59, 500000))},
      {"before 1933", date(secondsSince1970(1905, 3, 4, 5, 6, 7, 250000))},
      {"after 2069", date(secondsSince1970(2100, 1, 1, 0, 0, 0, 500000))},
      {"string", str("café ⌘ 😀")},
      {"empty", str("")},
      {"nested", Array::make({Array::make({integer(1), Array::make({real(2.5), Dictionary::make({{"deep", boolean(true)}})})}),
                              Dictionary::make(), Array::make()})},
      {"ключ ⌘", str("value")},
  });
}

TEST(PlistFile, ReadsWhatPlistlibWritesWithTypesAndOrder) {
  struct Case {
    const char* format;
    bool wholeSeconds;
  };
  // plistlib's XML dates have whole seconds; its binary ones keep the
  // microseconds (a double of seconds since 2001: 1 us = 1e-6 is far above
  // its resolution of about 1.2e-7 at 2100).
  const Case cases[] = {{"FMT_XML", true}, {"FMT_BINARY", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.format);
    TemporaryFolder folder;
    std::string path = folder.file("written.plist");
    std::string script = std::string(kPythonValue) +
                         "with open(sys.argv[1], 'wb') as f:\n"
                         "    plistlib.dump(value, f, fmt=getattr(plistlib, sys.argv[2]), sort_keys=False)\n";
    ASSERT_EQ(runPython(folder, script, {path, c.format}).status, 0);
    expectSame(readPropertyListFile(path), expectedValue(c.wholeSeconds), 1e-6);
  }
}

TEST(PlistFile, PlistlibReadsWhatWeWriteUnchanged) {
  TemporaryFolder folder;
  std::string path = folder.file("ours.plist");
  auto value = MutableDictionary::make(asDictionary(expectedValue(false))->entries());
  value->setObjectForKey(real(std::numeric_limits<double>::quiet_NaN()), "nan");
  value->setObjectForKey(str("a < b && c > d ]]> \"q\" 'a'"), "markup <&>\"'");
  value->setObjectForKey(str("one\r\ntwo\rthree\nfour\tfive"), "line ends");
  ASSERT_TRUE(writePropertyListFile(value, path));

  // Our XML has whole seconds, rounded down (23:59:59.5 stays 23:59:59).
  std::string script = std::string(kPythonValue) + R"(
value["date"] = datetime.datetime(2020, 5, 17, 12, 34, 56)
value["before 2001"] = datetime.datetime(2000, 12, 31, 23, 59, 59)
value["before 1933"] = datetime.datetime(1905, 3, 4, 5, 6, 7)
value["after 2069"] = datetime.datetime(2100, 1, 1, 0, 0, 0)
value["nan"] = float("nan")
value["markup <&>\"'"] = "a < b && c > d ]]> \"q\" 'a'"
value["line ends"] = "one\r\ntwo\rthree\nfour\tfive"

def same(a, b):
    if type(a) is not type(b):
        return False
    if isinstance(a, dict):
        return list(a) == list(b) and all(same(a[k], b[k]) for k in a)
    if isinstance(a, list):
        return len(a) == len(b) and all(same(x, y) for x, y in zip(a, b))
    if isinstance(a, float) and math.isnan(a):
        return math.isnan(b)
    return a == b

with open(sys.argv[1], "rb") as f:
    loaded = plistlib.load(f)
if not same(loaded, value):
    print("plistlib read:", loaded, file=sys.stderr)
    sys.exit(1)
)";
  EXPECT_EQ(runPython(folder, script, {path}).status, 0);
  // And we read our own file back the same, carriage returns included.
  auto expected = MutableDictionary::make(asDictionary(expectedValue(true))->entries());
  for (const auto& [key, element] : value->entries())
    if (!expected->containsKey(key)) expected->setObjectForKey(element, key);
  expectSame(readPropertyListFile(path), expected, 0);
}

TEST(PlistFile, XmlDatesHaveWholeSecondsRoundedDown) {
  struct Case {
    double written;
    double read;
  };
  constexpr double k2001 = 978307200;  // 2001-01-01T00:00:00Z
  const Case cases[] = {
      {k2001 + 0.75, k2001},
      {k2001 - 0.5, k2001 - 1},  // 2000-12-31T23:59:59.5 -> :59, not 2001
      {k2001 - 1.25, k2001 - 2},
      {0.999999, 0},
      {secondsSince1970(2100, 1, 1, 0, 0, 0, 500000), secondsSince1970(2100, 1, 1, 0, 0, 0)},
      // The four-digit years. (At 2.5e11 s a double steps by 2^-15 s, so
      // .999 and not .999999, which would round up to the next year.)
      {secondsSince1970(1000, 1, 1, 0, 0, 0), secondsSince1970(1000, 1, 1, 0, 0, 0)},
      {secondsSince1970(9999, 12, 31, 23, 59, 59, 999000), secondsSince1970(9999, 12, 31, 23, 59, 59)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    std::string xml = xmlPropertyListFromValue(Array::make({Date::make(c.written)}));
    ASSERT_FALSE(xml.empty());
    expectSame(parse(xml), Array::make({Date::make(c.read)}), 0);
  }
  // A fraction in someone else's XML is read and dropped.
  expectSame(parse(xmlDocument("<date>2020-01-01T00:00:00.5Z</date>")),
             Date::make(secondsSince1970(2020, 1, 1, 0, 0, 0)), 0);
}

TEST(PlistFile, IntegersKeepSignAcrossTheWholeSigned64BitRange) {
  // The library stores integers unsigned: -1 is 0xFFFFFFFFFFFFFFFF inside.
  const std::int64_t values[] = {kInt64Min, kInt64Min + 1, -4294967296, -1, 0, 1, 4294967296, kInt64Max};
  for (std::int64_t v : values) {
    SCOPED_TRACE(v);
    expectSame(parse(xmlPropertyListFromValue(Array::make({integer(v)}))), Array::make({integer(v)}), 0);
  }
  // Beyond the signed range there is no faithful value: null, not a wrap.
  const std::string outOfRange[] = {
      xmlDocument("<integer>9223372036854775808</integer>"),   // 2^63
      xmlDocument("<integer>18446744073709551615</integer>"),  // 2^64 - 1
      xmlDocument("<integer>-9223372036854775809</integer>"),  // -2^63 - 1
  };
  for (const auto& text : outOfRange) EXPECT_EQ(parse(text), nullptr) << text;
  // (2^63 in the binary form is a case of the hand-built graphs below.)
  EXPECT_TRUE(isEqual(parse(xmlDocument("<integer>0x1F</integer>")), integer(31)));
}

// A locale with a decimal comma, or null: an installed one, else de_DE
// compiled from the glibc locale sources (Debian's "locales" package) into
// `scratch`, which newlocale then finds through LOCPATH. The caller frees it.
locale_t commaLocale(std::string& name, const std::string& scratch) {
  if (::access("/usr/share/i18n/locales/de_DE", R_OK) == 0 &&
      std::system(("localedef -i de_DE -f UTF-8 " + scratch + "/de_DE.UTF-8 >/dev/null 2>&1").c_str()) == 0) {
    ::setenv("LOCPATH", scratch.c_str(), 1);
    locale_t compiled = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(nullptr));
    ::unsetenv("LOCPATH");
    if (compiled && std::string(nl_langinfo_l(RADIXCHAR, compiled)) == ",") {
      name = "de_DE.UTF-8 (compiled)";
      return compiled;
    }
    if (compiled) freelocale(compiled);
  }
  for (const char* candidate : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8",
                                "ru_RU.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8", "pt_BR.UTF-8", "de_DE", "fr_FR"}) {
    locale_t locale = newlocale(LC_ALL_MASK, candidate, static_cast<locale_t>(nullptr));
    if (!locale) continue;
    if (std::string(nl_langinfo_l(RADIXCHAR, locale)) == ",") {
      name = candidate;
      return locale;
    }
    freelocale(locale);
  }
  return static_cast<locale_t>(nullptr);
}

TEST(PlistFile, RealsIgnoreACommaLocaleAndTheThreadKeepsIt) {
  // Whatever the locale, the thread has its own back after a parse.
  locale_t utf8 = newlocale(LC_ALL_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
  ASSERT_TRUE(utf8);
  locale_t global = uselocale(utf8);
  EXPECT_TRUE(isEqual(parse(xmlDocument("<real>2.75</real>")), real(2.75)));
  EXPECT_EQ(uselocale(static_cast<locale_t>(nullptr)), utf8);
  uselocale(global);
  freelocale(utf8);

  std::string name;
  TemporaryFolder scratch;
  locale_t comma = commaLocale(name, scratch.path());
  if (!comma)
    GTEST_SKIP() << "no locale with a decimal comma is installed (tried de_DE, fr_FR, nl_NL, ru_RU, es_ES, "
                    "it_IT, pt_BR; see `locale -a`), so the C-locale guard around libplist cannot be shown";
  locale_t previous = uselocale(comma);
  // The pitfall is real under this locale: "2.75" reads as 2.
  EXPECT_EQ(std::strtod("2.75", nullptr), 2.0) << name;
  expectSame(parse(xmlDocument("<array><real>2.75</real><real>-1.5e3</real></array>")),
             Array::make({real(2.75), real(-1500.0)}), 0);
  std::string xml = xmlPropertyListFromValue(real(2.75));
  EXPECT_NE(xml.find("<real>2.75</real>"), std::string::npos) << xml;
  EXPECT_EQ(uselocale(static_cast<locale_t>(nullptr)), comma);
  uselocale(previous);
  freelocale(comma);
}

TEST(PlistFile, DuplicateKeysLastValueWinsInTheFirstPosition) {
  // plistlib reads the same: {"a": 3, "b": 2}.
  auto dict = asDictionary(parse(xmlDocument(
      "<dict><key>a</key><integer>1</integer><key>b</key><integer>2</integer><key>a</key><integer>3</integer></dict>")));
  ASSERT_TRUE(dict);
  expectSame(dict, Dictionary::make({{"a", integer(3)}, {"b", integer(2)}}), 0);
}

TEST(PlistFile, EmptyMalformedOrUnsupportedInputGivesNull) {
  const std::string inputs[] = {
      "",
      " \n",
      "not a property list",
      "<plist></plist>",
      xmlDocument("<array>"),
      xmlDocument("<array><foo/></array>"),      // unknown element
      xmlDocument("<dict><integer>1</integer></dict>"),  // value without key
      xmlDocument("<dict><key>a</key></dict>"),  // key without value: libplist alone gives {}
      xmlDocument("<dict><key>a</key><true/><key>b</key></dict>"),
      xmlDocument("<dict><key>a</key><key>b</key><true/></dict>"),
      xmlDocument("<array><key>a</key></array>"),  // a key outside any dictionary
      xmlDocument("</array>"),                     // closing what was never opened
      xmlDocument("<integer/>"),                   // libplist reads an empty number as 0
      xmlDocument("<integer>12abc</integer>"),   // libplist alone reads 0 or 12 for these
      xmlDocument("<integer></integer>"),
      xmlDocument("<real>abc</real>"),
      xmlDocument("<real>2,75</real>"),
      xmlDocument("<real>+-1</real>"),  // one sign only, though the number after it reads
      xmlDocument("<integer>18446744073709551616</integer>"),  // 2^64: beyond any 64-bit reading
      xmlDocument("<date>2020-01-01T00:00:00.Z</date>"),        // a point without digits
      xmlDocument("<date>yesterday</date>"),
      xmlDocument("<date>2020-01-01</date>"),
      xmlDocument("<data>!!!</data>"),
      xmlDocument("<string>a &bogus; b</string>"),
      xmlDocument(std::string("<string>a\0b</string>", 20)),  // libplist asserts on a NUL in a string
      "bplist00",
      "bplist00" + std::string(40, '\0'),
  };
  for (const auto& input : inputs) EXPECT_EQ(parse(input), nullptr) << input;
}

// Binary plists built by hand: "bplist00", the objects, a table of 4-byte
// offsets, a trailer that also says references are 4 bytes wide.
constexpr int kFieldWidth = 4;

void putBigEndian(std::vector<std::uint8_t>& bytes, std::uint64_t value, int width) {
  for (int shift = (width - 1) * 8; shift >= 0; shift -= 8) bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::vector<std::uint8_t> binaryPlist(const std::vector<std::vector<std::uint8_t>>& objects, std::uint64_t top = 0) {
  constexpr int kTrailerField = 8;
  std::vector<std::uint8_t> bytes = {'b', 'p', 'l', 'i', 's', 't', '0', '0'};
  std::vector<std::size_t> offsets;
  for (const auto& object : objects) {
    offsets.push_back(bytes.size());
    bytes.insert(bytes.end(), object.begin(), object.end());
  }
  std::size_t table = bytes.size();
  for (std::size_t offset : offsets) putBigEndian(bytes, offset, kFieldWidth);
  bytes.insert(bytes.end(), {0, 0, 0, 0, 0, 0, /*offset size*/ kFieldWidth, /*reference size*/ kFieldWidth});
  putBigEndian(bytes, objects.size(), kTrailerField);
  putBigEndian(bytes, top, kTrailerField);
  putBigEndian(bytes, table, kTrailerField);
  return bytes;
}

// An array object: marker 0xA<n>, or 0xAF and a 1-byte count from 15 on.
std::vector<std::uint8_t> arrayObject(const std::vector<std::uint32_t>& references) {
  constexpr std::size_t kShortCount = 15;
  std::vector<std::uint8_t> object;
  if (references.size() < kShortCount)
    object.push_back(static_cast<std::uint8_t>(0xA0 | references.size()));
  else
    object = {0xAF, 0x10, static_cast<std::uint8_t>(references.size())};
  for (auto reference : references) putBigEndian(object, reference, kFieldWidth);
  return object;
}

// A dictionary object of one entry: marker 0xD1, the key's reference, the value's.
std::vector<std::uint8_t> dictionaryObject(std::uint32_t key, std::uint32_t value) {
  std::vector<std::uint8_t> object = {0xD1};
  putBigEndian(object, key, kFieldWidth);
  putBigEndian(object, value, kFieldWidth);
  return object;
}

// `depth` arrays each holding the next; the innermost is empty.
std::vector<std::uint8_t> nestedBinaryArrays(std::size_t depth) {
  std::vector<std::vector<std::uint8_t>> objects;
  for (std::size_t i = 0; i + 1 < depth; ++i) objects.push_back(arrayObject({static_cast<std::uint32_t>(i + 1)}));
  objects.push_back(arrayObject({}));
  return binaryPlist(objects);
}

TEST(PlistFile, BinaryGraphsThatAreBrokenCyclicOrExplodeGiveNull) {
  const std::vector<std::uint8_t> integerOne = {0x10, 0x01};
  // Sanity of the builder: a plain array of one integer reads.
  expectSame(parseBytes(binaryPlist({arrayObject({1}), integerOne})), Array::make({integer(1)}), 0);
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  };
  // 64 arrays that each refer twice to the next expand to 2^64 nodes;
  // libplist alone would parse each reference again and never finish.
  std::vector<std::vector<std::uint8_t>> doubling;
  constexpr std::uint32_t kDoublingLevels = 64;
  for (std::uint32_t i = 0; i < kDoublingLevels; ++i) doubling.push_back(arrayObject({i + 1, i + 1}));
  doubling.push_back(integerOne);
  const std::vector<std::uint8_t> sixteenByte2To63 = {0x14, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0, 0};
  const Case cases[] = {
      {"reference past the last object", binaryPlist({arrayObject({7}), integerOne})},
      {"top object past the last", binaryPlist({integerOne}, 3)},
      {"array holding itself", binaryPlist({arrayObject({0})})},
      {"two arrays holding each other", binaryPlist({arrayObject({1}), arrayObject({0})})},
      {"shared containers doubling 64 times", binaryPlist(doubling)},
      {"UID (keyed archives only)", binaryPlist({arrayObject({1}), {0x80, 0x01}})},
      {"UID as a dictionary value", binaryPlist({dictionaryObject(1, 2), {0x51, 'a'}, {0x80, 0x01}})},
      {"2^63 as a 16-byte integer", binaryPlist({sixteenByte2To63})},
      {"2^63 in an array, as plistlib writes it", binaryPlist({arrayObject({1}), sixteenByte2To63})},
      // NUL in a dictionary key made libplist assert (found by
      // foundation_plist_fuzz); in a string value it is refused the same way.
      {"ASCII key holding NUL", binaryPlist({dictionaryObject(1, 2), {0x53, 'a', 0, 'b'}, integerOne})},
      {"UTF-16 key holding NUL", binaryPlist({dictionaryObject(1, 2), {0x62, 0, 'a', 0, 0}, integerOne})},
      {"string value holding NUL", binaryPlist({arrayObject({1}), {0x52, 0, 'b'}})},
      {"string running into the offset table", binaryPlist({{0x5F, 0x10, 0x20, 'a'}})},
  };
  for (const auto& c : cases) EXPECT_EQ(parseBytes(c.bytes), nullptr) << c.name;
  expectSame(parseBytes(binaryPlist({dictionaryObject(1, 2), {0x62, 0, 'a', 0, 'b'}, integerOne})),
             Dictionary::make({{"ab", integer(1)}}), 0);
  // A container shared a few times is fine: (x, x) with x = (1).
  expectSame(parseBytes(binaryPlist({arrayObject({1, 1}), arrayObject({2}), integerOne})),
             Array::make({Array::make({integer(1)}), Array::make({integer(1)})}), 0);
}

TEST(PlistFile, EveryTruncationOfABinaryPlistGivesNull) {
  TemporaryFolder folder;
  std::string path = folder.file("whole.plist");
  std::string script = std::string(kPythonValue) +
                       "open(sys.argv[1], 'wb').write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY))\n";
  ASSERT_EQ(runPython(folder, script, {path}).status, 0);
  std::string whole = readText(path);
  ASSERT_NE(parse(whole), nullptr);
  for (std::size_t length = 0; length < whole.size(); ++length)
    EXPECT_EQ(parse(std::string_view(whole).substr(0, length)), nullptr) << "first " << length << " bytes";
}

TEST(PlistFile, NestingIsLimitedBeforeTheLibraryRecursesIntoIt) {
  // 512 nested containers read; 513 do not; a hundred thousand do not crash
  // (libplist's recursive binary parser and its recursive free would).
  constexpr std::size_t kLimit = kMaximumPropertyListDepth;
  constexpr std::size_t kHuge = 100000;
  auto xmlArrays = [](std::size_t depth) {
    std::string body;
    for (std::size_t i = 0; i < depth; ++i) body += "<array>";
    for (std::size_t i = 0; i < depth; ++i) body += "</array>";
    return xmlDocument(body);
  };
  auto xmlDictionaries = [](std::size_t depth) {
    std::string body;
    for (std::size_t i = 0; i < depth; ++i) body += "<dict><key>k</key>";
    body += "<true/>";
    for (std::size_t i = 0; i < depth; ++i) body += "</dict>";
    return xmlDocument(body);
  };
  auto binaryArrays = [](std::size_t depth) {
    auto bytes = nestedBinaryArrays(depth);
    return std::string(bytes.begin(), bytes.end());
  };
  struct Case {
    const char* form;
    std::string (*make)(std::size_t);
  };
  const Case cases[] = {{"XML arrays", xmlArrays}, {"XML dictionaries", xmlDictionaries}, {"binary arrays", binaryArrays}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.form);
    Ref value = parse(c.make(kLimit));
    int depth = 0;
    for (Ref inner = value; inner && (inner->isArray() || inner->isDictionary()); ++depth)
      inner = inner->isArray() ? asArray(inner)->objectAtIndex(0) : asDictionary(inner)->objectForKey("k");
    EXPECT_EQ(depth, kMaximumPropertyListDepth);
    EXPECT_EQ(parse(c.make(kLimit + 1)), nullptr);
    EXPECT_EQ(parse(c.make(kHuge)), nullptr);
  }
  // Comments and CDATA do not count as nesting.
  EXPECT_NE(parse(xmlDocument("<!-- <array><array> --><array><string><![CDATA[<dict><dict>]]></string></array>")),
            nullptr);
}

TEST(PlistFile, ValuesTheXmlFormCannotCarryAreNotWritten) {
  Ref deepest = Array::make();
  for (int i = 1; i < kMaximumPropertyListDepth; ++i) deepest = Array::make({deepest});
  EXPECT_FALSE(xmlPropertyListFromValue(deepest).empty()) << "512 levels";
  auto holdsItself = MutableArray::make();
  holdsItself->addObject(holdsItself);
  struct Case {
    const char* name;
    Ref value;
  };
  const Case cases[] = {
      {"null", nullptr},
      {"513 levels", Array::make({deepest})},
      {"array holding itself", holdsItself},
      {"NUL", str(std::string("a\0z", 3))},
      {"invalid UTF-8", str("caf\xE9")},
      {"UTF-8 surrogate", str("\xED\xA0\x80")},
      {"overlong '/'", str("\xC0\xAF")},
      {"U+FFFE", str("\xEF\xBF\xBE")},
      {"invalid UTF-8 in a key", Dictionary::make({{"caf\xE9", integer(1)}})},
      {"URL holding U+FFFF", Url::make("file:///a\xEF\xBF\xBF")},
      {"year 10000", Date::make(secondsSince1970(10000, 1, 1, 0, 0, 0))},
      {"year 999", Date::make(secondsSince1970(999, 12, 31, 23, 59, 59))},
      {"NaN date", Date::make(std::numeric_limits<double>::quiet_NaN())},
  };
  for (const auto& c : cases) EXPECT_EQ(xmlPropertyListFromValue(c.value), "") << c.name;
  holdsItself->removeAllObjects();  // break the cycle so the array is freed
  // The edges that are allowed: tab, line ends, U+FFFD, U+10FFFF, and the
  // control characters of captured keys (Escape, Backspace, back-tab, Enter)
  // in strings and keys.
  Ref edges = str("\t\r\n\xEF\xBF\xBD\xF4\x8F\xBF\xBF");
  EXPECT_TRUE(isEqual(parse(xmlPropertyListFromValue(edges)), edges));
  Ref keys = Dictionary::make({{"esc\x1B", Array::make({str("\x1B"), str("\x08"), str("\x19"), str("\x03"), str("\x01z")})}});
  std::string xml = xmlPropertyListFromValue(keys);
  EXPECT_NE(xml.find("<string>&#27;</string>"), std::string::npos);
  EXPECT_TRUE(isEqual(parse(xml), keys));
}

TEST(PlistFile, FailedWritesLeaveTheOldFile) {
  Ref old = Dictionary::make({{"name", str("old")}});
  Ref next = Dictionary::make({{"name", str("new")}});
  fixtures::MemoryFileSystem memory;
  ASSERT_TRUE(writePropertyListFile(old, "/prefs/set.plist", memory));
  memory.failing.insert("/prefs/set.plist");
  EXPECT_FALSE(writePropertyListFile(next, "/prefs/set.plist", memory));
  expectSame(readPropertyListFile("/prefs/set.plist", memory), old, 0);

  // A value that cannot be serialised never reaches the file system.
  LogCapture capture;
  EXPECT_FALSE(writePropertyListFile(str(std::string("nul\0", 4)), "/other/x.plist", memory));
  EXPECT_EQ(memory.writes.count("/other/x.plist"), 0u);
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{"*** cannot write /other/x.plist: the value is not a property list"});
  // On disk, failed writes are the file system's to test.
  EXPECT_EQ(readPropertyListFile("/no/such/folder/absent.plist"), nullptr);
}

}  // namespace
}  // namespace qor
