#include "qor/pane_model/desktop_notation.h"

#include <gtest/gtest.h>

#include "qor/pane_model/set_format.h"

namespace qor {
namespace {

constexpr std::int64_t kShift = 0x20000;
constexpr std::int64_t kControl = 0x40000;
constexpr std::int64_t kOption = 0x80000;
constexpr std::int64_t kCommand = 0x100000;
constexpr std::int64_t kCapsLock = 0x10000;

DictionaryRef modifierOnly(std::int64_t mask) { return Dictionary::make({{kStrokeModifiersKey, integer(mask)}}); }
DictionaryRef key(const std::string& text, std::int64_t mask) {
  return Dictionary::make({{kStrokeKeyKey, str(text)}, {kStrokeModifiersKey, integer(mask)}});
}

TEST(DesktopNotation, Sequences) {
  struct Case {
    const char* name;
    std::vector<Ref> strokes;
    const char* expected;
  };
  const Case cases[] = {
      {"chord", {modifierOnly(kCommand), key("s", kCommand)}, "Ctrl+S"},
      {"all four in desktop order", {modifierOnly(0x1E0000), key("s", 0x1E0000)}, "Ctrl+Meta+Alt+Shift+S"},
      {"capital means Shift", {modifierOnly(kCommand), key("S", kCommand)}, "Ctrl+Shift+S"},
      {"capital with Shift held: once", {key("S", kCommand | kShift)}, "Ctrl+Shift+S"},
      {"two chords", {modifierOnly(kCommand), key("k", kCommand), modifierOnly(kCommand), key("c", kCommand)},
       "Ctrl+K, Ctrl+C"},
      {"plain keys", {key("g", 0), key("g", 0)}, "G, G"},
      {"named keys", {key(" ", 0), key("\x1b", kControl), key("\r", 0), key("\x7f", kOption)},
       "Space, Meta+Esc, Return, Alt+Backspace"},
      {"function keys", {key("\uF704", 0), key("\uF708", kShift), key("\uF726", 0)}, "F1, Shift+F5, F35"},
      {"Insert by name, a code past it with no name as it is", {key("\uF727", 0), key("\uF72A", 0)}, "Ins, \uF72A"},
      {"arrows and paging", {key("\uF700", kCommand), key("\uF72D", 0)}, "Ctrl+Up, PgDown"},
      {"punctuation as it is", {key(",", kCommand), key("+", kCommand), key("é", 0)}, "Ctrl+,, Ctrl++, é"},
      {"Caps Lock bit ignored", {key("a", kCapsLock)}, "A"},
      {"a trailing modifier-only stroke", {key("a", 0), modifierOnly(kCommand | kOption)}, "A, Ctrl+Alt"},
      {"a modifier-only stroke before another", {modifierOnly(kShift), modifierOnly(kCommand), key("q", kCommand)},
       "Shift, Ctrl+Q"},
      {"modifiers 0, alone", {modifierOnly(0)}, ""},
      {"a key that is no string", {Dictionary::make({{kStrokeKeyKey, integer(1)}})}, "?"},
      {"a stroke that is no dictionary", {str("x"), key("x", 0)}, "X"},
      {"empty", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(desktopNotationOfSequence(*Array::make(c.strokes)), c.expected) << c.name;
}

TEST(DesktopNotation, ShortcutsOfACommand) {
  auto s = Array::make({modifierOnly(kCommand), key("s", kCommand)});
  auto kc = Array::make({modifierOnly(kCommand), key("k", kCommand), modifierOnly(kCommand), key("c", kCommand)});
  EXPECT_EQ(desktopNotationOfShortcuts(Array::make({s, str("junk"), kc})), "Ctrl+S | Ctrl+K, Ctrl+C");
  EXPECT_EQ(desktopNotationOfShortcuts(Array::make()), "");
  EXPECT_EQ(desktopNotationOfShortcuts(nullptr), "");
  EXPECT_EQ(desktopNotationOfShortcuts(str("Ctrl+S")), "");
}

}  // namespace
}  // namespace qor
