#include "qor/pane_model/key_dispatch.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "qor/key_masks.h"
#include "qor/pane_model/set_format.h"

namespace qor {

namespace {

constexpr std::int32_t kNoNode = -1;
constexpr std::int32_t kNoCommand = -1;

// Children and continuations come in the order a popup lists them: by
// modifiers first, so that the plain keys lead and each modifier
// combination stays together, then by key.
bool chordBefore(const KeyChord& a, const KeyChord& b) {
  return a.modifiers != b.modifiers ? a.modifiers < b.modifiers : a.key < b.key;
}

bool isAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool isAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
constexpr char kCaseOffset = 'a' - 'A';

}  // namespace

std::optional<KeyChord> chordOfKeyPress(const std::string& characters, std::uint32_t modifiers) {
  if (characters.empty()) return std::nullopt;
  KeyChord chord{characters, modifiers & kModifierMaskBits};
  // Caps Lock alone changes the case of letters; the stored strokes know
  // only Shift, so the case follows Shift whatever Caps Lock did.
  if (chord.key.size() == 1) {
    char& c = chord.key[0];
    bool shift = (chord.modifiers & kShiftKeyMask) != 0;
    if (!shift && isAsciiUpper(c)) c = static_cast<char>(c + kCaseOffset);
    if (shift && isAsciiLower(c)) c = static_cast<char>(c - kCaseOffset);
  }
  return chord;
}

std::vector<KeyChord> chordsOfSequence(const Array& sequence) {
  std::vector<KeyChord> chords;
  for (const Ref& element : sequence.elements()) {
    auto stroke = asDictionary(element);
    if (!stroke) return {};
    Ref key = stroke->objectForKey(kStrokeKeyKey);
    if (!key) continue;  // modifier-only: the key stroke after it holds the same modifiers
    auto text = asString(key);
    if (!text || text->value().empty()) return {};
    auto modifiers = stroke->numberForKey(kStrokeModifiersKey);
    chords.push_back(
        {text->value(), modifiers ? static_cast<std::uint32_t>(modifiers->integerValue()) & kModifierMaskBits : 0});
  }
  return chords;
}

std::vector<DispatchBinding> dispatchBindingsOfSet(const DictionaryRef& set, const DictionaryRef& defaultSet,
                                                   const std::vector<DispatchCommand>& commandsInOutlineOrder) {
  std::vector<DispatchBinding> bindings;
  auto entryIn = [](const DictionaryRef& source, const DispatchCommand& command) -> DictionaryRef {
    auto group = source ? source->dictionaryForKey(command.group) : nullptr;
    return group ? group->dictionaryForKey(command.key) : nullptr;
  };
  for (const DispatchCommand& command : commandsInOutlineOrder) {
    DictionaryRef entry = entryIn(set, command);
    if (!entry) entry = entryIn(defaultSet, command);
    auto sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
    if (!sequences) continue;
    for (const Ref& element : sequences->elements()) {
      auto sequence = asArray(element);
      std::vector<KeyChord> chords = sequence ? chordsOfSequence(*sequence) : std::vector<KeyChord>{};
      if (!chords.empty()) bindings.push_back({command, std::move(chords)});
    }
  }
  return bindings;
}

struct KeySequenceTree::Impl {
  struct Edge {
    KeyChord chord;
    std::int32_t node;
  };
  struct Node {
    std::vector<Edge> children;         // sorted by chordBefore
    std::int32_t command = kNoCommand;  // index into commands
  };
  std::vector<Node> nodes{Node{}};  // 0: the root
  std::vector<DispatchCommand> commands;
  std::vector<SharedSequence> shared;

  [[nodiscard]] std::int32_t childOf(std::int32_t node, const KeyChord& chord) const {
    const auto& children = nodes[static_cast<std::size_t>(node)].children;
    auto at = std::lower_bound(children.begin(), children.end(), chord, [](const Edge& edge, const KeyChord& wanted) {
      return chordBefore(edge.chord, wanted);
    });
    return at != children.end() && at->chord == chord ? at->node : kNoNode;
  }

  [[nodiscard]] const Node& node(std::int32_t index) const { return nodes[static_cast<std::size_t>(index)]; }

  [[nodiscard]] std::optional<DispatchCommand> commandOf(std::int32_t index) const {
    std::int32_t command = node(index).command;
    if (command == kNoCommand) return std::nullopt;
    return commands[static_cast<std::size_t>(command)];
  }

  [[nodiscard]] std::vector<Continuation> continuationsOf(std::int32_t index) const {
    std::vector<Continuation> continuations;
    continuations.reserve(node(index).children.size());
    for (const Edge& edge : node(index).children)
      continuations.push_back({edge.chord, commandOf(edge.node), !node(edge.node).children.empty()});
    return continuations;
  }
};

// The bindings are walked in the order of their chords, so that each node's
// children arrive already sorted and a node is never searched while the tree
// grows. The sort is stable: of the bindings of one sequence, the first in
// the outline comes first and runs it.
KeySequenceTree::KeySequenceTree(const std::vector<DispatchBinding>& bindings) : impl_(std::make_unique<Impl>()) {
  std::vector<std::size_t> order(bindings.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return std::lexicographical_compare(bindings[a].chords.begin(), bindings[a].chords.end(),
                                        bindings[b].chords.begin(), bindings[b].chords.end(), chordBefore);
  });
  auto& nodes = impl_->nodes;
  std::vector<std::int32_t> path{0};  // the nodes of the previous binding's chords, root first
  const std::vector<KeyChord>* previous = nullptr;
  std::size_t runner = 0;  // the binding that runs the sequence of the current node
  // Each shared sequence with the binding that runs it, to list them in outline order.
  std::vector<std::pair<std::size_t, SharedSequence>> shared;
  for (std::size_t index : order) {
    const auto& chords = bindings[index].chords;
    std::size_t common = 0;
    if (previous)
      while (common < chords.size() && common < previous->size() && chords[common] == (*previous)[common]) ++common;
    path.resize(common + 1);
    for (std::size_t depth = common; depth < chords.size(); ++depth) {
      auto child = static_cast<std::int32_t>(nodes.size());
      nodes[static_cast<std::size_t>(path.back())].children.push_back({chords[depth], child});
      nodes.emplace_back();
      path.push_back(child);
    }
    previous = &chords;
    Impl::Node& end = nodes[static_cast<std::size_t>(path.back())];
    const DispatchCommand& command = bindings[index].command;
    if (end.command == kNoCommand) {
      end.command = static_cast<std::int32_t>(impl_->commands.size());
      impl_->commands.push_back(command);
      runner = index;
      continue;
    }
    const DispatchCommand& runs = impl_->commands[static_cast<std::size_t>(end.command)];
    if (command == runs) continue;  // one command holding a sequence twice shadows nothing
    if (shared.empty() || shared.back().second.chords != chords) shared.push_back({runner, {chords, runs, {}}});
    auto& shadowed = shared.back().second.shadowed;
    if (std::find(shadowed.begin(), shadowed.end(), command) == shadowed.end()) shadowed.push_back(command);
  }
  std::sort(shared.begin(), shared.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& entry : shared) impl_->shared.push_back(std::move(entry.second));
}

KeySequenceTree::~KeySequenceTree() = default;
KeySequenceTree::KeySequenceTree(KeySequenceTree&&) noexcept = default;
KeySequenceTree& KeySequenceTree::operator=(KeySequenceTree&&) noexcept = default;

const std::vector<SharedSequence>& KeySequenceTree::sharedSequences() const { return impl_->shared; }

std::int32_t KeySequenceTree::nodeOf(const std::vector<KeyChord>& chords) const {
  std::int32_t node = 0;
  for (const KeyChord& chord : chords)
    if ((node = impl_->childOf(node, chord)) == kNoNode) return kNoNode;
  return node;
}

std::vector<Continuation> KeySequenceTree::continuationsAfter(const std::vector<KeyChord>& chords) const {
  std::int32_t node = nodeOf(chords);
  return node == kNoNode ? std::vector<Continuation>{} : impl_->continuationsOf(node);
}

DispatchStep KeyDispatcher::press(const KeyChord& chord) {
  const KeySequenceTree::Impl& tree = *tree_->impl_;
  bool waiting = isWaiting();
  std::int32_t next = waiting && chord == kEscapeChord ? kNoNode : tree.childOf(current_, chord);
  if (next == kNoNode) {
    cancel();
    return {waiting ? DispatchAction::Cancelled : DispatchAction::PassThrough, std::nullopt, {}, {}};
  }
  if (tree.node(next).children.empty()) {
    cancel();
    return {DispatchAction::Run, tree.commandOf(next), {}, {}};
  }
  current_ = next;
  strokes_.push_back(chord);
  return {DispatchAction::Wait, tree.commandOf(next), strokes_, tree.continuationsOf(next)};
}

DispatchStep KeyDispatcher::delayPassed() {
  if (!isWaiting()) return {};
  const KeySequenceTree::Impl& tree = *tree_->impl_;
  if (auto command = tree.commandOf(current_)) {
    cancel();
    return {DispatchAction::Run, std::move(command), {}, {}};
  }
  return {DispatchAction::Wait, std::nullopt, strokes_, tree.continuationsOf(current_)};
}

}  // namespace qor
