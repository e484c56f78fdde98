// Qt key events in the terms of the key-snooper port, and character codes
// as Qt keys.
//
// On Linux the Ctrl key plays the Command modifier, Meta (the Super or
// "Windows" key) the Control modifier and Alt the Option modifier:
//   Qt::ControlModifier -> Command 0x100000   Qt::MetaModifier -> Control 0x40000
//   Qt::AltModifier     -> Option  0x80000    Qt::ShiftModifier -> Shift 0x20000
// Keys without a character of their own get the platform's private-use codes:
// arrows 0xF700-0xF703, F1-F35 0xF704-0xF726, Insert 0xF727, forward delete
// 0xF728, Home 0xF729, End 0xF72B, Page Up 0xF72C, Page Down 0xF72D, Clear
// 0xF739, Help 0xF746; Return 0x0D, keypad Enter 0x03, Backspace 0x7F, Tab
// 0x09, Backtab 0x19, Escape 0x1B, Space 0x20.
//
// Every function here but snoopedKeyEventOf is pure: no state, no failure
// beyond its result.
//
// Example:
//   auto event = qor::snoopedKeyEvent({QEvent::KeyPress, Qt::Key_S, Qt::ControlModifier, "\x13", 39});
//   // {10, "s", 39, 0x100000}: the letter, not the control character Ctrl gives
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <QEvent>
#include <QString>

class QKeyEvent;

namespace qor {

// The fields of a QKeyEvent that the snooper reads.
struct QtKeyEventFields {
  QEvent::Type type = QEvent::None;  // KeyPress or KeyRelease
  int key = 0;                       // Qt::Key
  Qt::KeyboardModifiers modifiers;   // after the event, for a modifier key
  QString text;
  std::uint32_t nativeScanCode = 0;
};

// A key event as KeySnooper::keyEventWithTypeStringKeyCodeModifiers takes it.
struct SnoopedKeyEvent {
  std::uint32_t type = 0;  // 10 key down, 11 key up, 12 modifier flags changed
  std::string characters;  // UTF-8; empty for a modifier change
  std::uint16_t keyCode = 0;
  std::uint32_t modifiers = 0;
  friend bool operator==(const SnoopedKeyEvent&, const SnoopedKeyEvent&) = default;
};

// The modifier mask of Qt modifiers (Keypad and group-switch bits are dropped).
[[nodiscard]] std::uint32_t modifierMaskFromQt(Qt::KeyboardModifiers modifiers);
// Qt modifiers of a mask; bits outside 0x1E0000 are ignored.
[[nodiscard]] Qt::KeyboardModifiers qtModifiersFromMask(std::uint32_t mask);

// The private-use or control code of a key named in the table above. Result: nullopt for every other key.
//   Qt::Key_F5 -> 0xF708    Qt::Key_Enter -> 0x0003    Qt::Key_A -> nullopt
[[nodiscard]] std::optional<char16_t> specialKeyCode(int qtKey);

// Whether `qtKey` is a modifier or lock key (Shift, Control, Meta, Alt,
// AltGr, Super, Hyper, Caps Lock, Num Lock): pressing or releasing one is a
// modifier change.
[[nodiscard]] bool isModifierKey(int qtKey);

// The snooper's view of a key event. A modifier key gives type 12 with empty
// characters; any other key gives 10 (press) or 11 (release) with the
// character the key produces: the special code of the table, else the
// event's text when it is printable, else the key's own character (so
// Ctrl+S gives "s", Ctrl+Shift+S "S", Ctrl+[ "["). The key code is the
// native scan code, cut to 16 bits. Result: nullopt for other event types.
// A key with neither a code nor a printable text (a dead key) gives empty
// characters.
[[nodiscard]] std::optional<SnoopedKeyEvent> snoopedKeyEvent(const QtKeyEventFields& event);

// The snooper's view of a Qt key event, with the keyboard layout's rule: a
// key where the active layout gives a letter of another script than Latin
// gives the Latin character of its position (qor/qt/keyboard_layout.h), so
// Ctrl+С on a Russian layout is "c" as on a US one. Reads the X keymap for
// that key (one round trip) when the rule applies. Key presses for shortcuts
// and for the key snooper come through here. GUI thread only.
[[nodiscard]] std::optional<SnoopedKeyEvent> snoopedKeyEventOf(const QKeyEvent& event);

// The Qt key of character code `code`: the inverse of specialKeyCode (0x08
// also gives Backspace), a letter's capital (Qt::Key_A for 'a' and 'A'), any
// other printable character itself. Result: nullopt for 0 and for control
// codes without a key.
[[nodiscard]] std::optional<int> qtKeyForCode(char16_t code);

}  // namespace qor
