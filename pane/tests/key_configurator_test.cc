// The key configurator sheet driven as the user and the host drive it: rows
// chosen in the headless outlines, key events forwarded by the headless
// application, buttons clicked in the sheet.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <tuple>

#include "headless_pane.h"
#include "qor/collections.h"
#include "qor/text.h"

namespace qor {
namespace {

using fixtures::kCommand;
using fixtures::kControl;
using fixtures::kOption;
using fixtures::kShift;
using pane_test::HeadlessPane;

constexpr std::uint32_t kCapsLock = 0x10000;
constexpr std::uint32_t kNumericPad = 0x200000;
constexpr std::uint16_t kCodeS = 1;   // hardware key codes as the host reports them
constexpr std::uint16_t kCodeK = 40;
constexpr std::uint16_t kCodeJ = 38;
constexpr std::uint32_t kAnotherEventType = 14;
constexpr std::int32_t kVersionWithoutMenuOnSelection = 0x1040;  // 10.4: only a click on "Key" opens the menu
constexpr const char* kStoredSetKey = "1";

// Rows of the menu outline:
//   0 File  1 New  2 Save  3 Save As  4 Window  5 Minimize  6 Bring to Front  7 Zoom
namespace menu_row {
constexpr std::int64_t kNew = 1;
constexpr std::int64_t kSave = 2;
constexpr std::int64_t kMinimize = 5;
constexpr std::int64_t kHotKey = 6;
constexpr std::int64_t kZoom = 7;
}  // namespace menu_row
constexpr const char* kNewId = "[newDocument:] [] [0]";
constexpr const char* kSaveId = "[saveDocument:] [] [0]";
constexpr const char* kSaveAsId = "[saveDocumentAs:] [] [0]";
constexpr const char* kMinimizeId = "[performMiniaturize:] [] [0]";
constexpr const char* kHotKeyId = "[bringQORtoFront:] [HotKeyController] [0]";
constexpr const char* kZoomId = "[performZoom:] [] [0]";

// Rows of the editor outline:
//   0 Completion  1 complete:  2 cancelOperation:  3 Moving  4 moveLeft:  5 yank:  6 deleteToMark:
namespace editor_row {
constexpr std::int64_t kComplete = 1;
constexpr std::int64_t kCancel = 2;
constexpr std::int64_t kMoveLeft = 4;
constexpr std::int64_t kYank = 5;
constexpr std::int64_t kDeleteToMark = 6;
}  // namespace editor_row

constexpr const char* kEditorTable = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><array>
  <dict><key>title</key><string>Completion</string><key>items</key><array>
    <string>complete:</string><string>cancelOperation:</string></array></dict>
  <dict><key>title</key><string>Moving</string><key>items</key><array>
    <string>moveLeft:</string><string>yank:</string><string>deleteToMark:</string></array></dict>
</array></plist>
)";

constexpr const char* kEditorTitles = R"(msgid "complete:"
msgstr "Complete Word"

msgid "moveLeft:"
msgstr "Move Left"
)";

std::string utf8(char16_t unit) { return utf8FromCodeUnit(unit); }

using fixtures::chord;
using fixtures::entry;
using fixtures::plainKey;
DictionaryRef modifierOnly(std::uint32_t mask) { return fixtures::modifierStroke(mask); }

// A stroke as the configurator captures it: with the hardware key code.
DictionaryRef captured(const std::string& key, char16_t unichar, std::uint16_t code, std::uint32_t mask) {
  return Dictionary::make({{kStrokeKeyKey, str(key)},
                           {kStrokeUnicharKey, integer(unichar)},
                           {kStrokeCodeKey, integer(code)},
                           {kStrokeModifiersKey, integer(mask)}});
}

std::unique_ptr<SimpleMenu> mainMenu() {
  auto bar = std::make_unique<SimpleMenu>("");
  SimpleMenu& file = bar->addSubmenu("File");
  file.addItem("New", "newDocument:");
  file.addItem("Save", "saveDocument:");
  file.addItem("Save As…", "saveDocumentAs:");
  SimpleMenu& window = bar->addSubmenu("Window");
  window.addItem("Minimize", "performMiniaturize:");
  window.addItem("Bring to Front", kHotKeyAction, "HotKeyController");
  window.addItem("Zoom", "performZoom:");
  return bar;
}

// Zoom and deleteToMark: are commands that the default set does not know.
DictionaryRef defaultSet() {
  auto menu = Dictionary::make({
      {kNewId, entry("New", {chord(kCommand, 'n')})},
      {kSaveId, entry("Save", {chord(kCommand, 's')})},
      {kSaveAsId, entry("Save As…", {chord(kCommand | kShift, 's')})},
      {kMinimizeId, entry("Minimize", {chord(kCommand, 'm')})},
      {kHotKeyId, entry("Bring to Front", {chord(kControl | kOption, 'e')})},
  });
  auto editor = Dictionary::make({
      {"complete:", entry("", {chord(kControl, ' ')}, str("text"))},
      {"cancelOperation:", entry("", {chord(kControl, ' ')}, str("completion list"))},
      {"moveLeft:", entry("", {plainKey(0xF702)})},
      {"yank:", entry("", {}, str("text"))},
  });
  return Dictionary::make({{kSetNameKey, str("Default")}, {kSetMenuKey, menu}, {kSetEditorKey, editor}});
}

// The user's own set "Mine" (number 1, current): a copy of the default set
// without the entries of Minimize and yank:, and with the hot-key command's
// sequences removed.
DictionaryRef storeContents() {
  auto mine = asMutableDictionary(MakePlistMutable(defaultSet()));
  mine->setObjectForKey(str("Mine"), kSetNameKey);
  asMutableDictionary(mine->objectForKey(kSetMenuKey))->removeObjectForKey(kMinimizeId);
  asMutableDictionary(mine->objectForKey(kSetEditorKey))->removeObjectForKey("yank:");
  asMutableDictionary(asMutableDictionary(mine->objectForKey(kSetMenuKey))->objectForKey(kHotKeyId))
      ->setObjectForKey(MutableArray::make(), kKeySequencesKey);
  return Dictionary::make({{kSetNumberDefaultsKey, integer(1)},
                           {kSetsDefaultsKey, Dictionary::make({{kStoredSetKey, mine}})}});
}

struct KeyEvent {
  std::uint32_t type;
  std::string characters;
  std::uint16_t code;
  std::uint32_t flags;
};
KeyEvent flags(std::uint32_t modifiers) { return {kFlagsChangedEventType, "", 0, modifiers}; }
KeyEvent down(const std::string& characters, std::uint16_t code, std::uint32_t modifiers) {
  return {kKeyDownEventType, characters, code, modifiers};
}
KeyEvent up(const std::string& characters, std::uint16_t code, std::uint32_t modifiers) {
  return {kKeyUpEventType, characters, code, modifiers};
}

class KeyConfiguratorTest : public ::testing::Test {
 protected:
  KeyConfiguratorTest() { start(storeContents()); }

  void start(DictionaryRef contents) {
    host.reset();  // one pane at a time: the application has one snooper
    host.emplace(contents, pane_test::PaneScene{mainMenu, defaultSet(), kEditorTable, kEditorTitles});
    host->systemVersion = kVersionWithoutMenuOnSelection;
  }

  HeadlessOutlineView& outline(const char* name) { return *host->toolkit.find<HeadlessOutlineView>(name); }
  HeadlessButton& button(const std::string& name) { return host->button(name); }
  HeadlessTextField& field(const std::string& name) { return host->field(name); }
  // The host's default set, which nothing may change.
  DictionaryRef defaults() { return host->panel.defaultMenuDictionary(); }

  // Chooses the row in the tab's outline, then "Add Shortcut..." in the edit
  // menu that a click on its "Key" cell opens.
  void openFor(const char* tab, std::int64_t row) {
    host->showTab(tab);
    const bool menu = std::string(tab) == "menu";
    HeadlessOutlineView& shown = menu ? host->menuOutline() : host->editorOutline();
    ASSERT_TRUE(shown.selectRow(row)) << row;
    ASSERT_TRUE(shown.clickKeyCell(row));
    ASSERT_TRUE(host->toolkit.chooseContextMenuItem(0));
  }
  // The default set's edit menu only alerts, so there the sheet is opened directly.
  void openDirectlyForNew() {
    host->showTab("menu");
    ASSERT_TRUE(host->menuOutline().selectRow(menu_row::kNew));
    host->pane->showKeyConfigurationSheet(nullptr);
  }
  void send(const std::vector<KeyEvent>& events) {
    for (const KeyEvent& e : events) host->application.sendKeyEvent(e.type, e.characters, e.code, e.flags);
  }
  DictionaryRef currentEntry(const char* group, const std::string& key) { return host->currentEntry(group, key); }
  Ref currentSequences(const char* group, const std::string& key) {
    auto found = currentEntry(group, key);
    return found ? found->objectForKey(kKeySequencesKey) : nullptr;
  }
  std::vector<std::string> journalSinceMark() {
    const auto& lines = host->toolkit.journal().lines();
    return {lines.begin() + static_cast<std::ptrdiff_t>(mark_), lines.end()};
  }
  void markJournal() { mark_ = host->toolkit.journal().lines().size(); }
  static bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  bool changeFlagIsSet() { return host->changeFlagIsSet(); }

  std::optional<HeadlessPane> host;

 private:
  std::size_t mark_ = 0;
};

// A reopened sheet starts empty again, whatever the last one held.
TEST_F(KeyConfiguratorTest, OpeningShowsAnEmptySheetAndRegisters) {
  openFor("menu", menu_row::kNew);
  send({flags(kCommand), down("s", kCodeS, kCommand)});
  button("BTN_key_configurator_cancel").performClick();
  markJournal();
  openFor("menu", menu_row::kNew);
  EXPECT_EQ(field("TEXT_key_configurator").stringValue(), "");
  EXPECT_FALSE(button("BTN_key_configurator_OK").isEnabled());
  EXPECT_FALSE(button("BTN_key_configurator_clear").isEnabled());
  EXPECT_EQ(field("TEXT_kb_conflict").textColor(), TextColor::Black);
  EXPECT_EQ(field("TEXT_kb_conflict").stringValue(), "Type keys for shortcut.");
  EXPECT_TRUE(contains(journalSinceMark(), "WIN_key_configurator makeFirstResponder TEXT_key_configurator"));
  ASSERT_EQ(host->toolkit.openSheets().size(), 1u);
  EXPECT_EQ(host->toolkit.openSheets()[0].parent->objectName(), "WIN_preferences");
  EXPECT_EQ(host->application.snooper(), host->pane.get());
  EXPECT_TRUE(host->pane->keyCodesArray()->empty());
}

TEST_F(KeyConfiguratorTest, CaptureBuildsStrokesAndTheFieldText) {
  const std::string command = "\u2318", shift = "\u21E7", option = "\u2325";
  struct Scenario {
    const char* name;
    std::vector<KeyEvent> events;
    std::vector<Ref> strokes;
    std::string text;
  };
  const Scenario scenarios[] = {
      {"Command, then K", {flags(kCommand), down("k", kCodeK, kCommand)},
       {modifierOnly(kCommand), captured("k", 'k', kCodeK, kCommand)}, command + "K"},
      {"Command already held when the sheet opened", {down("k", kCodeK, kCommand)},
       {captured("k", 'k', kCodeK, kCommand)}, "K"},
      {"Command held while S then K",
       {flags(kCommand), down("s", kCodeS, kCommand), down("k", kCodeK, kCommand)},
       {modifierOnly(kCommand), captured("s", 's', kCodeS, kCommand), captured("k", 'k', kCodeK, kCommand)},
       command + "SK"},
      {"Shift released while Command stays",
       {flags(kCommand | kShift), down("K", kCodeK, kCommand | kShift), flags(kCommand), down("j", kCodeJ, kCommand)},
       {modifierOnly(kCommand | kShift), captured("K", 'K', kCodeK, kCommand | kShift), modifierOnly(kCommand),
        captured("j", 'j', kCodeJ, kCommand)},
       shift + command + "K" + command + "J"},
      {"every modifier released", {flags(kCommand), down("s", kCodeS, kCommand), flags(0), down("k", kCodeK, 0)},
       {modifierOnly(kCommand), captured("s", 's', kCodeS, kCommand), captured("k", 'k', kCodeK, 0)},
       command + "SK"},
      {"modifiers pressed and released before the key", {flags(kCommand), flags(0), down("k", kCodeK, 0)},
       {captured("k", 'k', kCodeK, 0)}, "K"},
      {"Caps Lock alone arms nothing and is never stored", {flags(kCapsLock), down("k", kCodeK, kCapsLock)},
       {captured("k", 'k', kCodeK, 0)}, "K"},
      {"Caps Lock and the numeric pad beside Command",
       {flags(kCommand | kCapsLock), down("k", kCodeK, kCommand | kCapsLock | kNumericPad)},
       {modifierOnly(kCommand), captured("k", 'k', kCodeK, kCommand)}, command + "K"},
      {"key-up and other events change nothing",
       {flags(kCommand), up("s", kCodeS, kCommand), {kAnotherEventType, "x", 7, 0}, down("k", kCodeK, kCommand),
        up("k", kCodeK, kCommand)},
       {modifierOnly(kCommand), captured("k", 'k', kCodeK, kCommand)}, command + "K"},
      // Names longer than one character stand in brackets; glyphs do not.
      {"named keys", {down(" ", 49, 0), down(utf8(0xF708), 96, 0), down("\r", 36, 0)},
       {captured(" ", ' ', 49, 0), captured(utf8(0xF708), 0xF708, 96, 0), captured("\r", '\r', 36, 0)},
       "[Space][F5]\u21A9"},
      // A dead key gives no characters: it is skipped and the chord waits
      // for the key that completes it.
      {"dead key, then the composed character", {flags(kOption), down("", 14, kOption), down("é", 14, kOption)},
       {modifierOnly(kOption), captured("é", 0xE9, 14, kOption)}, option + "é"},
      // "unichar" is the first UTF-16 code unit: a high surrogate, shown by its code.
      {"a character outside the BMP", {down("\U0001F600", 50, 0)},
       {captured("\U0001F600", 0xD83D, 50, 0)}, "[[d83d]]"},
  };
  for (const Scenario& s : scenarios) {
    SCOPED_TRACE(s.name);
    openFor("menu", menu_row::kNew);
    send(s.events);
    EXPECT_TRUE(isEqual(host->pane->keyCodesArray(), Array::make(s.strokes))) << describe(host->pane->keyCodesArray());
    EXPECT_EQ(field("TEXT_key_configurator").stringValue(), s.text);
    EXPECT_TRUE(button("BTN_key_configurator_clear").isEnabled());
    button("BTN_key_configurator_cancel").performClick();
  }
}

// How strokes match is the model's (conflicts_test); here the line, its
// colour, OK, and the context taken from the selected command.
TEST_F(KeyConfiguratorTest, StatusLineAndOKFollowTheConflictSearch) {
  const std::string command = "\u2318", control = "\u2303";
  struct Case {
    const char* name;
    const char* tab;
    std::int64_t row;
    std::vector<KeyEvent> events;
    TextColor color;
    std::string status;
  };
  const Case cases[] = {
      {"free chord", "menu", menu_row::kNew, {flags(kCommand), down("k", kCodeK, kCommand)}, TextColor::Black,
       "Type keys for shortcut."},
      {"another command's chord", "menu", menu_row::kNew, {flags(kCommand), down("s", kCodeS, kCommand)},
       TextColor::Red, "'" + command + "S' is currently bound to 'Save'."},
      // Contexts come from the selected command's default entry.
      {"same context", "editor", editor_row::kComplete, {flags(kControl), down(" ", 49, kControl)},
       TextColor::Red, "'" + control + "[Space]' is currently bound to 'Complete Word'."},
      {"no context meets only commands without one", "editor", editor_row::kMoveLeft,
       {flags(kControl), down(" ", 49, kControl)}, TextColor::Black, "Type keys for shortcut."},
      {"an editing command's title", "editor", editor_row::kDeleteToMark, {down(utf8(0xF702), 123, 0)},
       TextColor::Red, "'\u2190' is currently bound to 'Move Left'."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    openFor(c.tab, c.row);
    send(c.events);
    EXPECT_EQ(field("TEXT_kb_conflict").textColor(), c.color);
    EXPECT_EQ(field("TEXT_kb_conflict").stringValue(), c.status);
    EXPECT_EQ(button("BTN_key_configurator_OK").isEnabled(), c.color == TextColor::Black);
    button("BTN_key_configurator_cancel").performClick();
  }
}

TEST_F(KeyConfiguratorTest, WithoutAnEditorRowOnlyEntriesWithoutContextConflict) {
  host->showTab("editor");
  host->pane->showKeyConfigurationSheet(nullptr);
  send({flags(kControl), down(" ", 49, kControl)});
  EXPECT_TRUE(host->pane->getConflictedMenuItemsForShortcut(*host->pane->keyCodesArray()).empty());
  button("BTN_key_configurator_clear").performClick();
  send({down(utf8(0xF702), 123, 0)});
  EXPECT_EQ(host->pane->getConflictedMenuItemsForShortcut(*host->pane->keyCodesArray()), std::vector<std::string>{"moveLeft:"});
}

// The prefix rules and their wording are the model's (conflicts_test); here
// the second line is shown, starts empty at each opening and never touches OK.
TEST_F(KeyConfiguratorTest, SecondLineNamesShortcutsThatStartWithTheKeysOrThatTheyStartWith) {
  // Minimize gets ⌘K⌘J: two chords, each with its modifier-only stroke.
  const std::vector<KeyEvent> commandK = {flags(kCommand), down("k", kCodeK, kCommand), flags(0)};
  const std::vector<KeyEvent> commandJ = {flags(kCommand), down("j", kCodeJ, kCommand), flags(0)};
  const std::vector<KeyEvent> commandS = {flags(kCommand), down("s", kCodeS, kCommand), flags(0)};
  auto typed = [](std::vector<std::vector<KeyEvent>> chords) {
    std::vector<KeyEvent> events;
    for (const auto& chord : chords) events.insert(events.end(), chord.begin(), chord.end());
    return events;
  };
  openFor("menu", menu_row::kMinimize);
  send(typed({commandK, commandJ}));
  ASSERT_EQ(field("TEXT_kb_ambiguity").stringValue(), "");
  button("BTN_key_configurator_OK").performClick();

  const std::string k = "\u2318K", kj = "\u2318K\u2318J";
  struct Case {
    const char* name;
    std::vector<KeyEvent> events;
    std::string line;
    bool ok;  // the warning never disables OK
  };
  const Case cases[] = {
      {"the first chord of Minimize's", typed({commandK}), "'" + k + "' is the first stroke of '" + kj +
                                                               "' of 'Minimize'.", true},
      {"the same: a conflict, no second line", typed({commandK, commandJ}), "", false},
      {"nothing shares the first chord", {flags(kOption), down("j", kCodeJ, kOption)}, "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    openFor("menu", menu_row::kNew);
    EXPECT_EQ(field("TEXT_kb_ambiguity").stringValue(), "");  // each opening starts without it
    send(c.events);
    EXPECT_EQ(field("TEXT_kb_ambiguity").stringValue(), c.line);
    EXPECT_EQ(button("BTN_key_configurator_OK").isEnabled(), c.ok);
    button("BTN_key_configurator_cancel").performClick();
  }
}

// Which keys a layout types is the platform's (keyboard_layout_test); here the line's
// shortcuts, and the host asked again at each key, as a layout may be switched meanwhile.
TEST_F(KeyConfiguratorTest, LayoutLineNamesShortcutsTheActiveLayoutCannotType) {
  const std::string format = " cannot be typed on the current keyboard layout.";
  using Keys = std::vector<std::string>;
  // Row; untypable keys and the line at opening; the same after typing ⌘K.
  const std::vector<std::tuple<std::int64_t, Keys, std::string, Keys, std::string>> cases = {
      {menu_row::kNew, {}, "", {}, ""},
      {menu_row::kNew, {"n"}, "'\u2318N'" + format, {"n"}, "'\u2318N'" + format},
      {menu_row::kMinimize, {"m"}, "'\u2318M'" + format, {}, ""},  // the default entry's
      {menu_row::kNew, {}, "", {"n", "k"}, "'\u2318N', '\u2318K'" + format},  // a layout switched meanwhile
  };
  for (const auto& [row, atOpening, openingLine, whileTyping, typedLine] : cases) {
    host->application.setUntypableKeys(atOpening);
    openFor("menu", row);
    EXPECT_EQ(field("TEXT_kb_layout").stringValue(), openingLine);
    host->application.setUntypableKeys(whileTyping);
    send({flags(kCommand), down("k", kCodeK, kCommand)});
    EXPECT_EQ(field("TEXT_kb_layout").stringValue(), typedLine);
    button("BTN_key_configurator_cancel").performClick();
  }
}

// The desktop's line beside the conflict line; its reading of the desktop's texts is the model's.
TEST_F(KeyConfiguratorTest, DesktopLineNamesWhoOnTheDesktopTakesTheKeys) {
  using Notation = DesktopShortcut::Notation;
  host->application.setDesktopShortcuts({{"GNOME", "Show the run command prompt", "<Alt>F2", Notation::Accelerator},
                                         {"GNOME", "Mute", "XF86AudioMute", Notation::Accelerator},
                                         {"KDE", "KWin: Kill Window", "Meta+Ctrl+Esc", Notation::Portable}});
  constexpr std::uint16_t kCodeF2 = 68;
  openFor("menu", menu_row::kNew);
  send({flags(kOption), down("\uF705", kCodeF2, kOption)});
  EXPECT_EQ(field("TEXT_kb_desktop").stringValue(),
            "'\u2325[F2]' is taken by the desktop: 'Show the run command prompt' (GNOME).");
  EXPECT_EQ(field("TEXT_kb_conflict").stringValue(), "Type keys for shortcut.");  // the red line's own rule
  button("BTN_key_configurator_clear").performClick();
  send({flags(kCommand), down("k", kCodeK, kCommand)});
  EXPECT_EQ(field("TEXT_kb_desktop").stringValue(), "");
  button("BTN_key_configurator_cancel").performClick();
}

// Reset to default changes the entries the configurator commits to; the same
// fixture's set lacks Minimize and has emptied the hot key.
TEST_F(KeyConfiguratorTest, ResetToDefaultPutsBackTheDefaultEntriesAndTellsTheHost) {
  markJournal();
  EXPECT_EQ(host->pane->resetEntriesToDefault(ShownGroup::Menu, {kMinimizeId, kNewId}), 1u);  // New is unchanged
  EXPECT_TRUE(isEqual(currentEntry(kSetMenuKey, kMinimizeId),
                      defaults()->dictionaryForKey(kSetMenuKey)->objectForKey(kMinimizeId)));
  for (const char* line : {"OLV_menu_key_bindings reloadData", "OLV_editor_key_bindings reloadData", "i_am_ok"})
    EXPECT_TRUE(contains(journalSinceMark(), line)) << line;
  EXPECT_TRUE(changeFlagIsSet());

  // Nothing differs: nothing changes, the host hears nothing.
  markJournal();
  EXPECT_EQ(host->pane->resetEntriesToDefault(ShownGroup::Menu, {kMinimizeId}), 0u);
  EXPECT_TRUE(journalSinceMark().empty());

  // The whole set: the hot key's sequence comes back; name and number stay.
  EXPECT_EQ(host->pane->resetSetToDefault(), 1u);
  EXPECT_TRUE(
      isEqual(host->pane->currentKeyBindingsSet()->objectForKey(kSetMenuKey), defaults()->objectForKey(kSetMenuKey)));
  EXPECT_EQ(host->pane->currentKeyBindingsSet()->stringForKey(kSetNameKey)->value(), "Mine");
  EXPECT_EQ(host->pane->keyBindingsNumber(), 1);
  EXPECT_EQ(host->pane->currentKeyBindingsSet(), host->pane->keyBindingsSets()->objectForKey(kStoredSetKey));

  // The host's default set is never changed.
  host->pane->revertToDefault();
  EXPECT_EQ(host->pane->resetSetToDefault(), std::nullopt);
  EXPECT_EQ(host->pane->resetEntriesToDefault(ShownGroup::Editor, {"moveLeft:"}), std::nullopt);
}

// The buttons under the outlines. The set lacks Minimize's entry and has
// emptied the hot key's, both in the Window menu; Zoom is not in the default set.
TEST_F(KeyConfiguratorTest, ResetButtonsTakeTheSelectedCommandItsMenuOrTheSet) {
  auto defaultEntry = [&](const char* key) { return defaults()->dictionaryForKey(kSetMenuKey)->objectForKey(key); };
  host->showTab("menu");
  ASSERT_TRUE(outline("OLV_menu_key_bindings").selectRow(menu_row::kMinimize));
  button("BTN_kb_reset_command").performClick();
  EXPECT_TRUE(isEqual(currentEntry(kSetMenuKey, kMinimizeId), defaultEntry(kMinimizeId)));
  EXPECT_TRUE(asArray(currentSequences(kSetMenuKey, kHotKeyId))->empty());  // only the selected command
  EXPECT_EQ(host->panel.okNotices().size(), 1u);

  // Minimize's menu: the hot key comes back too; File's New is left alone.
  ASSERT_TRUE(outline("OLV_menu_key_bindings").selectRow(menu_row::kMinimize));
  markJournal();
  button("BTN_kb_reset_group").performClick();
  EXPECT_TRUE(isEqual(currentEntry(kSetMenuKey, kHotKeyId), defaultEntry(kHotKeyId)));
  EXPECT_EQ(host->panel.okNotices().size(), 2u);

  // Nothing differs any more: nothing changes, the host hears nothing.
  button("BTN_kb_reset_set").performClick();
  EXPECT_EQ(host->panel.okNotices().size(), 2u);

  // Undone one by one: first the group, then the command.
  ASSERT_TRUE(host->pane->undoChange());
  EXPECT_TRUE(asArray(currentSequences(kSetMenuKey, kHotKeyId))->empty());
  ASSERT_TRUE(host->pane->undoChange());
  EXPECT_EQ(currentEntry(kSetMenuKey, kMinimizeId), nullptr);

  // While the default set is current every reset beeps and changes nothing.
  host->pane->revertToDefault();
  ASSERT_TRUE(outline("OLV_menu_key_bindings").selectRow(menu_row::kMinimize));
  markJournal();
  for (const char* name : {"BTN_kb_reset_command", "BTN_kb_reset_group", "BTN_kb_reset_set"})
    button(name).performClick();
  auto lines = journalSinceMark();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "beep"), 3);
  EXPECT_TRUE(isEqual(defaults(), defaultSet()));
}

TEST_F(KeyConfiguratorTest, ClearAfterAConflictKeepsTheRedLineUntilTheNextKey) {
  openFor("menu", menu_row::kNew);
  send({flags(kCommand), down("s", kCodeS, kCommand)});
  MutableArrayRef capture = host->pane->keyCodesArray();
  ASSERT_EQ(field("TEXT_kb_conflict").textColor(), TextColor::Red);
  const std::string message = field("TEXT_kb_conflict").stringValue();

  button("BTN_key_configurator_clear").performClick();
  EXPECT_EQ(host->pane->keyCodesArray(), capture);  // emptied in place
  EXPECT_TRUE(capture->empty());
  EXPECT_EQ(field("TEXT_key_configurator").stringValue(), "");
  EXPECT_FALSE(button("BTN_key_configurator_OK").isEnabled());
  EXPECT_FALSE(button("BTN_key_configurator_clear").isEnabled());
  EXPECT_EQ(field("TEXT_kb_conflict").textColor(), TextColor::Red);
  EXPECT_EQ(field("TEXT_kb_conflict").stringValue(), message);

  // Command is still held: no new modifier-only stroke without a flags change.
  send({down("k", kCodeK, kCommand)});
  EXPECT_TRUE(isEqual(capture, Array::make({captured("k", 'k', kCodeK, kCommand)})));
  EXPECT_EQ(field("TEXT_kb_conflict").textColor(), TextColor::Black);
  EXPECT_TRUE(button("BTN_key_configurator_OK").isEnabled());
}

TEST_F(KeyConfiguratorTest, OKAppendsToTheEntryAndRestoresFocus) {
  openFor("menu", menu_row::kNew);
  send({flags(kCommand), down("k", kCodeK, kCommand)});
  MutableArrayRef capture = host->pane->keyCodesArray();
  markJournal();
  button("BTN_key_configurator_OK").performClick();

  auto sequences = asArray(currentSequences(kSetMenuKey, kNewId));
  ASSERT_TRUE(sequences);
  ASSERT_EQ(sequences->count(), 2u);
  EXPECT_TRUE(isEqual(sequences->objectAtIndex(0), chord(kCommand, 'n')));
  EXPECT_EQ(sequences->objectAtIndex(1), capture);  // stored as captured
  for (const char* line : {"endSheet WIN_key_configurator 1", "WIN_key_configurator close", "WIN_preferences makeKeyAndOrderFront",
                           "OLV_menu_key_bindings reloadData", "i_am_ok",
                           "WIN_preferences makeFirstResponder OLV_menu_key_bindings"})
    EXPECT_TRUE(contains(journalSinceMark(), line)) << line;
  EXPECT_TRUE(changeFlagIsSet());
  EXPECT_EQ(host->application.snooper(), nullptr);
  EXPECT_FALSE(host->pane->shouldSendModifiers());

  // A second end of the same sheet commits nothing more.
  host->pane->KeyConfigurationSheetDidEndReturnCodeContextInfo(nullptr, kReturnCodeOK, nullptr);
  EXPECT_EQ(asArray(currentSequences(kSetMenuKey, kNewId))->count(), 2u);

  // The next capture starts a new sequence; the stored one stays as it was.
  openFor("menu", menu_row::kNew);
  EXPECT_NE(host->pane->keyCodesArray(), capture);
  send({down("j", kCodeJ, 0)});
  button("BTN_key_configurator_clear").performClick();
  EXPECT_EQ(capture->count(), 2u);
}

TEST_F(KeyConfiguratorTest, OKWithoutAnEntryCopiesTheDefaultEntry) {
  struct Case {
    const char* tab;
    std::int64_t row;
    const char* group;
    const char* key;
  };
  for (const Case& c : {Case{"menu", menu_row::kMinimize, kSetMenuKey, kMinimizeId},
                        Case{"editor", editor_row::kYank, kSetEditorKey, "yank:"}}) {
    SCOPED_TRACE(c.key);
    openFor(c.tab, c.row);
    send({flags(kCommand), down("k", kCodeK, kCommand)});
    MutableArrayRef capture = host->pane->keyCodesArray();
    button("BTN_key_configurator_OK").performClick();

    DictionaryRef fallback = defaults()->dictionaryForKey(c.group)->dictionaryForKey(c.key);
    auto copy = asMutableDictionary(currentEntry(c.group, c.key));
    ASSERT_TRUE(copy);
    // Every key of the default entry travels with the copy, in new objects;
    // only the sequences are the captured one.
    EXPECT_EQ(copy->allKeys(), fallback->allKeys());
    EXPECT_TRUE(isEqual(copy->objectForKey(kEntryTitleKey), fallback->objectForKey(kEntryTitleKey)));
    EXPECT_NE(copy->objectForKey(kEntryTitleKey), fallback->objectForKey(kEntryTitleKey));
    EXPECT_TRUE(isEqual(copy->objectForKey(kEntryContextKey), fallback->objectForKey(kEntryContextKey)));
    auto sequences = asMutableArray(copy->objectForKey(kKeySequencesKey));
    ASSERT_TRUE(sequences);
    ASSERT_EQ(sequences->count(), 1u);
    EXPECT_EQ(sequences->objectAtIndex(0), capture);
  }
  // The host's default set is never changed.
  EXPECT_TRUE(isEqual(defaults(), defaultSet()));
}

TEST_F(KeyConfiguratorTest, NothingIsStoredUnderAMissingKey) {
  struct Case {
    const char* name;
    const char* tab;
    std::int64_t row;
    bool deselect;  // the user clears the selection while the sheet is open
  };
  for (const Case& c : {Case{"no entry anywhere (menu)", "menu", menu_row::kZoom, false},
                        Case{"no entry anywhere (editor)", "editor", editor_row::kDeleteToMark, false},
                        Case{"no selected row", "menu", menu_row::kNew, true}}) {
    SCOPED_TRACE(c.name);
    DictionaryRef before = asDictionary(MakePlistMutable(host->pane->currentKeyBindingsSet()));
    openFor(c.tab, c.row);
    send({flags(kCommand), down("k", kCodeK, kCommand)});
    if (c.deselect) outline("OLV_menu_key_bindings").deselectAll();
    markJournal();
    button("BTN_key_configurator_OK").performClick();
    EXPECT_TRUE(isEqual(host->pane->currentKeyBindingsSet(), before));
    EXPECT_FALSE(changeFlagIsSet());
    auto lines = journalSinceMark();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "i_am_ok"), 0);
    EXPECT_EQ(lines.back().rfind("WIN_preferences makeFirstResponder", 0), 0u) << lines.back();
  }
}

TEST_F(KeyConfiguratorTest, SetsOfOtherShapesStillTakeTheSequence) {
  struct Case {
    const char* name;
    std::function<void(MutableDictionary& set)> reshape;
    const char* tab;
    std::int64_t row;
    const char* key;
    std::size_t sequences;  // of the entry, after the commit
    std::size_t entries;    // of the group, after the commit
  };
  const Case cases[] = {
      {"fixed editor dictionary and entries",
       [](MutableDictionary& set) {
         set.setObjectForKey(Dictionary::make(set.dictionaryForKey(kSetEditorKey)->entries()), kSetEditorKey);
       },
       "editor", editor_row::kMoveLeft, "moveLeft:", 2, 3},
      {"no editor dictionary", [](MutableDictionary& set) { set.removeObjectForKey(kSetEditorKey); },
       "editor", editor_row::kMoveLeft, "moveLeft:", 1, 1},
      {"an entry without sequences",
       [](MutableDictionary& set) {
         asMutableDictionary(set.objectForKey(kSetEditorKey))
             ->setObjectForKey(Dictionary::make({{kEntryTitleKey, str("")}}), "moveLeft:");
       },
       "editor", editor_row::kMoveLeft, "moveLeft:", 1, 3},
      // Without sequences the hot key has none yet: the sheet opens.
      {"the hot key's entry without sequences",
       [](MutableDictionary& set) {
         asMutableDictionary(asMutableDictionary(set.objectForKey(kSetMenuKey))->objectForKey(kHotKeyId))
             ->removeObjectForKey(kKeySequencesKey);
       },
       "menu", menu_row::kHotKey, kHotKeyId, 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start(storeContents());
    auto set = asMutableDictionary(host->pane->currentKeyBindingsSet());
    ASSERT_TRUE(set);
    c.reshape(*set);
    openFor(c.tab, c.row);
    send({flags(kCommand), down("k", kCodeK, kCommand)});
    MutableArrayRef capture = host->pane->keyCodesArray();
    button("BTN_key_configurator_OK").performClick();
    const char* group = std::string(c.tab) == "menu" ? kSetMenuKey : kSetEditorKey;
    auto sequences = asMutableArray(currentSequences(group, c.key));
    ASSERT_TRUE(sequences);
    EXPECT_EQ(sequences->count(), c.sequences);
    EXPECT_EQ(sequences->elements().back(), capture);
    EXPECT_EQ(host->pane->currentKeyBindingsSet()->dictionaryForKey(group)->count(), c.entries);
  }
}

TEST_F(KeyConfiguratorTest, CancelStoresNothingAndGivesFocusBack) {
  DictionaryRef before = asDictionary(MakePlistMutable(host->pane->currentKeyBindingsSet()));
  openFor("editor", editor_row::kMoveLeft);
  send({flags(kCommand), down("k", kCodeK, kCommand)});
  markJournal();
  button("BTN_key_configurator_cancel").performClick();
  for (const char* line : {"endSheet WIN_key_configurator 0", "WIN_key_configurator close",
                           "WIN_preferences makeFirstResponder OLV_editor_key_bindings"})
    EXPECT_TRUE(contains(journalSinceMark(), line)) << line;
  EXPECT_FALSE(contains(journalSinceMark(), "i_am_ok"));
  EXPECT_TRUE(isEqual(host->pane->currentKeyBindingsSet(), before));
  EXPECT_FALSE(changeFlagIsSet());
  // The host no longer forwards keys; a stray call changes nothing either.
  EXPECT_FALSE(host->application.sendKeyEvent(kKeyDownEventType, "j", kCodeJ, 0));
  host->pane->keyEventWithTypeStringKeyCodeModifiers(kKeyDownEventType, "j", kCodeJ, 0);
  host->pane->flushTextFieldForShortCut(nullptr);
  EXPECT_EQ(host->pane->keyCodesArray()->count(), 2u);
}

TEST_F(KeyConfiguratorTest, HotKeyTakesOneShortcutOfAtMostTwoStrokes) {
  // Its entry starts with an empty "key sequences": the sheet opens.
  openFor("menu", menu_row::kHotKey);
  send({flags(kCommand), down("s", kCodeS, kCommand), down("k", kCodeK, kCommand)});
  markJournal();
  button("BTN_key_configurator_OK").performClick();
  EXPECT_TRUE(contains(journalSinceMark(), "beep"));
  EXPECT_FALSE(contains(journalSinceMark(), "i_am_ok"));
  EXPECT_TRUE(asArray(currentSequences(kSetMenuKey, kHotKeyId))->empty());
  EXPECT_FALSE(changeFlagIsSet());

  // Two plain keys pass.
  openFor("menu", menu_row::kHotKey);
  send({down("s", kCodeS, 0), down("k", kCodeK, 0)});
  button("BTN_key_configurator_OK").performClick();
  EXPECT_EQ(asArray(currentSequences(kSetMenuKey, kHotKeyId))->count(), 1u);
  EXPECT_TRUE(changeFlagIsSet());

  // Now that it has one, the sheet is refused.
  host->toolkit.journal().clear();
  ASSERT_TRUE(outline("OLV_menu_key_bindings").clickKeyCell(menu_row::kHotKey));
  ASSERT_TRUE(host->toolkit.chooseContextMenuItem(0));
  ASSERT_EQ(host->toolkit.alerts().size(), 1u);
  EXPECT_EQ(host->toolkit.alerts()[0].title, "Can't bind more than one shortcut to the hot key");
  EXPECT_EQ(host->toolkit.alerts()[0].message, "To bind different shortcut, remove the existing one.");
  EXPECT_EQ(host->toolkit.alerts()[0].defaultButton, "OK");
  EXPECT_EQ(host->application.snooper(), nullptr);
  EXPECT_TRUE(host->toolkit.openSheets().empty());

  // In the editor tab the menu outline's selection does not count.
  host->showTab("editor");
  host->pane->showKeyConfigurationSheet(nullptr);
  EXPECT_EQ(host->application.snooper(), host->pane.get());
  EXPECT_EQ(host->toolkit.alerts().size(), 1u);
}

// "Bind Here Instead": one change takes the keys from the commands holding
// them in the same context and binds them to the selected one.
TEST_F(KeyConfiguratorTest, FixInPlaceMovesTheShortcutInOneChange) {
  struct Case {
    const char* name;
    const char* tab;
    std::int64_t row;
    std::vector<KeyEvent> events;
    const char* group;
    const char* bound;                            // the selected command
    std::vector<const char*> released;            // left without the keys
    std::vector<std::pair<const char*, std::size_t>> untouched;  // key, sequences it keeps
  };
  const Case cases[] = {
      {"a menu command's chord", "menu", menu_row::kNew, {flags(kCommand), down("s", kCodeS, kCommand)},
       kSetMenuKey, kNewId, {kSaveId}, {{kSaveAsId, 1}}},
      // Minimize has no entry in the set: it gets the default's, holding the keys alone.
      {"into a command the set lacks", "menu", menu_row::kMinimize, {flags(kCommand), down("s", kCodeS, kCommand)},
       kSetMenuKey, kMinimizeId, {kSaveId}, {}},
      // Only complete: shares yank:'s context "text"; cancelOperation: keeps ⌃Space.
      {"an editing command's context", "editor", editor_row::kYank, {flags(kControl), down(" ", 49, kControl)},
       kSetEditorKey, "yank:", {"complete:"}, {{"cancelOperation:", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    start(storeContents());
    openFor(c.tab, c.row);
    EXPECT_FALSE(button("BTN_key_configurator_fix").isEnabled());
    send(c.events);
    EXPECT_TRUE(button("BTN_key_configurator_fix").isEnabled());
    EXPECT_FALSE(button("BTN_key_configurator_OK").isEnabled());
    MutableArrayRef capture = host->pane->keyCodesArray();
    markJournal();
    button("BTN_key_configurator_fix").performClick();

    auto lines = journalSinceMark();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "i_am_ok"), 1);
    EXPECT_TRUE(contains(lines, "endSheet WIN_key_configurator 2"));
    EXPECT_TRUE(changeFlagIsSet());
    EXPECT_EQ(host->application.snooper(), nullptr);
    auto bound = asArray(currentSequences(c.group, c.bound));
    ASSERT_TRUE(bound);
    EXPECT_EQ(bound->elements().back(), capture);  // stored as captured, last
    for (const char* key : c.released) {
      auto left = asArray(currentSequences(c.group, key));
      ASSERT_TRUE(left) << key;
      for (const Ref& sequence : left->elements()) EXPECT_FALSE(isEqual(sequence, capture)) << key;
    }
    for (const auto& [key, count] : c.untouched)
      EXPECT_EQ(asArray(currentSequences(c.group, key))->count(), count) << key;
    // The selected command is now the only holder.
    EXPECT_EQ(host->pane->getConflictedMenuItemsForShortcut(*capture), std::vector<std::string>{c.bound});
  }
  EXPECT_TRUE(isEqual(defaults(), defaultSet()));
}

TEST_F(KeyConfiguratorTest, FixInPlaceNeedsAConflict) {
  openFor("menu", menu_row::kNew);
  send({flags(kCommand), down("k", kCodeK, kCommand)});
  EXPECT_FALSE(button("BTN_key_configurator_fix").isEnabled());  // nothing to take the keys from
  send({flags(0), flags(kCommand), down("s", kCodeS, kCommand)});
  button("BTN_key_configurator_clear").performClick();
  EXPECT_FALSE(button("BTN_key_configurator_fix").isEnabled());
  button("BTN_key_configurator_cancel").performClick();
}

TEST_F(KeyConfiguratorTest, TheDefaultSetIsNeverChanged) {
  start(nullptr);  // no stored sets: the host's default set is current
  openDirectlyForNew();
  send({flags(kCommand), down("k", kCodeK, kCommand)});
  button("BTN_key_configurator_OK").performClick();
  // Nor by Bind Here Instead, which stays disabled though the keys conflict.
  openDirectlyForNew();
  send({flags(kCommand), down("s", kCodeS, kCommand)});
  EXPECT_FALSE(button("BTN_key_configurator_fix").isEnabled());
  host->pane->KeyConfigurationSheetDidEndReturnCodeContextInfo(nullptr, kReturnCodeFixInPlace, nullptr);
  EXPECT_TRUE(isEqual(host->pane->currentKeyBindingsSet(), defaultSet()));
  EXPECT_TRUE(isEqual(defaults(), defaultSet()));
  EXPECT_FALSE(changeFlagIsSet());
}

TEST_F(KeyConfiguratorTest, TeardownWhileOpenUnregisters) {
  openFor("menu", menu_row::kNew);
  ASSERT_EQ(host->application.snooper(), host->pane.get());
  host->pane.reset();
  EXPECT_EQ(host->application.snooper(), nullptr);
}

}  // namespace
}  // namespace qor
