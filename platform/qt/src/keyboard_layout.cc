#include "qor/qt/keyboard_layout.h"

#include <array>
#include <cstdlib>
#include <memory>
#include <string_view>

#include <QChar>
#include <QGuiApplication>
#include <QString>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon.h>

namespace qor {

namespace {

constexpr std::uint32_t kFirstAsciiSymbol = 0x21;  // space has no letter of its own
constexpr std::uint32_t kLastAsciiSymbol = 0x7E;
// Columns of a keycode's keysyms: levels 1-2 of group g at 2g, 2g+1; levels
// 3-4 at 4 + 2g, 5 + 2g.
constexpr std::uint32_t kLevelsPerCoreGroup = 2;
constexpr std::uint32_t kCoreGroups = 2;
constexpr std::uint32_t kUpperLevelsColumn = kLevelsPerCoreGroup * kCoreGroups;
// The effective group in the X state, bits 13-14.
constexpr int kGroupShift = 13;
constexpr std::uint32_t kGroupMask = 0x3;
constexpr std::size_t kUtf8KeysymBuffer = 8;

// Codes that no layout places: control characters, Space, Delete and the
// private-use codes of arrows and function keys (see key_events.h).
constexpr char32_t kSpace = 0x20;
constexpr char32_t kDelete = 0x7F;
constexpr char32_t kFirstFunctionKeyCode = 0xF700;
constexpr char32_t kLastFunctionKeyCode = 0xF8FF;

// The US keyboard, one row of X keycodes at a time: each character at its
// index past the row's first keycode.
struct UsRow {
  std::uint32_t firstKeycode;
  std::string_view plain;
  std::string_view shifted;
};
constexpr std::array<UsRow, 6> kUsRows = {{
    {10, "1234567890-=", "!@#$%^&*()_+"},
    {24, "qwertyuiop[]", "QWERTYUIOP{}"},
    {38, "asdfghjkl;'`", "ASDFGHJKL:\"~"},
    {51, "\\", "|"},
    {52, "zxcvbnm,./", "ZXCVBNM<>?"},
    {94, "<", ">"},  // the key left of Z on a 105-key keyboard
}};

bool isAscii(std::uint32_t keysym) { return keysym >= kFirstAsciiSymbol && keysym <= kLastAsciiSymbol; }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char upperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string utf8OfKeysym(std::uint32_t keysym) {
  std::array<char, kUtf8KeysymBuffer> buffer{};
  int written = xkb_keysym_to_utf8(keysym, buffer.data(), buffer.size());
  return written > 1 ? std::string(buffer.data(), static_cast<std::size_t>(written - 1)) : std::string();
}

// The only code point of `characters`, if it is exactly one.
std::optional<char32_t> soleCodePoint(const std::string& characters) {
  const QList<uint> points = QString::fromStdString(characters).toUcs4();
  if (points.size() != 1) return std::nullopt;
  return static_cast<char32_t>(points.front());
}

bool isNoCharacterOfALayout(char32_t point) {
  return point <= kSpace || point == kDelete || (point >= kFirstFunctionKeyCode && point <= kLastFunctionKeyCode);
}

template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_connection_t* x11Connection() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->connection() : nullptr;
}

// The keymap of `count` keycodes from `first` and the active group: both
// requests in flight at once, so one round trip. nullopt when the server
// does not answer.
std::optional<KeyboardLayout> readKeyboardLayout(xcb_connection_t* connection, xcb_keycode_t first, std::uint8_t count) {
  const xcb_setup_t* setup = xcb_get_setup(connection);
  xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
  auto mappingCookie = xcb_get_keyboard_mapping(connection, first, count);
  auto pointerCookie = xcb_query_pointer(connection, screen->root);
  ReplyPtr<xcb_get_keyboard_mapping_reply_t> mapping(
      xcb_get_keyboard_mapping_reply(connection, mappingCookie, nullptr), &std::free);
  ReplyPtr<xcb_query_pointer_reply_t> pointer(xcb_query_pointer_reply(connection, pointerCookie, nullptr), &std::free);
  if (!mapping || !pointer) return std::nullopt;
  const xcb_keysym_t* symbols = xcb_get_keyboard_mapping_keysyms(mapping.get());
  const int length = xcb_get_keyboard_mapping_keysyms_length(mapping.get());
  std::vector<std::uint32_t> keysyms(symbols, symbols + length);
  return KeyboardLayout(first, mapping->keysyms_per_keycode, std::move(keysyms),
                        (pointer->mask >> kGroupShift) & kGroupMask);
}

}  // namespace

std::optional<LatinKey> usLatinKey(std::uint32_t keycode) {
  for (const UsRow& row : kUsRows) {
    if (keycode >= row.firstKeycode && keycode < row.firstKeycode + row.plain.size()) {
      std::size_t index = keycode - row.firstKeycode;
      return LatinKey{row.plain[index], row.shifted[index]};
    }
  }
  return std::nullopt;
}

bool isLetterOfAnotherScript(const std::string& characters) {
  std::optional<char32_t> point = soleCodePoint(characters);
  return point && QChar::isLetter(*point) && QChar::script(*point) != QChar::Script_Latin;
}

std::string shortcutCharacters(const std::string& characters, const std::optional<LatinKey>& latin,
                               Qt::KeyboardModifiers modifiers) {
  if (!latin || !isLetterOfAnotherScript(characters)) return characters;
  return std::string(1, modifiers.testFlag(Qt::ShiftModifier) ? latin->shifted : latin->plain);
}

KeyboardLayout::KeyboardLayout(std::uint32_t firstKeycode, std::uint32_t keysymsPerKeycode,
                               std::vector<std::uint32_t> keysyms, std::uint32_t group)
    : firstKeycode_(firstKeycode), keysymsPerKeycode_(keysymsPerKeycode), keysyms_(std::move(keysyms)), group_(group) {}

std::uint32_t KeyboardLayout::keysym(std::uint32_t keycode, std::uint32_t column) const {
  if (keycode < firstKeycode_ || column >= keysymsPerKeycode_) return 0;
  std::size_t index = std::size_t{keycode - firstKeycode_} * keysymsPerKeycode_ + column;
  return index < keysyms_.size() ? keysyms_[index] : 0;
}

std::optional<LatinKey> KeyboardLayout::latinKey(std::uint32_t keycode) const {
  for (std::uint32_t group = 0; group < kCoreGroups; ++group) {
    std::uint32_t plain = keysym(keycode, group * kLevelsPerCoreGroup);
    if (!isAscii(plain)) continue;
    std::uint32_t shifted = keysym(keycode, group * kLevelsPerCoreGroup + 1);
    char letter = static_cast<char>(plain);
    return LatinKey{lowerAscii(letter), isAscii(shifted) ? static_cast<char>(shifted) : upperAscii(letter)};
  }
  return usLatinKey(keycode);
}

std::vector<std::uint32_t> KeyboardLayout::activeKeysyms(std::uint32_t keycode) const {
  const std::uint32_t low = group_ * kLevelsPerCoreGroup;
  const std::uint32_t high = kUpperLevelsColumn + group_ * kLevelsPerCoreGroup;
  return {keysym(keycode, low), keysym(keycode, low + 1), keysym(keycode, high), keysym(keycode, high + 1)};
}

bool KeyboardLayout::canType(const std::string& characters) const {
  std::optional<char32_t> point = soleCodePoint(characters);
  if (point && isNoCharacterOfALayout(*point)) return true;
  if (keysyms_.empty() || keysymsPerKeycode_ == 0 || group_ >= kCoreGroups) return true;
  const std::uint32_t lastKeycode = firstKeycode_ + static_cast<std::uint32_t>(keysyms_.size() / keysymsPerKeycode_);
  for (std::uint32_t keycode = firstKeycode_; keycode < lastKeycode; ++keycode) {
    std::vector<std::uint32_t> levels = activeKeysyms(keycode);
    std::optional<LatinKey> latin;
    for (std::size_t level = 0; level < levels.size(); ++level) {
      std::string typed = utf8OfKeysym(levels[level]);
      if (typed.empty()) continue;
      if (isLetterOfAnotherScript(typed) && !latin) latin = latinKey(keycode);
      // Odd levels are the shifted ones.
      const Qt::KeyboardModifiers shift = level % 2 ? Qt::ShiftModifier : Qt::NoModifier;
      if (shortcutCharacters(typed, latin, shift) == characters) return true;
    }
  }
  return false;
}

KeyboardLayout currentKeyboardLayout() {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return {};
  const xcb_setup_t* setup = xcb_get_setup(connection);
  const auto count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  return readKeyboardLayout(connection, setup->min_keycode, count).value_or(KeyboardLayout());
}

std::optional<LatinKey> currentLatinKey(std::uint32_t keycode) {
  xcb_connection_t* connection = x11Connection();
  if (!connection) return usLatinKey(keycode);
  const xcb_setup_t* setup = xcb_get_setup(connection);
  if (keycode < setup->min_keycode || keycode > setup->max_keycode) return usLatinKey(keycode);
  std::optional<KeyboardLayout> key = readKeyboardLayout(connection, static_cast<xcb_keycode_t>(keycode), 1);
  return key ? key->latinKey(keycode) : usLatinKey(keycode);
}

}  // namespace qor
