// The two command outlines and their edit menu, on the headless platform.
#include <gtest/gtest.h>

#include <algorithm>

#include "headless_pane.h"
#include "qor/collections.h"

namespace qor::pane_test {
namespace {

constexpr const char* kRule = "─────────";  // nine U+2500
const TargetAction kNoAction{};

class OutlinesTest : public ::testing::Test {
 protected:
  // Makes the current set a stored copy of the default set named "Mine".
  void useOwnSet() { host.duplicateAs("Mine"); }

  void setSequences(const char* group, const std::string& key, std::vector<Ref> sequences) {
    host.currentEntry(group, key)->setObjectForKey(MutableArray::make(std::move(sequences)), kKeySequencesKey);
    host.pane->reloadOutlines();
  }

  const OutlineRow& menuRow(std::int64_t index) {
    return host.menuOutline().rows().at(static_cast<std::size_t>(index));
  }
  const OutlineRow& editorRow(std::int64_t index) {
    return host.editorOutline().rows().at(static_cast<std::size_t>(index));
  }

  HeadlessPane host;
  const TargetAction showEditMenu{host.pane.get(), "showPopupButtonToEdit"};
};

TEST_F(OutlinesTest, MenuTreeFollowsTheLiveMainMenu) {
  const auto& rows = host.menuOutline().rows();
  ASSERT_EQ(rows.size(), 11u);
  struct Expected {
    std::int64_t row;
    int level;
    bool expandable;
    const char* title;
  };
  const Expected expected[] = {
      {row::kFile, 0, true, "File"},    {row::kNew, 1, false, "New"},      {row::kOpen, 1, false, "Open…"},
      {row::kSeparator, 1, false, kRule}, {row::kSave, 1, false, "Save"},  {row::kExport, 1, true, "Export"},
      {row::kPDF, 2, false, "PDF"},     {row::kRecent, 1, false, "Recent"},  // empty submenu: nothing to expand
      {row::kEdit, 0, true, "Edit"},    {row::kUndo, 1, false, "Undo"},    {row::kOrphan, 1, false, "Orphan"},
  };
  for (const Expected& e : expected) {
    EXPECT_EQ(menuRow(e.row).level, e.level) << e.title;
    EXPECT_EQ(menuRow(e.row).expandable, e.expandable) << e.title;
    EXPECT_EQ(menuRow(e.row).title, e.title);
  }
  // Read live, never copied: a new main menu shows at the next reload.
  auto bar = std::make_unique<SimpleMenu>("");
  bar->addItem("Only", "only:", std::nullopt, 0);
  host.application.setMainMenu(std::move(bar));
  host.menuOutline().reloadData();
  ASSERT_EQ(host.menuOutline().rows().size(), 1u);
  EXPECT_EQ(menuRow(0).title, "Only");
}

TEST_F(OutlinesTest, ChildrenOutOfRangeAndThirdViewsGetNothing) {
  KeyBindings& pane = *host.pane;
  HeadlessOutlineView& menu = host.menuOutline();
  EXPECT_EQ(pane.outlineViewNumberOfChildrenOfItem(menu, {}), 2);
  EXPECT_TRUE(pane.outlineViewChildOfItem(menu, 2, {}).isNone());  // index == count
  EXPECT_TRUE(pane.outlineViewChildOfItem(menu, -1, {}).isNone());
  HeadlessOutlineView& editor = host.editorOutline();
  EXPECT_EQ(pane.outlineViewNumberOfChildrenOfItem(editor, {}), 3);
  EXPECT_TRUE(pane.outlineViewChildOfItem(editor, 3, {}).isNone());

  HeadlessOutlineView stranger(host.toolkit.journal(), "stranger", nullptr);
  OutlineItem save = menuRow(row::kSave).item;
  HeadlessCell cell;
  EXPECT_EQ(pane.outlineViewNumberOfChildrenOfItem(stranger, {}), 0);
  EXPECT_TRUE(pane.outlineViewChildOfItem(stranger, 0, {}).isNone());
  EXPECT_FALSE(pane.outlineViewIsItemExpandable(stranger, menuRow(row::kFile).item));
  EXPECT_EQ(pane.outlineViewObjectValueForTableColumnByItem(stranger, "title", save), "");
  EXPECT_FALSE(pane.outlineViewShouldSelectItem(stranger, save));
  EXPECT_FALSE(pane.outlineViewShouldEditTableColumnItem(stranger, "Key", save));
  pane.outlineViewWillDisplayCellForTableColumnItem(stranger, cell, "Key", save);
  EXPECT_EQ(cell.state(), CellState{});
  // A missing item: empty texts in both outlines, a cell left alone.
  EXPECT_EQ(pane.outlineViewObjectValueForTableColumnByItem(menu, "Key", {}), "");
  EXPECT_EQ(pane.outlineViewObjectValueForTableColumnByItem(editor, "title", {}), "");
  pane.outlineViewWillDisplayCellForTableColumnItem(menu, cell, "title", {});
  EXPECT_EQ(cell.state(), CellState{});
  // Another column shows nothing.
  EXPECT_EQ(pane.outlineViewObjectValueForTableColumnByItem(menu, "other", save), "");
}

TEST_F(OutlinesTest, RowsAnswerByKind) {
  struct Expected {
    std::int64_t row;
    const char* key;
    bool selectable;
    bool editable;
    TextAlignment alignment;
    bool keyCellOpensMenu;
  };
  const Expected expected[] = {
      {row::kFile, " ", false, false, TextAlignment::Left, false},
      {row::kNew, "⌘N", true, true, TextAlignment::Left, true},
      {row::kSeparator, " ", false, false, TextAlignment::Center, false},
      {row::kSave, "⌘S", true, true, TextAlignment::Left, true},
      // A submenu holder with a command of its own: selectable, its cell
      // opens the menu, yet the toolkit may not let the user edit it.
      {row::kExport, " ", true, false, TextAlignment::Left, true},
      {row::kRecent, " ", false, false, TextAlignment::Left, false},
      // submenuAction: without a submenu: blank, but a command row otherwise.
      {row::kOrphan, " ", true, true, TextAlignment::Left, true},
  };
  KeyBindings& pane = *host.pane;
  for (const Expected& e : expected) {
    const OutlineRow& shown = menuRow(e.row);
    SCOPED_TRACE(shown.title);
    EXPECT_EQ(shown.key, e.key);
    EXPECT_EQ(pane.outlineViewShouldSelectItem(host.menuOutline(), shown.item), e.selectable);
    for (const char* column : {"title", "Key", "other"})
      EXPECT_EQ(pane.outlineViewShouldEditTableColumnItem(host.menuOutline(), column, shown.item), e.editable);
    EXPECT_EQ(shown.titleCell, (CellState{e.alignment, std::nullopt}));
    EXPECT_EQ(shown.keyCell, (CellState{std::nullopt, e.keyCellOpensMenu ? showEditMenu : kNoAction}));
  }
  // The separator can't be selected, and its "Key" cell does nothing.
  EXPECT_FALSE(host.menuOutline().selectRow(row::kSeparator));
  EXPECT_FALSE(host.menuOutline().clickKeyCell(row::kSeparator));
  EXPECT_FALSE(host.menuOutline().selectRow(row::kFile));
  EXPECT_EQ(host.menuOutline().selectedRow(), -1);
}

TEST_F(OutlinesTest, EditorTreeShowsTranslatedTitlesAndLeafShortcuts) {
  host.showTab("editor");
  struct Expected {
    std::int64_t row;
    int level;
    const char* title;
    const char* key;
    bool selectable;
  };
  const Expected expected[] = {
      {0, 0, "Move", " ", false},        {1, 1, "Move Left", "⌃B", true},   {2, 1, "moveRight:", "⌃F", true},
      {3, 1, "Words", " ", false},       {4, 2, "moveWordLeft:", " ", true}, {5, 0, "Empty", " ", false},
      {6, 0, "selectAll:", "⌘A", true},
  };
  ASSERT_EQ(host.editorOutline().rows().size(), std::size(expected));
  for (const Expected& e : expected) {
    const OutlineRow& shown = editorRow(e.row);
    SCOPED_TRACE(e.title);
    EXPECT_EQ(shown.level, e.level);
    EXPECT_EQ(shown.title, e.title);
    EXPECT_EQ(shown.key, e.key);
    EXPECT_EQ(host.pane->outlineViewShouldSelectItem(host.editorOutline(), shown.item), e.selectable);
    EXPECT_EQ(host.pane->outlineViewShouldEditTableColumnItem(host.editorOutline(), "Key", shown.item),
              e.selectable);
    EXPECT_EQ(shown.titleCell, CellState{});  // editor titles are left as they are
    EXPECT_EQ(shown.keyCell, (CellState{std::nullopt, e.selectable ? showEditMenu : kNoAction}));
  }
  EXPECT_TRUE(editorRow(0).expandable);
  EXPECT_FALSE(editorRow(5).expandable);  // a group without "items"
}

// The search field: the rows shown (title, level) for each text, both outlines.
TEST_F(OutlinesTest, TheSearchFieldFiltersBothOutlinesByTitle) {
  using Rows = std::vector<std::pair<std::string, int>>;
  auto shown = [](HeadlessOutlineView& outline) {
    Rows rows;
    for (const OutlineRow& row : outline.rows()) rows.emplace_back(row.title, row.level);
    return rows;
  };
  struct Case {
    const char* text;
    Rows menu;
    Rows editor;
  };
  const Case cases[] = {
      // Inside a word, any case; the holders above a match stay; PDF's holder Export is a command too.
      {"PD", {{"File", 0}, {"Export", 1}, {"PDF", 2}}, {}},
      // Editor titles are the translated ones; how titles fold is the model's (command_search_test).
      {"LEFT", {}, {{"Move", 0}, {"Move Left", 1}, {"Words", 1}, {"moveWordLeft:", 2}}},
      // A group's own title finds nothing: only commands match.
      {"words", {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    host.field("TEXT_kb_search").typeText(c.text);
    EXPECT_EQ(shown(host.menuOutline()), c.menu);
    EXPECT_EQ(shown(host.editorOutline()), c.editor);
  }
  // Emptied: every row is back, separators included.
  host.field("TEXT_kb_search").typeText("");
  EXPECT_EQ(host.menuOutline().rows().size(), 11u);
  EXPECT_EQ(host.editorOutline().rows().size(), 7u);
}

// The search field's record mode: keys pressed after the toggle, the field's
// text, the rows shown and whether the pane still records.
TEST_F(OutlinesTest, TheRecordModeFiltersBothOutlinesByPressedKeys) {
  using Rows = std::vector<std::string>;
  auto shown = [](HeadlessOutlineView& outline) {
    Rows rows;
    for (const OutlineRow& row : outline.rows()) rows.push_back(row.title);
    return rows;
  };
  struct Press {
    std::uint32_t modifiers;
    const char* characters;
  };
  constexpr std::uint32_t kCmd = kCommandKeyMask;
  const Press escape{0, "\x1b"};
  useOwnSet();
  auto twoChords = [](std::uint32_t modifiers, char first, char second) {
    return Array::make({modifierStroke(modifiers), keyStroke(first, modifiers), modifierStroke(modifiers),
                        keyStroke(second, modifiers)});
  };
  setSequences(kSetMenuKey, kOpenId, {chord(kCmd, 'o'), twoChords(kCmd, 'k', 'o')});
  setSequences(kSetEditorKey, "moveWordLeft:", {twoChords(kCmd, 'k', 'l')});
  struct Case {
    std::vector<Press> presses;
    const char* field;
    Rows menu;
    Rows editor;
    bool recording;
  };
  const Rows allMenu = shown(host.menuOutline());
  const Rows allEditor = shown(host.editorOutline());
  const Case cases[] = {
      // The first chord of two: every command whose sequence starts with it, in either outline.
      {{{kCmd, "k"}}, "⌘K", {"File", "Open…"}, {"Move", "Words", "moveWordLeft:"}, true},
      // Presses add up while recording; which sequences match is the model's (conflicts_test).
      {{{kCmd, "k"}, {kCmd, "o"}}, "⌘K⌘O", {"File", "Open…"}, {}, true},
      // Nothing matches: recording ends by itself, the empty result stays.
      {{{kCmd, "q"}, {kCmd, "s"}}, "⌘Q", {}, {}, false},
      // Escape ends recording without being recorded; the matches stay.
      {{{kCmd, "k"}, escape, {kCmd, "s"}}, "⌘K", {"File", "Open…"}, {"Move", "Words", "moveWordLeft:"}, false},
      {{escape}, "", allMenu, allEditor, false},
  };
  HeadlessButton& toggle = host.button("BTN_kb_search_keys");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.field);
    toggle.performClick();
    ASSERT_EQ(toggle.state(), ButtonState::On);
    for (const Press& press : c.presses) {
      host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, press.modifiers);
      host.application.sendKeyEvent(kKeyDownEventType, press.characters, 0, press.modifiers);
      host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, 0);
    }
    EXPECT_EQ(host.field("TEXT_kb_search").stringValue(), c.field);
    EXPECT_EQ(shown(host.menuOutline()), c.menu);
    EXPECT_EQ(shown(host.editorOutline()), c.editor);
    EXPECT_EQ(host.application.snooper() == host.pane.get(), c.recording);
    // Turned off: everything again, the field empty, no snooper.
    toggle.performClick();
    EXPECT_EQ(toggle.state(), ButtonState::Off);
    EXPECT_EQ(host.field("TEXT_kb_search").stringValue(), "");
    EXPECT_EQ(shown(host.menuOutline()), allMenu);
    EXPECT_EQ(shown(host.editorOutline()), allEditor);
    EXPECT_EQ(host.application.snooper(), nullptr);
  }
  EXPECT_EQ(toggle.title(), "Keys");
}

// Words chosen in the host's defaults (the General pane) show the next time
// the pane writes a shortcut: the outline's next drawing, the key sheet, the
// cheat sheet. Which texts each rule writes is the model's.
TEST_F(OutlinesTest, WordsChosenInTheDefaultsShowTheNextTimeThePaneWrites) {
  useOwnSet();
  setSequences(kSetMenuKey, kSaveId, {chord(kCommandKeyMask, 'S')});
  ASSERT_EQ(menuRow(row::kSave).key, "⇧⌘S");
  host.store.setObjectForKey(str(kWordsNotationValue), kShortcutNotationDefaultsKey);
  host.pane->reloadOutlines();
  EXPECT_EQ(menuRow(row::kSave).key, "Ctrl+Shift+S");
  EXPECT_NE(host.pane->cheatSheetPage().find("<td>Save</td><td class=\"keys\">Ctrl+Shift+S</td></tr>"),
            std::string::npos);

  ASSERT_TRUE(host.menuOutline().selectRow(row::kNew));
  host.pane->showKeyConfigurationSheet(nullptr);
  host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, kCommandKeyMask);
  host.application.sendKeyEvent(kKeyDownEventType, "S", 0, kCommandKeyMask);  // as chord() stores ⇧⌘S
  EXPECT_EQ(host.field("TEXT_key_configurator").stringValue(), "Ctrl+Shift+S");
  EXPECT_EQ(host.field("TEXT_kb_conflict").stringValue(), "'Ctrl+Shift+S' is currently bound to 'Save'.");
}

// Leaving the record mode other than by the toggle.
TEST_F(OutlinesTest, EditingTheFieldOrOpeningTheConfiguratorEndsRecording) {
  HeadlessButton& toggle = host.button("BTN_kb_search_keys");
  auto pressCommandS = [this] {
    host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, kCommandKeyMask);
    host.application.sendKeyEvent(kKeyDownEventType, "s", 0, kCommandKeyMask);
  };
  toggle.performClick();
  pressCommandS();
  // Typing searches by title again, and the mode is off.
  host.field("TEXT_kb_search").typeText("undo");
  EXPECT_EQ(toggle.state(), ButtonState::Off);
  EXPECT_EQ(host.application.snooper(), nullptr);
  EXPECT_EQ(host.menuOutline().rows().size(), 2u);  // Edit, Undo
  host.field("TEXT_kb_search").typeText("");
  EXPECT_EQ(host.menuOutline().rows().size(), 11u);

  // The key configurator takes the keys over; the matches stay; the mode does not start while it is open.
  useOwnSet();
  toggle.performClick();
  pressCommandS();
  ASSERT_EQ(host.menuOutline().rows().size(), 2u);  // File, Save
  ASSERT_TRUE(host.menuOutline().selectRow(1));
  ASSERT_TRUE(host.toolkit.chooseContextMenuItem(0));  // Add Shortcut...
  EXPECT_EQ(host.application.snooper(), host.pane.get());
  EXPECT_EQ(host.menuOutline().rows().size(), 2u);
  pressCommandS();
  EXPECT_EQ(host.field("TEXT_key_configurator").stringValue(), "⌘S");
  EXPECT_EQ(host.field("TEXT_kb_search").stringValue(), "⌘S");
  toggle.performClick();  // off
  toggle.performClick();  // refused while the sheet is open
  EXPECT_EQ(toggle.state(), ButtonState::Off);
  EXPECT_EQ(host.application.snooper(), host.pane.get());
}

TEST_F(OutlinesTest, ThreeShortcutsAndRemovingTheSecond) {
  useOwnSet();
  setSequences(kSetMenuKey, kSaveId, {plainKey('a'), plainKey('b'), plainKey('c')});
  EXPECT_EQ(menuRow(row::kSave).key, "A , B , C");

  host.panel.changedAttributesDictionary()->removeAllObjects();
  std::size_t notices = host.panel.okNotices().size();
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  const ContextMenu* menu = host.toolkit.lastContextMenu();
  ASSERT_NE(menu, nullptr);
  const std::vector<ItemState> expected = {
      {"Add Shortcut...", 0, {host.pane.get(), "showKeyConfigurationSheet:"}},
      {"Remove 'A'", 0, {host.pane.get(), "removeShortcutAtIndex:"}},
      {"Remove 'B'", 1, {host.pane.get(), "removeShortcutAtIndex:"}},
      {"Remove 'C'", 2, {host.pane.get(), "removeShortcutAtIndex:"}},
  };
  EXPECT_EQ(menu->items, expected);

  host.toolkit.journal().clear();
  ASSERT_TRUE(host.toolkit.chooseContextMenuItem(2));
  EXPECT_EQ(menuRow(row::kSave).key, "A , C");
  EXPECT_EQ(host.panel.okNotices().size(), notices + 1);
  EXPECT_TRUE(isEqual(host.panel.changedAttributesDictionary()->objectForKey(kChangeFlagKey), boolean(true)));
  // Only the shown outline is reloaded, in whichever order the host is told.
  std::vector<std::string> heard = host.toolkit.journal().lines();
  std::sort(heard.begin(), heard.end());
  EXPECT_EQ(heard, (std::vector<std::string>{"OLV_menu_key_bindings reloadData", "i_am_ok"}));
}

TEST_F(OutlinesTest, RemovingTheOnlyShortcutKeepsAnEmptyEntry) {
  useOwnSet();
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  EXPECT_EQ(host.contextMenuTitles(), (std::vector<std::string>{"Add Shortcut...", "Remove '⌘S'"}));
  ASSERT_TRUE(host.toolkit.chooseContextMenuItem(1));
  MutableDictionaryRef save = host.currentEntry(kSetMenuKey, kSaveId);
  ASSERT_NE(save, nullptr);
  ASSERT_NE(save->arrayForKey(kKeySequencesKey), nullptr);
  EXPECT_TRUE(save->arrayForKey(kKeySequencesKey)->empty());
  EXPECT_EQ(menuRow(row::kSave).key, " ");
  ASSERT_TRUE(host.menuOutline().clickKeyCell(row::kSave));
  EXPECT_EQ(host.contextMenuTitles(), (std::vector<std::string>{"Add Shortcut..."}));
}

TEST_F(OutlinesTest, CommandWithoutEntryOffersOnlyAdding) {
  useOwnSet();
  asMutableDictionary(host.pane->currentKeyBindingsSet()->objectForKey(kSetMenuKey))->removeObjectForKey(kNewId);
  host.pane->reloadOutlines();
  EXPECT_EQ(menuRow(row::kNew).key, " ");
  ASSERT_TRUE(host.menuOutline().selectRow(row::kNew));
  EXPECT_EQ(host.contextMenuTitles(), (std::vector<std::string>{"Add Shortcut..."}));
  // Nothing to remove: a stray removal changes nothing and tells nobody.
  std::size_t notices = host.panel.okNotices().size();
  host.pane->removeShortcutAtIndex(&host.menuOutline());
  EXPECT_EQ(host.panel.okNotices().size(), notices);
}

TEST_F(OutlinesTest, EqualTextsGetAnItemEach) {
  useOwnSet();
  // Two ways to store ⌘S; both render alike.
  setSequences(kSetMenuKey, kSaveId,
               {chord(kCommandKeyMask, 's'), Array::make({modifierStroke(kCommandKeyMask), keyStroke('s', 0)})});
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  const ContextMenu* menu = host.toolkit.lastContextMenu();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->items.size(), 3u);
  EXPECT_EQ(menu->items[1].title, "Remove '⌘S'");
  EXPECT_EQ(menu->items[2].title, "Remove '⌘S'");
  EXPECT_EQ(menu->items[2].tag, 1);
  for (const std::string& line : host.toolkit.journal().lines())
    EXPECT_EQ(line.find("refused"), std::string::npos) << line;
}

TEST_F(OutlinesTest, EditMenuStandsOverTheKeyCell) {
  useOwnSet();
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  const ContextMenu* menu = host.toolkit.lastContextMenu();
  ASSERT_NE(menu, nullptr);
  // Cell (column 1, row 4) on the 200 x 20 grid; the outline sits at (20, 40).
  EXPECT_EQ(menu->holderFrame, (Rect{{200, 80}, {200, 20}}));
  EXPECT_EQ(menu->event.type, kLeftMouseUpEventType);
  EXPECT_EQ(menu->event.location, (Point{220, 120}));
  EXPECT_EQ(menu->event.modifierFlags, 0u);
  EXPECT_EQ(menu->event.timestamp, 0);
  EXPECT_EQ(menu->event.windowNumber, host.pane->VIEW_key_bindings->window()->windowNumber());
  EXPECT_EQ(menu->event.eventNumber, 0);
  EXPECT_EQ(menu->event.clickCount, 1);
  EXPECT_EQ(menu->event.pressure, 0);
  EXPECT_EQ(menu->viewName, menu->holderName);  // the holder stands as the view
}

TEST_F(OutlinesTest, EditorGroupEditsTheEditorEntry) {
  useOwnSet();
  host.showTab("editor");
  ASSERT_TRUE(host.editorOutline().selectRow(1));  // moveLeft:
  EXPECT_EQ(host.contextMenuTitles(), (std::vector<std::string>{"Add Shortcut...", "Remove '⌃B'"}));
  ASSERT_TRUE(host.toolkit.chooseContextMenuItem(1));
  EXPECT_TRUE(host.currentEntry(kSetEditorKey, "moveLeft:")->arrayForKey(kKeySequencesKey)->empty());
  EXPECT_EQ(editorRow(1).key, " ");
  EXPECT_EQ(host.currentEntry(kSetMenuKey, kSaveId)->arrayForKey(kKeySequencesKey)->count(), 1u);
}

TEST_F(OutlinesTest, DefaultSetShowsTheAlertInsteadOfTheMenu) {
  ASSERT_EQ(host.pane->keyBindingsNumber(), 0);
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  ASSERT_EQ(host.toolkit.alerts().size(), 1u);
  EXPECT_EQ(host.toolkit.alerts()[0].title, "Can't change default key bindings set");
  EXPECT_EQ(host.toolkit.alerts()[0].message, "To customize shortcuts, duplicate an existing key bindings set.");
  EXPECT_EQ(host.toolkit.alerts()[0].defaultButton, "OK");
  EXPECT_EQ(host.toolkit.lastContextMenu(), nullptr);
  // Asked each time.
  ASSERT_TRUE(host.menuOutline().selectRow(row::kNew));
  ASSERT_TRUE(host.menuOutline().clickKeyCell(row::kNew));
  EXPECT_EQ(host.toolkit.alerts().size(), 3u);
  EXPECT_EQ(host.toolkit.lastContextMenu(), nullptr);
  // The default set stays as the host made it.
  host.pane->removeShortcutAtIndex(&host.menuOutline());
  EXPECT_TRUE(isEqual(host.pane->currentKeyBindingsSet(), makeDefaultSet()));
}

TEST_F(OutlinesTest, NoSelectedRowOpensNothing) {
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  host.menuOutline().deselectAll();  // a selection change to no row
  host.pane->showPopupButtonToEdit(nullptr);
  EXPECT_EQ(host.toolkit.alerts().size(), 1u);  // from the selection only
  useOwnSet();
  host.pane->showPopupButtonToEdit(nullptr);
  EXPECT_EQ(host.toolkit.lastContextMenu(), nullptr);
}

TEST_F(OutlinesTest, SelectionChangeOpensTheMenuBySystemVersion) {
  useOwnSet();
  struct Case {
    std::int32_t version;
    bool opens;
  };
  // The versions' boundaries are the model's (outline_rules_test); one of each answer here.
  const Case cases[] = {{0x610, true}, {0x1030, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    host.systemVersion = c.version;
    host.menuOutline().deselectAll();
    std::size_t lines = host.toolkit.journal().lines().size();
    ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
    bool opened = host.toolkit.journal().lines().size() > lines &&
                  host.toolkit.journal().lines().back().starts_with("popUpContextMenu");
    EXPECT_EQ(opened, c.opens);
    // The "Key" cell opens it on every version.
    ASSERT_TRUE(host.menuOutline().clickKeyCell(row::kSave));
    EXPECT_TRUE(host.toolkit.journal().lines().back().starts_with("popUpContextMenu"));
  }
}

TEST_F(OutlinesTest, RemovalNeedsAnIndexInRange) {
  useOwnSet();
  setSequences(kSetMenuKey, kSaveId, {plainKey('a'), plainKey('b')});
  ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
  std::size_t notices = host.panel.okNotices().size();
  struct Tag final : Sender {
    explicit Tag(std::int64_t t) : value(t) {}
    [[nodiscard]] std::int64_t tag() const override { return value; }
    std::int64_t value;
  };
  for (std::int64_t bad : {std::int64_t{2}, std::int64_t{-1}, std::int64_t{1} << 40}) {
    Tag sender(bad);
    host.pane->removeShortcutAtIndex(&sender);
  }
  host.pane->removeShortcutAtIndex(nullptr);
  EXPECT_EQ(menuRow(row::kSave).key, "A , B");
  EXPECT_EQ(host.panel.okNotices().size(), notices);
  Tag last(1);
  host.pane->removeShortcutAtIndex(&last);
  EXPECT_EQ(menuRow(row::kSave).key, "A");
}

}  // namespace
}  // namespace qor::pane_test
