#include "qor/key_notation.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "qor/testing/key_masks.h"
#include "qor/text.h"

namespace qor {
namespace {

TEST(StringForMenuKeyEquivalentFromKeyCodeTest, EveryRowAndItsNeighbours) {
  struct Case {
    char16_t code;
    const char* expected;
  };
  const Case cases[] = {
      {0x0000, "[0000]"}, {0x0001, "\x01"}, {0x0003, "⌅"}, {0x0008, "⌫"}, {0x0009, "⇥"}, {0x000A, "\n"},
      {0x000D, "↩"}, {0x0019, "⇤"}, {0x001B, "⎋"}, {0x0020, "Space"}, {0x0031, "1"}, {0x0041, "A"}, {0x005A, "Z"},
      // The neighbours of a to z stay as they are.
      {0x0060, "`"}, {0x0061, "A"}, {0x007A, "Z"}, {0x007B, "{"}, {0x007F, "⌫"}, {0x00E9, "é"}, {0x20AC, "€"},
      {0xF700, "↑"}, {0xF701, "↓"}, {0xF702, "←"}, {0xF703, "→"}, {0xF704, "F1"}, {0xF705, "F2"}, {0xF70C, "F9"},
      {0xF70D, "F10"},  // 0xF704 + 9
      {0xF712, "F15"},  // 0xF704 + 14
      {0xF713, "\uF713"}, {0xF727, "\uF727"}, {0xF728, "⌦"}, {0xF729, "Home"}, {0xF72A, "\uF72A"}, {0xF72B, "End"},
      {0xF72C, "Page Up"}, {0xF72D, "Page Down"}, {0xF72E, "\uF72E"}, {0xF738, "\uF738"}, {0xF739, "Clear"},
      {0xF73A, "\uF73A"}, {0xF745, "\uF745"}, {0xF746, "Help"}, {0xF747, "\uF747"},
      // Lone surrogates have no UTF-8 form.
      {0xD800, "[d800]"}, {0xDBFF, "[dbff]"}, {0xDC00, "[dc00]"}, {0xDFFF, "[dfff]"},
      {0xE000, "\uE000"}, {0xFFFF, "\xEF\xBF\xBF"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(stringForMenuKeyEquivalentFromKeyCode(c.code), c.expected) << std::hex << int{c.code};
}

TEST(StringForMenuKeyEquivalentFromKeyCodeTest, EveryCodeGivesValidNonEmptyUtf8) {
  constexpr std::uint32_t kLastCode = 0xFFFF;
  for (std::uint32_t code = 0; code <= kLastCode; ++code) {
    std::string text = stringForMenuKeyEquivalentFromKeyCode(static_cast<char16_t>(code));
    ASSERT_FALSE(text.empty()) << std::hex << code;
    ASSERT_EQ(utf8FromUtf16(utf16FromUtf8(text)), text) << std::hex << code;
  }
}

TEST(StringFromModifierTest, Table) {
  struct Case {
    std::uint32_t mask;
    const char* expected;
  };
  const Case cases[] = {
      {0, "(?)"}, {0x1, "(?)"},
      {0x10000, "(?)"},   // just below Shift
      {0x200000, "(?)"},  // just above Command
      {kShiftKeyMask, "⇧"}, {kControlKeyMask, "⌃"}, {kAlternateKeyMask, "⌥"}, {kCommandKeyMask, "⌘"},
      {kShiftKeyMask | kCommandKeyMask, "⇧⌘"}, {kControlKeyMask | kCommandKeyMask, "⌃⌘"},
      {kModifierMaskBits, "⌃⌥⇧⌘"}, {0xFFFFFFFF, "⌃⌥⇧⌘"}, {kCommandKeyMask | 0x1, "⌘"},
  };
  for (const auto& c : cases) EXPECT_EQ(stringFromModifier(c.mask), c.expected) << std::hex << c.mask;
}

Ref modifierStroke(std::uint32_t mask) { return Dictionary::make({{"modifiers", integer(mask)}}); }
Ref keyStroke(std::string key) { return Dictionary::make({{"key", str(std::move(key))}, {"modifiers", integer(0)}}); }

TEST(StringFromKeySequenceTest, Table) {
  using fixtures::kCommand;
  struct Case {
    std::vector<Ref> strokes;
    const char* expected;
    const char* what;
  };
  const Case cases[] = {
      {{}, "", "empty sequence"},
      {{modifierStroke(kCommand), keyStroke("c")}, "⌘C", "small letter: no shift"},
      {{modifierStroke(kCommand), keyStroke("C")}, "⇧⌘C", "capital letter means shift"},
      {{modifierStroke(kShiftKeyMask | kCommand), keyStroke("C")}, "⇧⌘C", "no second shift"},
      {{modifierStroke(kShiftKeyMask), keyStroke("A")}, "⇧A", "already begins with shift"},
      {{modifierStroke(kControlKeyMask | kShiftKeyMask), keyStroke("A")}, "⇧⌃⇧A", "only the first glyph counts"},
      {{keyStroke("A"), keyStroke("B")}, "AB", "two capitals: no shift"},
      {{keyStroke("A"), keyStroke("B"), keyStroke("C")}, "ABC", "three capitals"},
      {{keyStroke("A"), keyStroke("b")}, "⇧AB", "a small letter shows capital but does not count"},
      {{keyStroke("A"), modifierStroke(kCommand)}, "⇧A⌘", "shift goes in front of everything"},
      {{keyStroke(" ")}, "[Space]", "names are bracketed"},
      {{keyStroke("\uF704")}, "[F1]", ""},
      {{keyStroke("\uF70D")}, "[F10]", ""},
      {{modifierStroke(kCommand), keyStroke("\uF72C")}, "⌘[Page Up]", ""},
      {{keyStroke("\r")}, "↩", "glyphs are not bracketed"},
      {{keyStroke("\uF713")}, "\uF713", "unnamed function key"},
      {{keyStroke(std::string(1, '\0'))}, "[[0000]]", "the name [0000] in brackets"},
      {{keyStroke("")}, "[[0000]]", "empty key reads as code 0"},
      {{keyStroke("😀")}, "[[d83d]]", "first code unit of a surrogate pair"},
      {{keyStroke("ab")}, "A", "only the first character"},
      {{keyStroke("é")}, "é", "only a to z are capitalised"},
      {{Dictionary::make({{"key", str("s")}, {"modifiers", integer(kCommand)}})}, "S",
       "a key stroke's modifiers are not shown"},
      {{Dictionary::make()}, "(?)", "no key, no modifiers"},
      {{str("not a stroke")}, "(?)", "not a dictionary"},
      {{Dictionary::make({{"key", integer(5)}, {"modifiers", integer(kCommand)}})}, "⌘",
       "a key that is not a string: modifier-only"},
      {{Dictionary::make({{"modifiers", real(1048576.0)}})}, "⌘", "real modifiers"},
      {{Dictionary::make({{"modifiers", str("1048576")}})}, "(?)", "modifiers that are not a number"},
      {{modifierStroke(0), keyStroke("x")}, "(?)X", ""},
      {{Dictionary::make({{"modifiers", integer(-1)}})}, "⌃⌥⇧⌘", "-1 reads as 0xFFFFFFFF"},
      // 0x1'0010'0000: the low 32 bits are 0x0010'0000, Command.
      {{Dictionary::make({{"modifiers", integer(0x100100000)}})}, "⌘", "bits above 32 are dropped"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(stringFromKeySequence(*Array::make(c.strokes)), c.expected) << c.what;
    EXPECT_EQ(stringFromKeySequence(MutableArray::make(c.strokes)), c.expected) << c.what;
  }
  EXPECT_EQ(stringFromKeySequence(ArrayRef()), "");
}

class FakeMenuItem final : public MenuItem {
 public:
  std::optional<std::string> action;
  std::optional<std::string> target;
  std::int64_t itemTag = 0;
  bool separator = false;

  [[nodiscard]] std::string title() const override { return "Item"; }
  [[nodiscard]] std::optional<std::string> actionName() const override { return action; }
  [[nodiscard]] std::optional<std::string> targetClassName() const override { return target; }
  [[nodiscard]] std::int64_t tag() const override { return itemTag; }
  [[nodiscard]] bool isSeparatorItem() const override { return separator; }
  [[nodiscard]] const Menu* submenu() const override { return nullptr; }
};

TEST(IdentifierForMenuItemTest, Table) {
  struct Case {
    std::optional<std::string> action;
    std::optional<std::string> target;
    std::int64_t tag;
    bool separator;
    std::optional<std::string> expected;
  };
  const Case cases[] = {
      {"bringQORtoFront:", std::nullopt, 0, false, "[bringQORtoFront:] [] [0]"},
      {"bringQORtoFront:", "KeyBindings", -3, false, "[bringQORtoFront:] [KeyBindings] [-3]"},
      {"saveDocument:", "", 7, false, "[saveDocument:] [] [7]"},
      {"performClose:", std::nullopt, std::numeric_limits<std::int64_t>::min(), false,
       "[performClose:] [] [-9223372036854775808]"},
      {std::nullopt, std::nullopt, 5, false, "[(none)] [] [5]"},
      {kSubmenuAction, "MenuController", 0, false, std::nullopt},
      {"bringQORtoFront:", std::nullopt, 0, true, std::nullopt},
      {std::nullopt, std::nullopt, 0, true, std::nullopt},
  };
  for (const auto& c : cases) {
    FakeMenuItem item;
    item.action = c.action;
    item.target = c.target;
    item.itemTag = c.tag;
    item.separator = c.separator;
    EXPECT_EQ(identifierForMenuItem(&item), c.expected) << c.action.value_or("no action");
  }
  EXPECT_EQ(identifierForMenuItem(nullptr), std::nullopt);
}

}  // namespace
}  // namespace qor
