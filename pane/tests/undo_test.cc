// Undo and redo of the pane's changes, on the headless platform; the history
// itself is the model's (change_history_test).
#include <gtest/gtest.h>

#include "headless_pane.h"

namespace qor::pane_test {
namespace {

class UndoTest : public ::testing::Test {
 protected:
  // Binds ⌘K to New through the key configurator.
  void bindCommandKToNew() {
    host.showTab("menu");
    ASSERT_TRUE(host.menuOutline().selectRow(row::kNew));
    host.pane->showKeyConfigurationSheet(nullptr);
    host.application.sendKeyEvent(kFlagsChangedEventType, "", 0, kCommandKeyMask);
    host.application.sendKeyEvent(kKeyDownEventType, "k", 40, kCommandKeyMask);
    host.button("BTN_key_configurator_OK").performClick();
  }
  std::size_t newSequences() {
    auto menu = host.pane->currentKeyBindingsSet()->dictionaryForKey(kSetMenuKey);
    auto sequences = menu->dictionaryForKey(kNewId)->arrayForKey(kKeySequencesKey);
    return sequences ? sequences->count() : 0;
  }
  std::vector<std::string> popUpTitles() {
    std::vector<std::string> titles;
    for (std::size_t i = 0; i < host.sets().numberOfItems(); ++i) titles.push_back(host.sets().itemAtIndex(i)->title());
    return titles;
  }

  HeadlessPane host;
};

TEST_F(UndoTest, EveryChangeGoesBackAndComesAgainUntilApplied) {
  EXPECT_FALSE(host.pane->canUndoChange());
  host.duplicateAs("Mine");
  bindCommandKToNew();
  ASSERT_EQ(newSequences(), 2u);
  const std::size_t notices = host.panel.okNotices().size();

  // Back through both changes, by the host's Edit menu selector.
  host.pane->performAction("undo:", nullptr);
  EXPECT_EQ(newSequences(), 1u);
  EXPECT_EQ(host.pane->currentKeyBindingsSet()->stringForKey(kSetNameKey)->value(), "Mine");
  EXPECT_TRUE(host.pane->undoChange());
  EXPECT_EQ(host.pane->keyBindingsNumber(), 0);
  EXPECT_TRUE(host.pane->keyBindingsSets()->empty());
  EXPECT_EQ(popUpTitles(), std::vector<std::string>{"Default"});
  EXPECT_FALSE(host.pane->undoChange());
  EXPECT_EQ(host.panel.okNotices().size(), notices + 2);  // each step tells the host
  EXPECT_TRUE(host.changeFlagIsSet());

  // And forward again: the redone set is a copy, not the object undone.
  host.pane->performAction("redo:", nullptr);
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
  EXPECT_EQ(popUpTitles(), (std::vector<std::string>{"Default", "Mine"}));
  EXPECT_TRUE(host.pane->redoChange());
  EXPECT_EQ(newSequences(), 2u);
  EXPECT_FALSE(host.pane->redoChange());
  EXPECT_EQ(host.pane->currentKeyBindingsSet(), host.pane->keyBindingsSets()->objectForKey(std::to_string(kClock)));

  // A new change after an undo drops what was undone.
  ASSERT_TRUE(host.pane->undoChange());
  host.pane->revertToDefault();
  EXPECT_FALSE(host.pane->canUndoChange());  // reverting starts again
  EXPECT_FALSE(host.pane->canRedoChange());
}

TEST_F(UndoTest, UndoingARemovalPutsBackTheSetAndItsStoredNumber) {
  host.duplicateAs("Mine");
  host.pane->writeToPrefs();
  EXPECT_FALSE(host.pane->canUndoChange());  // applied
  ASSERT_EQ(host.store.integerForKey(kSetNumberDefaultsKey), kClock);

  host.button("BTN_kb_del_set").performClick();
  ASSERT_EQ(host.store.integerForKey(kSetNumberDefaultsKey), 0);
  ASSERT_TRUE(host.pane->undoChange());
  EXPECT_EQ(host.store.integerForKey(kSetNumberDefaultsKey), kClock);
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
  EXPECT_TRUE(host.button("BTN_kb_del_set").isEnabled());
  EXPECT_EQ(host.sets().indexOfSelectedItem(), 1);
}

TEST_F(UndoTest, AnImportIsUndoneWhole) {
  TemporaryFolder files;
  const std::string path = files.file("Theirs.QOR_shortcuts");
  ASSERT_TRUE(writePropertyListFile(makeDefaultSet(), path));
  host.toolkit.scriptOpenPanel({kReturnCodeOK, {path, path}});
  host.button("BTN_kb_import_set").performClick();
  ASSERT_EQ(host.pane->keyBindingsSets()->count(), 2u);
  ASSERT_TRUE(host.pane->undoChange());  // one import, one change
  EXPECT_TRUE(host.pane->keyBindingsSets()->empty());
  EXPECT_EQ(popUpTitles(), std::vector<std::string>{"Default"});
  ASSERT_TRUE(host.pane->redoChange());
  EXPECT_EQ(popUpTitles(), (std::vector<std::string>{"Default", "Default", "Default"}));
}

TEST_F(UndoTest, NothingIsUndoneWhileAShortcutIsCaptured) {
  host.duplicateAs("Mine");
  host.showTab("menu");
  ASSERT_TRUE(host.menuOutline().selectRow(row::kNew));
  host.pane->showKeyConfigurationSheet(nullptr);
  EXPECT_FALSE(host.pane->canUndoChange());
  EXPECT_FALSE(host.pane->undoChange());
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
}

}  // namespace
}  // namespace qor::pane_test
