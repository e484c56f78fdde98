// The collection of sets, copied set by set when first needed.
//
// A large store holds dozens of sets of a thousand commands each, and the
// pane changes only one of them in place: the current set (bindings added,
// removed, reset, pruning). Every other set changes only as a whole (added,
// removed, replaced). So loadPrefs takes the store's sets as they are, shared,
// and a set is copied, with MakePlistMutable and its titles refreshed from
// the default set, when it becomes current or is handed out. Undo states share
// the sets that are not current in the same way. What anyone sees of a set is
// the same as if every set had been copied and refreshed at load: a shared set
// is never read for its bindings or titles before it is copied.
#include "qor/collections.h"
#include "qor/key_bindings.h"
#include "undo_history.h"

namespace qor {

void KeyBindings::refreshTitles(MutableDictionary& set) const {
  DictionaryRef defaultMenu = defaultSet() ? defaultSet()->dictionaryForKey(kSetMenuKey) : nullptr;
  MutableDictionaryRef menu = asMutableDictionary(set.objectForKey(kSetMenuKey));
  if (!defaultMenu || !menu) return;
  // Entries the set lacks stay lacking; "editor" entries have no titles.
  for (const auto& [key, defaultEntry] : defaultMenu->entries()) {
    auto entry = asDictionary(defaultEntry);
    Ref title = entry ? entry->objectForKey(kEntryTitleKey) : nullptr;
    auto storedEntry = asMutableDictionary(menu->objectForKey(key));
    if (storedEntry && title) storedEntry->setObjectForKey(title, kEntryTitleKey);
  }
}

void KeyBindings::shareSets(const Dictionary& sets, SetOrigin origin) const {
  for (const auto& [key, set] : sets.entries()) {
    if (!asDictionary(set)) continue;
    sharedSets_.insert(set);
    // Titles are refreshed once, when a set read from the store is copied;
    // an undo state's sets were read from the store or copied since.
    if (origin == SetOrigin::Store) staleTitleSets_.insert(set);
  }
}

void KeyBindings::forgetUnheldSets() const {
  // A set that only these lists still hold was removed or replaced.
  std::erase_if(sharedSets_, [](const Ref& set) { return set.use_count() == 1; });
  std::erase_if(staleTitleSets_, [](const Ref& set) { return set.use_count() == 1; });
}

MutableDictionaryRef KeyBindings::ownedSetForKey(const std::string& key) const {
  Ref set = _keyBindingsSets ? _keyBindingsSets->objectForKey(key) : nullptr;
  if (!set || !sharedSets_.contains(set)) return asMutableDictionary(set);
  MutableDictionaryRef copy = asMutableDictionary(MakePlistMutable(set));
  if (copy && staleTitleSets_.contains(set)) refreshTitles(*copy);
  sharedSets_.erase(set);
  _keyBindingsSets->setObjectForKey(copy, key);
  return copy;
}

void KeyBindings::ownSets(SetSelection which) const {
  if (!_keyBindingsSets) return;
  std::vector<std::string> keys;
  for (const auto& [key, set] : _keyBindingsSets->entries()) {
    const auto& pending = which == SetSelection::All ? sharedSets_ : staleTitleSets_;
    if (pending.contains(set)) keys.push_back(key);
  }
  for (const std::string& key : keys) (void)ownedSetForKey(key);
}

MutableDictionaryRef KeyBindings::keyBindingsSets() const {
  ownSets(SetSelection::All);
  return _keyBindingsSets;
}

SetsState KeyBindings::currentSetsState() const {
  SetsState state;
  state.number = _keyBindingsNumber;
  if (_thePreference) state.storedNumber = _thePreference->defaults().integerForKey(kSetNumberDefaultsKey);
  std::vector<Dictionary::Entry> sets;
  if (_keyBindingsSets) {
    sets.reserve(_keyBindingsSets->count());
    // The current set changes in place, so the state keeps a copy of it; it
    // shares the others, which are copied before they become current.
    for (const auto& [key, set] : _keyBindingsSets->entries())
      sets.emplace_back(key, set == _currentKeyBindingsSet ? MakePlistMutable(set) : set);
  }
  state.sets = Dictionary::make(std::move(sets));
  forgetUnheldSets();
  if (_keyBindingsSets)
    for (const auto& [key, set] : _keyBindingsSets->entries())
      if (set != _currentKeyBindingsSet && asDictionary(set)) sharedSets_.insert(set);
  return state;
}

void KeyBindings::takeSharedSets(const Dictionary& sets, SetOrigin origin) {
  _keyBindingsSets = MutableDictionary::make(sets.entries());
  forgetUnheldSets();
  shareSets(sets, origin);
}

}  // namespace qor
