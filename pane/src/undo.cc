// Undo and redo of the pane's changes until the preferences are applied.
//
// A change is whatever the pane tells the host about with i_am_ok: (a
// binding added, removed, reset or fixed in place; a set chosen, duplicated,
// removed or imported), so noteChange records the state after it. A state is
// the whole collection, copied deeply: sets are small, and a copy cannot be
// reached by later edits of the live one.
#include "qor/collections.h"
#include "qor/key_bindings.h"
#include "undo_history.h"

namespace qor {

SetsState KeyBindings::currentSetsState() const {
  SetsState state;
  state.number = _keyBindingsNumber;
  if (_thePreference) state.storedNumber = _thePreference->defaults().integerForKey(kSetNumberDefaultsKey);
  state.sets = asDictionary(MakePlistMutable(_keyBindingsSets ? Ref(_keyBindingsSets) : Ref(MutableDictionary::make())));
  return state;
}

void KeyBindings::restartHistory() {
  if (history_) {
    history_->states.restart(currentSetsState());
  } else {
    history_ = std::make_unique<UndoHistory>(UndoHistory{ChangeHistory<SetsState>(currentSetsState())});
  }
}

void KeyBindings::recordChange() {
  if (!history_) restartHistory();
  history_->states.record(currentSetsState());
}

bool KeyBindings::canUndoChange() const { return !snooping_ && history_ && history_->states.canUndo(); }

bool KeyBindings::canRedoChange() const { return !snooping_ && history_ && history_->states.canRedo(); }

bool KeyBindings::undoChange() {
  if (!canUndoChange()) return false;
  std::optional<SetsState> state = history_->states.undo();
  if (state) restoreSetsState(*state);
  return state.has_value();
}

bool KeyBindings::redoChange() {
  if (!canRedoChange()) return false;
  std::optional<SetsState> state = history_->states.redo();
  if (state) restoreSetsState(*state);
  return state.has_value();
}

void KeyBindings::restoreSetsState(const SetsState& state) {
  // A copy again: the state must stay as it is for a later redo.
  _keyBindingsSets = asMutableDictionary(MakePlistMutable(state.sets));
  if (!_keyBindingsSets) _keyBindingsSets = MutableDictionary::make();
  _keyBindingsNumber = state.number;
  // Removing a set stores the number 0 at once; undoing it puts back the
  // number stored before.
  if (_thePreference && _thePreference->defaults().integerForKey(kSetNumberDefaultsKey) != state.storedNumber)
    _thePreference->defaults().setIntegerForKey(state.storedNumber, kSetNumberDefaultsKey);
  synchronizeToDefaults();
  if (_thePreference) _thePreference->i_am_ok(this);
  setChangeFlag();
}

}  // namespace qor
