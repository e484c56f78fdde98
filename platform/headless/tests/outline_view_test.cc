#include <gtest/gtest.h>

#include "qor/headless/toolkit.h"
#include "qor/testing/tree_source.h"

namespace qor {
namespace {

using fixtures::TreeSource;

ArrayRef commandTree() {
  return Array::make({
      Dictionary::make({{"title", str("Edit")}, {"items", Array::make({str("copy:"), str("paste:")})}}),
      str("undo:"),
      Dictionary::make({{"title", str("Empty")}, {"items", Array::make()}}),
  });
}

class OutlineViewTest : public ::testing::Test {
 protected:
  OutlineViewTest() : source(commandTree()) {
    outline.setOriginInWindow({20, 40});
    outline.setDataSource(&source);
    outline.reloadData();
  }
  Journal journal;
  HeadlessWindow window{journal, "WIN_preferences", 1};
  HeadlessOutlineView outline{journal, "OLV_editor_key_bindings", &window};
  TreeSource source;
};

TEST_F(OutlineViewTest, ReloadListsEveryRowWithExpandableItemsExpanded) {
  struct Expected {
    std::string title;
    std::string key;
    int level;
    bool expandable;
  };
  const std::vector<Expected> expected = {
      {"Edit", " ", 0, true},
      {"copy:", "key of copy:", 1, false},
      {"paste:", "key of paste:", 1, false},
      {"undo:", "key of undo:", 0, false},
      {"Empty", " ", 0, false},
  };
  ASSERT_EQ(outline.rows().size(), expected.size());
  for (std::size_t row = 0; row < expected.size(); ++row) {
    const auto& shown = outline.rows()[row];
    EXPECT_EQ(shown.title, expected[row].title) << row;
    EXPECT_EQ(shown.key, expected[row].key) << row;
    EXPECT_EQ(shown.level, expected[row].level) << row;
    EXPECT_EQ(shown.expandable, expected[row].expandable) << row;
    EXPECT_EQ(outline.itemAtRow(static_cast<std::int64_t>(row)), shown.item) << row;
  }
}

TEST_F(OutlineViewTest, CellsShowWhatTheDelegateSetAndNothingItLeftAlone) {
  const auto& group = outline.rows()[0];
  EXPECT_EQ(group.titleCell.alignment, TextAlignment::Center);
  EXPECT_EQ(group.titleCell.targetAction, std::nullopt);
  EXPECT_EQ(group.keyCell.targetAction, TargetAction{});
  const auto& command = outline.rows()[1];
  EXPECT_EQ(command.titleCell, CellState{});
  EXPECT_EQ(command.keyCell.targetAction, (TargetAction{&source.target, "edit:"}));
}

TEST_F(OutlineViewTest, SelectRowAsksFirstAndNotifiesOnlyOnChange) {
  EXPECT_FALSE(outline.selectRow(0));  // a group
  EXPECT_EQ(outline.selectedRow(), -1);
  EXPECT_TRUE(outline.selectRow(2));
  EXPECT_TRUE(outline.selectRow(2));
  EXPECT_FALSE(outline.selectRow(5));
  EXPECT_FALSE(outline.selectRow(0));
  EXPECT_EQ(outline.selectedRow(), 2);
  EXPECT_EQ(source.selections.size(), 1u);
  outline.deselectAll();
  outline.deselectAll();
  EXPECT_EQ(outline.selectedRow(), -1);
  EXPECT_EQ(source.selections.size(), 2u);
}

TEST_F(OutlineViewTest, ASelectionIsDroppedWhenItsRowIsGone) {
  ASSERT_TRUE(outline.selectRow(3));
  source.setRoot(Array::make({str("undo:")}));
  outline.reloadData();
  EXPECT_EQ(outline.selectedRow(), -1);
}

TEST_F(OutlineViewTest, ClickingAKeyCellSendsItsActionWithTheOutlineAsSender) {
  EXPECT_TRUE(outline.clickKeyCell(3));
  ASSERT_EQ(source.target.received.size(), 1u);
  EXPECT_EQ(source.target.received[0].selector, "edit:");
  EXPECT_EQ(source.target.received[0].sender, static_cast<Sender*>(&outline));
  EXPECT_EQ(outline.selectedRow(), -1) << "a click on the cell alone selects nothing";
  EXPECT_FALSE(outline.clickKeyCell(0));  // the group's cell has no action
  EXPECT_FALSE(outline.clickKeyCell(9));
  EXPECT_EQ(source.target.received.size(), 1u);
}

TEST_F(OutlineViewTest, CellFramesLieOnAGridAndConvertByTheViewsOrigin) {
  EXPECT_EQ(outline.columnWithIdentifier("Key"), 1);
  EXPECT_EQ(outline.columnWithIdentifier("key"), -1);
  // Column 1, row 3: x = 1 * 200, y = 3 * 20.
  const Rect cell = outline.frameOfCellAtColumnRow(1, 3);
  EXPECT_EQ(cell, (Rect{{200, 60}, {200, 20}}));
  // To the window: + (20, 40).
  EXPECT_EQ(outline.convertRectToView(cell, nullptr), (Rect{{220, 100}, {200, 20}}));
  HeadlessView other(journal, "VIEW_key_bindings", &window);
  other.setOriginInWindow({5, 10});
  // To another view: + (20, 40) - (5, 10).
  EXPECT_EQ(outline.convertRectToView(cell, &other), (Rect{{215, 90}, {200, 20}}));
  for (auto [column, row] : {std::pair{2, 0}, {-1, 0}, {0, 5}, {0, -1}})
    EXPECT_EQ(outline.frameOfCellAtColumnRow(column, row), Rect{}) << column << "," << row;
}

}  // namespace
}  // namespace qor
