#include "key_binding_sets.h"

#include <gtest/gtest.h>

#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/key_bindings.h"
#include "qor/plist_file.h"
#include "qor/testing/pane_fixtures.h"

namespace qor {
namespace {

using fixtures::chord;
using fixtures::kCommand;
using fixtures::kControl;
using fixtures::kOption;
using fixtures::kShift;
using fixtures::modifierStroke;
using fixtures::sequence;

struct SequenceCase {
  const char* what;
  ArrayRef strokes;
  std::optional<QKeySequence> expected;
};

TEST(KeySequenceFromStrokes, ChordsFollowTheKeyStrokes) {
  const std::vector<SequenceCase> cases = {
      {"⌘S", sequence({chord(kCommand, u's')}), QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"plain S", sequence({chord(0, u's')}), QKeySequence(Qt::Key_S)},
      {"⇧⌘S typed with Shift", sequence({chord(kShift | kCommand, u'S')}), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"⌃⇥", sequence({chord(kControl, u'\t')}), QKeySequence(Qt::META | Qt::Key_Tab)},
      {"⌥F5", sequence({chord(kOption, 0xF708)}), QKeySequence(Qt::ALT | Qt::Key_F5)},
      {"↑", sequence({chord(0, 0xF700)}), QKeySequence(Qt::Key_Up)},
      {"↩", sequence({chord(0, u'\r')}), QKeySequence(Qt::Key_Return)},
      {"⌅", sequence({chord(0, 0x03)}), QKeySequence(Qt::Key_Enter)},
      {"⌘K ⌘S", sequence({chord(kCommand, u'k'), chord(kCommand, u's')}),
       QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_S)},
      {"four keys, Qt's most", sequence({chord(0, u'a'), chord(0, u'b'), chord(0, u'c'), chord(0, u'd')}),
       QKeySequence(Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D)},
      {"five keys", sequence({chord(0, u'a'), chord(0, u'b'), chord(0, u'c'), chord(0, u'd'), chord(0, u'e')}),
       std::nullopt},
      {"empty", Array::make(), std::nullopt},
      {"modifiers only", Array::make({modifierStroke(kCommand)}), std::nullopt},
      {"not a stroke", Array::make({str("s")}), std::nullopt},
      {"empty key", Array::make({Dictionary::make({{kStrokeKeyKey, str("")}})}), std::nullopt},
      {"a control character", sequence({chord(kCommand, 0x01)}), std::nullopt},
      {"a key without modifiers", Array::make({Dictionary::make({{kStrokeKeyKey, str("x")}})}), QKeySequence(Qt::Key_X)},
  };
  for (const auto& test : cases) EXPECT_EQ(keySequenceFromStrokes(*test.strokes), test.expected) << test.what;
}

TEST(KeyBindingsSets, TheNumberChoosesTheSetAndMissingEntriesFallBack) {
  const std::string save = "[saveDocument:] [] [0]";
  const std::string print = "[printDocument:] [] [0]";
  auto defaultSet = Dictionary::make(
      {{kSetNameKey, str("Default")},
       {kSetMenuKey, Dictionary::make({{save, Dictionary::make({{kKeySequencesKey, Array::make({sequence({chord(kCommand, u's')})})}})},
                                       {print, Dictionary::make({{kKeySequencesKey, Array::make({sequence({chord(kCommand, u'p')})})}})}})}});
  // "Mine" took Save's shortcut away and gave it two, one of them too long for Qt.
  auto tooLong = sequence({chord(0, u'a'), chord(0, u'b'), chord(0, u'c'), chord(0, u'd'), chord(0, u'e')});
  auto mine = Dictionary::make(
      {{kSetNameKey, str("Mine")},
       {kSetMenuKey, Dictionary::make({{save, Dictionary::make({{kKeySequencesKey, Array::make()}})},
                                       {"[other:] [] [0]", Dictionary::make({{kKeySequencesKey,
                                                                              Array::make({tooLong, sequence({chord(kOption, u'o')})})}})}})}});
  auto stored = Dictionary::make({{"1700000000", mine}});

  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 0), defaultSet);
  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 1700000000), mine);
  EXPECT_EQ(keyBindingsSetForNumber(stored, defaultSet, 5), defaultSet) << "no set under that number";
  EXPECT_EQ(keyBindingsSetForNumber(nullptr, defaultSet, 1700000000), defaultSet);

  EXPECT_TRUE(shortcutsForEntry(mine, defaultSet, kSetMenuKey, save).isEmpty()) << "an emptied entry stays empty";
  EXPECT_EQ(shortcutsForEntry(mine, defaultSet, kSetMenuKey, print), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_P)})
      << "an entry the set lacks comes from the default set";
  EXPECT_EQ(shortcutsForEntry(mine, defaultSet, kSetMenuKey, "[other:] [] [0]"),
            QList<QKeySequence>{QKeySequence(Qt::ALT | Qt::Key_O)});
  EXPECT_TRUE(shortcutsForEntry(mine, defaultSet, kSetEditorKey, save).isEmpty());
}

TEST(KeyBindingsSets, TheHostsDefaultSetGivesTheMenusTheirUsualShortcuts) {
  Ref description = readPropertyListFile(QOR_SOURCE_DIR "/apps/editor/resources/MainMenu.plist");
  auto menu = menuFromPropertyList(description);
  ASSERT_TRUE(menu);
  DictionaryRef defaultSet = buildDefaultKeyBindingsSet(*menu, Bundle(QOR_SOURCE_DIR "/apps/editor/resources"));
  ASSERT_TRUE(defaultSet);
  const std::vector<std::pair<std::string, QKeySequence>> expected = {
      {"[saveDocument:] [] [0]", QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"[saveDocumentAs:] [] [0]", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"[selectNextTab:] [] [0]", QKeySequence(Qt::META | Qt::Key_Tab)},
      {"[showHelp:] [HostApplication] [0]", QKeySequence(Qt::CTRL | Qt::Key_Question)},
      {"[bringQORtoFront:] [HotKeyController] [0]", QKeySequence(Qt::META | Qt::ALT | Qt::Key_E)},
  };
  for (const auto& [identifier, shortcut] : expected)
    EXPECT_EQ(shortcutsForEntry(defaultSet, defaultSet, kSetMenuKey, identifier), QList<QKeySequence>{shortcut})
        << identifier;
}

}  // namespace
}  // namespace qor
