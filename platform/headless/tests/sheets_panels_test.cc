#include <gtest/gtest.h>

#include "qor/headless/toolkit.h"
#include "qor/testing/recorders.h"

namespace qor {
namespace {

using fixtures::RecordingTarget;

class SheetsTest : public ::testing::Test {
 protected:
  HeadlessToolkit toolkit;
  HeadlessWindow preferences{toolkit.journal(), "WIN_preferences", 1};
  HeadlessWindow sheet{toolkit.journal(), "WIN_set_name", 2};
};

// How many times didEnd runs, and with which code, is the toolkit contract's;
// here, what the journal and the open-sheet list say of it.
TEST_F(SheetsTest, TheJournalTellsRefusedBeginsAndEnds) {
  toolkit.beginSheet(sheet, &preferences, [](int) {});
  ASSERT_EQ(toolkit.openSheets().size(), 1u);
  EXPECT_EQ(toolkit.openSheets()[0].parent, &preferences);
  toolkit.beginSheet(sheet, &preferences, [](int) {});
  toolkit.endSheet(sheet, kReturnCodeOK);
  toolkit.endSheet(sheet, kReturnCodeCancel);
  EXPECT_EQ(toolkit.journal().lines(),
            (std::vector<std::string>{"beginSheet WIN_set_name", "beginSheet WIN_set_name refused",
                                      "endSheet WIN_set_name 1", "endSheet WIN_set_name 0 refused"}));
}

TEST_F(SheetsTest, PanelsTakeScriptedAnswersInOrderThenCancel) {
  toolkit.scriptSavePanel({kReturnCodeOK, "/tmp/Mine.QOR_shortcuts"});
  toolkit.scriptSavePanel({kReturnCodeCancel, "/tmp/ignored"});
  std::vector<std::pair<int, std::string>> saved;
  auto didEnd = [&](int code, const std::string& path) { saved.emplace_back(code, path); };
  for (int call = 0; call < 3; ++call) toolkit.beginSaveSheet("", "Mine.QOR_shortcuts", {}, &preferences, didEnd);
  EXPECT_EQ(saved, (std::vector<std::pair<int, std::string>>{
                       {kReturnCodeOK, "/tmp/Mine.QOR_shortcuts"}, {kReturnCodeCancel, ""}, {kReturnCodeCancel, ""}}));
  ASSERT_EQ(toolkit.savePanelCalls().size(), 3u);
  EXPECT_EQ(toolkit.savePanelCalls()[0].fileName, "Mine.QOR_shortcuts");
  EXPECT_EQ(toolkit.savePanelCalls()[0].windowName, "WIN_preferences");

  toolkit.scriptOpenPanel({kReturnCodeOK, {"/a.QOR_shortcuts", "/b.QOR_shortcuts"}});
  toolkit.scriptOpenPanel({kReturnCodeCancel, {"/c.QOR_shortcuts"}});
  EXPECT_EQ(toolkit.runOpenPanelForTypes({"QOR_shortcuts"}).filenames.size(), 2u);
  auto cancelled = toolkit.runOpenPanelForTypes({"QOR_shortcuts"});
  EXPECT_EQ(cancelled.returnCode, kReturnCodeCancel);
  EXPECT_TRUE(cancelled.filenames.empty());
  EXPECT_EQ(toolkit.runOpenPanelForTypes({}).returnCode, kReturnCodeCancel);
  EXPECT_EQ(toolkit.openPanelCalls().front(), std::vector<std::string>{"QOR_shortcuts"});
}

// What a pop-up refuses, selects and sends is the toolkit contract's; here,
// the items' states and journal lines the pane's tests read.
TEST(PopUpButton, ItemsAndTheJournalShowTitlesTagsAndRefusals) {
  Journal journal;
  HeadlessPopUpButton sets(journal, "PUB_sets", nullptr);
  sets.addItemWithTitle("Default");
  sets.addItemWithTitle("Default");
  sets.addItemWithTitle("");
  sets.lastItem()->setTitle("Mine");
  sets.lastItem()->setTag(10);
  EXPECT_EQ(sets.items()[1], (ItemState{"Mine", 10, {}}));
  EXPECT_EQ(journal.lines()[1], "PUB_sets addItemWithTitle 'Default' refused");
  EXPECT_EQ(journal.lines()[3], "PUB_sets item 1 setTitle 'Mine'");
  EXPECT_FALSE(sets.chooseItem(2)) << "no such item";
}

TEST(ContextMenu, KeepsTheHoldersItemsAndSendsTheChosenOne) {
  HeadlessToolkit toolkit;
  RecordingTarget pane;
  HeadlessView view(toolkit.journal(), "OLV_menu_key_bindings", nullptr);
  MouseEvent event;
  event.type = kLeftMouseUpEventType;
  event.location = {220, 100};
  {
    auto holder = toolkit.makePopUpButton({{200, 60}, {200, 20}});
    holder->addItemWithTitle("Add Shortcut...");
    holder->lastItem()->setTargetAction({&pane, "showKeyConfigurationSheet:"});
    for (std::int64_t index : {0, 1}) {
      holder->addItemWithTitle("");
      holder->lastItem()->setTitle("Remove '⌘S'");
      holder->lastItem()->setTag(index);
      holder->lastItem()->setTargetAction({&pane, "removeShortcutAtIndex:"});
    }
    toolkit.popUpContextMenu(*holder, event, *holder);
  }
  const ContextMenu* menu = toolkit.lastContextMenu();
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->holderFrame, (Rect{{200, 60}, {200, 20}}));
  EXPECT_EQ(menu->event.location, (Point{220, 100}));
  ASSERT_EQ(menu->items.size(), 3u);
  EXPECT_EQ(menu->items[2], (ItemState{"Remove '⌘S'", 1, {&pane, "removeShortcutAtIndex:"}}));
  EXPECT_EQ(toolkit.journal().lines().back(), "popUpContextMenu 'Add Shortcut...', 'Remove '⌘S'', 'Remove '⌘S''");

  EXPECT_TRUE(toolkit.chooseContextMenuItem(2));  // the holder is gone by now
  EXPECT_FALSE(toolkit.chooseContextMenuItem(3));
  ASSERT_EQ(pane.received.size(), 1u);
  EXPECT_EQ(pane.received[0].selector, "removeShortcutAtIndex:");
  EXPECT_EQ(pane.received[0].tag, 1);
}

}  // namespace
}  // namespace qor
