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

TEST_F(SheetsTest, DidEndRunsExactlyOnceWithTheReturnCode) {
  std::vector<int> ended;
  toolkit.beginSheet(sheet, &preferences, [&](int code) { ended.push_back(code); });
  ASSERT_EQ(toolkit.openSheets().size(), 1u);
  EXPECT_EQ(toolkit.openSheets()[0].parent, &preferences);
  toolkit.beginSheet(sheet, &preferences, [&](int code) { ended.push_back(100 + code); });
  toolkit.endSheet(sheet, kReturnCodeOK);
  toolkit.endSheet(sheet, kReturnCodeCancel);
  EXPECT_EQ(ended, std::vector<int>{1});
  EXPECT_FALSE(toolkit.isSheetOpen(sheet));
  EXPECT_EQ(toolkit.journal().lines(),
            (std::vector<std::string>{"beginSheet WIN_set_name", "beginSheet WIN_set_name refused",
                                      "endSheet WIN_set_name 1", "endSheet WIN_set_name 0 refused"}));
}

TEST_F(SheetsTest, DidEndMayOpenTheSheetAgain) {
  int opened = 0;
  std::function<void(int)> reopen = [&](int) {
    if (++opened < 2) toolkit.beginSheet(sheet, &preferences, reopen);
  };
  toolkit.beginSheet(sheet, &preferences, reopen);
  toolkit.endSheet(sheet, kReturnCodeOK);
  EXPECT_TRUE(toolkit.isSheetOpen(sheet));
  toolkit.endSheet(sheet, kReturnCodeOK);
  EXPECT_EQ(opened, 2);
  EXPECT_FALSE(toolkit.isSheetOpen(sheet));
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

TEST(PopUpButton, RefusesATitleAnItemHasAndKeepsRetitledTwins) {
  Journal journal;
  HeadlessPopUpButton sets(journal, "PUB_sets", nullptr);
  sets.addItemWithTitle("Default");
  sets.addItemWithTitle("Default");
  EXPECT_EQ(sets.numberOfItems(), 1u);
  EXPECT_EQ(sets.indexOfSelectedItem(), 0) << "the first item is selected";

  for (std::int64_t tag : {10, 9}) {
    sets.addItemWithTitle("");
    sets.lastItem()->setTitle("Mine");
    sets.lastItem()->setTag(tag);
  }
  ASSERT_EQ(sets.numberOfItems(), 3u);
  EXPECT_EQ(sets.items()[1], (ItemState{"Mine", 10, {}}));
  EXPECT_EQ(sets.items()[2], (ItemState{"Mine", 9, {}}));
  EXPECT_TRUE(sets.selectItemWithTag(9));
  EXPECT_FALSE(sets.selectItemWithTag(7));
  EXPECT_EQ(sets.indexOfSelectedItem(), 2);
  EXPECT_EQ(journal.lines()[1], "PUB_sets addItemWithTitle 'Default' refused");
  EXPECT_EQ(journal.lines()[3], "PUB_sets item 1 setTitle 'Mine'");
  sets.removeAllItems();
  EXPECT_EQ(sets.indexOfSelectedItem(), -1);
}

TEST(PopUpButton, ChoosingAnItemSelectsItAndSendsItsAction) {
  Journal journal;
  RecordingTarget pane;
  HeadlessPopUpButton sets(journal, "PUB_sets", nullptr);
  sets.addItemWithTitle("Default");
  sets.addItemWithTitle("Mine");
  sets.itemAtIndex(1)->setTag(1700000000);
  sets.itemAtIndex(1)->setTargetAction({&pane, "loadKeyBindingsSet:"});
  EXPECT_TRUE(sets.chooseItem(1));
  EXPECT_FALSE(sets.chooseItem(2));
  EXPECT_EQ(sets.indexOfSelectedItem(), 1);
  ASSERT_EQ(pane.received.size(), 1u);
  EXPECT_EQ(pane.received[0].selector, "loadKeyBindingsSet:");
  EXPECT_EQ(pane.received[0].tag, 1700000000);
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
