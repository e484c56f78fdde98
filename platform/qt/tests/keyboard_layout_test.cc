// The layout rule over keymaps as Xvfb lists them after `setxkbmap`; snoopedKeyEventOf
// over a real keymap is the editor's Xvfb scenario's (e2e_keyboard_layouts.py).
#include "qor/qt/keyboard_layout.h"

#include <gtest/gtest.h>

#include <map>
#include <tuple>
#include <vector>

namespace qor {
namespace {

using Keys = std::map<std::uint32_t, std::vector<std::uint32_t>>;
// Columns: group 1 levels 1-2, group 2 levels 1-2, group 1 levels 3-4. Keycodes 24 (US Q), 34 (US [), 54 (US C).
const Keys kUsRu = {{24, {'q', 'Q', 0x6ca, 0x6ea}}, {34, {'[', '{', 0x6c8, 0x6e8}}, {54, {'c', 'C', 0x6d3, 0x6f3}}};
const Keys kRuUs = {{24, {0x6ca, 0x6ea, 'q', 'Q'}}, {34, {0x6c8, 0x6e8, '[', '{'}}, {54, {0x6d3, 0x6f3, 'c', 'C'}}};
const Keys kRu = {{34, {0x6c8, 0x6e8, 0x6c8, 0x6e8}}, {54, {0x6d3, 0x6f3, 0x6d3, 0x6f3}}};  // one group, repeated
const Keys kDe = {{24, {'q', 'Q', 'q', 'Q', '@', 0x7d9}}, {34, {0xfc, 0xdc, 0xfc, 0xdc}}};

KeyboardLayout layout(const Keys& keys, std::uint32_t group) {
  constexpr std::uint32_t first = 24, last = 54, columns = 6;
  std::vector<std::uint32_t> keysyms((last + 1 - first) * columns, 0);
  for (const auto& [keycode, symbols] : keys)
    std::copy(symbols.begin(), symbols.end(), keysyms.begin() + (keycode - first) * columns);
  return KeyboardLayout(first, columns, keysyms, group);
}

TEST(ShortcutCharacters, GiveTheLatinKeyOnlyForLettersOfOtherScripts) {
  const LatinKey c{'c', 'C'}, bracket{'[', '{'};
  struct Case {
    const char* characters;
    std::optional<LatinKey> latin;
    Qt::KeyboardModifiers modifiers;
    const char* expected;
  };
  const std::vector<Case> cases = {
      {"с", c, Qt::ControlModifier, "c"},  // Cyrillic es
      {"С", c, Qt::ControlModifier | Qt::ShiftModifier, "C"},
      {"х", bracket, Qt::ShiftModifier, "{"},
      {"z", LatinKey{'y', 'Y'}, Qt::ControlModifier, "z"},  // QWERTZ's Z is Z
      {"ü", bracket, Qt::NoModifier, "ü"},                  // Latin letters stay
      {"№", LatinKey{'3', '#'}, Qt::ShiftModifier, "№"},   // not a letter
      {"с", std::nullopt, Qt::ControlModifier, "с"},        // no Latin key known
  };
  for (const Case& test : cases)
    EXPECT_EQ(shortcutCharacters(test.characters, test.latin, test.modifiers), test.expected) << test.characters;
}

TEST(KeyboardLayout, LatinKeyComesFromTheKeymapsLatinGroupElseTheUsPosition) {
  const std::vector<std::tuple<const char*, KeyboardLayout, std::uint32_t, std::optional<LatinKey>>> cases = {
      {"us,ru", layout(kUsRu, 1), 54, LatinKey{'c', 'C'}},
      {"ru,us", layout(kRuUs, 0), 34, LatinKey{'[', '{'}},
      {"ru alone: the US position", layout(kRu, 0), 54, LatinKey{'c', 'C'}},
      // The US rows: 10-21 digits, 24-35, 38-49, 51, 52-61 (z to /); 62 is Shift.
      {"no keymap", KeyboardLayout(), 61, LatinKey{'/', '?'}},
      {"no keymap, Shift", KeyboardLayout(), 62, std::nullopt},
  };
  for (const auto& [what, snapshot, keycode, expected] : cases) EXPECT_EQ(snapshot.latinKey(keycode), expected) << what;
}

TEST(KeyboardLayout, CanTypeWhatTheActiveGroupGivesToShortcuts) {
  const std::vector<std::tuple<const char*, KeyboardLayout, const char*, bool>> cases = {
      {"us,ru on ru: C by position", layout(kUsRu, 1), "c", true},
      {"us,ru on ru: shifted", layout(kUsRu, 1), "{", true},
      {"us,ru on ru: the Cyrillic letter gives c", layout(kUsRu, 1), "с", false},
      {"ru alone: by US position", layout(kRu, 0), "c", true},
      {"us lacks ü", layout(kUsRu, 0), "ü", false},
      {"de has Ü", layout(kDe, 0), "Ü", true},
      {"de: third level", layout(kDe, 0), "@", true},
      {"de, a group past its own left locked", layout(kDe, 1), "ü", true},
      {"Return", layout(kUsRu, 0), "\r", true},
      {"F1 (0xF704)", layout(kUsRu, 0), "\xEF\x9C\x84", true},
      {"third group: unknown", layout(kUsRu, 2), "ü", true},
  };
  for (const auto& [what, snapshot, characters, expected] : cases) EXPECT_EQ(snapshot.canType(characters), expected) << what;
}

}  // namespace
}  // namespace qor
