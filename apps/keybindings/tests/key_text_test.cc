#include "key_text.h"

#include <gtest/gtest.h>

#include "qor/key_masks.h"
#include "qor/ports/host.h"

namespace qor {
namespace {

constexpr std::uint32_t kCommand = kCommandKeyMask;
constexpr std::uint32_t kControl = kControlKeyMask;
constexpr std::uint32_t kOption = kAlternateKeyMask;
constexpr std::uint32_t kShift = kShiftKeyMask;

TEST(KeyTextTest, OneChordEach) {
  struct Case {
    const char* text;
    ParsedChord chord;
  };
  const Case cases[] = {
      // Letters: the small letter unless Shift is held, whatever case is written.
      {"Ctrl+S", {kCommand, "s", 39}}, {"ctrl+s", {kCommand, "s", 39}},
      {"Ctrl+Shift+S", {kCommand | kShift, "S", 39}}, {"Shift+Ctrl+s", {kCommand | kShift, "S", 39}},
      {"Meta+A", {kControl, "a", 38}}, {"Alt+Q", {kOption, "q", 24}}, {"Z", {0, "z", 52}},
      // Digits and punctuation: Shift gives the US keyboard's upper character;
      // an upper character holds Shift by itself.
      {"Ctrl+5", {kCommand, "5", 14}}, {"Shift+5", {kShift, "%", 14}}, {"Ctrl+%", {kCommand | kShift, "%", 14}},
      {"Ctrl+,", {kCommand, ",", 59}}, {"Ctrl++", {kCommand | kShift, "+", 21}}, {"+", {kShift, "+", 21}},
      {"Ctrl+=", {kCommand, "=", 21}}, {"Ctrl+/", {kCommand, "/", 61}}, {"`", {0, "`", 49}},
      // Named keys deliver the codes of the key notation.
      {"Space", {0, " ", 65}}, {"Ctrl+Return", {kCommand, "\r", 36}}, {"Enter", {0, "\x03", 104}},
      {"Esc", {0, "\x1b", 9}}, {"escape", {0, "\x1b", 9}}, {"Tab", {0, "\t", 23}}, {"Backtab", {kShift, "\x19", 23}},
      {"Shift+Backtab", {kShift, "\x19", 23}}, {"Backspace", {0, "\x7f", 22}},
      {"Alt+Backspace", {kOption, "\x7f", 22}}, {"Del", {0, "\uF728", 119}}, {"Meta+Up", {kControl, "\uF700", 111}},
      {"Down", {0, "\uF701", 116}}, {"Left", {0, "\uF702", 113}}, {"Right", {0, "\uF703", 114}},
      {"Home", {0, "\uF729", 110}}, {"End", {0, "\uF72B", 115}}, {"PgUp", {0, "\uF72C", 112}},
      {"PgDown", {0, "\uF72D", 117}}, {"Help", {0, "\uF746", 146}}, {"Clear", {0, "\uF739", 84}}, {"Ins", {0, "\uF727", 118}},
      // Function keys: 0xF704 + n - 1; key codes 67-76, 95-96, 191-202, then none.
      {"F1", {0, "\uF704", 67}}, {"Meta+Alt+F5", {kControl | kOption, "\uF708", 71}}, {"F10", {0, "\uF70D", 76}},
      {"F11", {0, "\uF70E", 95}}, {"F12", {0, "\uF70F", 96}}, {"F13", {0, "\uF710", 191}},
      {"F24", {0, "\uF71B", 202}}, {"F25", {0, "\uF71C", 0}}, {"F35", {0, "\uF726", 0}}, {"F", {0, "f", 41}},
      // A character of another keyboard: typed as it is, no key code.
      {"Ctrl+é", {kCommand, "é", 0}},
  };
  for (const Case& c : cases) {
    KeyTextParse parsed = parseKeyText(c.text);
    ASSERT_TRUE(parsed.ok()) << c.text << ": " << parsed.error;
    ASSERT_EQ(parsed.chords.size(), 1u) << c.text;
    EXPECT_EQ(parsed.chords[0], c.chord) << c.text;
  }
}

TEST(KeyTextTest, ChordsAreSeparatedByCommaBlank) {
  struct Case {
    const char* text;
    std::vector<ParsedChord> chords;
  };
  const Case cases[] = {
      {"Ctrl+K, Ctrl+S", {{kCommand, "k", 45}, {kCommand, "s", 39}}},
      {"Ctrl+X, 2", {{kCommand, "x", 53}, {0, "2", 11}}},
      // The comma key inside a sequence, as Qt writes it.
      {"Ctrl+,, Ctrl+S", {{kCommand, ",", 59}, {kCommand, "s", 39}}}, {",, ,", {{0, ",", 59}, {0, ",", 59}}},
      // The plus key ends its chord: how `show --notation desktop` writes
      // Shift+= (found by keybindings_key_text_fuzz).
      {"Shift++, Shift+T", {{kShift, "+", 21}, {kShift, "T", 28}}}, {"+, A", {{kShift, "+", 21}, {0, "a", 38}}},
      {"A, B, C, D, E", {{0, "a", 38}, {0, "b", 56}, {0, "c", 54}, {0, "d", 40}, {0, "e", 26}}},
  };
  for (const Case& c : cases) {
    KeyTextParse parsed = parseKeyText(c.text);
    ASSERT_TRUE(parsed.ok()) << c.text << ": " << parsed.error;
    EXPECT_EQ(parsed.chords, c.chords) << c.text;
  }
}

TEST(KeyTextTest, BadTextSaysWhatIsWrong) {
  struct Case {
    const char* text;
    const char* error;
  };
  const Case cases[] = {
      {"", "no keys given"}, {"Ctrl+", "no key after the modifiers in 'Ctrl+'"},
      {"Ctrl+Foo", "unknown key 'Foo' in 'Ctrl+Foo'"}, {"Shift", "unknown key 'Shift' in 'Shift'"},
      {"Cmd+S", "unknown key 'Cmd+S' in 'Cmd+S'"}, {"Ctrl+Ctrl+S", "repeated modifier 'Ctrl' in 'Ctrl+Ctrl+S'"},
      {"Ctrl+S, ", "empty chord in 'Ctrl+S, '"}, {"F0", "unknown key 'F0' in 'F0'"},
      {"F36", "unknown key 'F36' in 'F36'"}, {"F01", "unknown key 'F01' in 'F01'"},
      {"Ctrl+S,Ctrl+K", "unknown key 'S,Ctrl+K' in 'Ctrl+S,Ctrl+K'"},
      {"Ctrl+\xff", "unknown key '\\xff' in 'Ctrl+\\xff'"},  // not UTF-8: shown as bytes
      // Control characters typed raw: keys that have names, and 0x19 would
      // show as "Backtab", which holds Shift (found by keybindings_key_text_fuzz).
      // Shown escaped, so that the error stays one line.
      {"\x19", "unknown key '\\x19' in '\\x19'"}, {"Alt+\x08", "unknown key '\\x08' in 'Alt+\\x08'"},
      {"\x7f", "unknown key '\\x7f' in '\\x7f'"}, {"Ctrl+\n", "unknown key '\\x0a' in 'Ctrl+\\x0a'"},
      {"Ctrl+, X", "unknown key ', X' in 'Ctrl+, X'; for the comma key followed by another chord write 'Ctrl+,, X'"},
      {"Ctrl+\xF0\x9F\x98\x80", "unknown key '\xF0\x9F\x98\x80' in 'Ctrl+\xF0\x9F\x98\x80'"},  // two UTF-16 units
  };
  for (const Case& c : cases) {
    KeyTextParse parsed = parseKeyText(c.text);
    EXPECT_FALSE(parsed.ok()) << c.text;
    EXPECT_EQ(parsed.error, c.error) << c.text;
    EXPECT_TRUE(parsed.chords.empty()) << c.text;
  }
}

TEST(KeyTextTest, EventsPressTheModifiersBeforeEachKey) {
  std::vector<ParsedChord> chords = {{kCommand, "k", 45}, {0, "2", 11}, {kCommand | kShift, "S", 39}};
  std::vector<SnoopedKeyEvent> expected = {
      {kFlagsChangedEventType, "", 0, kCommand}, {kKeyDownEventType, "k", 45, kCommand},
      {kFlagsChangedEventType, "", 0, 0},        {kKeyDownEventType, "2", 11, 0},
      {kFlagsChangedEventType, "", 0, kCommand | kShift}, {kKeyDownEventType, "S", 39, kCommand | kShift},
  };
  EXPECT_EQ(keyEventsForChords(chords), expected);
  EXPECT_TRUE(keyEventsForChords({}).empty());
}

}  // namespace
}  // namespace qor
