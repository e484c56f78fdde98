#include "qor/command_trees.h"

#include <gtest/gtest.h>

#include "qor/headless/menu.h"
#include "qor/key_bindings.h"
#include "qor/log.h"
#include "qor/testing/pane_fixtures.h"

namespace qor {
namespace {

// A ShortcutTable record; `code` is the character code of the key.
DictionaryRef record(const std::string& menuKey, std::int64_t code, bool command = false, bool shift = false,
                     bool option = false, bool control = false) {
  return Dictionary::make({{kShortcutMenuKeyKey, str(menuKey)},
                           {kShortcutKeyKey, integer(code)},
                           {kShortcutShiftKey, boolean(shift)},
                           {kShortcutCommandKey, boolean(command)},
                           {kShortcutOptionKey, boolean(option)},
                           {kShortcutControlKey, boolean(control)}});
}

ArrayRef path(std::vector<std::int64_t> indexes) {
  std::vector<Ref> elements;
  for (std::int64_t index : indexes) elements.push_back(integer(index));
  return Array::make(std::move(elements));
}

MutableDictionaryRef shortcutMap(const Array& table) {
  auto map = MutableDictionary::make();
  Enumerator records;
  recursiveCreateShortcutMapWithArrayEnumeratorResult(table, records, *map);
  return map;
}

// File(New, ---, Save, Save As), Edit(Undo, Find▸(Find…, Next), Spelling▸
// (Check)), a bare item at the menu bar, Window(Minimize, Front).
// "Spelling" holds a submenu and a command of its own.
std::unique_ptr<SimpleMenu> sampleMenu() {
  auto bar = std::make_unique<SimpleMenu>("");
  SimpleMenu& file = bar->addSubmenu("File");
  file.addItem("New", "newDocument:");
  file.addSeparator();
  file.addItem("Save", "saveDocument:");
  file.addItem("Save As…", "saveDocumentAs:", "DocumentController", 3);
  SimpleMenu& edit = bar->addSubmenu("Edit");
  edit.addItem("Undo", "undo:");
  SimpleMenu& find = edit.addSubmenu("Find");
  find.addItem("Find…", "performFindPanelAction:", std::nullopt, 1);
  find.addItem("Find Next", "performFindPanelAction:", std::nullopt, 2);
  auto spelling = std::make_unique<SimpleMenu>("Spelling");
  spelling->addItem("Check", "checkSpelling:");
  edit.addItem("Spelling", "showGuessPanel:").setSubmenu(std::move(spelling));
  edit.addItem("Heading");  // no action
  bar->addItem("Orphan", "orphan:");
  SimpleMenu& window = bar->addSubmenu("Window");
  window.addItem("Minimize", "performMiniaturize:");
  window.addItem("Bring to Front", kHotKeyAction, "HotKeyController");
  return bar;
}

TEST(ShortcutMap, RecordsBecomeShortcuts) {
  struct Case {
    const char* name;
    DictionaryRef record;
    DictionaryRef expected;  // the map's value under the record's menu key
  };
  const Case cases[] = {
      {"modifiers without a key make no shortcut", record("Print", 0, true, true),
       record("Print", 0)},
      {"no key and no modifier is copied", record("Revert", 0), record("Revert", 0)},
      {"a shortcut is copied", record("Save As", 's', true, true), record("Save As", 's', true, true)},
      {"Control alone counts as a modifier", record("Tab", 0, false, false, false, true), record("Tab", 0)},
  };
  for (const Case& c : cases) {
    auto map = shortcutMap(*Array::make({c.record}));
    ASSERT_EQ(map->count(), 1u) << c.name;
    auto value = map->dictionaryForKey(c.record->stringForKey(kShortcutMenuKeyKey)->value());
    ASSERT_TRUE(value) << c.name;
    // The map's values carry the five shortcut keys, not the menu key.
    EXPECT_FALSE(value->containsKey(kShortcutMenuKeyKey)) << c.name;
    for (const char* key : {kShortcutKeyKey, kShortcutShiftKey, kShortcutCommandKey, kShortcutOptionKey,
                            kShortcutControlKey})
      EXPECT_TRUE(isEqual(value->objectForKey(key), c.expected->objectForKey(key))) << c.name << " " << key;
  }
}

TEST(ShortcutMap, ContainersAreFlattenedAndTheLaterRecordWins) {
  LogCapture log;
  auto nested = Dictionary::make({{kShortcutSubmenuKey, Array::make({record("Next", 'g', true)})}});
  auto table = Array::make({
      record("Save", 's', true),
      Dictionary::make({{kShortcutSubmenuKey, Array::make({record("Find", 'f', true), nested})},
                        // A container's other keys are ignored.
                        {kShortcutMenuKeyKey, str("Edit")},
                        {kShortcutKeyKey, integer('e')}}),
      record("Save", 'w', true, true),
      str("not a record"),
      Dictionary::make({{kShortcutKeyKey, integer('x')}}),  // no menu key: nowhere to store it
  });
  auto map = shortcutMap(*table);
  EXPECT_EQ(map->allKeys(), (std::vector<std::string>{"Save", "Find", "Next"}));
  EXPECT_EQ(map->dictionaryForKey("Save")->numberForKey(kShortcutKeyKey)->integerValue(), 'w');
  EXPECT_TRUE(map->dictionaryForKey("Save")->numberForKey(kShortcutShiftKey)->boolValue());
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"*** recursiveCreateShortcutMapWithArray: conflicts Save"}));
}

TEST(ShortcutMap, StartsAtTheEnumeratorsPosition) {
  auto table = Array::make({record("A", 'a'), record("B", 'b'), record("C", 'c')});
  auto map = MutableDictionary::make();
  Enumerator records(1);
  recursiveCreateShortcutMapWithArrayEnumeratorResult(*table, records, *map);
  EXPECT_EQ(map->allKeys(), (std::vector<std::string>{"B", "C"}));
  EXPECT_EQ(records.position(), 3u);
  EXPECT_EQ(records.nextObject(*table), nullptr);  // exhausted stays exhausted
}

TEST(IndexPath, WalksSubmenusAndFailsOutsideTheMenu) {
  auto menu = sampleMenu();
  struct Case {
    std::vector<std::int64_t> indexes;
    const char* title;  // nullptr: the walk finds nothing
  };
  const Case cases[] = {
      {{0, 2}, "Save"},
      {{1, 1, 1}, "Find Next"},
      {{1, 2}, "Spelling"},
      {{1, 2, 0}, "Check"},
      {{2}, "Orphan"},
      // An item without submenu leaves the list as it was: [2, 3] picks
      // item 3 of the menu bar again.
      {{2, 3}, "Window"},
      {{0}, "File"},
      {{0, 4}, nullptr},  // File has 4 items: index 4 is one past the end
      {{5}, nullptr},
      {{0, -1}, nullptr},
      {{}, nullptr},
  };
  for (const Case& c : cases) {
    const MenuItem* item = menuItemAtIndexPath(*menu, *path(c.indexes));
    if (c.title) {
      ASSERT_NE(item, nullptr) << c.title;
      EXPECT_EQ(item->title(), c.title);
    } else {
      EXPECT_EQ(item, nullptr) << c.indexes.size();
    }
  }
  EXPECT_EQ(menuItemAtIndexPath(*menu, *Array::make({integer(0), str("2")})), nullptr);
  // A real index is read as an integer, as a signed number would be.
  EXPECT_EQ(menuItemAtIndexPath(*menu, *Array::make({integer(0), real(2.0)}))->title(), "Save");
}

class Entries : public ::testing::Test {
 protected:
  MutableDictionaryRef build(const Dictionary& layout, const Dictionary& map) {
    auto result = MutableDictionary::make();
    Enumerator keys;
    recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(layout, map, keys, *result, *menu_);
    return result;
  }
  std::unique_ptr<SimpleMenu> menu_ = sampleMenu();
};

TEST_F(Entries, ShortcutsBecomeKeySequences) {
  using fixtures::kCommand;
  using fixtures::keyStroke;
  const auto modifierOnly = fixtures::modifierStroke;
  constexpr std::uint32_t kAllFour = kCommand | fixtures::kShift | fixtures::kOption | fixtures::kControl;
  // Sequences in the stored form: a modifier-only stroke ahead of the key
  // stroke whenever the mask is not 0.
  struct Case {
    const char* name;
    DictionaryRef shortcut;
    Ref sequences;  // null: the entry has no "key sequences"
  };
  const Case cases[] = {
      {"command n", record("Save", 'n', true),
       Array::make({Array::make({modifierOnly(kCommand), keyStroke('n', kCommand)})})},
      {"plain key", record("Save", 'n'), Array::make({Array::make({keyStroke('n', 0)})})},
      {"all four", record("Save", 'k', true, true, true, true),
       Array::make({Array::make({modifierOnly(kAllFour), keyStroke('k', kAllFour)})})},
      {"no key", record("Save", 0), nullptr},
      // Only the low 16 bits name the key: 0x10073 is 's'.
      {"wide code", record("Save", 0x10073, true),
       Array::make({Array::make({modifierOnly(kCommand), keyStroke('s', kCommand)})})},
  };
  for (const Case& c : cases) {
    auto map = MutableDictionary::make({{"Save", c.shortcut}});
    auto result = build(*Dictionary::make({{"Save", path({0, 2})}}), *map);
    auto entry = result->dictionaryForKey("[saveDocument:] [] [0]");
    ASSERT_TRUE(entry) << c.name;
    EXPECT_EQ(entry->stringForKey(kEntryTitleKey)->value(), "Save") << c.name;
    EXPECT_TRUE(isEqual(entry->objectForKey(kKeySequencesKey), c.sequences))
        << c.name << ": " << describe(entry->objectForKey(kKeySequencesKey));
  }
}

TEST_F(Entries, OnlyBindableItemsWithAShortcutRecordGetEntries) {
  auto map = shortcutMap(*Array::make({record("New", 'n', true), record("Separator", 'x'), record("Edit", 'e'),
                                       record("Spelling", ';', true), record("Heading", 'h'),
                                       record("Past the end", 'p'), record("Front", 'e', false, false, true, true)}));
  auto layout = Dictionary::make({
      {"New", path({0, 0})},
      {"Separator", path({0, 1})},
      {"Edit", path({1})},          // holder with submenuAction:
      {"Spelling", path({1, 2})},   // holder with a command of its own
      {"Heading", path({1, 3})},    // no action
      {"Past the end", path({0, 4})},
      {"No record", path({0, 2})},  // resolves, but the map lacks it
      {"Front", path({3, 1})},
      {"Not a path", str("[0, 0]")},
  });
  auto result = build(*layout, *map);
  EXPECT_EQ(result->allKeys(), (std::vector<std::string>{"[newDocument:] [] [0]", "[showGuessPanel:] [] [0]",
                                                         "[bringQORtoFront:] [HotKeyController] [0]"}));
}

TEST_F(Entries, GroupsResolveTheirOwnItemFirst) {
  auto map = shortcutMap(*Array::make({record("Find", 'f', true), record("Next", 'g', true),
                                       record("Save", 's', true), record("New", 'n', true)}));
  auto layout = Dictionary::make({
      {"Edit", Dictionary::make({{kMenuLocationKey, path({1})},
                                 {"Find menu", Dictionary::make({{kMenuLocationKey, path({1, 1})},
                                                                 {"Find", path({1, 1, 0})},
                                                                 {"Next", path({1, 1, 1})}})}})},
      // The group's own item is not found, so even "Save", whose own path
      // resolves, gets no entry.
      {"Lost", Dictionary::make({{kMenuLocationKey, path({9})}, {"Save", path({0, 2})}})},
      {"No location", Dictionary::make({{"New", path({0, 0})}})},
      // At the top the location key is skipped like any other path holder.
      {kMenuLocationKey, path({0, 0})},
  });
  auto result = build(*layout, *map);
  EXPECT_EQ(result->allKeys(), (std::vector<std::string>{"[performFindPanelAction:] [] [1]",
                                                         "[performFindPanelAction:] [] [2]"}));
}

TEST_F(Entries, TheLaterKeyForOneItemWins) {
  auto map = shortcutMap(*Array::make({record("Save", 's', true), record("Also save", 'w', true)}));
  auto result = build(*Dictionary::make({{"Save", path({0, 2})}, {"Also save", path({0, 2})}}), *map);
  ASSERT_EQ(result->count(), 1u);
  auto sequence = result->dictionaryForKey("[saveDocument:] [] [0]")->arrayForKey(kKeySequencesKey);
  EXPECT_EQ(asArray(sequence->objectAtIndex(0))->count(), 2u);
  EXPECT_EQ(asDictionary(asArray(sequence->objectAtIndex(0))->objectAtIndex(1))->stringForKey(kStrokeKeyKey)->value(),
            "w");
}

TEST(KeyEnumerator, HandsOutKeysInDictionaryOrder) {
  auto dictionary = Dictionary::make({{"b", integer(1)}, {"a", integer(2)}, {"c", integer(3)}});
  Enumerator keys(1);
  EXPECT_EQ(keys.nextKey(*dictionary), "a");
  EXPECT_EQ(keys.nextKey(*dictionary), "c");
  EXPECT_EQ(keys.nextKey(*dictionary), std::nullopt);
}

}  // namespace
}  // namespace qor
