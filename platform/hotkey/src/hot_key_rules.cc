#include "qor/hotkey/hot_key_rules.h"

#include <array>
#include <optional>

#include <xkbcommon/xkbcommon.h>

#include "qor/key_masks.h"

namespace qor {

namespace {

// X's core modifier bits (X.h): Shift, Lock, Control, then Mod1 to Mod5.
constexpr std::uint16_t kX11ShiftBit = 0x1;
constexpr std::uint16_t kX11LockBit = 0x2;
constexpr std::uint16_t kX11ControlBit = 0x4;
constexpr std::size_t kModifierRows = 8;
// The keysyms (keysymdef.h) that name the modifiers found in the mapping.
constexpr std::uint32_t kAltLKeysym = 0xFFE9;
constexpr std::uint32_t kSuperLKeysym = 0xFFEB;
constexpr std::uint32_t kNumLockKeysym = 0xFF7F;
// Alt and Super on nearly every server, when the mapping does not say.
constexpr std::uint16_t kUsualAltBit = 0x8;     // Mod1
constexpr std::uint16_t kUsualSuperBit = 0x40;  // Mod4
constexpr std::size_t kKeysymNameBuffer = 64;

// The special keys' codes and their keysyms.
struct SpecialKey {
  char32_t code;
  std::uint32_t keysym;
};
constexpr SpecialKey kSpecialKeys[] = {
    {0xF700, 0xFF52},  // Up
    {0xF701, 0xFF54},  // Down
    {0xF702, 0xFF51},  // Left
    {0xF703, 0xFF53},  // Right
    {0xF727, 0xFF63},  // Insert
    {0xF728, 0xFFFF},  // forward Delete
    {0xF729, 0xFF50},  // Home
    {0xF72B, 0xFF57},  // End
    {0xF72C, 0xFF55},  // Page Up
    {0xF72D, 0xFF56},  // Page Down
    {0xF739, 0xFF0B},  // Clear
    {0xF746, 0xFF6A},  // Help
    {0x0D, 0xFF0D},    // Return
    {0x03, 0xFF8D},    // keypad Enter
    {0x7F, 0xFF08},    // Backspace
    {0x09, 0xFF09},    // Tab
    {0x19, 0xFE20},    // Backtab (ISO_Left_Tab)
    {0x1B, 0xFF1B},    // Escape
    {0x20, 0x0020},    // Space
};
constexpr char32_t kFirstFunctionKeyCode = 0xF704;  // F1
constexpr char32_t kLastFunctionKeyCode = 0xF726;   // F35
constexpr std::uint32_t kF1Keysym = 0xFFBE;

// The only code point of UTF-8 `text`; nullopt for none, several or bad bytes.
std::optional<char32_t> soleCodePoint(const std::string& text) {
  if (text.empty()) return std::nullopt;
  const auto lead = static_cast<unsigned char>(text[0]);
  const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || text.size() != length) return std::nullopt;
  char32_t point = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t index = 1; index < length; ++index) {
    const auto next = static_cast<unsigned char>(text[index]);
    if ((next >> 6) != 0x2) return std::nullopt;
    point = (point << 6) | (next & 0x3F);
  }
  return point;
}

}  // namespace

std::uint32_t keysymOfKey(const std::string& key) {
  std::optional<char32_t> point = soleCodePoint(key);
  if (!point) return 0;
  if (*point >= kFirstFunctionKeyCode && *point <= kLastFunctionKeyCode) return kF1Keysym + (*point - kFirstFunctionKeyCode);
  for (const SpecialKey& special : kSpecialKeys)
    if (special.code == *point) return special.keysym;
  if (*point >= 'A' && *point <= 'Z') *point += 'a' - 'A';
  return xkb_utf32_to_keysym(*point);
}

std::string portalTrigger(const HotKeyStroke& stroke) {
  const std::uint32_t keysym = keysymOfKey(stroke.key);
  std::array<char, kKeysymNameBuffer> name{};
  if (keysym == 0 || xkb_keysym_get_name(keysym, name.data(), name.size()) <= 0) return {};
  std::string trigger;
  const std::pair<std::uint32_t, const char*> modifiers[] = {
      {kCommandKeyMask, "CTRL"}, {kAlternateKeyMask, "ALT"}, {kShiftKeyMask, "SHIFT"}, {kControlKeyMask, "LOGO"}};
  for (const auto& [mask, word] : modifiers)
    if (stroke.modifiers & mask) trigger += std::string(word) + "+";
  std::string keyName = name.data();
  if (keyName.size() == 1 && keyName[0] >= 'a' && keyName[0] <= 'z') keyName[0] = static_cast<char>(keyName[0] - 'a' + 'A');
  return trigger + keyName;
}

std::uint16_t x11Modifiers(std::uint32_t modifiers, const X11ModifierBits& bits) {
  const std::pair<std::uint32_t, std::uint16_t> pairs[] = {{kShiftKeyMask, kX11ShiftBit},
                                                           {kCommandKeyMask, kX11ControlBit},
                                                           {kAlternateKeyMask, bits.alt},
                                                           {kControlKeyMask, bits.super}};
  std::uint16_t state = 0;
  for (const auto& [mask, bit] : pairs) {
    if (!(modifiers & mask)) continue;
    if (bit == 0) return kNoModifierBit;
    state |= bit;
  }
  return state;
}

std::vector<std::uint16_t> lockCombinations(std::uint16_t numLockBit) {
  if (numLockBit == 0 || numLockBit == kX11LockBit) return {0, kX11LockBit};
  return {0, kX11LockBit, numLockBit, static_cast<std::uint16_t>(kX11LockBit | numLockBit)};
}

std::vector<std::uint8_t> X11Keymap::keycodesOf(std::uint32_t keysym) const {
  std::vector<std::uint8_t> keycodes;
  if (keysym == 0 || keysymsPerKeycode == 0) return keycodes;
  for (std::size_t index = 0; index < keysyms.size(); ++index) {
    if (keysyms[index] != keysym) continue;
    const auto keycode = static_cast<std::uint8_t>(firstKeycode + index / keysymsPerKeycode);
    if (keycodes.empty() || keycodes.back() != keycode) keycodes.push_back(keycode);
  }
  return keycodes;
}

std::uint16_t X11Keymap::modifierBitOf(std::uint32_t keysym) const {
  const std::vector<std::uint8_t> keycodes = keycodesOf(keysym);
  for (std::size_t index = 0; index < modifierKeycodes.size() && keycodesPerModifier > 0; ++index) {
    const std::size_t row = index / keycodesPerModifier;
    if (row >= kModifierRows || modifierKeycodes[index] == 0) continue;
    for (std::uint8_t keycode : keycodes)
      if (keycode == modifierKeycodes[index]) return static_cast<std::uint16_t>(1u << row);
  }
  return 0;
}

X11ModifierBits X11Keymap::modifierBits() const {
  const std::uint16_t alt = modifierBitOf(kAltLKeysym);
  const std::uint16_t super = modifierBitOf(kSuperLKeysym);
  return {alt ? alt : kUsualAltBit, super ? super : kUsualSuperBit, modifierBitOf(kNumLockKeysym)};
}

}  // namespace qor
