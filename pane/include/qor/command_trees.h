// Builders of the "menu" part of a key-binding set, for the host.
//
// A host describes its menu shortcuts in two property lists:
//
//   ShortcutTable  array of records. A record is either a container
//                  {"submenu": [records...]} or a shortcut
//                  {"menu key": "Save", "Key": 115, "Command": true,
//                   "Shift": false, "Option": false, "Control": false}
//                  ("Key" is a character code; 0 means no shortcut).
//   MenuLayout     dictionary from the same menu keys to an index path into
//                  the main menu ([0, 5] is item 5 of the first menu), or to
//                  a group: a dictionary of the same form whose entry
//                  kMenuLocationKey is the index path of the group's own
//                  item. Paths inside a group are still complete paths from
//                  the menu bar.
//
// The first builder flattens the table into a ShortcutMap (menu key ->
// {"Key", "Shift", "Command", "Option", "Control"}); the second resolves the
// layout against the live main menu and makes one KeyBindingEntry per
// command, keyed by its MenuItemIdentifier: the dictionary the host uses as
// the "menu" part of its default set.
//
// Both builders take an Enumerator: the position in their array or
// dictionary from which the remaining elements are handled, one by one, in
// order. They read their array and dictionary arguments only.
//
// Example:
//   auto map = qor::MutableDictionary::make();
//   qor::Enumerator records;
//   qor::recursiveCreateShortcutMapWithArrayEnumeratorResult(*table, records, *map);
//   auto menu = qor::MutableDictionary::make();
//   qor::Enumerator keys;
//   qor::recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(*layout, *map, keys, *menu, *mainMenu);
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

// The key of a MenuLayout group that holds the index path of the group's own
// menu item.
inline constexpr const char* kMenuLocationKey = "(((((menu location)))))";

// Keys of ShortcutTable records and ShortcutMap values.
inline constexpr const char* kShortcutSubmenuKey = "submenu";
inline constexpr const char* kShortcutMenuKeyKey = "menu key";
inline constexpr const char* kShortcutKeyKey = "Key";
inline constexpr const char* kShortcutShiftKey = "Shift";
inline constexpr const char* kShortcutCommandKey = "Command";
inline constexpr const char* kShortcutOptionKey = "Option";
inline constexpr const char* kShortcutControlKey = "Control";

// A position in an array, or in a dictionary's keys (in the dictionary's
// order): the elements from it on are the ones still to handle. It does not
// hold its collection; every call names the collection it walks, which must
// be the same one each time.
class Enumerator {
 public:
  // `first`: the position of the first element to hand out.
  explicit Enumerator(std::size_t first = 0) : next_(first) {}

  // The element at the position, moving past it. Result: null once the
  // position is at or past the end of `array` (the position then stays).
  [[nodiscard]] Ref nextObject(const Array& array);
  // The key at the position, moving past it. Result: nullopt once the
  // position is at or past the end of `dictionary`'s keys.
  [[nodiscard]] std::optional<std::string> nextKey(const Dictionary& dictionary);

  [[nodiscard]] std::size_t position() const { return next_; }

 private:
  std::size_t next_;
};

// Fills `map` from the records of `table` that `records` has still to hand
// out, in order, until it is exhausted:
// - a record with "submenu" stands for the records of that array, handled at
//   once with a fresh enumerator (its other keys are ignored; a "submenu"
//   that is not an array contributes nothing);
// - any other record stores a new dictionary under its "menu key": its "Key",
//   "Shift", "Command", "Option" and "Control" as they are, except that a
//   record with "Key" 0 (or none) and a modifier set stores "Key" 0 and four
//   false modifiers, since modifiers without a key make no shortcut.
// A menu key already in `map` is replaced (the later record wins) after the
// log line "*** recursiveCreateShortcutMapWithArray: conflicts <menu key>".
// Records that are not dictionaries, and records without a string
// "menu key", are skipped: there is nothing to store them under.
void recursiveCreateShortcutMapWithArrayEnumeratorResult(const Array& table, Enumerator& records,
                                                         MutableDictionary& map);

// Stores in `result` one KeyBindingEntry for each command of `layout` that
// `keys` has still to hand out and that resolves in `mainMenu`, keyed by
// identifierForMenuItem of its item and replacing any entry already there:
// - an index path (an array, under any key but kMenuLocationKey) resolves
//   when menuItemAtIndexPath finds an item that has an action, is no
//   separator and is no submenu holder with the action kSubmenuAction, and
//   when `map` has a dictionary under the same key. The entry holds "title"
//   (the item's title) and, when the map's "Key" is not 0, "key sequences"
//   with one sequence: a modifier-only stroke {"modifiers": mask} when the
//   map's booleans give a mask, then {"unichar": k, "key": the character k,
//   "modifiers": mask} with k the low 16 bits of "Key";
// - a group (a dictionary) is handled the same way, with a fresh enumerator,
//   when its kMenuLocationKey path finds an item; otherwise it is skipped
//   with all its members;
// - any other value is skipped.
// Nothing is logged. When two keys lead to one item, the later key's entry
// stays.
void recursiveCreateKeyBindingsDataSourceWithDictMapEnumeratorResultDict(const Dictionary& layout,
                                                                         const Dictionary& map, Enumerator& keys,
                                                                         MutableDictionary& result,
                                                                         const Menu& mainMenu);

// Walks `path` from the menu bar `mainMenu`: each element, a number read as a
// signed integer, picks an item of the current list, and an item with a
// submenu makes the submenu's items the list for the next element (an item
// without one leaves the list as it was). Result: the last item picked; null
// for an empty path, and when an element is not a number, is negative or is
// not below the number of items at its level.
//   [1, 0] over File, Edit(Undo, Redo)  ->  Undo
[[nodiscard]] const MenuItem* menuItemAtIndexPath(const Menu& mainMenu, const Array& path);

}  // namespace qor
