#include "qor/command_trees.h"

#include <cstdint>

#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/log.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kMapConflictFormat = "*** recursiveCreateShortcutMapWithArray: conflicts %@";
constexpr std::uint32_t kLow16Bits = 0xFFFF;

struct ModifierFlag {
  const char* key;
  std::uint32_t mask;
};

constexpr ModifierFlag kModifierFlags[] = {
    {kShortcutShiftKey, kShiftKeyMask},
    {kShortcutCommandKey, kCommandKeyMask},
    {kShortcutOptionKey, kAlternateKeyMask},
    {kShortcutControlKey, kControlKeyMask},
};

bool flagIsSet(const Dictionary& record, const char* key) {
  NumberRef flag = record.numberForKey(key);
  return flag && flag->boolValue();
}

// "Key" as the tables carry it; a missing or non-number "Key" is no key.
std::int64_t keyCodeOf(const Dictionary& record) {
  NumberRef code = record.numberForKey(kShortcutKeyKey);
  return code ? code->integerValue() : 0;
}

std::uint32_t modifierMaskOf(const Dictionary& shortcut) {
  std::uint32_t mask = 0;
  for (const ModifierFlag& flag : kModifierFlags)
    if (flagIsSet(shortcut, flag.key)) mask |= flag.mask;
  return mask;
}

DictionaryRef shortcutOf(const Dictionary& record) {
  auto shortcut = MutableDictionary::make();
  if (keyCodeOf(record) == 0 && modifierMaskOf(record) != 0) {
    shortcut->setObjectForKey(integer(0), kShortcutKeyKey);
    for (const ModifierFlag& flag : kModifierFlags) shortcut->setObjectForKey(boolean(false), flag.key);
    return shortcut;
  }
  for (const char* key : {kShortcutKeyKey, kShortcutShiftKey, kShortcutCommandKey, kShortcutOptionKey,
                          kShortcutControlKey})
    shortcut->setObjectForKey(record.objectForKey(key), key);
  return shortcut;
}

// The stored form of a table shortcut: a modifier-only stroke when there are
// modifiers, then the key stroke.
ArrayRef keySequenceOf(char16_t key, std::uint32_t mask) {
  std::vector<Ref> strokes;
  if (mask != 0) strokes.push_back(Dictionary::make({{kStrokeModifiersKey, integer(mask)}}));
  strokes.push_back(Dictionary::make({{kStrokeUnicharKey, integer(key)},
                                      {kStrokeKeyKey, str(utf8FromCodeUnit(key))},
                                      {kStrokeModifiersKey, integer(mask)}}));
  return Array::make(std::move(strokes));
}

bool isBindable(const MenuItem& item) {
  std::optional<std::string> action = item.actionName();
  if (!action || item.isSeparatorItem()) return false;
  return !(item.submenu() && *action == kSubmenuAction);
}

void addEntryForCommand(const Array& path, const DictionaryRef& shortcut, MutableDictionary& result,
                        const Menu& mainMenu) {
  const MenuItem* item = menuItemAtIndexPath(mainMenu, path);
  if (!item || !shortcut || !isBindable(*item)) return;
  std::optional<std::string> identifier = identifierForMenuItem(item);
  if (!identifier) return;

  std::vector<Dictionary::Entry> entry;
  if (std::int64_t code = keyCodeOf(*shortcut); code != 0) {
    auto key = static_cast<char16_t>(static_cast<std::uint64_t>(code) & kLow16Bits);
    entry.emplace_back(kKeySequencesKey, Array::make({keySequenceOf(key, modifierMaskOf(*shortcut))}));
  }
  entry.emplace_back(kEntryTitleKey, str(item->title()));
  result.setObjectForKey(Dictionary::make(std::move(entry)), *identifier);
}

}  // namespace

Ref Enumerator::nextObject(const Array& array) {
  if (next_ >= array.count()) return nullptr;
  return array.objectAtIndex(next_++);
}

std::optional<std::string> Enumerator::nextKey(const Dictionary& dictionary) {
  if (next_ >= dictionary.count()) return std::nullopt;
  return dictionary.entries()[next_++].first;
}

const MenuItem* menuItemAtIndexPath(const Menu& mainMenu, const Array& path) {
  const Menu* list = &mainMenu;
  const MenuItem* found = nullptr;
  for (const Ref& element : path.elements()) {
    NumberRef number = asNumber(element);
    if (!number) return nullptr;
    std::int64_t index = number->integerValue();
    if (index < 0 || static_cast<std::uint64_t>(index) >= list->numberOfItems()) return nullptr;
    found = list->itemAtIndex(static_cast<std::size_t>(index));
    if (!found) return nullptr;
    if (const Menu* submenu = found->submenu()) list = submenu;
  }
  return found;
}

void recursiveCreateShortcutMapWithArrayEnumeratorResult(const Array& table, Enumerator& records,
                                                         MutableDictionary& map) {
  while (Ref element = records.nextObject(table)) {
    DictionaryRef record = asDictionary(element);
    if (!record) continue;
    if (record->containsKey(kShortcutSubmenuKey)) {
      if (ArrayRef submenu = record->arrayForKey(kShortcutSubmenuKey)) {
        Enumerator nested;
        recursiveCreateShortcutMapWithArrayEnumeratorResult(*submenu, nested, map);
      }
      continue;
    }
    StringRef menuKey = record->stringForKey(kShortcutMenuKeyKey);
    if (!menuKey) continue;
    if (map.containsKey(menuKey->value())) logLine(formatWithObjects(kMapConflictFormat, {menuKey->value()}));
    map.setObjectForKey(shortcutOf(*record), menuKey->value());
  }
}

void recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(const Dictionary& layout,
                                                                         const Dictionary& map, Enumerator& keys,
                                                                         MutableDictionary& result,
                                                                         const Menu& mainMenu) {
  while (std::optional<std::string> key = keys.nextKey(layout)) {
    Ref value = layout.objectForKey(*key);
    if (ArrayRef path = asArray(value)) {
      if (*key != kMenuLocationKey) addEntryForCommand(*path, map.dictionaryForKey(*key), result, mainMenu);
    } else if (DictionaryRef group = asDictionary(value)) {
      ArrayRef location = group->arrayForKey(kMenuLocationKey);
      if (!location || !menuItemAtIndexPath(mainMenu, *location)) continue;
      Enumerator members;
      recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(*group, map, members, result, mainMenu);
    }
  }
}

}  // namespace qor
