#include "key_binding_sets.h"

#include <gtest/gtest.h>

#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/plist_file.h"
#include "qor/text.h"

namespace qor {
namespace {

constexpr std::uint32_t kCommand = kCommandKeyMask;
constexpr std::uint32_t kControl = kControlKeyMask;
constexpr std::uint32_t kOption = kAlternateKeyMask;
constexpr std::uint32_t kShift = kShiftKeyMask;

DictionaryRef modifiersOnly(std::uint32_t mask) { return Dictionary::make({{kStrokeModifiersKey, integer(mask)}}); }

DictionaryRef keyStroke(char16_t unit, std::uint32_t mask) {
  return Dictionary::make({{kStrokeKeyKey, str(utf8FromCodeUnit(unit))},
                           {kStrokeUnicharKey, integer(unit)},
                           {kStrokeModifiersKey, integer(mask)}});
}

// A chord as the key configurator stores it: the modifiers alone, then the key.
std::vector<Ref> chord(char16_t unit, std::uint32_t mask) {
  if (mask == 0) return {keyStroke(unit, 0)};
  return {modifiersOnly(mask), keyStroke(unit, mask)};
}

ArrayRef sequenceOf(std::initializer_list<std::vector<Ref>> chords) {
  auto sequence = MutableArray::make();
  for (const auto& strokes : chords)
    for (const auto& stroke : strokes) sequence->addObject(stroke);
  return sequence;
}

struct SequenceCase {
  const char* what;
  ArrayRef sequence;
  std::optional<QKeySequence> expected;
};

TEST(KeySequenceFromStrokes, ChordsFollowTheKeyStrokes) {
  const std::vector<SequenceCase> cases = {
      {"⌘S", sequenceOf({chord(u's', kCommand)}), QKeySequence(Qt::CTRL | Qt::Key_S)},
      {"plain S", sequenceOf({chord(u's', 0)}), QKeySequence(Qt::Key_S)},
      {"⇧⌘S typed with Shift", sequenceOf({chord(u'S', kShift | kCommand)}), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
      {"⌃⇥", sequenceOf({chord(u'\t', kControl)}), QKeySequence(Qt::META | Qt::Key_Tab)},
      {"⌥F5", sequenceOf({chord(0xF708, kOption)}), QKeySequence(Qt::ALT | Qt::Key_F5)},
      {"↑", sequenceOf({chord(0xF700, 0)}), QKeySequence(Qt::Key_Up)},
      {"↩", sequenceOf({chord(u'\r', 0)}), QKeySequence(Qt::Key_Return)},
      {"⌅", sequenceOf({chord(0x03, 0)}), QKeySequence(Qt::Key_Enter)},
      {"⌘K ⌘S", sequenceOf({chord(u'k', kCommand), chord(u's', kCommand)}),
       QKeySequence(Qt::CTRL | Qt::Key_K, Qt::CTRL | Qt::Key_S)},
      {"four keys, Qt's most", sequenceOf({chord(u'a', 0), chord(u'b', 0), chord(u'c', 0), chord(u'd', 0)}),
       QKeySequence(Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D)},
      {"five keys", sequenceOf({chord(u'a', 0), chord(u'b', 0), chord(u'c', 0), chord(u'd', 0), chord(u'e', 0)}),
       std::nullopt},
      {"empty", Array::make(), std::nullopt},
      {"modifiers only", Array::make({modifiersOnly(kCommand)}), std::nullopt},
      {"not a stroke", Array::make({str("s")}), std::nullopt},
      {"empty key", Array::make({Dictionary::make({{kStrokeKeyKey, str("")}})}), std::nullopt},
      {"a control character", sequenceOf({chord(0x01, kCommand)}), std::nullopt},
      {"a key without modifiers", Array::make({Dictionary::make({{kStrokeKeyKey, str("x")}})}), QKeySequence(Qt::Key_X)},
  };
  for (const auto& test : cases) EXPECT_EQ(keySequenceFromStrokes(*test.sequence), test.expected) << test.what;
}

TEST(KeyBindingsSets, TheNumberChoosesTheSetAndMissingEntriesFallBack) {
  const std::string save = "[saveDocument:] [] [0]";
  const std::string print = "[printDocument:] [] [0]";
  auto defaultSet = Dictionary::make(
      {{kSetNameKey, str("Default")},
       {kSetMenuKey, Dictionary::make({{save, Dictionary::make({{kKeySequencesKey, Array::make({sequenceOf({chord(u's', kCommand)})})}})},
                                       {print, Dictionary::make({{kKeySequencesKey, Array::make({sequenceOf({chord(u'p', kCommand)})})}})}})}});
  // "Mine" took Save's shortcut away and gave it two, one of them too long for Qt.
  auto tooLong = sequenceOf({chord(u'a', 0), chord(u'b', 0), chord(u'c', 0), chord(u'd', 0), chord(u'e', 0)});
  auto mine = Dictionary::make(
      {{kSetNameKey, str("Mine")},
       {kSetMenuKey, Dictionary::make({{save, Dictionary::make({{kKeySequencesKey, Array::make()}})},
                                       {"[other:] [] [0]", Dictionary::make({{kKeySequencesKey,
                                                                              Array::make({tooLong, sequenceOf({chord(u'o', kOption)})})}})}})}});
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
