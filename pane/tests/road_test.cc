// The road of one binding, from the menu outline to the host's menus, on the
// headless platform with the real resources of the pane and the host and a
// defaults file on disk.
#include <gtest/gtest.h>

#include "headless_pane.h"
#include "qor/host/default_set.h"

namespace qor::pane_test {
namespace {

constexpr std::uint32_t kCommand = kCommandKeyMask;
constexpr std::uint16_t kSKeyCode = 39;
constexpr std::int32_t kLinuxVersion = 0x610;  // 6.1.0: below 10.3, a selection opens the edit menu

// The row of the menu outline whose titles from the top are `path`.
std::int64_t rowOfPath(const HeadlessOutlineView& outline, const std::vector<std::string>& path) {
  std::vector<std::string> trail;
  const auto& rows = outline.rows();
  for (std::size_t index = 0; index < rows.size(); ++index) {
    trail.resize(static_cast<std::size_t>(rows[index].level));
    trail.push_back(rows[index].title);
    if (trail == path) return static_cast<std::int64_t>(index);
  }
  return -1;
}

class RoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Bundle hostBundle(std::string(QOR_SOURCE_DIR) + "/apps/editor/resources", std::vector<std::string>{"en"});
    Ref menuDescription = readPropertyListFile(*hostBundle.pathForResource(kMainMenuResource));
    ASSERT_NE(menuDescription, nullptr);
    application.setMainMenu(menuFromPropertyList(menuDescription));
    ASSERT_NE(application.mainMenu(), nullptr);
    defaultSet = buildDefaultKeyBindingsSet(*application.mainMenu(), hostBundle);
    ASSERT_NE(defaultSet, nullptr);
  }

  std::unique_ptr<KeyBindings> makePane() {
    PaneServices services;
    services.toolkit = &toolkit;
    services.application = &application;
    services.bundle = std::make_shared<const Bundle>(QOR_RESOURCES_DIR, std::vector<std::string>{"en"});
    services.now = [] { return kClock; };
    services.systemVersion = [] { return kLinuxVersion; };
    return std::make_unique<KeyBindings>(std::move(services));
  }

  TemporaryFolder folder;
  HeadlessToolkit toolkit;
  HeadlessApplication application{toolkit.journal()};
  DictionaryRef defaultSet;
};

TEST_F(RoadTest, OneBindingFromTheOutlineToTheDefaultsFileAndTheHostMenus) {
  const std::string defaultsPath = folder.file("defaults.plist");
  PlistFileDefaults store(defaultsPath);
  HeadlessPanel panel(store, defaultSet, toolkit.journal());
  std::unique_ptr<KeyBindings> pane = makePane();
  ASSERT_NE(pane->initWithPanel(&panel), nullptr);
  toolkit.advance(1);
  auto* outline = toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings");

  // A set of his own, as the user makes it; Save loses ⌘S there, to get it back below.
  toolkit.find<HeadlessButton>("BTN_kb_duplicate_set")->performClick();
  toolkit.find<HeadlessTextField>("TEXT_set_name")->typeText("Mine");
  toolkit.find<HeadlessButton>("BTN_set_name_OK")->performClick();
  ASSERT_EQ(pane->keyBindingsNumber(), kClock);
  const std::int64_t save = rowOfPath(*outline, {"File", "Save"});
  ASSERT_GE(save, 0);
  ASSERT_EQ(outline->rows()[static_cast<std::size_t>(save)].key, "⌘S");
  ASSERT_TRUE(outline->selectRow(save));
  ASSERT_NE(toolkit.lastContextMenu(), nullptr);
  ASSERT_EQ(toolkit.lastContextMenu()->items.at(1).title, "Remove '⌘S'");
  ASSERT_TRUE(toolkit.chooseContextMenuItem(1));
  ASSERT_EQ(outline->rows()[static_cast<std::size_t>(save)].key, " ");

  // 1. The selected Save row's "Key" cell opens the edit menu.
  ASSERT_TRUE(outline->clickKeyCell(save));
  ASSERT_EQ(toolkit.lastContextMenu()->items.at(0).title, "Add Shortcut...");
  // 2. "Add Shortcut..." opens the sheet with the pane as key snooper.
  ASSERT_TRUE(toolkit.chooseContextMenuItem(0));
  ASSERT_TRUE(toolkit.isSheetOpen(*pane->WIN_key_configurator));
  ASSERT_EQ(application.snooper(), pane.get());
  // 3. Command, then S: no other command holds it, so the prompt stays black and OK is enabled.
  ASSERT_TRUE(application.sendKeyEvent(kFlagsChangedEventType, "", 0, kCommand));
  ASSERT_TRUE(application.sendKeyEvent(kKeyDownEventType, "s", kSKeyCode, kCommand));
  EXPECT_EQ(pane->TEXT_key_configurator->stringValue(), "⌘S");
  EXPECT_EQ(pane->TEXT_kb_conflict->stringValue(), "Type keys for shortcut.");
  EXPECT_EQ(pane->TEXT_kb_conflict->textColor(), TextColor::Black);
  auto* ok = toolkit.find<HeadlessButton>("BTN_key_configurator_OK");
  ASSERT_TRUE(ok->isEnabled());
  // 4. OK: the snooper goes, the sequence joins Save's entry, the host hears of it.
  panel.changedAttributesDictionary()->removeAllObjects();
  ok->performClick();
  EXPECT_EQ(application.snooper(), nullptr);
  EXPECT_EQ(outline->rows()[static_cast<std::size_t>(save)].key, "⌘S");
  EXPECT_TRUE(panel.changedAttributesDictionary()->containsKey(kChangeFlagKey));
  // 5. The host applies: both keys reach the file in one write, then the host's menus.
  toolkit.journal().clear();
  pane->writeToPrefs();
  EXPECT_EQ(toolkit.journal().lines(),
            (std::vector<std::string>{"defaults applyBatch global.keyBindingsSetNumber global.keyBindingsSets",
                                      "setCustomizedMenuWithNumber " + std::to_string(kClock)}));
  EXPECT_EQ(panel.customizedMenuNumbers(), (std::vector<std::int32_t>{static_cast<std::int32_t>(kClock)}));

  auto onDisk = asDictionary(readPropertyListFile(defaultsPath));
  ASSERT_NE(onDisk, nullptr);
  EXPECT_TRUE(isEqual(onDisk->objectForKey(kSetNumberDefaultsKey), integer(kClock)));
  auto saveId = identifierForMenuItem(outline->rows()[static_cast<std::size_t>(save)].item.menuItem);
  ASSERT_TRUE(saveId);
  auto storedSet = onDisk->dictionaryForKey(kSetsDefaultsKey)->dictionaryForKey(std::to_string(kClock));
  ASSERT_NE(storedSet, nullptr);
  EXPECT_EQ(storedSet->stringForKey(kSetNameKey)->value(), "Mine");
  ArrayRef sequences =
      storedSet->dictionaryForKey(kSetMenuKey)->dictionaryForKey(*saveId)->arrayForKey(kKeySequencesKey);
  ASSERT_NE(sequences, nullptr);
  ASSERT_EQ(sequences->count(), 1u);
  auto expected = Array::make({Dictionary::make({{kStrokeModifiersKey, integer(kCommand)}}),
                               Dictionary::make({{kStrokeKeyKey, str("s")},
                                                 {kStrokeUnicharKey, integer('s')},
                                                 {kStrokeCodeKey, integer(kSKeyCode)},
                                                 {kStrokeModifiersKey, integer(kCommand)}})});
  EXPECT_TRUE(isEqual(sequences->objectAtIndex(0), expected)) << describe(sequences);

  // The next start reads it all back from the file.
  pane.reset();
  PlistFileDefaults nextStore(defaultsPath);
  HeadlessPanel nextPanel(nextStore, defaultSet, toolkit.journal());
  std::unique_ptr<KeyBindings> next = makePane();
  ASSERT_NE(next->initWithPanel(&nextPanel), nullptr);
  EXPECT_EQ(next->keyBindingsNumber(), kClock);
  auto* nextOutline = toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings");
  EXPECT_EQ(nextOutline->rows()[static_cast<std::size_t>(rowOfPath(*nextOutline, {"File", "Save"}))].key, "⌘S");
}

}  // namespace
}  // namespace qor::pane_test
