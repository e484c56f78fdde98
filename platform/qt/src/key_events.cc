#include "qor/qt/key_events.h"

#include <array>
#include <utility>

#include <QKeyEvent>

#include "qor/ports/host.h"
#include "qor/key_masks.h"
#include "qor/qt/keyboard_layout.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr char16_t kFirstFunctionKey = 0xF704;  // F1
constexpr int kFunctionKeyCount = 35;           // F1-F35: 0xF704-0xF726
constexpr char16_t kFirstPrintable = 0x20;
constexpr char16_t kDeleteCharacter = 0x7F;
constexpr char16_t kBackspaceCharacter = 0x08;
constexpr std::uint32_t kSixteenBits = 0xFFFF;

struct ModifierPair {
  Qt::KeyboardModifier qt;
  std::uint32_t mask;
};
constexpr std::array<ModifierPair, 4> kModifiers = {{
    {Qt::ControlModifier, kCommandKeyMask},
    {Qt::MetaModifier, kControlKeyMask},
    {Qt::AltModifier, kAlternateKeyMask},
    {Qt::ShiftModifier, kShiftKeyMask},
}};

struct SpecialKey {
  int qt;
  char16_t code;
};
constexpr std::array<SpecialKey, 25> kSpecialKeys = {{
    {Qt::Key_Up, 0xF700},       {Qt::Key_Down, 0xF701},     {Qt::Key_Left, 0xF702},
    {Qt::Key_Right, 0xF703},    {Qt::Key_Insert, 0xF727},   {Qt::Key_Delete, 0xF728},
    {Qt::Key_Home, 0xF729},     {Qt::Key_End, 0xF72B},      {Qt::Key_PageUp, 0xF72C},
    {Qt::Key_PageDown, 0xF72D}, {Qt::Key_Print, 0xF72E},    {Qt::Key_ScrollLock, 0xF72F},
    {Qt::Key_Pause, 0xF730},    {Qt::Key_SysReq, 0xF731},   {Qt::Key_Menu, 0xF735},
    {Qt::Key_Clear, 0xF739},    {Qt::Key_Help, 0xF746},     {Qt::Key_Return, 0x000D},
    {Qt::Key_Enter, 0x0003},    {Qt::Key_Backspace, 0x007F}, {Qt::Key_Tab, 0x0009},
    {Qt::Key_Backtab, 0x0019},  {Qt::Key_Escape, 0x001B},   {Qt::Key_Space, 0x0020},
    {Qt::Key_Find, 0xF745},
}};

constexpr std::array<int, 14> kModifierKeys = {
    Qt::Key_Shift,   Qt::Key_Control, Qt::Key_Meta,    Qt::Key_Alt,      Qt::Key_AltGr,
    Qt::Key_Super_L, Qt::Key_Super_R, Qt::Key_Hyper_L, Qt::Key_Hyper_R,  Qt::Key_CapsLock,
    Qt::Key_NumLock, Qt::Key_Mode_switch, Qt::Key_Direction_L, Qt::Key_Direction_R,
};

bool isPrintable(char16_t unit) { return unit >= kFirstPrintable && unit != kDeleteCharacter; }

std::string utf8Of(char16_t unit) { return utf8FromCodeUnit(unit); }

// The character of a key whose event text is missing or a control
// character: Qt names printable keys by their code point, capitals for letters.
std::string characterOfKey(int qtKey, Qt::KeyboardModifiers modifiers) {
  if (qtKey < kFirstPrintable || qtKey > static_cast<int>(kSixteenBits)) return {};
  QChar character(static_cast<char16_t>(qtKey));
  if (!(modifiers & Qt::ShiftModifier)) character = character.toLower();
  return utf8Of(character.unicode());
}

}  // namespace

std::uint32_t modifierMaskFromQt(Qt::KeyboardModifiers modifiers) {
  std::uint32_t mask = 0;
  for (const auto& pair : kModifiers)
    if (modifiers.testFlag(pair.qt)) mask |= pair.mask;
  return mask;
}

Qt::KeyboardModifiers qtModifiersFromMask(std::uint32_t mask) {
  Qt::KeyboardModifiers modifiers;
  for (const auto& pair : kModifiers)
    if (mask & pair.mask) modifiers |= pair.qt;
  return modifiers;
}

std::optional<char16_t> specialKeyCode(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeyCount)
    return static_cast<char16_t>(kFirstFunctionKey + (qtKey - Qt::Key_F1));
  for (const auto& special : kSpecialKeys)
    if (special.qt == qtKey) return special.code;
  return std::nullopt;
}

bool isModifierKey(int qtKey) {
  for (int key : kModifierKeys)
    if (key == qtKey) return true;
  return false;
}

std::optional<SnoopedKeyEvent> snoopedKeyEvent(const QtKeyEventFields& event) {
  if (event.type != QEvent::KeyPress && event.type != QEvent::KeyRelease) return std::nullopt;
  SnoopedKeyEvent snooped;
  snooped.keyCode = static_cast<std::uint16_t>(event.nativeScanCode & kSixteenBits);
  snooped.modifiers = modifierMaskFromQt(event.modifiers);
  if (isModifierKey(event.key)) {
    snooped.type = kFlagsChangedEventType;
    return snooped;
  }
  snooped.type = event.type == QEvent::KeyPress ? kKeyDownEventType : kKeyUpEventType;
  if (auto code = specialKeyCode(event.key)) {
    snooped.characters = utf8Of(*code);
  } else if (!event.text.isEmpty() && isPrintable(event.text.front().unicode())) {
    snooped.characters = event.text.toStdString();
  } else {
    snooped.characters = characterOfKey(event.key, event.modifiers);
  }
  return snooped;
}

std::optional<SnoopedKeyEvent> snoopedKeyEventOf(const QKeyEvent& event) {
  std::optional<SnoopedKeyEvent> snooped =
      snoopedKeyEvent({event.type(), event.key(), event.modifiers(), event.text(), event.nativeScanCode()});
  if (!snooped || snooped->characters.empty()) return snooped;
  // Only a letter of another script asks the keymap for the key's Latin character.
  if (!isLetterOfAnotherScript(snooped->characters)) return snooped;
  snooped->characters =
      shortcutCharacters(snooped->characters, currentLatinKey(event.nativeScanCode()), event.modifiers());
  return snooped;
}

std::optional<int> qtKeyForCode(char16_t code) {
  if (code == kBackspaceCharacter) return Qt::Key_Backspace;
  if (code >= kFirstFunctionKey && code < kFirstFunctionKey + kFunctionKeyCount)
    return Qt::Key_F1 + (code - kFirstFunctionKey);
  for (const auto& special : kSpecialKeys)
    if (special.code == code) return special.qt;
  if (!isPrintable(code) || QChar::isSurrogate(code)) return std::nullopt;
  return static_cast<int>(QChar(code).toUpper().unicode());
}

}  // namespace qor
