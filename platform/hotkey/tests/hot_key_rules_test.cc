// The hot key's pure rules; the grab against a real X server and the portal
// against a fake one are the editor's scenarios (e2e_hot_key.py).
#include "qor/hotkey/hot_key_rules.h"

#include <gtest/gtest.h>

#include "qor/key_masks.h"

namespace qor {
namespace {

constexpr std::uint32_t kControlOption = kControlKeyMask | kAlternateKeyMask;

TEST(PortalTrigger, WritesModifiersThenTheKeysymName) {
  struct Case {
    HotKeyStroke stroke;
    const char* trigger;
  };
  const Case cases[] = {
      {{"e", kControlOption}, "ALT+LOGO+E"},  // the default hot key, ⌃⌥E: Super+Alt+E
      {{"E", kShiftKeyMask | kCommandKeyMask}, "CTRL+SHIFT+E"},  // a capital letter is the letter's key
      {{"\uF705", kCommandKeyMask}, "CTRL+F2"},                  // F1 is 0xF704
      {{"\uF726", kAlternateKeyMask}, "ALT+F35"},                // the last function key
      {{"!", kShiftKeyMask}, "SHIFT+exclam"},
      {{"\r", kControlKeyMask}, "LOGO+Return"},
      {{" ", kCommandKeyMask | kAlternateKeyMask | kShiftKeyMask | kControlKeyMask}, "CTRL+ALT+SHIFT+LOGO+space"},
      {{"ü", kCommandKeyMask}, "CTRL+udiaeresis"},
      {{"", kCommandKeyMask}, ""},    // no key
      {{"ab", kCommandKeyMask}, ""},  // two characters: no keysym
  };
  for (const Case& c : cases) EXPECT_EQ(portalTrigger(c.stroke), c.trigger) << c.stroke.key;
}

TEST(LockCombinations, CoverCapsLockAndNumLock) {
  struct Case {
    std::uint16_t numLock;
    std::vector<std::uint16_t> combinations;
  };
  const Case cases[] = {
      {0x10, {0, 0x2, 0x10, 0x12}},  // Num Lock on Mod2, as on most servers
      {0x80, {0, 0x2, 0x80, 0x82}},  // on Mod5
      {0, {0, 0x2}},                 // no Num Lock key mapped
  };
  for (const Case& c : cases) EXPECT_EQ(lockCombinations(c.numLock), c.combinations) << c.numLock;
}

// A keymap of 4 keycodes from 64, two columns each, and a modifier mapping of
// two keycodes per row (Shift, Lock, Control, Mod1 .. Mod5).
X11Keymap keymap(std::vector<std::uint8_t> modifierKeycodes) {
  return {64, 2, {0xFFE9, 0xFFE7, 'e', 'E', 0xFF7F, 0xFEF7, 'e', 0}, 2, std::move(modifierKeycodes)};
}

TEST(X11Keymap, FindsKeycodesAndModifierBits) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> modifierKeycodes;
    X11ModifierBits bits;
  };
  const Case cases[] = {
      // Alt (64) on Mod1, Num Lock (66) on Mod2; no Super key: Mod4 as usual.
      {"usual", {0, 0, 0, 0, 0, 0, 64, 0, 66, 0, 0, 0, 0, 0, 0, 0}, {0x8, 0x40, 0x10}},
      // Num Lock on Mod5 (row 7: bit 1 << 7).
      {"moved", {0, 0, 0, 0, 0, 0, 64, 0, 0, 0, 0, 0, 0, 0, 0, 66}, {0x8, 0x40, 0x80}},
      {"empty", {}, {0x8, 0x40, 0}},
  };
  for (const Case& c : cases) {
    X11ModifierBits bits = keymap(c.modifierKeycodes).modifierBits();
    EXPECT_EQ(bits.alt, c.bits.alt) << c.name;
    EXPECT_EQ(bits.super, c.bits.super) << c.name;
    EXPECT_EQ(bits.numLock, c.bits.numLock) << c.name;
  }
  // 'e' on keycodes 65 and 67 (index 6 / 2 columns = 3 past 64), each once.
  EXPECT_EQ(keymap({}).keycodesOf(keysymOfKey("E")), (std::vector<std::uint8_t>{65, 67}));
}

TEST(X11Modifiers, MapsTheFourModifiers) {
  const X11ModifierBits bits{0x8, 0x40, 0x10};
  struct Case {
    std::uint32_t modifiers;
    X11ModifierBits bits;
    std::uint16_t state;
  };
  const Case cases[] = {
      {kControlOption, bits, 0x48},                          // Super (Mod4) + Alt (Mod1)
      {kCommandKeyMask | kShiftKeyMask, bits, 0x5},          // Control + Shift
      {kControlKeyMask, {0x8, 0, 0x10}, kNoModifierBit},     // no Super bit on this server
  };
  for (const Case& c : cases) EXPECT_EQ(x11Modifiers(c.modifiers, c.bits), c.state) << c.modifiers;
}

}  // namespace
}  // namespace qor
