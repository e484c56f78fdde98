/// @file
/// The states of the pane's sets between two applies, for undo and redo: a
/// value type over any copyable state, no knowledge of what a state holds.
///
/// Example:
///   qor::ChangeHistory<int> history(0);   // the state as loaded
///   history.record(1);                    // after a change
///   history.undo();                       // -> 0
///   history.redo();                       // -> 1
///
/// Threads: a value; one thread at a time per history.
#pragma once

#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace qor {

template <typename State>
class ChangeHistory {
 public:
  /// A history whose only state is `initial`: nothing to undo or redo.
  explicit ChangeHistory(State initial) { states_.push_back(std::move(initial)); }

  /// Starts again from `initial` (after the preferences are applied or
  /// reverted): every earlier state is forgotten.
  void restart(State initial) {
    states_.clear();
    states_.push_back(std::move(initial));
    current_ = 0;
  }

  /// The state after a change. States undone before are no longer redoable.
  void record(State after) {
    states_.resize(current_ + 1);
    states_.push_back(std::move(after));
    ++current_;
  }

  [[nodiscard]] bool canUndo() const { return current_ > 0; }
  [[nodiscard]] bool canRedo() const { return current_ + 1 < states_.size(); }

  /// The state before the current one, which becomes current; nullopt, with
  /// nothing changed, when there is none.
  [[nodiscard]] std::optional<State> undo() {
    if (!canUndo()) return std::nullopt;
    return states_[--current_];
  }
  /// The state after the current one, which becomes current; nullopt when
  /// nothing was undone since the last record.
  [[nodiscard]] std::optional<State> redo() {
    if (!canRedo()) return std::nullopt;
    return states_[++current_];
  }

 private:
  std::vector<State> states_;
  std::size_t current_ = 0;
};

}  // namespace qor
