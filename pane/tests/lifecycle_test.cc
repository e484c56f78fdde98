// The pane's life and its stored sets, on the headless platform.
#include <gtest/gtest.h>

#include <algorithm>

#include "headless_pane.h"
#include "qor/collections.h"
#include "qor/hot_key_line.h"
#include "qor/log.h"

namespace qor {
namespace {

using pane_test::HeadlessPane;
using pane_test::kNewId;
using pane_test::kSaveId;
using pane_test::kUndoId;
using pane_test::TemporaryFolder;

// A stored set named `name` whose menu holds `menuKeys` and editor `editorKeys`.
MutableDictionaryRef storedSet(const std::string& name, std::vector<std::string> menuKeys,
                               std::vector<std::string> editorKeys) {
  auto menu = MutableDictionary::make();
  for (const auto& key : menuKeys) menu->setObjectForKey(pane_test::entry("stale " + key, {}), key);
  auto editor = MutableDictionary::make();
  for (const auto& key : editorKeys) editor->setObjectForKey(pane_test::entry("", {}), key);
  return MutableDictionary::make({{kSetNameKey, str(name)}, {kSetMenuKey, menu}, {kSetEditorKey, editor}});
}

// The store's contents: the current set's number and, unless null, the collection of sets.
DictionaryRef store(std::int64_t number, Ref sets) {
  auto contents = MutableDictionary::make();
  contents->setObjectForKey(integer(number), kSetNumberDefaultsKey);
  if (sets) contents->setObjectForKey(sets, kSetsDefaultsKey);
  return contents;
}

// One stored set, "Mine" (number 77), current.
DictionaryRef mineAs77() { return store(77, MutableDictionary::make({{"77", storedSet("Mine", {kSaveId}, {})}})); }

std::int64_t storedNumber(HeadlessPane& p) { return p.store.integerForKey(kSetNumberDefaultsKey); }

TEST(PaneLifecycle, StoredNumberWithoutASetFallsBackSilentlyAndWritesZero) {
  struct Case {
    const char* label;
    DictionaryRef sets;
  };
  const Case cases[] = {
      {"no collection at all", nullptr},
      {"collection without that key", Dictionary::make({{"42", storedSet("Other", {}, {})}})},
      {"key holding no dictionary", Dictionary::make({{"7", str("not a set")}})},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    LogCapture log;
    HeadlessPane p(store(7, c.sets));
    EXPECT_EQ(p.pane->keyBindingsNumber(), 0);
    EXPECT_EQ(p.pane->currentKeyBindingsSet(), p.panel.defaultMenuDictionary());
    EXPECT_EQ(storedNumber(p), 0);
    EXPECT_FALSE(p.button("BTN_kb_del_set").isEnabled());
    EXPECT_FALSE(p.button("BTN_kb_export_set").isEnabled());
    EXPECT_EQ(p.sets().indexOfSelectedItem(), 0);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_FALSE(p.changeFlagIsSet());
  }
}

TEST(PaneLifecycle, StoredSetsThatAreNoDictionaryAreIgnoredWithOneLogLine) {
  LogCapture log;
  HeadlessPane p(store(7, Array::make({storedSet("In a list", {}, {})})));
  EXPECT_EQ(p.pane->keyBindingsNumber(), 0);
  ASSERT_TRUE(p.pane->keyBindingsSets());
  EXPECT_TRUE(p.pane->keyBindingsSets()->empty());
  EXPECT_EQ(p.sets().numberOfItems(), 1u);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"*** KeyBindings: \"" + std::string(kSetsDefaultsKey) +
                                                  "\" is not a dictionary; it is ignored."});
}

TEST(PaneLifecycle, PruningHitsOnlyTheSetThatBecomesCurrentWithExactLogLines) {
  LogCapture log;
  HeadlessPane p(store(100, MutableDictionary::make({
                                {"100", storedSet("Mine", {kSaveId, "[gone:] [] [0]"}, {"moveLeft:", "oldCommand:", "older:"})},
                                {"200", storedSet("Other", {"[elsewhere:] [] [0]"}, {})}})));

  EXPECT_EQ(log.lines(), (std::vector<std::string>{"***** Remove bogus menu entries. (1)", "[gone:] [] [0]",
                                                   "*** Remove bogus editor shortcuts. (2)", "oldCommand:",
                                                   "older:"}));
  auto current = p.pane->currentKeyBindingsSet();
  EXPECT_EQ(current->dictionaryForKey(kSetMenuKey)->allKeys(), std::vector<std::string>{kSaveId});
  EXPECT_EQ(current->dictionaryForKey(kSetEditorKey)->allKeys(), std::vector<std::string>{"moveLeft:"});
  // The current set is the very object in the collection.
  EXPECT_EQ(current, p.pane->keyBindingsSets()->objectForKey("100"));
  // The other set keeps its own extra key until it is chosen.
  auto other = p.pane->keyBindingsSets()->dictionaryForKey("200");
  EXPECT_TRUE(other->dictionaryForKey(kSetMenuKey)->containsKey("[elsewhere:] [] [0]"));
  // Pruning is no change of the user's: nothing is flagged.
  EXPECT_FALSE(p.changeFlagIsSet());
  EXPECT_TRUE(p.panel.okNotices().empty());
}

TEST(PaneLifecycle, SetWithoutMenuOrEditorBecomesCurrentQuietly) {
  LogCapture log;
  HeadlessPane p(store(5, MutableDictionary::make({{"5", MutableDictionary::make({{kSetNameKey, str("Bare")}})}})));
  EXPECT_EQ(p.pane->keyBindingsNumber(), 5);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_TRUE(p.button("BTN_kb_del_set").isEnabled());
  EXPECT_TRUE(p.button("BTN_kb_export_set").isEnabled());
}

TEST(PaneLifecycle, LoadPrefsRefreshesMenuTitlesOnlyAndCreatesNothing) {
  HeadlessPane p(store(0, MutableDictionary::make({{"1", storedSet("A", {kSaveId, kUndoId}, {"moveLeft:"})},
                                                   {"2", storedSet("B", {kSaveId}, {})}})));

  for (const char* key : {"1", "2"}) {
    SCOPED_TRACE(key);
    auto menu = p.pane->keyBindingsSets()->dictionaryForKey(key)->dictionaryForKey(kSetMenuKey);
    EXPECT_EQ(menu->dictionaryForKey(kSaveId)->stringForKey(kEntryTitleKey)->value(), "Save");
    // A default key the set lacks is still lacking.
    EXPECT_FALSE(menu->containsKey(kNewId));
  }
  auto a = p.pane->keyBindingsSets()->dictionaryForKey("1");
  EXPECT_EQ(a->dictionaryForKey(kSetMenuKey)->dictionaryForKey(kUndoId)->stringForKey(kEntryTitleKey)->value(), "Undo");
  // Editor entries keep what they had.
  EXPECT_EQ(a->dictionaryForKey(kSetEditorKey)->dictionaryForKey("moveLeft:")->stringForKey(kEntryTitleKey)->value(), "");
}

// The pane copies a stored set only when it becomes current or is written:
// the store's own objects never change, undo brings each state back whole,
// and what is written is what a copy of every set at load would give (titles
// refreshed in every set, pruned only where the set became current).
TEST(PaneLifecycle, StoredSetsAreCopiedBeforeTheyChangeAndWrittenAsIfCopiedAtLoad) {
  auto sets = MutableDictionary::make();
  for (const char* key : {"1", "2", "3"}) sets->setObjectForKey(storedSet(key, {kSaveId, "[gone:] [] [0]"}, {}), key);
  {
    HeadlessPane p(store(1, sets));
    const Ref storeBefore = MakePlistMutable(p.store.objectForKey(kSetsDefaultsKey));
    ASSERT_TRUE(p.sets().chooseItem(2));  // set 2, pruned as it becomes current
    EXPECT_TRUE(isEqual(p.store.objectForKey(kSetsDefaultsKey), storeBefore));
    p.pane->writeToPrefs();
    auto written = asDictionary(p.store.objectForKey(kSetsDefaultsKey));
    ASSERT_TRUE(written);
    for (const char* key : {"1", "2", "3"}) {
      SCOPED_TRACE(key);
      auto menu = written->dictionaryForKey(key)->dictionaryForKey(kSetMenuKey);
      EXPECT_EQ(menu->dictionaryForKey(kSaveId)->stringForKey(kEntryTitleKey)->value(), "Save");
      EXPECT_EQ(menu->containsKey("[gone:] [] [0]"), std::string(key) == "3");
    }
  }
  HeadlessPane p(store(1, sets));
  const Ref stateAtStart = MakePlistMutable(p.pane->keyBindingsSets());
  ASSERT_TRUE(p.sets().chooseItem(2));
  const Ref stateWithSet2 = MakePlistMutable(p.pane->keyBindingsSets());
  ASSERT_TRUE(p.pane->undoChange());
  EXPECT_TRUE(isEqual(p.pane->keyBindingsSets(), stateAtStart));
  ASSERT_TRUE(p.pane->redoChange());
  EXPECT_TRUE(isEqual(p.pane->keyBindingsSets(), stateWithSet2));
}

TEST(PaneLifecycle, PopUpListsEverySetInTextOrderWithTagsAndActions) {
  HeadlessPane p(store(9, MutableDictionary::make({{"9", storedSet("Nine", {}, {})},
                                                   {"10", storedSet("Twin", {}, {})},
                                                   {"-3", storedSet("Twin", {}, {})}})));

  auto items = p.sets().items();
  ASSERT_EQ(items.size(), 4u);
  // Text order: "-3" < "10" < "9".
  const std::pair<const char*, std::int64_t> expected[] = {{"Default", 0}, {"Twin", -3}, {"Twin", 10}, {"Nine", 9}};
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].title, expected[i].first);
    EXPECT_EQ(items[i].tag, expected[i].second);
    EXPECT_EQ(items[i].targetAction, (TargetAction{p.pane.get(), "loadKeyBindingsSet:"}));
  }
  EXPECT_EQ(p.sets().indexOfSelectedItem(), 3);
}

TEST(PaneLifecycle, WriteToPrefsActsOnThePresenceOfTheChangeFlagWhateverItsValue) {
  struct Case {
    const char* label;
    Ref flag;
    bool writes;
  };
  const Case cases[] = {{"no flag", nullptr, false}, {"flag false", boolean(false), true}, {"flag true", boolean(true), true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    HeadlessPane p(mineAs77());
    p.store.setObjectForKey(nullptr, kSetsDefaultsKey);
    p.store.setObjectForKey(nullptr, kSetNumberDefaultsKey);
    if (c.flag) p.panel.changedAttributesDictionary()->setObjectForKey(c.flag, kChangeFlagKey);

    p.pane->writeToPrefs();
    EXPECT_EQ(p.store.objectForKey(kSetNumberDefaultsKey) != nullptr, c.writes);
    EXPECT_EQ(p.store.objectForKey(kSetsDefaultsKey) != nullptr, c.writes);
    EXPECT_EQ(p.panel.customizedMenuNumbers(), c.writes ? std::vector<std::int32_t>{77} : std::vector<std::int32_t>{});
    if (c.writes) {
      EXPECT_EQ(storedNumber(p), 77);
      EXPECT_TRUE(isEqual(p.store.objectForKey(kSetsDefaultsKey), p.pane->keyBindingsSets()));
    }
  }
}

// Applying a set may change where the hot key works: the line under the
// outlines is asked again (its texts are the editor's scenarios' to check).
TEST(PaneLifecycle, TheHotKeyLineIsAskedAgainWhenASetIsApplied) {
  HeadlessPane p(mineAs77());
  auto& line = *p.toolkit.find<HeadlessTextField>("TEXT_kb_hot_key");
  EXPECT_EQ(line.stringValue(), "");
  p.application.setHotKeyReach(HotKeyReach::GrabRefused);
  p.panel.changedAttributesDictionary()->setObjectForKey(boolean(true), kChangeFlagKey);
  p.pane->writeToPrefs();
  EXPECT_EQ(line.stringValue(), hotKeyReachLine(HotKeyReach::GrabRefused));
}

TEST(PaneLifecycle, RevertToDefaultKeepsStoredSetsWritesZeroAndFlagsWithoutNotice) {
  HeadlessPane p(mineAs77());
  p.pane->revertToDefault();

  EXPECT_EQ(p.pane->keyBindingsNumber(), 0);
  EXPECT_EQ(storedNumber(p), 0);
  EXPECT_TRUE(p.pane->keyBindingsSets()->containsKey("77"));
  EXPECT_EQ(p.sets().items().size(), 2u);
  EXPECT_EQ(p.sets().indexOfSelectedItem(), 0);
  EXPECT_FALSE(p.button("BTN_kb_del_set").isEnabled());
  EXPECT_TRUE(p.changeFlagIsSet());
  EXPECT_TRUE(p.panel.okNotices().empty());
  // The collection in the store is untouched until writeToPrefs.
  EXPECT_TRUE(p.store.dictionaryRepresentation()->dictionaryForKey(kSetsDefaultsKey)->containsKey("77"));
}

TEST(PaneLifecycle, LoadPrefsDropsUnwrittenChanges) {
  HeadlessPane p(mineAs77());
  p.pane->keyBindingsSets()->setObjectForKey(storedSet("Unsaved", {}, {}), "78");
  p.pane->loadPrefs();
  EXPECT_FALSE(p.pane->keyBindingsSets()->containsKey("78"));
  EXPECT_TRUE(p.pane->keyBindingsSets()->containsKey("77"));
}

TEST(PaneLifecycle, SecondInitWithPanelOnlyReplacesThePanel) {
  HeadlessPane p;
  View* view = p.pane->VIEW_key_bindings;
  ASSERT_NE(view, nullptr);
  p.toolkit.journal().clear();

  MemoryDefaults otherStore;
  HeadlessPanel other(otherStore, pane_test::makeDefaultSet(), p.toolkit.journal());
  EXPECT_EQ(p.pane->initWithPanel(&other), view);
  EXPECT_TRUE(p.toolkit.journal().lines().empty());  // nothing reloaded
  EXPECT_EQ(p.pane->thePreference(), &other);

  p.pane->revertToDefault();
  EXPECT_TRUE(other.changedAttributesDictionary()->containsKey(kChangeFlagKey));
  EXPECT_FALSE(p.changeFlagIsSet());
  EXPECT_TRUE(isEqual(otherStore.objectForKey(kSetNumberDefaultsKey), integer(0)));  // written, not just absent
}

TEST(PaneLifecycle, SynchronizeReloadsAtOnceAndOnceMoreAfterADelay) {
  HeadlessPane p;
  p.toolkit.journal().clear();
  p.pane->synchronizeToDefaults();

  const std::vector<std::string> reload = {
      "OLV_menu_key_bindings reloadData",   "OLV_menu_key_bindings tile",   "OLV_menu_key_bindings display",
      "OLV_editor_key_bindings reloadData", "OLV_editor_key_bindings tile", "OLV_editor_key_bindings display",
      "VIEW_key_bindings display"};
  auto lines = p.toolkit.journal().lines();
  EXPECT_NE(std::search(lines.begin(), lines.end(), reload.begin(), reload.end()), lines.end());
  ASSERT_EQ(p.toolkit.pendingRequests().size(), 1u);
  EXPECT_EQ(p.toolkit.pendingRequests()[0].selector, "reloadOutlines");
  EXPECT_NEAR(p.toolkit.pendingRequests()[0].dueTime - p.toolkit.now(), 0.1, 1e-6);

  p.toolkit.journal().clear();
  EXPECT_EQ(p.toolkit.advance(0.1), 1u);
  EXPECT_EQ(p.toolkit.journal().lines(), reload);
}

TEST(PaneLifecycle, EditorTableArrivesWithTheDelayedReload) {
  TemporaryFolder folder;
  folder.write("KeyBindings.ui", "");
  folder.write("EditorKeyBindingsTable.plist", pane_test::kEditorTable);
  HeadlessToolkit toolkit;
  HeadlessApplication application(toolkit.journal());
  application.setMainMenu(pane_test::makeMainMenu());
  MemoryDefaults defaults;
  HeadlessPanel panel(defaults, pane_test::makeDefaultSet(), toolkit.journal());
  PaneServices services;
  services.toolkit = &toolkit;
  services.application = &application;
  services.bundle = std::make_shared<const Bundle>(folder.path(), std::vector<std::string>{"en"});
  KeyBindings pane(services);
  pane.initWithPanel(&panel);

  auto* editor = toolkit.find<HeadlessOutlineView>("OLV_editor_key_bindings");
  EXPECT_TRUE(editor->rows().empty());
  EXPECT_FALSE(toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings")->rows().empty());
  toolkit.advance(0.1);
  EXPECT_FALSE(editor->rows().empty());
  ASSERT_NE(pane.editorMenuList(), nullptr);
}

TEST(PaneLifecycle, TeardownCancelsTheDelayedReloadAndUnregistersTheSnooper) {
  HeadlessPane p;
  p.pane->synchronizeToDefaults();
  ASSERT_EQ(p.toolkit.pendingRequests().size(), 1u);
  p.pane.reset();
  EXPECT_TRUE(p.toolkit.pendingRequests().empty());
  EXPECT_EQ(p.application.snooper(), nullptr);
}

TEST(PaneLifecycle, MissingPiecesOfTheBundle) {
  TemporaryFolder empty;
  HeadlessToolkit toolkit;
  HeadlessApplication application(toolkit.journal());
  MemoryDefaults defaults;
  HeadlessPanel panel(defaults, pane_test::makeDefaultSet(), toolkit.journal());
  LogCapture log;
  PaneServices services;
  services.toolkit = &toolkit;
  services.application = &application;
  services.bundle = std::make_shared<const Bundle>(empty.path());
  KeyBindings pane(services);
  // No interface description: no view, and nothing else is loaded.
  EXPECT_EQ(pane.initWithPanel(&panel), nullptr);
  EXPECT_EQ(pane.keyBindingsSets(), nullptr);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"*** KeyBindings: cannot load the interface description \"KeyBindings\""});

  // An interface but no editing-command table: the editor outline stays empty.
  empty.write("KeyBindings.ui", "");
  EXPECT_NE(pane.initWithPanel(&panel), nullptr);
  toolkit.advance(1);
  EXPECT_EQ(pane.editorMenuList(), nullptr);
  EXPECT_TRUE(toolkit.find<HeadlessOutlineView>("OLV_editor_key_bindings")->rows().empty());
}

TEST(PaneLifecycle, NameAndOrderForMenu) {
  TemporaryFolder folder;
  Bundle bare(folder.path(), std::vector<std::string>{"en"});
  auto description = KeyBindings::nameAndOrderForMenu(bare);
  EXPECT_EQ(description->stringForKey("name")->value(), "Key Bindings");
  EXPECT_EQ(description->stringForKey("tooltip")->value(), "Key Bindings");
  EXPECT_EQ(description->stringForKey("order")->value(), "7");  // a string, not a number
  EXPECT_EQ(description->objectForKey("icon"), nullptr);

  folder.write("Pref_shortcut.psd", "8BPS");
  folder.write("locale/en/Localizable.po", "msgid \"Key Bindings\"\nmsgstr \"Tastenkürzel\"\n");
  Bundle full(folder.path(), std::vector<std::string>{"en"});
  description = KeyBindings::nameAndOrderForMenu(full);
  EXPECT_EQ(description->stringForKey("name")->value(), "Tastenkürzel");
  ASSERT_NE(asData(description->objectForKey("icon")), nullptr);
  EXPECT_EQ(asData(description->objectForKey("icon"))->bytes().size(), 4u);
}

}  // namespace
}  // namespace qor
