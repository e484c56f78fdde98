// Undo and redo of the pane's changes until the preferences are applied.
//
// A change is whatever the pane tells the host about with i_am_ok: (a
// binding added, removed, reset or fixed in place; a set chosen, duplicated,
// removed or imported), so noteChange records the state after it. A state is
// the whole collection: a copy of the current set, the only one changed in
// place, and the other sets shared (set_sharing.cc).
#include "qor/collections.h"
#include "qor/key_bindings.h"
#include "undo_history.h"

namespace qor {

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
  // Shared with the state, which must stay as it is for a later redo: the
  // set that becomes current is copied first.
  takeSharedSets(state.sets ? *state.sets : *Dictionary::make(), SetOrigin::UndoState);
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
