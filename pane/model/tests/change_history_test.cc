// The history behind undo and redo, as a value.
#include "qor/pane_model/change_history.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(ChangeHistory, UndoRedoAndANewChangeDroppingWhatWasUndone) {
  // Each step: an operation, then what it gives (-1: nothing) and whether
  // undo and redo are possible after it.
  enum class Op { Record, Undo, Redo, Restart };
  struct Step {
    Op op;
    int value;  // recorded or restarted with; expected from undo/redo
    bool canUndo;
    bool canRedo;
  };
  constexpr int kNothing = -1;
  const Step steps[] = {
      {Op::Undo, kNothing, false, false},  // only the loaded state 0
      {Op::Record, 1, true, false},        {Op::Record, 2, true, false},
      {Op::Undo, 1, true, true},           {Op::Undo, 0, false, true},
      {Op::Undo, kNothing, false, true},   {Op::Redo, 1, true, true},
      {Op::Record, 3, true, false},  // 2 can no longer be redone
      {Op::Redo, kNothing, true, false},   {Op::Undo, 1, true, true},
      {Op::Restart, 7, false, false},      {Op::Undo, kNothing, false, false},
  };
  ChangeHistory<int> history(0);
  int index = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(index++);
    switch (step.op) {
      case Op::Record: history.record(step.value); break;
      case Op::Restart: history.restart(step.value); break;
      case Op::Undo: EXPECT_EQ(history.undo().value_or(kNothing), step.value); break;
      case Op::Redo: EXPECT_EQ(history.redo().value_or(kNothing), step.value); break;
    }
    EXPECT_EQ(history.canUndo(), step.canUndo);
    EXPECT_EQ(history.canRedo(), step.canRedo);
  }
}

}  // namespace
}  // namespace qor
