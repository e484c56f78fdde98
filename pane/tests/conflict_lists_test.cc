// The All Conflicts panel and the import preview, on the headless platform.
#include <gtest/gtest.h>

#include "headless_pane.h"
#include "qor/collections.h"

namespace qor::pane_test {
namespace {

using Rows = std::vector<ListPanelRow>;
constexpr auto kHeading = ListRowKind::Heading;
constexpr auto kChoice = ListRowKind::Choice;
constexpr std::int32_t kStoredSetNumber = 5;

// Set 5: ⌘S held by New and Save, ⌘E by Undo and PDF (inside Export), ⌃B by
// Move Left and moveWordLeft: (inside Words); Open alone.
DictionaryRef storeWithConflicts() {
  auto menu = Dictionary::make({{kNewId, entry("New", {chord(kCommandKeyMask, 's')})},
                                {kOpenId, entry("Open…", {chord(kCommandKeyMask, 'o')})},
                                {kSaveId, entry("Save", {chord(kCommandKeyMask, 's')})},
                                {kUndoId, entry("Undo", {chord(kCommandKeyMask, 'e')})},
                                {kPDFId, entry("PDF", {chord(kCommandKeyMask, 'e')})}});
  auto editor = Dictionary::make({{"moveLeft:", entry("", {chord(kControlKeyMask, 'b')})},
                                  {"moveWordLeft:", entry("", {chord(kControlKeyMask, 'b')})}});
  auto set = Dictionary::make({{kSetNameKey, str("Mine")}, {kSetMenuKey, menu}, {kSetEditorKey, editor}});
  return Dictionary::make({{kSetNumberDefaultsKey, integer(kStoredSetNumber)},
                           {kSetsDefaultsKey, Dictionary::make({{std::to_string(kStoredSetNumber), set}})}});
}

std::string keys(std::uint32_t modifiers, char key) { return stringFromKeySequence(chord(modifiers, key)); }

class AllConflictsTest : public ::testing::Test {
 protected:
  // Clicks "All Conflicts…" with `answer` scripted; the rows it showed.
  Rows showAllConflicts(ListPanelResult answer) {
    host.toolkit.scriptListPanel(answer);
    host.button("BTN_kb_all_conflicts").performClick();
    EXPECT_FALSE(host.toolkit.listPanelCalls().empty());
    return host.toolkit.listPanelCalls().back().panel.rows;
  }

  HeadlessPane host{storeWithConflicts()};
};

TEST_F(AllConflictsTest, ListsEachSharedShortcutWithItsCommandsGroupByGroup) {
  const std::string commandS = keys(kCommandKeyMask, 's');
  const std::string commandE = keys(kCommandKeyMask, 'e');
  const std::string controlB = keys(kControlKeyMask, 'b');
  const Rows expected = {
      {"Menu Commands", 0, kHeading},
      {commandS + ": 'New', 'Save'", 1, kChoice},
      {"New", 2, kChoice},
      {"Save", 2, kChoice},
      {commandE + ": 'Undo', 'PDF'", 1, kChoice},
      {"Undo", 2, kChoice},
      {"PDF", 2, kChoice},
      {"Text Editing Commands", 0, kHeading},
      {controlB + ": 'Move Left', 'moveWordLeft:'", 1, kChoice},
      {"Move Left", 2, kChoice},
      {"moveWordLeft:", 2, kChoice},
  };
  EXPECT_EQ(showAllConflicts({kReturnCodeCancel, -1}), expected);
  const ListPanelCall& call = host.toolkit.listPanelCalls().back();
  EXPECT_EQ(call.panel.title, "All Conflicts");
  EXPECT_EQ(call.panel.choice, ListChoice::Required);
  EXPECT_EQ(call.panel.defaultButton, "Show Command");
  EXPECT_EQ(call.windowName, "WIN_preferences");
}

TEST_F(AllConflictsTest, DesktopShortcutsThatCommandsHoldFormAGroupOfTheirOwn) {
  using Notation = DesktopShortcut::Notation;
  host.application.setDesktopShortcuts({{"GNOME", "Save a screenshot", "<Primary>s", Notation::Accelerator},
                                        {"KDE", "KWin: Nothing of ours", "Meta+F12", Notation::Portable},
                                        {"IBus", "Open", "<Control>o", Notation::Accelerator}});
  const Rows rows = showAllConflicts({kReturnCodeCancel, -1});
  const Rows desktop = {
      {"Shortcuts the Desktop Takes", 0, kHeading},
      {keys(kCommandKeyMask, 's') + ": 'Save a screenshot' (GNOME)", 1, kChoice},
      {"New", 2, kChoice},
      {"Save", 2, kChoice},
      {keys(kCommandKeyMask, 'o') + ": 'Open' (IBus)", 1, kChoice},
      {"Open…", 2, kChoice},
  };
  ASSERT_GE(rows.size(), desktop.size());
  EXPECT_EQ(Rows(rows.end() - static_cast<std::ptrdiff_t>(desktop.size()), rows.end()), desktop);
}

TEST_F(AllConflictsTest, ChoosingARowSelectsItsCommandInItsOutline) {
  struct Case {
    ListPanelResult answer;
    const char* tab;        // nullptr: nothing selected
    std::int64_t selected;  // in that tab's outline
  };
  const Case cases[] = {
      {{kReturnCodeOK, 3}, "menu", row::kSave},
      {{kReturnCodeOK, 4}, "menu", row::kUndo},  // a shortcut's row: its first holder
      {{kReturnCodeOK, 6}, "menu", row::kPDF},   // inside a submenu
      {{kReturnCodeOK, 10}, "editor", 4},        // moveWordLeft:, inside Words
      {{kReturnCodeOK, 0}, nullptr, -1},         // a heading
      {{kReturnCodeCancel, 3}, nullptr, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer.selectedRow);
    HeadlessPane fresh{storeWithConflicts()};
    fresh.showTab(c.tab && std::string(c.tab) == "menu" ? "editor" : "menu");
    const std::size_t notices = fresh.panel.okNotices().size();
    fresh.toolkit.scriptListPanel(c.answer);
    fresh.button("BTN_kb_all_conflicts").performClick();
    if (c.tab) {
      EXPECT_EQ(fresh.toolkit.find<HeadlessTabView>("TABV_outlines")->selectedTabViewItemIdentifier(), c.tab);
      auto& outline = std::string(c.tab) == "menu" ? fresh.menuOutline() : fresh.editorOutline();
      EXPECT_EQ(outline.selectedRow(), c.selected);
    } else {
      EXPECT_EQ(fresh.menuOutline().selectedRow(), -1);
      EXPECT_EQ(fresh.editorOutline().selectedRow(), -1);
    }
    // Showing a command changes nothing and opens no edit menu.
    EXPECT_EQ(fresh.panel.okNotices().size(), notices);
    EXPECT_FALSE(fresh.changeFlagIsSet());
    EXPECT_EQ(fresh.toolkit.lastContextMenu(), nullptr);
  }
}

TEST_F(AllConflictsTest, ASearchThatHidesTheCommandIsCleared) {
  host.field("TEXT_kb_search").typeText("Undo");
  showAllConflicts({kReturnCodeOK, 3});
  EXPECT_EQ(host.field("TEXT_kb_search").stringValue(), "");
  EXPECT_EQ(host.menuOutline().selectedRow(), row::kSave);
}

TEST(AllConflicts, WithoutConflictsThePanelSaysSo) {
  HeadlessPane host;
  host.button("BTN_kb_all_conflicts").performClick();
  ASSERT_EQ(host.toolkit.listPanelCalls().size(), 1u);
  EXPECT_TRUE(host.toolkit.listPanelCalls()[0].panel.rows.empty());
  EXPECT_EQ(host.toolkit.listPanelCalls()[0].panel.message, "No two commands share a shortcut.");
}

// ---- Import preview ----

class ImportPreviewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto clash = Dictionary::make({{kSetNameKey, str("Clash")},
                                   {kSetMenuKey, Dictionary::make({{kNewId, entry("New", {chord(kCommandKeyMask, 's')})},
                                                                   {kSaveId, entry("Save", {chord(kCommandKeyMask, 's')})}})}});
    ASSERT_TRUE(writePropertyListFile(clash, files.file("clash.QOR_shortcuts")));
    auto plain = asMutableDictionary(MakePlistMutable(makeDefaultSet()));
    plain->removeObjectForKey(kSetNameKey);
    ASSERT_TRUE(writePropertyListFile(plain, files.file("Plain.QOR_shortcuts")));
    files.write("garbage.QOR_shortcuts", "not a property list");
    paths = {files.file("clash.QOR_shortcuts"), files.file("Plain.QOR_shortcuts"), files.file("garbage.QOR_shortcuts")};
  }
  void importWith(std::optional<ListPanelResult> answer) {
    if (answer) host.toolkit.scriptListPanel(*answer);
    host.toolkit.scriptOpenPanel({kReturnCodeOK, paths});
    host.button("BTN_kb_import_set").performClick();
  }

  TemporaryFolder files;
  std::vector<std::string> paths;
  HeadlessPane host;
};

TEST_F(ImportPreviewTest, ShowsPerFileTheSetTheDifferencesAndTheConflicts) {
  importWith(ListPanelResult{kReturnCodeCancel, -1});
  ASSERT_EQ(host.toolkit.listPanelCalls().size(), 1u);
  // Clash binds ⌘S to New, and nothing to Open, Undo and the three editing
  // commands that have shortcuts by default.
  const Rows expected = {
      {"'Clash' from 'clash.QOR_shortcuts'", 0, kHeading},
      {"Commands that differ from the current set: 6", 1, kHeading},
      {"Shortcuts shared by two or more commands: 1", 1, kHeading},
      {keys(kCommandKeyMask, 's') + ": 'New', 'Save'", 2, kHeading},
      {"'Plain' from 'Plain.QOR_shortcuts'", 0, kHeading},
      {"Commands that differ from the current set: 0", 1, kHeading},
      {"Shortcuts shared by two or more commands: 0", 1, kHeading},
      {"Not a key bindings set: 'garbage.QOR_shortcuts'.", 0, kHeading},
  };
  EXPECT_EQ(host.toolkit.listPanelCalls()[0].panel.rows, expected);
  EXPECT_EQ(host.toolkit.listPanelCalls()[0].panel.defaultButton, "Import");
  EXPECT_EQ(host.toolkit.listPanelCalls()[0].panel.cancelButton, "Cancel");
}

TEST_F(ImportPreviewTest, CancelImportsNothingAndTellsNothing) {
  const std::size_t sets = host.sets().numberOfItems();
  importWith(ListPanelResult{kReturnCodeCancel, -1});
  EXPECT_EQ(host.sets().numberOfItems(), sets);
  EXPECT_TRUE(host.panel.okNotices().empty());
  EXPECT_FALSE(host.changeFlagIsSet());
  EXPECT_TRUE(host.toolkit.alerts().empty());
  EXPECT_FALSE(host.pane->canUndoChange());
}

TEST_F(ImportPreviewTest, ImportCarriesTheImportOutAsWithoutThePreview) {
  importWith(std::nullopt);  // the default button
  EXPECT_EQ(host.sets().numberOfItems(), 3u);  // the default set, Clash, Plain
  EXPECT_EQ(host.panel.okNotices().size(), 1u);
  EXPECT_TRUE(host.changeFlagIsSet());
  ASSERT_EQ(host.toolkit.alerts().size(), 1u);
  EXPECT_EQ(host.toolkit.alerts()[0].message, "Not a key bindings set: 'garbage.QOR_shortcuts'.");
}

TEST_F(ImportPreviewTest, AnotherEditorsKeymapShowsWhatChangesAndWhatIsLeftOut) {
  ASSERT_TRUE(writePropertyListFile(
      Dictionary::make({{"vscode", Dictionary::make({{"workbench.action.files.save", str(kSaveId)}})}}),
      host.bundleFolder.file("KeymapCommands.plist")));
  files.write("keybindings.json", R"([
    {"key": "ctrl+n", "command": "workbench.action.files.save"},
    {"key": "ctrl+shift+z", "command": "no.such.command"},
    {"key": "ctrl+e", "command": "workbench.action.files.save", "when": "terminalFocus"}])");
  paths = {files.file("keybindings.json")};
  importWith(std::nullopt);  // the default button

  // Save takes ⌘N, which New keeps.
  const Rows expected = {
      {"'keybindings' from 'keybindings.json'", 0, kHeading},
      {"Commands that differ from the current set: 1", 1, kHeading},
      {"Save", 2, kHeading},
      {"Shortcuts shared by two or more commands: 1", 1, kHeading},
      {keys(kCommandKeyMask, 'n') + ": 'New', 'Save'", 2, kHeading},
      {"Entries not imported: 2", 1, kHeading},
      {"'no.such.command' ctrl+shift+z: unknown command", 2, kHeading},
      {"'workbench.action.files.save' ctrl+e: a condition this editor has no context for (terminalFocus)", 2,
       kHeading},
  };
  ASSERT_EQ(host.toolkit.listPanelCalls().size(), 1u);
  EXPECT_EQ(host.toolkit.listPanelCalls()[0].panel.rows, expected);
  ASSERT_EQ(host.sets().numberOfItems(), 2u);  // the default set and the new one
  EXPECT_EQ(host.sets().itemAtIndex(1)->title(), "keybindings");
  EXPECT_TRUE(host.toolkit.alerts().empty());
}

TEST_F(ImportPreviewTest, NoPreviewWhenNoFileIsASet) {
  paths = {files.file("garbage.QOR_shortcuts")};
  importWith(std::nullopt);
  EXPECT_TRUE(host.toolkit.listPanelCalls().empty());
  EXPECT_EQ(host.toolkit.alerts().size(), 1u);
}

}  // namespace
}  // namespace qor::pane_test
