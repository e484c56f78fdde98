// The outlines' marks of changed commands, their counts per top-level row,
// and the tooltips in the desktop's notation, on the headless platform.
#include <gtest/gtest.h>

#include <functional>

#include "headless_pane.h"

namespace qor::pane_test {
namespace {

constexpr const char* kMark = "•";
const std::vector<std::string> kNoMarks(11, "");
const std::vector<std::string> kNoEditorMarks(7, "");

// The "changed" column of `outline`, row by row.
std::vector<std::string> changedColumn(const HeadlessOutlineView& outline) {
  const auto column = static_cast<std::size_t>(outline.columnWithIdentifier("changed"));
  std::vector<std::string> texts;
  for (const OutlineRow& row : outline.rows()) texts.push_back(row.texts.at(column));
  return texts;
}

// `base` with `text` in the rows `changes` names.
std::vector<std::string> with(std::vector<std::string> base,
                              std::initializer_list<std::pair<std::int64_t, const char*>> changes) {
  for (auto [row, text] : changes) base.at(static_cast<std::size_t>(row)) = text;
  return base;
}

MutableDictionaryRef currentPart(HeadlessPane& host, const char* group) {
  return asMutableDictionary(host.pane->currentKeyBindingsSet()->objectForKey(group));
}

void chooseSet(HeadlessPane& host, const std::string& title) {
  const std::vector<ItemState> items = host.sets().items();
  for (std::size_t index = 0; index < items.size(); ++index) {
    if (items[index].title == title) {
      ASSERT_TRUE(host.sets().chooseItem(index));
      return;
    }
  }
  ADD_FAILURE() << "no set " << title;
}

// Editor rows: 0 Moving, 1 moveLeft:, 2 moveRight:, 3 Words, 4 moveWordLeft:, 5 Empty, 6 selectAll:.
TEST(OutlineMarks, FollowEveryChangeOfTheCurrentSet) {
  HeadlessPane host;
  struct Step {
    const char* name;
    std::function<void()> act;
    std::vector<std::string> menu;
    std::vector<std::string> editor;
  };
  const std::vector<Step> steps = {
      {"the default set", [] {}, kNoMarks, kNoEditorMarks},
      {"an unchanged copy", [&] { host.duplicateAs("Mine"); }, kNoMarks, kNoEditorMarks},
      {"Save's shortcut removed from the edit menu (a reload of the shown outline only)",
       [&] {
         ASSERT_TRUE(host.menuOutline().selectRow(row::kSave));
         ASSERT_TRUE(host.toolkit.chooseContextMenuItem(1));
       },
       with(kNoMarks, {{row::kFile, "1"}, {row::kSave, kMark}}), kNoEditorMarks},
      {"a shortcut deep in a group; a top-level command without entry",
       [&] {
         MutableDictionaryRef editor = currentPart(host, kSetEditorKey);
         editor->setObjectForKey(entry("", {chord(kAlternateKeyMask, 'b')}), "moveWordLeft:");
         editor->removeObjectForKey("selectAll:");
         host.pane->reloadOutlines();
       },
       with(kNoMarks, {{row::kFile, "1"}, {row::kSave, kMark}}),
       with(kNoEditorMarks, {{0, "1"}, {4, kMark}, {6, kMark}})},
      {"a re-captured ⌘N with its key code is no change",
       [&] {
         auto stroke = Dictionary::make({{kStrokeKeyKey, str("n")},
                                         {kStrokeCodeKey, integer(45)},
                                         {kStrokeModifiersKey, integer(kCommandKeyMask)}});
         currentPart(host, kSetMenuKey)
             ->setObjectForKey(entry("New", {Array::make({modifierStroke(kCommandKeyMask), stroke})}), kNewId);
         host.pane->reloadOutlines();
       },
       with(kNoMarks, {{row::kFile, "1"}, {row::kSave, kMark}}),
       with(kNoEditorMarks, {{0, "1"}, {4, kMark}, {6, kMark}})},
      {"the default set chosen again", [&] { chooseSet(host, "Default"); }, kNoMarks, kNoEditorMarks},
      {"the copy chosen again", [&] { chooseSet(host, "Mine"); },
       with(kNoMarks, {{row::kFile, "1"}, {row::kSave, kMark}}),
       with(kNoEditorMarks, {{0, "1"}, {4, kMark}, {6, kMark}})},
      {"Save reset", [&] { ASSERT_EQ(host.pane->resetEntriesToDefault(ShownGroup::Menu, {kSaveId}), 1u); }, kNoMarks,
       with(kNoEditorMarks, {{0, "1"}, {4, kMark}, {6, kMark}})},
      {"the whole set reset", [&] { host.button("BTN_kb_reset_set").performClick(); }, kNoMarks, kNoEditorMarks},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(changedColumn(host.menuOutline()), step.menu) << step.name;
    EXPECT_EQ(changedColumn(host.editorOutline()), step.editor) << step.name;
  }
}

// A count covers the rows the search shows, which are what Reset Group
// resets: New is changed but hidden, so it is neither counted nor reset.
TEST(OutlineMarks, CountsCoverTheRowsTheSearchShows) {
  HeadlessPane host;
  host.duplicateAs("Mine");
  MutableDictionaryRef menu = currentPart(host, kSetMenuKey);
  menu->setObjectForKey(entry("New", {}), kNewId);
  menu->setObjectForKey(entry("Save", {}), kSaveId);
  host.field("TEXT_kb_search").typeText("save");
  EXPECT_EQ(changedColumn(host.menuOutline()), (std::vector<std::string>{"1", kMark}));  // File, Save
  ASSERT_TRUE(host.menuOutline().selectRow(1));
  host.button("BTN_kb_reset_group").performClick();
  EXPECT_EQ(changedColumn(host.menuOutline()), (std::vector<std::string>{"", ""}));
  host.field("TEXT_kb_search").typeText("");
  EXPECT_EQ(changedColumn(host.menuOutline())[row::kFile], "1");
  EXPECT_EQ(changedColumn(host.menuOutline())[row::kNew], kMark);
}

// Which cells have tooltips and their text are the model's (outline_rules_test);
// here both outlines ask for them per column.
TEST(OutlineMarks, ShortcutCellsShowTheDesktopNotationAsTooltip) {
  HeadlessPane host;
  struct Case {
    const HeadlessOutlineView& outline;
    std::int64_t row;
    std::vector<std::string> toolTips;  // title, Key, changed
  };
  const Case cases[] = {
      {host.menuOutline(), row::kSave, {"", "Ctrl+S", ""}},
      {host.menuOutline(), row::kFile, {"", "", ""}},  // a menu: no shortcuts
      {host.editorOutline(), 1, {"", "Meta+B", ""}},   // Control is Meta
  };
  for (const Case& c : cases)
    EXPECT_EQ(c.outline.rows().at(static_cast<std::size_t>(c.row)).toolTips, c.toolTips) << c.row;
}

TEST(OutlineMarks, TheKeyFieldShowsTheCapturedKeysInTheDesktopNotation) {
  HeadlessPane host;
  host.duplicateAs("Mine");
  ASSERT_TRUE(host.menuOutline().selectRow(row::kUndo));
  ASSERT_TRUE(host.toolkit.chooseContextMenuItem(0));  // Add Shortcut...
  HeadlessTextField& field = host.field("TEXT_key_configurator");
  EXPECT_EQ(field.toolTip(), "");
  const std::uint32_t held = kCommandKeyMask | kShiftKeyMask;
  host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, held);
  host.application.sendKeyEvent(kKeyDownEventType, "S", 1, held);
  EXPECT_EQ(field.stringValue(), "⇧⌘S");
  EXPECT_EQ(field.toolTip(), "Ctrl+Shift+S");
  host.button("BTN_key_configurator_clear").performClick();
  EXPECT_EQ(field.toolTip(), "");
}

}  // namespace
}  // namespace qor::pane_test
