/// @file
/// The editor's dispatcher of key sequences, as pure rules: the applied set
/// becomes a prefix tree of chords, and a small state machine walks it one
/// key press at a time. The editor feeds it the key presses its windows get
/// and carries out what it answers: let the key be typed, wait and show the
/// strokes so far, show what can follow, run a command.
///
/// A chord is what one key stroke of a stored sequence holds: its "key" and
/// its modifiers. A modifier-only stroke adds no chord, since the key stroke
/// after it carries the same modifiers. Chords match exactly, as the conflict
/// rule compares strokes: "key" and modifiers, never "code" or "unichar".
///
/// Rules of the walk:
/// - A press that starts no sequence passes through (the window types it).
/// - A press that completes a sequence no longer one starts with runs it.
/// - A press that starts (or continues) longer sequences waits; when the
///   strokes so far are also a sequence of their own, its command runs when
///   the delay passes with no further stroke (`delayPassed`).
/// - While waiting, Escape (no modifiers) cancels, and a press that continues
///   nothing cancels; neither is typed.
/// - A sequence that two commands share runs the command that comes first in
///   the outline; `sharedSequences` names the others, for one log line each.
///
/// Example:
///   KeySequenceTree tree(dispatchBindingsOfSet(set, defaultSet, commands));
///   KeyDispatcher dispatcher(tree);
///   dispatcher.press({"k", kCommandKeyMask});   // Wait, continuations: ⌘C -> "Comment"
///   dispatcher.press({"c", kCommandKeyMask});   // Run "Comment"
///
/// Threads: a tree is immutable once built and may be read from any thread; a
/// dispatcher belongs to one thread at a time.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qor/value.h"

namespace qor {

/// One key stroke as the dispatcher compares it: its "key" and its modifier
/// bits (kModifierMaskBits only).
struct KeyChord {
  std::string key;
  std::uint32_t modifiers = 0;
  friend auto operator<=>(const KeyChord&, const KeyChord&) = default;
};

/// Escape with no modifiers: cancels a wait.
inline const KeyChord kEscapeChord{"\x1b", 0};

/// The chord of a key press: `characters` as the window gets them (after the
/// layout rule of the host's key events) and the modifiers held. Caps Lock
/// is undone: without Shift, a single capital ASCII letter becomes small;
/// with Shift, a single small ASCII letter becomes capital. Bits outside
/// kModifierMaskBits are dropped. Result: nullopt for empty characters (a
/// dead key), which the dispatcher never sees.
///   ("C", 0x100000) -> {"c", 0x100000}    ("s", 0x120000) -> {"S", 0x120000}
[[nodiscard]] std::optional<KeyChord> chordOfKeyPress(const std::string& characters, std::uint32_t modifiers);

/// The chords of a stored KeySequence, in typing order. Result: empty when
/// it holds no key stroke, or an element that is not a dictionary, or a
/// "key" that is not a non-empty string.
[[nodiscard]] std::vector<KeyChord> chordsOfSequence(const Array& sequence);

/// A command the dispatcher runs: where its entry lives in a set ("menu" or
/// "editor", and the entry's key) and its title as the outline shows it.
struct DispatchCommand {
  std::string group;
  std::string key;
  std::string title;
  friend bool operator==(const DispatchCommand&, const DispatchCommand&) = default;
};

/// One sequence of one command.
struct DispatchBinding {
  DispatchCommand command;
  std::vector<KeyChord> chords;
  friend bool operator==(const DispatchBinding&, const DispatchBinding&) = default;
};

/// The bindings of `set` for `commandsInOutlineOrder` (the menu's commands in
/// menu order, then the editing commands in the order of their table): each
/// command's entry in `set`, else the entry of `defaultSet` (a set made
/// before the host had the command), each of its sequences in stored order;
/// sequences without chords are left out. A null `set` reads every entry
/// from `defaultSet`; with both null there are no bindings.
[[nodiscard]] std::vector<DispatchBinding> dispatchBindingsOfSet(const DictionaryRef& set,
                                                                 const DictionaryRef& defaultSet,
                                                                 const std::vector<DispatchCommand>& commandsInOutlineOrder);

/// A sequence bound to more than one command: the one that runs it (first in
/// the outline) and those that never will.
struct SharedSequence {
  std::vector<KeyChord> chords;
  DispatchCommand runs;
  std::vector<DispatchCommand> shadowed;
  friend bool operator==(const SharedSequence&, const SharedSequence&) = default;
};

/// What may follow the strokes so far: the next chord, and the command it
/// completes (none when it only leads on to longer sequences).
struct Continuation {
  KeyChord chord;
  std::optional<DispatchCommand> completes;
  bool leadsOn = false;  // longer sequences start with the strokes so far and this chord
  friend bool operator==(const Continuation&, const Continuation&) = default;
};

/// The prefix tree of a set's sequences, built once per applied set.
/// Lookup of one chord costs a search among the children of one node, not a
/// scan of the bindings.
class KeySequenceTree {
 public:
  explicit KeySequenceTree(const std::vector<DispatchBinding>& bindings);
  ~KeySequenceTree();
  KeySequenceTree(KeySequenceTree&&) noexcept;
  KeySequenceTree& operator=(KeySequenceTree&&) noexcept;

  /// The sequences more than one command holds, in outline order of the
  /// command that runs them.
  [[nodiscard]] const std::vector<SharedSequence>& sharedSequences() const;

  /// The node reached from the root by `chords`; -1 when none is.
  [[nodiscard]] std::int32_t nodeOf(const std::vector<KeyChord>& chords) const;

  /// What follows the node reached by `chords`, sorted by chord (modifiers,
  /// then key). Result: empty when nothing follows or no node is reached.
  [[nodiscard]] std::vector<Continuation> continuationsAfter(const std::vector<KeyChord>& chords) const;

  /// The nodes and commands, kept out of the header; the dispatcher walks them.
  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  friend class KeyDispatcher;
};

/// What the editor does with a press.
enum class DispatchAction {
  PassThrough,  // the press starts no sequence: the window handles it
  Run,          // run `command` now
  Wait,         // wait for the next stroke; show `strokesSoFar`, and `continuations` after the delay
  Cancelled,    // Escape or a press that continues nothing ended a wait: nothing runs, nothing is typed
};

/// The answer to one press or to the delay: what to do, and what to show.
struct DispatchStep {
  DispatchAction action = DispatchAction::PassThrough;
  std::optional<DispatchCommand> command;   // Run; and Wait when the strokes so far are a sequence too
  std::vector<KeyChord> strokesSoFar;       // Wait
  std::vector<Continuation> continuations;  // Wait
};

/// The walk of one tree, one press at a time.
class KeyDispatcher {
 public:
  /// `tree` must outlive the dispatcher (or be replaced with `reset(tree)`).
  explicit KeyDispatcher(const KeySequenceTree& tree) : tree_(&tree) {}

  /// Feeds one press. See the rules above.
  [[nodiscard]] DispatchStep press(const KeyChord& chord);
  /// The delay passed with no further stroke. While waiting on strokes that
  /// are a sequence of their own, gives Run with its command and ends the
  /// wait; while waiting on a mere prefix, gives Wait again (the popup
  /// stays); otherwise PassThrough.
  [[nodiscard]] DispatchStep delayPassed();
  /// Ends any wait, as when focus leaves the editor.
  void cancel() { current_ = kRoot; strokes_.clear(); }
  /// Ends any wait and walks `tree` from now on (a set was applied).
  void reset(const KeySequenceTree& tree) { tree_ = &tree; cancel(); }
  [[nodiscard]] bool isWaiting() const { return current_ != kRoot; }

 private:
  static constexpr std::int32_t kRoot = 0;
  const KeySequenceTree* tree_;
  std::int32_t current_ = kRoot;
  std::vector<KeyChord> strokes_;
};

}  // namespace qor
