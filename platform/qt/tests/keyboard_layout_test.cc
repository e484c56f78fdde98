// The layout rule and keymap snapshots as the X server lists them (keysyms
// copied from `setxkbmap` layouts under Xvfb).
#include "qor/qt/keyboard_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

#include <QKeyEvent>

#include "qor/qt/key_events.h"

namespace qor {
namespace {

constexpr std::uint32_t kColumns = 6;  // group 1 levels 1-2, group 2 levels 1-2, group 1 levels 3-4

// Keycodes 24 (US Q), 34 (US [) and 54 (US C) of a layout.
KeyboardLayout layout(const std::map<std::uint32_t, std::vector<std::uint32_t>>& keys, std::uint32_t group) {
  constexpr std::uint32_t first = 24;
  std::vector<std::uint32_t> keysyms((55 - first) * kColumns, 0);
  for (const auto& [keycode, columns] : keys)
    for (std::size_t column = 0; column < columns.size(); ++column) keysyms[(keycode - first) * kColumns + column] = columns[column];
  return KeyboardLayout(first, kColumns, keysyms, group);
}

const std::map<std::uint32_t, std::vector<std::uint32_t>> kUsRu = {
    {24, {'q', 'Q', 0x6ca, 0x6ea}}, {34, {'[', '{', 0x6c8, 0x6e8}}, {54, {'c', 'C', 0x6d3, 0x6f3}}};
const std::map<std::uint32_t, std::vector<std::uint32_t>> kRuUs = {
    {24, {0x6ca, 0x6ea, 'q', 'Q'}}, {34, {0x6c8, 0x6e8, '[', '{'}}, {54, {0x6d3, 0x6f3, 'c', 'C'}}};
// A layout of one group repeats it as group 2.
const std::map<std::uint32_t, std::vector<std::uint32_t>> kRu = {
    {24, {0x6ca, 0x6ea, 0x6ca, 0x6ea}}, {34, {0x6c8, 0x6e8, 0x6c8, 0x6e8}}, {54, {0x6d3, 0x6f3, 0x6d3, 0x6f3}}};
const std::map<std::uint32_t, std::vector<std::uint32_t>> kDe = {
    {24, {'q', 'Q', 'q', 'Q', '@', 0x7d9}}, {34, {0xfc, 0xdc, 0xfc, 0xdc}}, {54, {'c', 'C', 'c', 'C'}}};

TEST(ShortcutCharacters, GiveTheLatinKeyOnlyForLettersOfOtherScripts) {
  const LatinKey c{'c', 'C'};
  struct Case {
    const char* characters;
    std::optional<LatinKey> latin;
    Qt::KeyboardModifiers modifiers;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"с", c, Qt::ControlModifier, "c"},                       // Cyrillic es
      {"С", c, Qt::ControlModifier | Qt::ShiftModifier, "C"},
      {"ψ", c, Qt::NoModifier, "c"},                            // Greek
      {"х", LatinKey{'[', '{'}, Qt::ShiftModifier, "{"},      // a US punctuation position
      {"z", LatinKey{'y', 'Y'}, Qt::ControlModifier, "z"},     // QWERTZ's Z is Z
      {"ü", LatinKey{'[', '{'}, Qt::NoModifier, "ü"},          // Latin letters stay
      {"ß", LatinKey{'-', '_'}, Qt::NoModifier, "ß"},
      {"№", LatinKey{'3', '#'}, Qt::ShiftModifier, "№"},      // not a letter
      {"с", std::nullopt, Qt::ControlModifier, "с"},            // no Latin key known
      {"сс", c, Qt::NoModifier, "сс"},                          // not one character
      {"", c, Qt::NoModifier, ""},
  };
  for (const Case& test : cases)
    EXPECT_EQ(shortcutCharacters(test.characters, test.latin, test.modifiers), test.expected) << test.characters;
}

TEST(KeyboardLayout, LatinKeyComesFromTheKeymapsLatinGroupElseTheUsPosition) {
  struct Case {
    const char* what;
    KeyboardLayout layout;
    std::uint32_t keycode;
    std::optional<LatinKey> expected;
  };
  const std::vector<Case> cases = {
      {"us,ru", layout(kUsRu, 1), 54, LatinKey{'c', 'C'}},
      {"ru,us", layout(kRuUs, 0), 34, LatinKey{'[', '{'}},
      {"ru alone: the US position", layout(kRu, 0), 54, LatinKey{'c', 'C'}},
      {"de", layout(kDe, 0), 34, LatinKey{'[', '{'}},
      {"no keymap", KeyboardLayout(), 24, LatinKey{'q', 'Q'}},
      // The US rows end at 21 (=), 35 (]), 49 (`) and 61 (/): 62 is Shift.
      {"no keymap, digits", KeyboardLayout(), 21, LatinKey{'=', '+'}},
      {"no keymap, last row", KeyboardLayout(), 61, LatinKey{'/', '?'}},
      {"no keymap, Shift", KeyboardLayout(), 62, std::nullopt},
      {"keycode outside the keymap", layout(kUsRu, 0), 9, std::nullopt},
  };
  for (const Case& test : cases) EXPECT_EQ(test.layout.latinKey(test.keycode), test.expected) << test.what;
}

TEST(KeyboardLayout, CanTypeWhatTheActiveGroupGivesToShortcuts) {
  struct Case {
    const char* what;
    KeyboardLayout layout;
    const char* characters;
    bool expected;
  };
  const std::vector<Case> cases = {
      {"us,ru on ru: C by position", layout(kUsRu, 1), "c", true},
      {"us,ru on ru: shifted", layout(kUsRu, 1), "{", true},
      {"us,ru on ru: the Cyrillic letter gives c", layout(kUsRu, 1), "с", false},
      {"us,ru on us", layout(kUsRu, 0), "Q", true},
      {"ru alone: by US position", layout(kRu, 0), "c", true},
      {"us lacks ü", layout(kUsRu, 0), "ü", false},
      {"de has ü", layout(kDe, 0), "Ü", true},
      {"de: AltGr level", layout(kDe, 0), "@", true},
      {"de, group beyond its own: its group 1", layout(kDe, 1), "ü", true},
      {"Return", layout(kUsRu, 0), "\r", true},
      {"F1 (0xF704)", layout(kUsRu, 0), "\xEF\x9C\x84", true},
      {"no keymap", KeyboardLayout(), "ü", true},
      {"third group: unknown", layout(kUsRu, 2), "ü", true},
  };
  for (const Case& test : cases) EXPECT_EQ(test.layout.canType(test.characters), test.expected) << test.what;
}

TEST(SnoopedKeyEventOf, WithoutAnXServerTakesTheUsPosition) {
  // Offscreen, Ctrl+С at keycode 54 gives Qt's Cyrillic key and text.
  QKeyEvent cyrillic(QEvent::KeyPress, 0x421, Qt::ControlModifier, 54, 0x6d3, 0x4, "с");
  EXPECT_EQ(snoopedKeyEventOf(cyrillic)->characters, "c");
  QKeyEvent latin(QEvent::KeyPress, Qt::Key_Z, Qt::ControlModifier, 29, 'z', 0x4, "\x1a");
  EXPECT_EQ(snoopedKeyEventOf(latin)->characters, "z");
}

}  // namespace
}  // namespace qor
