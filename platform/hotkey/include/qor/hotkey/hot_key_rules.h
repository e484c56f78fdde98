// The pure rules of the hot key outside the editor: a stroke's key as an X
// keysym, as the GlobalShortcuts portal's trigger text and as X modifier
// bits, the keycodes and modifier bits of a keymap snapshot, and the lock
// combinations a passive grab must cover.
//
// A stroke is the pane's: "key" as the window gets it (a character, or the
// private-use code of a special key: arrows 0xF700-0xF703, F1-F35
// 0xF704-0xF726, ...; see qor/qt/key_events.h) and the port's modifier mask
// (Command = Ctrl, Control = Super, Option = Alt, Shift = Shift).
//
// Threads: every function here is pure and may be called from any thread.
//
// Example:
//   qor::portalTrigger({"e", qor::kControlKeyMask | qor::kAlternateKeyMask});  // "ALT+LOGO+E"
//   qor::lockCombinations(0x10);                                               // {0, 0x2, 0x10, 0x12}
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qor {

// One key stroke with its modifiers, as the pane stores it.
struct HotKeyStroke {
  std::string key;             // UTF-8: one character or special-key code
  std::uint32_t modifiers = 0; // kShiftKeyMask, kControlKeyMask, kAlternateKeyMask, kCommandKeyMask
  friend bool operator==(const HotKeyStroke&, const HotKeyStroke&) = default;
};

// The X keysym of a stroke's key: an ASCII letter's small letter, a special
// key's keysym (F2 -> 0xFFBF, Return -> 0xFF0D), else the character's.
// Result: 0 (NoSymbol) for an empty key, more than one character or a
// character without a keysym.
[[nodiscard]] std::uint32_t keysymOfKey(const std::string& key);

// The stroke as the portal's preferred trigger (the XDG shortcuts syntax):
// modifiers CTRL, ALT, SHIFT, LOGO in that order, then the key's keysym
// name, a letter as its capital, joined by "+".
//   {"e", Control|Option} -> "ALT+LOGO+E"   {"\uF705", Command} -> "CTRL+F2"   {"!", Shift} -> "SHIFT+exclam"
// Result: empty when the key has no keysym.
[[nodiscard]] std::string portalTrigger(const HotKeyStroke& stroke);

// The X modifier bits of the four modifiers: Shift and Control are fixed;
// Alt and Super are found in the server's modifier mapping.
struct X11ModifierBits {
  std::uint16_t alt = 0;
  std::uint16_t super = 0;
  std::uint16_t numLock = 0;
};

// What x11Modifiers gives when a modifier the stroke holds has no bit.
inline constexpr std::uint16_t kNoModifierBit = 0xFFFF;
// The X state bits of `modifiers` (the port's mask). Result: kNoModifierBit
// when a modifier the stroke holds has no bit on this server (no Super key).
[[nodiscard]] std::uint16_t x11Modifiers(std::uint32_t modifiers, const X11ModifierBits& bits);

// Every combination of Caps Lock (Lock, 0x2) and Num Lock (`numLockBit`) that
// may be on while the hot key is pressed: a passive grab is exact about the
// state, so each needs a grab of its own. A `numLockBit` of 0 (no Num Lock
// key mapped) gives the two combinations of Caps Lock alone.
[[nodiscard]] std::vector<std::uint16_t> lockCombinations(std::uint16_t numLockBit);

// A snapshot of the X server's keymap and modifier mapping, as
// xcb_get_keyboard_mapping and xcb_get_modifier_mapping give them.
struct X11Keymap {
  std::uint32_t firstKeycode = 0;
  std::uint32_t keysymsPerKeycode = 0;
  std::vector<std::uint32_t> keysyms;       // keysymsPerKeycode per keycode from firstKeycode
  std::uint32_t keycodesPerModifier = 0;
  std::vector<std::uint8_t> modifierKeycodes;  // 8 rows (Shift, Lock, Control, Mod1-Mod5), 0 = none

  // The keycodes with `keysym` in any column, in keycode order.
  [[nodiscard]] std::vector<std::uint8_t> keycodesOf(std::uint32_t keysym) const;
  // The modifier bit whose row holds a keycode with `keysym`; 0 when none.
  [[nodiscard]] std::uint16_t modifierBitOf(std::uint32_t keysym) const;
  // Alt, Super and Num Lock as this mapping places them.
  [[nodiscard]] X11ModifierBits modifierBits() const;
};

}  // namespace qor
