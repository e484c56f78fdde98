// The key-sequence dispatcher: the chords of presses and stored sequences,
// the bindings of a set, the prefix tree and the walk over it.
#include "qor/pane_model/key_dispatch.h"

#include <gtest/gtest.h>

#include "qor/testing/pane_fixtures.h"

namespace qor {

// Readable failures: the key and modifiers, the command's key, and what a continuation leads to.
void PrintTo(const KeyChord& chord, std::ostream* out) {
  *out << '{' << chord.key << ' ' << std::hex << chord.modifiers << '}';
}
void PrintTo(const DispatchCommand& command, std::ostream* out) { *out << command.group << ':' << command.key; }
void PrintTo(const Continuation& next, std::ostream* out) {
  PrintTo(next.chord, out);
  *out << (next.completes ? next.completes->key : "-") << (next.leadsOn ? "+" : "");
}

namespace {

using namespace fixtures;

constexpr std::uint32_t kCapsLock = 0x10000;
constexpr std::uint32_t kFunctionKey = 0x800000;
// Not a press (a press never has empty characters): the delay passing.
const KeyChord kDelay{};

DispatchCommand command(const std::string& key) { return {kSetMenuKey, key, "Title of " + key}; }
KeyChord cmd(const char* key) { return {key, kCommand}; }
KeyChord ctrl(const char* key) { return {key, kControl}; }

// In outline order. ⌘K runs "kill" and also starts longer sequences; ⌃X only starts them.
const std::vector<DispatchBinding> kBindings = {
    {command("save"), {cmd("s")}},
    {command("five"), {ctrl("a"), ctrl("b"), ctrl("c"), ctrl("d"), ctrl("e")}},
    {command("afterEscape"), {ctrl("a"), ctrl("b"), kEscapeChord}},
    {command("paste"), {cmd("v")}},
    {command("kill"), {cmd("k")}},
    {command("deep"), {cmd("k"), {"A", kShift | kCommand}, {"b", 0}}},
    {command("comment"), {cmd("k"), cmd("c")}},
    {command("copy"), {cmd("c")}},
    {command("uncomment"), {cmd("k"), {"u", 0}}},
    {command("saveAs"), {ctrl("x"), ctrl("s")}},
    {command("copyAlso"), {cmd("c")}},
    {command("copy"), {cmd("c")}},
    {command("pasteAlso"), {cmd("v")}},
    {command("copyToo"), {cmd("c")}},
};

TEST(KeyDispatch, WalksOnePressAtATime) {
  // Continuations come by modifiers, then key: u (0) before ⌘C before ⇧⌘A,
  // the reverse of their order by key alone.
  const std::vector<Continuation> afterK = {{{"u", 0}, command("uncomment"), false},
                                            {cmd("c"), command("comment"), false},
                                            {{"A", kShift | kCommand}, std::nullopt, true}};
  struct Case {
    const char* name;
    std::vector<KeyChord> presses;  // the step of the last one is checked
    DispatchAction action;
    std::optional<DispatchCommand> command;
    std::vector<KeyChord> strokesSoFar;
    std::vector<Continuation> continuations;
  };
  constexpr auto kPass = DispatchAction::PassThrough;
  constexpr auto kRun = DispatchAction::Run;
  constexpr auto kWait = DispatchAction::Wait;
  constexpr auto kCancelled = DispatchAction::Cancelled;
  const KeyChord k = cmd("k"), a = ctrl("a"), b = ctrl("b"), c = ctrl("c"), d = ctrl("d");
  const Case cases[] = {
      {"starts nothing", {cmd("q")}, kPass, {}, {}, {}},
      {"the same key without modifiers", {{"s", 0}}, kPass, {}, {}, {}},
      {"one chord", {cmd("s")}, kRun, command("save"), {}, {}},
      {"five chords", {a, b, c, d, ctrl("e")}, kRun, command("five"), {}, {}},
      {"four of five", {a, b, c, d}, kWait, {}, {a, b, c, d}, {{ctrl("e"), command("five"), false}}},
      {"a sequence that others extend waits", {k}, kWait, command("kill"), {k}, afterK},
      {"then runs when the delay passes", {k, kDelay}, kRun, command("kill"), {}, {}},
      {"a mere prefix waits on after the delay", {ctrl("x"), kDelay}, kWait, {}, {ctrl("x")},
       {{ctrl("s"), command("saveAs"), false}}},
      {"the delay with no wait", {kDelay}, kPass, {}, {}, {}},
      {"the delay after a run", {cmd("s"), kDelay}, kPass, {}, {}, {}},
      {"second chord", {k, {"u", 0}}, kRun, command("uncomment"), {}, {}},
      {"three chords", {k, {"A", kShift | kCommand}, {"b", 0}}, kRun, command("deep"), {}, {}},
      {"Escape cancels, even where it continues", {a, b, kEscapeChord}, kCancelled, {}, {}, {}},
      {"Escape with no wait", {kEscapeChord}, kPass, {}, {}, {}},
      {"a press that continues nothing cancels", {k, cmd("s")}, kCancelled, {}, {}, {}},
      {"a cancel ends the wait", {k, cmd("q"), cmd("s")}, kRun, command("save"), {}, {}},
      {"a run ends the wait", {k, {"u", 0}, cmd("s")}, kRun, command("save"), {}, {}},
      {"a shared sequence runs the first in the outline", {cmd("c")}, kRun, command("copy"), {}, {}},
  };
  KeySequenceTree tree(kBindings);
  for (const Case& row : cases) {
    KeyDispatcher dispatcher(tree);
    DispatchStep step;
    for (const KeyChord& press : row.presses)
      step = press == kDelay ? dispatcher.delayPassed() : dispatcher.press(press);
    EXPECT_EQ(step.action, row.action) << row.name;
    EXPECT_EQ(step.command, row.command) << row.name;
    EXPECT_EQ(step.strokesSoFar, row.strokesSoFar) << row.name;
    EXPECT_EQ(step.continuations, row.continuations) << row.name;
    EXPECT_EQ(dispatcher.isWaiting(), row.action == kWait) << row.name;
  }
}

TEST(KeyDispatch, SharedSequencesNameTheShadowedInOutlineOrder) {
  // ⌘V's runner comes before ⌘C's in the outline, though ⌘C sorts first. A
  // command holding a sequence twice shadows nothing; ⌘K and its longer
  // sequences share nothing.
  const std::vector<SharedSequence> expected = {
      {{cmd("v")}, command("paste"), {command("pasteAlso")}},
      {{cmd("c")}, command("copy"), {command("copyAlso"), command("copyToo")}},
  };
  KeySequenceTree tree(kBindings);
  EXPECT_EQ(tree.sharedSequences(), expected);
  EXPECT_EQ(tree.nodeOf({}), 0);
  EXPECT_EQ(tree.nodeOf({cmd("k"), cmd("q")}), -1);
  EXPECT_TRUE(tree.continuationsAfter({cmd("q")}).empty());
}

TEST(KeyDispatch, ChordsOfStoredSequences) {
  struct Case {
    const char* name;
    ArrayRef sequence;
    std::vector<KeyChord> expected;
  };
  const Case cases[] = {
      {"modifier-only strokes dropped", sequence({chord(kCommand, 'k'), chord(kCommand, 'c')}), {cmd("k"), cmd("c")}},
      {"a plain key", plainKey('a'), {{"a", 0}}},
      {"bits outside the four modifiers", Array::make({keyStroke('a', kCommand | kCapsLock)}), {cmd("a")}},
      {"missing modifiers read as none", Array::make({Dictionary::make({{kStrokeKeyKey, str("a")}})}), {{"a", 0}}},
      {"only a modifier-only stroke", Array::make({modifierStroke(kCommand)}), {}},
      {"an element not a dictionary", Array::make({keyStroke('a', 0), str("b")}), {}},
      {"a key not a string", Array::make({keyStroke('a', 0), Dictionary::make({{kStrokeKeyKey, integer('b')}})}), {}},
      {"an empty key", Array::make({Dictionary::make({{kStrokeKeyKey, str("")}})}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(chordsOfSequence(*c.sequence), c.expected) << c.name;
}

TEST(KeyDispatch, ChordOfKeyPress) {
  struct Case {
    const char* characters;
    std::uint32_t modifiers;
    std::optional<KeyChord> expected;
  };
  const Case cases[] = {
      {"C", kCommand, cmd("c")},                                   // Caps Lock without Shift
      {"s", kShift | kCommand, KeyChord{"S", kShift | kCommand}},  // Caps Lock with Shift
      {"S", kShift, KeyChord{"S", kShift}},
      {"Ω", 0, KeyChord{"Ω", 0}},  // not ASCII: left alone
      {"1", kShift, KeyChord{"1", kShift}},
      {"a", kCommand | kCapsLock | kFunctionKey, cmd("a")},
      {"", kCommand, std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(chordOfKeyPress(c.characters, c.modifiers), c.expected) << c.characters;
}

TEST(KeyDispatch, BindingsOfASetFallBackOnTheDefaultSet) {
  auto group = [](const char* name, std::vector<Dictionary::Entry> entries) {
    return Dictionary::make({{name, Dictionary::make(std::move(entries))}});
  };
  auto defaults = group(kSetMenuKey, {{"save", entry("Save", {chord(kCommand, 's')})},
                                      {"open", entry("Open", {chord(kCommand, 'o'), Array::make(), str("x")})},
                                      {"close", entry("Close", {chord(kCommand, 'w')})}});
  // The user removed Close's shortcut and moved Save; Open is as in the defaults.
  auto set = group(kSetMenuKey, {{"save", entry("Save", {chord(kControl, 's')})}, {"close", entry("Close", {})}});
  const std::vector<DispatchCommand> commands = {
      command("save"), command("open"), command("close"), {kSetEditorKey, "open", "In the editor group"}};
  struct Case {
    const char* name;
    DictionaryRef set;
    DictionaryRef defaults;
    std::vector<DispatchBinding> expected;
  };
  const Case cases[] = {
      {"own entries first", set, defaults, {{command("save"), {ctrl("s")}}, {command("open"), {cmd("o")}}}},
      {"no set: the default set's", nullptr, defaults,
       {{command("save"), {cmd("s")}}, {command("open"), {cmd("o")}}, {command("close"), {cmd("w")}}}},
      {"no default set", set, nullptr, {{command("save"), {ctrl("s")}}}},
  };
  for (const Case& c : cases) EXPECT_EQ(dispatchBindingsOfSet(c.set, c.defaults, commands), c.expected) << c.name;
}

}  // namespace
}  // namespace qor
