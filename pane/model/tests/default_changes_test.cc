#include "qor/pane_model/default_changes.h"

#include <gtest/gtest.h>

#include "qor/pane_model/set_format.h"

namespace qor {
namespace {

constexpr std::int64_t kCommand = 0x100000;
constexpr std::int64_t kCapsLock = 0x10000;

// Command-`key` in the stored form; `code` only as the configurator adds it.
ArrayRef chord(const std::string& key, std::int64_t extraBits = 0, std::int64_t code = -1) {
  auto stroke =
      MutableDictionary::make({{kStrokeKeyKey, str(key)}, {kStrokeModifiersKey, integer(kCommand | extraBits)}});
  if (code >= 0) stroke->setObjectForKey(integer(code), kStrokeCodeKey);
  return Array::make({Dictionary::make({{kStrokeModifiersKey, integer(kCommand)}}), stroke});
}

MutableDictionaryRef entry(std::vector<Ref> sequences, const std::string& title = "T") {
  return MutableDictionary::make(
      {{kEntryTitleKey, str(title)}, {kKeySequencesKey, MutableArray::make(std::move(sequences))}});
}

TEST(DefaultChanges, SameShortcuts) {
  struct Case {
    const char* name;
    Ref a;
    Ref b;
    bool same;
  };
  const Case cases[] = {
      {"equal", Array::make({chord("s")}), Array::make({chord("s")}), true},
      {"key code and Caps Lock take no part", Array::make({chord("s")}), Array::make({chord("s", kCapsLock, 39)}),
       true},
      {"missing and empty", nullptr, Array::make(), true},
      {"not an array reads as none", str("⌘S"), nullptr, true},
      {"other key", Array::make({chord("s")}), Array::make({chord("d")}), false},
      {"order counts", Array::make({chord("s"), chord("k")}), Array::make({chord("k"), chord("s")}), false},
      {"one more", Array::make({chord("s")}), Array::make({chord("s"), chord("s")}), false},
      {"a sequence that is not an array", Array::make({str("s")}), Array::make({str("s")}), false},
  };
  for (const Case& c : cases) EXPECT_EQ(sameShortcuts(c.a, c.b), c.same) << c.name;
}

TEST(DefaultChanges, DifferingKeysInTheDefaultOrder) {
  auto defaults = Dictionary::make({{"new", entry({chord("n")})},
                                    {"save", entry({chord("s")})},
                                    {"print", entry({})},
                                    {"close", entry({chord("w")})}});
  auto set = Dictionary::make({{"close", entry({})},                     // shortcut removed
                               {"save", entry({chord("s", 0, 39)})},     // re-captured: same
                               {"print", entry({chord("p")})},           // added
                               {"bogus", entry({chord("b")})}});         // not a command: not looked at
  // "new" is missing from the set: it shows no shortcut, so it differs.
  EXPECT_EQ(differingEntryKeys(*defaults, set, defaults), (std::vector<std::string>{"new", "print", "close"}));
  EXPECT_TRUE(differingEntryKeys(*defaults, defaults, defaults).empty());
  EXPECT_EQ(differingEntryKeys(*defaults, nullptr, defaults), (std::vector<std::string>{"new", "save", "close"}));
}

TEST(DefaultChanges, GroupsAndCounts) {
  std::vector<OutlineRowKey> rows = {
      {0, "File", std::nullopt}, {1, "New", "new"},  {1, "Recent", std::nullopt}, {2, "Clear", "clear"},
      {1, "New", "new"},         {0, "Edit", std::nullopt}, {0, "Loose", "loose"}, {1, "Under loose", "under"},
      {0, "Help", std::nullopt}, {1, "Ask", "ask"},
  };
  std::vector<OutlineGroup> groups = outlineGroupsOfRows(rows);
  ASSERT_EQ(groups.size(), 3u);
  EXPECT_EQ(groups[0].title, "File");
  EXPECT_EQ(groups[0].entryKeys, (std::vector<std::string>{"new", "clear"}));
  EXPECT_TRUE(groups[1].entryKeys.empty());
  EXPECT_EQ(groups[2].entryKeys, (std::vector<std::string>{"ask"}));
  EXPECT_EQ(changeCounts(groups, {"clear", "ask", "loose", "new"}),
            (std::vector<GroupChangeCount>{{"File", 2, 2}, {"Edit", 0, 0}, {"Help", 1, 1}}));
}

class Reset : public ::testing::Test {
 protected:
  DictionaryRef defaultSet = Dictionary::make({
      {kSetNameKey, str("Default")},
      {kSetMenuKey, Dictionary::make({{"save", entry({chord("s")}, "Save")}, {"open", entry({chord("o")}, "Open")},
                                      {"quit", entry({chord("q")}, "Quit")}})},
      {kSetEditorKey, Dictionary::make({{"yank:", entry({chord("y")})}})},
  });
  MutableDictionaryRef set = MutableDictionary::make({
      {kSetNameKey, str("Mine")},
      {kSetMenuKey, MutableDictionary::make({{"save", entry({chord("k")}, "Save")},
                                             {"open", entry({chord("o", 0, 31)}, "Open")},
                                             {"gone", entry({chord("g")})}})},
      {kSetEditorKey, MutableDictionary::make({{"yank:", entry({})}})},
  });
  static std::vector<std::string> keysOf(const std::vector<EntryReset>& resets) {
    std::vector<std::string> keys;
    for (const EntryReset& reset : resets)
      keys.push_back(reset.group + "/" + reset.entryKey + (reset.entry ? "" : " -"));
    return keys;
  }
};

TEST_F(Reset, PlansOnlyWhatDiffers) {
  struct Case {
    const char* name;
    std::string group;
    std::vector<std::string> keys;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"one changed command", kSetMenuKey, {"save"}, {"menu/save"}},
      {"unchanged: nothing", kSetMenuKey, {"open"}, {}},
      {"missing from the set: copied", kSetMenuKey, {"quit"}, {"menu/quit"}},
      {"unknown to the host: removed", kSetMenuKey, {"gone"}, {"menu/gone -"}},
      {"unknown everywhere", kSetMenuKey, {"nothing"}, {}},
      {"a group, each key once", kSetMenuKey, {"save", "open", "quit", "save"}, {"menu/save", "menu/quit"}},
      {"no such part", "toolbar", {"save"}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(keysOf(resetEntries(set, defaultSet, c.group, c.keys)), c.expected) << c.name;
  EXPECT_EQ(keysOf(resetWholeSet(set, defaultSet)),
            (std::vector<std::string>{"menu/save", "menu/quit", "menu/gone -", "editor/yank:"}));
  EXPECT_TRUE(resetWholeSet(nullptr, defaultSet).empty());
}

TEST_F(Reset, WholeSetEqualsTheDefaultsAndKeepsItsName) {
  ASSERT_TRUE(applyEntryResets(*set, resetWholeSet(set, defaultSet)));
  EXPECT_EQ(set->stringForKey(kSetNameKey)->value(), "Mine");
  EXPECT_TRUE(resetWholeSet(set, defaultSet).empty());
  EXPECT_FALSE(set->dictionaryForKey(kSetMenuKey)->containsKey("gone"));
  // A copy, not the default's own object: changing it leaves the default alone.
  Ref copied = set->dictionaryForKey(kSetMenuKey)->objectForKey("save");
  EXPECT_TRUE(isEqual(copied, defaultSet->dictionaryForKey(kSetMenuKey)->objectForKey("save")));
  EXPECT_NE(copied, defaultSet->dictionaryForKey(kSetMenuKey)->objectForKey("save"));
  EXPECT_TRUE(asMutableArray(asDictionary(copied)->objectForKey(kKeySequencesKey)));
}

TEST_F(Reset, MissingPartsAreMadeAndFixedPartsRefused) {
  auto bare = MutableDictionary::make({{kSetNameKey, str("Bare")}});
  ASSERT_TRUE(applyEntryResets(*bare, resetEntries(bare, defaultSet, kSetMenuKey, {"save"})));
  EXPECT_TRUE(bare->dictionaryForKey(kSetMenuKey)->containsKey("save"));

  auto fixed = MutableDictionary::make({{kSetMenuKey, Dictionary::make()}});
  auto plan = resetEntries(fixed, defaultSet, kSetMenuKey, {"save"});
  ASSERT_EQ(plan.size(), 1u);
  EXPECT_FALSE(applyEntryResets(*fixed, plan));
  EXPECT_TRUE(fixed->dictionaryForKey(kSetMenuKey)->empty());
}

TEST(DefaultChanges, OneEntryDiffersAsTheListSaysIt) {
  auto defaults = Dictionary::make({{"save", entry({chord("s")})}, {"print", entry({})}});
  struct Case {
    const char* key;
    DictionaryRef part;
    bool differs;
  };
  const Case cases[] = {
      {"save", Dictionary::make({{"save", entry({chord("s", 0, 39)})}}), false},
      {"save", Dictionary::make({{"save", entry({chord("d")})}}), true},
      {"save", Dictionary::make(), true},  // no entry: no shortcut
      {"save", nullptr, true},
      {"print", nullptr, false},
      {"bogus", Dictionary::make({{"bogus", entry({chord("b")})}}), false},  // the host knows no such command
  };
  for (const Case& c : cases) EXPECT_EQ(entryDiffersFromDefault(defaults, c.part, c.key), c.differs) << c.key;
  EXPECT_FALSE(entryDiffersFromDefault(nullptr, Dictionary::make(), "save"));
}

}  // namespace
}  // namespace qor
