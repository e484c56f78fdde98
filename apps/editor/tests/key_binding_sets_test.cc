#include "key_binding_sets.h"

#include <gtest/gtest.h>

#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/key_bindings.h"
#include "qor/plist_file.h"
#include "qor/testing/pane_fixtures.h"

namespace qor {
namespace {

using fixtures::kCommand;
using fixtures::kShift;

TEST(KeyBindingsSets, TheNumberChoosesTheSet) {
  auto defaultSet = Dictionary::make({{kSetNameKey, str("Default")}});
  auto mine = Dictionary::make({{kSetNameKey, str("Mine")}});
  auto stored = Dictionary::make({{"1700000000", mine}});

  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 0), defaultSet);
  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 1700000000), mine);
  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 5), defaultSet) << "no set under that number";
  EXPECT_EQ(keyBindingsSetForNumber(nullptr, defaultSet, 1700000000), defaultSet);
}

// The menus and the popup write chords as the pane writes a stored sequence,
// in either notation, and the log names every holder of a shared sequence.
TEST(KeyBindingsSets, ChordsAndSharedSequencesInEitherNotation) {
  const std::vector<KeyChord> commandKCommandC{{"k", kCommand}, {"c", kCommand}};
  EXPECT_EQ(textOfChords(commandKCommandC, ShortcutNotation::Symbols), "⌘K⌘C");
  EXPECT_EQ(textOfChords(commandKCommandC, ShortcutNotation::Words), "Ctrl+K, Ctrl+C");
  EXPECT_EQ(textOfChords({{"S", kShift | kCommand}}, ShortcutNotation::Symbols), "⇧⌘S");
  EXPECT_EQ(textOfChords({{"x", 0}}, ShortcutNotation::Words), "X");
  EXPECT_EQ(textOfChords({}, ShortcutNotation::Words), "");

  const DispatchCommand comment{kSetMenuKey, "[comment:] [] [0]", "Comment"};
  const DispatchCommand uncomment{kSetMenuKey, "[uncomment:] [] [0]", "Uncomment"};
  const DispatchCommand toggle{kSetEditorKey, "toggleComment:", "toggleComment:"};
  struct Case {
    std::vector<DispatchCommand> shadowed;
    ShortcutNotation notation;
    const char* line;
  };
  const std::vector<Case> cases = {
      {{uncomment}, ShortcutNotation::Symbols, "qor-editor: ⌘K⌘C belongs to 'Comment' and 'Uncomment'; 'Comment' runs it"},
      {{uncomment, toggle}, ShortcutNotation::Words,
       "qor-editor: Ctrl+K, Ctrl+C belongs to 'Comment', 'Uncomment' and 'toggleComment:'; 'Comment' runs it"},
  };
  for (const Case& test : cases)
    EXPECT_EQ(sharedSequenceLine({commandKCommandC, comment, test.shadowed}, test.notation), test.line);
}

TEST(KeyBindingsSets, TheHostsDefaultSetGivesTheMenusTheirUsualShortcuts) {
  Ref description = readPropertyListFile(QOR_SOURCE_DIR "/apps/editor/resources/MainMenu.plist");
  auto menu = menuFromPropertyList(description);
  ASSERT_TRUE(menu);
  DictionaryRef defaultSet = buildDefaultKeyBindingsSet(*menu, Bundle(QOR_SOURCE_DIR "/apps/editor/resources"));
  ASSERT_TRUE(defaultSet);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"[saveDocument:] [] [0]", "Ctrl+S"},
      {"[saveDocumentAs:] [] [0]", "Ctrl+Shift+S"},
      {"[selectNextTab:] [] [0]", "Meta+Tab"},
      {"[showHelp:] [HostApplication] [0]", "Ctrl+?"},
      {"[bringQORtoFront:] [HotKeyController] [0]", "Meta+Alt+E"},
  };
  for (const auto& [identifier, shortcut] : expected) {
    std::vector<DispatchBinding> bindings = dispatchBindingsOfSet(defaultSet, defaultSet, {{kSetMenuKey, identifier, ""}});
    ASSERT_EQ(bindings.size(), 1u) << identifier;
    EXPECT_EQ(textOfChords(bindings.front().chords, ShortcutNotation::Words), shortcut) << identifier;
  }
}

}  // namespace
}  // namespace qor
