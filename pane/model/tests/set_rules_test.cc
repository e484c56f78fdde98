#include "qor/pane_model/set_rules.h"

#include <gtest/gtest.h>

#include <limits>

#include "qor/pane_model/set_format.h"

namespace qor {
namespace {

DictionaryRef setsWithKeys(std::initializer_list<const char*> keys) {
  auto sets = MutableDictionary::make();
  for (const char* key : keys) sets->setObjectForKey(MutableDictionary::make(), key);
  return sets;
}

TEST(SetRules, KeysAndNumbersConvertBothWays) {
  struct Case {
    std::int32_t number;
    const char* key;
  };
  for (Case c : {Case{0, "0"}, Case{1733430000, "1733430000"}, Case{-12, "-12"},
                 Case{std::numeric_limits<std::int32_t>::min(), "-2147483648"}}) {
    EXPECT_EQ(setKeyForNumber(c.number), c.key);
    EXPECT_EQ(numberForSetKey(c.key), c.number);
  }
  // Keys that no pop-up tag can carry.
  for (const char* bad : {"", "12a", " 12", "2147483648", "+5", "1.0"})
    EXPECT_EQ(numberForSetKey(bad), std::nullopt) << bad;
}

TEST(SetRules, PopUpOrderIsCaseInsensitiveTextOrder) {
  // "10" < "9" as text; "-5" sorts first ('-' is 0x2D, below the digits).
  auto sets = setsWithKeys({"9", "10", "1733430001", "-5", "1733430000"});
  EXPECT_EQ(setKeysInPopUpOrder(*sets),
            (std::vector<std::string>{"-5", "10", "1733430000", "1733430001", "9"}));
  EXPECT_TRUE(setKeysInPopUpOrder(*setsWithKeys({})).empty());
}

TEST(SetRules, KeysMissingFromKeepGroupOrder) {
  auto group = setsWithKeys({"[save:] [] [0]", "[gone:] [] [0]", "[open:] [] [0]", "[old:] [] [1]"});
  auto reference = setsWithKeys({"[open:] [] [0]", "[save:] [] [0]"});
  EXPECT_EQ(keysMissingFrom(*group, reference), (std::vector<std::string>{"[gone:] [] [0]", "[old:] [] [1]"}));
  EXPECT_EQ(keysMissingFrom(*group, nullptr).size(), 4u);
  EXPECT_TRUE(keysMissingFrom(*setsWithKeys({}), reference).empty());
}

TEST(SetRules, FirstFreeSetNumberNeverReplacesASet) {
  constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
  struct Case {
    DictionaryRef sets;
    std::int64_t preferred;
    std::int32_t expected;
  };
  const Case cases[] = {
      {setsWithKeys({}), 1000, 1000},
      {setsWithKeys({"1000", "1001"}), 1000, 1002},  // two duplicates in one second, then a third
      {setsWithKeys({"1000"}), 999, 999},
      {setsWithKeys({"2147483647"}), kMax, std::numeric_limits<std::int32_t>::min()},  // wraps
      {setsWithKeys({"-1"}), -1, 1},                                                    // skips 0
      {setsWithKeys({}), 0, 1},                                                         // 0 is the default set
      {setsWithKeys({}), 2147483648LL, std::numeric_limits<std::int32_t>::min()},       // 2^31 -> low 32 bits
  };
  for (const auto& c : cases) EXPECT_EQ(firstFreeSetNumber(*c.sets, c.preferred), c.expected) << c.preferred;
}

TEST(SetRules, PopUpChoices) {
  auto named = [](const char* name) { return Dictionary::make({{kSetNameKey, str(name)}}); };
  const DictionaryRef defaults = named("Default");
  const DictionaryRef sets = Dictionary::make({{"7", named("Mine")}, {"12", Dictionary::make()}, {"x", named("X")}});
  struct Case {
    const char* name;
    DictionaryRef sets;
    DictionaryRef defaults;
    std::vector<SetChoice> expected;
  };
  const Case cases[] = {
      // Pop-up order is text order ("12" before "7"); a key that is no number has tag 0.
      {"named, unnamed, bad key", sets, defaults, {{0, "Default"}, {12, "12"}, {7, "Mine"}, {0, "X"}}},
      {"no sets", nullptr, defaults, {{0, "Default"}}},
      // The untitled default item keeps every later (untitled) item out.
      {"nameless default", sets, Dictionary::make(), {{0, ""}}},
      {"a set named empty", Dictionary::make({{"1", named("")}, {"2", named("B")}}), defaults,
       {{0, "Default"}, {1, ""}}},
  };
  for (const Case& c : cases) EXPECT_EQ(setChoices(c.sets, c.defaults), c.expected) << c.name;
}

}  // namespace
}  // namespace qor
