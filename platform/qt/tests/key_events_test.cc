#include "qor/qt/key_events.h"

#include <gtest/gtest.h>

#include <vector>

#include "qor/testing/key_masks.h"
#include "qor/text.h"

namespace qor {
namespace {

using fixtures::kCommand;
using fixtures::kControl;
using fixtures::kOption;
using fixtures::kShift;

std::string unit(char16_t code) { return utf8FromCodeUnit(code); }

struct EventCase {
  const char* what;
  QtKeyEventFields event;
  std::optional<SnoopedKeyEvent> expected;
};

TEST(SnoopedKeyEvent, GivesTheCodesThePaneExpects) {
  const auto press = QEvent::KeyPress;
  const auto release = QEvent::KeyRelease;
  const std::vector<EventCase> cases = {
      // Ctrl gives a control character as text; the pane wants the letter.
      {"Ctrl+S", {press, Qt::Key_S, Qt::ControlModifier, "\x13", 39}, SnoopedKeyEvent{10, "s", 39, kCommand}},
      {"Ctrl+Shift+S", {press, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier, "\x13", 39},
       SnoopedKeyEvent{10, "S", 39, kCommand | kShift}},
      {"a", {press, Qt::Key_A, Qt::NoModifier, "a", 38}, SnoopedKeyEvent{10, "a", 38, 0}},
      {"Shift+a", {press, Qt::Key_A, Qt::ShiftModifier, "A", 38}, SnoopedKeyEvent{10, "A", 38, kShift}},
      {"Alt+Meta+x", {press, Qt::Key_X, Qt::AltModifier | Qt::MetaModifier, "x", 53},
       SnoopedKeyEvent{10, "x", 53, kOption | kControl}},
      {"Ctrl+[ (text is Escape)", {press, Qt::Key_BracketLeft, Qt::ControlModifier, "\x1b", 34},
       SnoopedKeyEvent{10, "[", 34, kCommand}},
      {"Ctrl+1 without text", {press, Qt::Key_1, Qt::ControlModifier, "", 10}, SnoopedKeyEvent{10, "1", 10, kCommand}},
      {"Shift+1", {press, Qt::Key_Exclam, Qt::ShiftModifier, "!", 10}, SnoopedKeyEvent{10, "!", 10, kShift}},
      {"Ctrl+ä without text", {press, Qt::Key_Adiaeresis, Qt::ControlModifier, "", 48},
       SnoopedKeyEvent{10, "ä", 48, kCommand}},
      {"text beyond the BMP", {press, Qt::Key_unknown, Qt::NoModifier, "😀", 200}, SnoopedKeyEvent{10, "😀", 200, 0}},
      {"dead key", {press, Qt::Key_Dead_Acute, Qt::NoModifier, "", 21}, SnoopedKeyEvent{10, "", 21, 0}},
      // F1 is 0xF704, so F15 is 0xF704 + 14 = 0xF712 and F35 0xF726.
      {"F1", {press, Qt::Key_F1, Qt::NoModifier, "", 67}, SnoopedKeyEvent{10, unit(0xF704), 67, 0}},
      {"F15", {press, Qt::Key_F15, Qt::NoModifier, "", 191}, SnoopedKeyEvent{10, unit(0xF712), 191, 0}},
      {"F35", {press, Qt::Key_F35, Qt::NoModifier, "", 0}, SnoopedKeyEvent{10, unit(0xF726), 0, 0}},
      {"Up", {press, Qt::Key_Up, Qt::NoModifier, "", 111}, SnoopedKeyEvent{10, unit(0xF700), 111, 0}},
      {"Down", {press, Qt::Key_Down, Qt::NoModifier, "", 116}, SnoopedKeyEvent{10, unit(0xF701), 116, 0}},
      {"Left", {press, Qt::Key_Left, Qt::NoModifier, "", 113}, SnoopedKeyEvent{10, unit(0xF702), 113, 0}},
      {"Right", {press, Qt::Key_Right, Qt::NoModifier, "", 114}, SnoopedKeyEvent{10, unit(0xF703), 114, 0}},
      {"Delete", {press, Qt::Key_Delete, Qt::NoModifier, "\x7f", 119}, SnoopedKeyEvent{10, unit(0xF728), 119, 0}},
      {"Home", {press, Qt::Key_Home, Qt::NoModifier, "", 110}, SnoopedKeyEvent{10, unit(0xF729), 110, 0}},
      {"End", {press, Qt::Key_End, Qt::NoModifier, "", 115}, SnoopedKeyEvent{10, unit(0xF72B), 115, 0}},
      {"Page Up", {press, Qt::Key_PageUp, Qt::NoModifier, "", 112}, SnoopedKeyEvent{10, unit(0xF72C), 112, 0}},
      {"Page Down", {press, Qt::Key_PageDown, Qt::NoModifier, "", 117}, SnoopedKeyEvent{10, unit(0xF72D), 117, 0}},
      {"Help", {press, Qt::Key_Help, Qt::NoModifier, "", 146}, SnoopedKeyEvent{10, unit(0xF746), 146, 0}},
      {"Clear", {press, Qt::Key_Clear, Qt::NoModifier, "", 84}, SnoopedKeyEvent{10, unit(0xF739), 84, 0}},
      {"Return", {press, Qt::Key_Return, Qt::NoModifier, "\r", 36}, SnoopedKeyEvent{10, "\r", 36, 0}},
      {"keypad Enter", {press, Qt::Key_Enter, Qt::KeypadModifier, "\r", 104}, SnoopedKeyEvent{10, "\x03", 104, 0}},
      {"Backspace", {press, Qt::Key_Backspace, Qt::NoModifier, "\b", 22}, SnoopedKeyEvent{10, "\x7f", 22, 0}},
      {"Tab", {press, Qt::Key_Tab, Qt::NoModifier, "\t", 23}, SnoopedKeyEvent{10, "\t", 23, 0}},
      {"Shift+Tab", {press, Qt::Key_Backtab, Qt::ShiftModifier, "", 23}, SnoopedKeyEvent{10, "\x19", 23, kShift}},
      {"Escape", {press, Qt::Key_Escape, Qt::NoModifier, "\x1b", 9}, SnoopedKeyEvent{10, "\x1b", 9, 0}},
      {"Space", {press, Qt::Key_Space, Qt::ControlModifier, " ", 65}, SnoopedKeyEvent{10, " ", 65, kCommand}},
      {"release of a", {release, Qt::Key_A, Qt::NoModifier, "a", 38}, SnoopedKeyEvent{11, "a", 38, 0}},
      // A modifier key reports the state after the event.
      {"Ctrl down", {press, Qt::Key_Control, Qt::ControlModifier, "", 37}, SnoopedKeyEvent{12, "", 37, kCommand}},
      {"Ctrl up", {release, Qt::Key_Control, Qt::NoModifier, "", 37}, SnoopedKeyEvent{12, "", 37, 0}},
      {"Meta down", {press, Qt::Key_Meta, Qt::MetaModifier, "", 133}, SnoopedKeyEvent{12, "", 133, kControl}},
      {"Caps Lock", {press, Qt::Key_CapsLock, Qt::NoModifier, "", 66}, SnoopedKeyEvent{12, "", 66, 0}},
      {"scan code cut to 16 bits", {press, Qt::Key_A, Qt::NoModifier, "a", 0x12345}, SnoopedKeyEvent{10, "a", 0x2345, 0}},
      {"not a key event", {QEvent::MouseButtonPress, Qt::Key_A, Qt::NoModifier, "a", 38}, std::nullopt},
  };
  for (const auto& test : cases) EXPECT_EQ(snoopedKeyEvent(test.event), test.expected) << test.what;
}

TEST(ModifierMasks, MapEachQtModifierToOneBitAndBack) {
  const std::vector<std::pair<Qt::KeyboardModifier, std::uint32_t>> pairs = {
      {Qt::ControlModifier, kCommand}, {Qt::MetaModifier, kControl}, {Qt::AltModifier, kOption},
      {Qt::ShiftModifier, kShift}};
  for (const auto& [qt, mask] : pairs) EXPECT_EQ(modifierMaskFromQt(qt), mask) << mask;
  EXPECT_EQ(modifierMaskFromQt(Qt::KeypadModifier | Qt::GroupSwitchModifier), 0u);
  // Every one of the 16 combinations of the four bits survives a round trip.
  for (std::uint32_t combination = 0; combination < 16; ++combination) {
    std::uint32_t mask = 0;
    for (std::size_t bit = 0; bit < pairs.size(); ++bit)
      if (combination & (1u << bit)) mask |= pairs[bit].second;
    EXPECT_EQ(modifierMaskFromQt(qtModifiersFromMask(mask)), mask) << mask;
  }
  EXPECT_EQ(qtModifiersFromMask(0x1 | 0x10000), Qt::NoModifier);
}

TEST(QtKeyForCode, InvertsTheSpecialKeysAndNamesCharacters) {
  const std::vector<int> specials = {
      Qt::Key_Up,    Qt::Key_Down,     Qt::Key_Left,   Qt::Key_Right,  Qt::Key_Insert, Qt::Key_Delete,
      Qt::Key_Home,  Qt::Key_End,      Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Clear, Qt::Key_Help,
      Qt::Key_Return, Qt::Key_Enter,   Qt::Key_Backspace, Qt::Key_Tab, Qt::Key_Backtab, Qt::Key_Escape,
      Qt::Key_Space};
  for (int key : specials) {
    auto code = specialKeyCode(key);
    ASSERT_TRUE(code) << key;
    EXPECT_EQ(qtKeyForCode(*code), key) << key;
  }
  for (int function = 0; function < 35; ++function)
    EXPECT_EQ(qtKeyForCode(*specialKeyCode(Qt::Key_F1 + function)), Qt::Key_F1 + function) << function;

  EXPECT_EQ(qtKeyForCode(u'a'), Qt::Key_A);
  EXPECT_EQ(qtKeyForCode(u'A'), Qt::Key_A);
  EXPECT_EQ(qtKeyForCode(u'1'), Qt::Key_1);
  EXPECT_EQ(qtKeyForCode(u'?'), Qt::Key_Question);
  EXPECT_EQ(qtKeyForCode(u'ä'), Qt::Key_Adiaeresis);
  EXPECT_EQ(qtKeyForCode(0x08), Qt::Key_Backspace);
  EXPECT_EQ(qtKeyForCode(0), std::nullopt);
  EXPECT_EQ(qtKeyForCode(0x01), std::nullopt);
  EXPECT_EQ(qtKeyForCode(0xD800), std::nullopt);
  EXPECT_EQ(specialKeyCode(Qt::Key_A), std::nullopt);
}

TEST(QtKeyForCode, RoundTripsEveryPrintableAsciiKeyThroughAnEvent) {
  // The key Qt reports for a character, pressed with Ctrl (so without text),
  // gives the character back: capitals need Shift.
  for (char16_t code = 0x21; code < 0x7F; ++code) {
    auto key = qtKeyForCode(code);
    ASSERT_TRUE(key) << static_cast<int>(code);
    bool capital = code >= u'A' && code <= u'Z';
    Qt::KeyboardModifiers modifiers = Qt::ControlModifier | (capital ? Qt::ShiftModifier : Qt::NoModifier);
    auto event = snoopedKeyEvent({QEvent::KeyPress, *key, modifiers, "", 0});
    ASSERT_TRUE(event) << static_cast<int>(code);
    EXPECT_EQ(event->characters, unit(code)) << static_cast<int>(code);
  }
}

}  // namespace
}  // namespace qor
