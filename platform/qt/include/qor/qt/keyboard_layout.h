// The keyboard layouts of the X server, as shortcuts need them: the Latin
// character of each key's position, and whether a character can be typed on
// the active layout.
//
// Shortcuts are recorded and matched by the characters a key press gives. A
// Russian or Greek layout gives "с" or "ψ" where a US keyboard has C, so a
// press gives to shortcuts the Latin character of the key's position instead
// whenever the active layout puts a letter of another script there. That
// character comes from the keymap's Latin layout (the first of its two first
// groups whose key has a Latin keysym) and, when the keymap has none (a
// Russian layout alone, Wayland, the offscreen platform), from the US
// positions of the X keycodes (evdev code + 8: 24 q, 38 a, 52 z, ...).
//
// The keymap is read when it is needed, over the application's own X
// connection (one round trip), so a layout switch or `setxkbmap` is followed
// without listening for mapping changes.
//
// The X keymap lists, per keycode, the keysyms of group 1 levels 1-2, group 2
// levels 1-2, then group 1 levels 3-4 and group 2 levels 3-4 (XKB's core
// compatibility order); a key of one group repeats it as group 2, so a
// group index past a one-group layout's (left locked by a former layout)
// still reads that group.
//
// Threads: the pure functions and KeyboardLayout's members may be called from
// any thread; the reading functions from the GUI thread only.
//
// Example:
//   auto latin = qor::currentLatinKey(54);                    // {'c', 'C'} on us,ru and on ru alone
//   qor::shortcutCharacters("с", latin, Qt::ControlModifier);  // "c"
//   qor::currentKeyboardLayout().canType("ü");                 // false on us, true on de
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <Qt>

namespace qor {

// The Latin characters of one key's position, without and with Shift.
struct LatinKey {
  char plain = 0;
  char shifted = 0;
  friend bool operator==(const LatinKey&, const LatinKey&) = default;
};

// The key of a US keyboard at X keycode `keycode`: letters, digits and
// punctuation. Result: nullopt for every other keycode.
//   38 -> {'a', 'A'}    10 -> {'1', '!'}    34 -> {'[', '{'}    9 (Escape) -> nullopt
[[nodiscard]] std::optional<LatinKey> usLatinKey(std::uint32_t keycode);

// Whether `characters` is one letter of a script other than Latin ("с",
// "ψ", "א"; not "z", "ü", "ß", "1", "€").
[[nodiscard]] bool isLetterOfAnotherScript(const std::string& characters);

// The characters a key press gives to shortcuts, ignoring modifiers:
// `characters` (what the active layout gives, as snoopedKeyEvent reads it)
// when it is anything but one letter of a script other than Latin; else the
// Latin key of the position, shifted when Shift is held. A Latin letter
// (QWERTZ's "z", "ü", "ß"), ASCII, other symbols and special keys stay as they
// are, and so does a non-Latin letter when `latin` is nullopt.
//   ("с", {'c','C'}, Ctrl) -> "c"    ("С", {'c','C'}, Shift) -> "C"    ("ü", {'[','{'}, none) -> "ü"
[[nodiscard]] std::string shortcutCharacters(const std::string& characters, const std::optional<LatinKey>& latin,
                                             Qt::KeyboardModifiers modifiers);

// A snapshot of the X keymap and its active group.
class KeyboardLayout {
 public:
  // Nothing known (no X server): every key has its US position, and
  // everything can be typed.
  KeyboardLayout() = default;
  // The keysyms of keycodes `firstKeycode`, `firstKeycode` + 1, ...,
  // `keysymsPerKeycode` per keycode in the X keymap's order; the active
  // `group` counts from 0 (the state's bits 13-14).
  KeyboardLayout(std::uint32_t firstKeycode, std::uint32_t keysymsPerKeycode, std::vector<std::uint32_t> keysyms,
                 std::uint32_t group);

  // The Latin key of `keycode`'s position: the first Latin (ASCII) keysym
  // among groups 1 and 2 at level 1, with its level 2; else usLatinKey.
  [[nodiscard]] std::optional<LatinKey> latinKey(std::uint32_t keycode) const;

  // Whether some key of the active group gives `characters` (UTF-8), at
  // any of its first four levels (Shift, AltGr) or through shortcutCharacters
  // (the Latin key of a position where the group has a non-Latin letter).
  // Keys that are no character of a layout (Return, Tab, Escape, Space,
  // Backspace, arrows and function keys) can always be typed, and so can
  // anything when nothing is known or the active group is beyond the second.
  [[nodiscard]] bool canType(const std::string& characters) const;

 private:
  // The keysym at `column` of `keycode`; 0 (NoSymbol) outside the snapshot.
  [[nodiscard]] std::uint32_t keysym(std::uint32_t keycode, std::uint32_t column) const;
  // The active group's keysyms of `keycode`, levels 1 to 4.
  [[nodiscard]] std::vector<std::uint32_t> activeKeysyms(std::uint32_t keycode) const;

  std::uint32_t firstKeycode_ = 0;
  std::uint32_t keysymsPerKeycode_ = 0;
  std::vector<std::uint32_t> keysyms_;
  std::uint32_t group_ = 0;
};

// The X server's keymap and active group now; the empty KeyboardLayout
// where the application has no X connection or the server does not answer.
[[nodiscard]] KeyboardLayout currentKeyboardLayout();

// The Latin key of X keycode `keycode` in the X server's keymap now (one
// round trip for this key alone); usLatinKey without an X connection.
[[nodiscard]] std::optional<LatinKey> currentLatinKey(std::uint32_t keycode);

}  // namespace qor
