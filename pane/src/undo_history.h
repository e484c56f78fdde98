// What the pane's undo and redo keep: the sets and the set numbers as they
// were after each change, in a ChangeHistory.
#pragma once

#include <cstdint>

#include "qor/pane_model/change_history.h"
#include "qor/value.h"

namespace qor {

struct SetsState {
  std::int32_t number = 0;        // the current set's
  std::int64_t storedNumber = 0;  // "global.keyBindingsSetNumber" in the host's defaults
  DictionaryRef sets;             // a deep copy of the collection, never handed out
};

struct UndoHistory {
  ChangeHistory<SetsState> states;
};

}  // namespace qor
