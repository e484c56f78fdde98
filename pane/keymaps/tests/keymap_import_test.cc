#include "qor/keymaps/keymap_import.h"

#include <gtest/gtest.h>

#include "qor/testing/key_masks.h"
#include "qor/testing/pane_fixtures.h"

namespace qor {
namespace {

using namespace fixtures;

constexpr const char* kSave = "[saveDocument:] [] [0]";
constexpr const char* kCopy = "[copy:] [] [0]";
constexpr const char* kWordLeft = "moveWordLeft:";

const ArrayRef kCmdS = chord(kCommand, u's');
const ArrayRef kCmdC = chord(kCommand, u'c');
const ArrayRef kCmdE = chord(kCommand, u'e');
const ArrayRef kCmdR = chord(kCommand, u'r');
const ArrayRef kOptLeft = chord(kOption, u'b');

DictionaryRef setOf(const char* name, Ref save, Ref copy, Ref wordLeft) {
  return Dictionary::make({{kSetNameKey, str(name)},
                           {kSetMenuKey, Dictionary::make({{kSave, entry("Save", {save})}, {kCopy, entry("Copy", {copy})}})},
                           {kSetEditorKey, Dictionary::make({{kWordLeft, entry("", {wordLeft})}})}});
}

// The host knows Save, Copy and the word move; the user's set moved Copy to ⌘R.
const DictionaryRef kDefaults = setOf("Default", kCmdS, kCmdC, kOptLeft);
const DictionaryRef kCurrent = setOf("Mine", kCmdS, kCmdR, kOptLeft);
const DictionaryRef kTable = Dictionary::make({{"save", str(kSave)},
                                               {"copy", str(kCopy)},
                                               {"cursorWordLeft", str(kWordLeft)},
                                               {"gone", str("[noSuchAction:] [] [0]")}});

ForeignBinding bind(const char* command, ArrayRef sequence, const char* condition = "") {
  return {command, BindingEffect::Bind, "k", std::move(sequence), "", condition};
}
ForeignBinding unbind(const char* command, ArrayRef sequence) {
  return {command, BindingEffect::Unbind, sequence ? "k" : "", std::move(sequence), "", ""};
}

ArrayRef keysOf(const Dictionary& set, const char* part, const char* command) {
  DictionaryRef group = set.dictionaryForKey(part);
  DictionaryRef found = group ? group->dictionaryForKey(command) : nullptr;
  return found ? found->arrayForKey(kKeySequencesKey) : nullptr;
}

TEST(KeymapImport, EntriesAppliedOverTheCurrentSet) {
  using R = NotImportedReason;
  struct Case {
    const char* what;
    std::vector<ForeignBinding> bindings;
    std::vector<ArrayRef> save, copy, wordLeft;
    std::vector<R> leftOut;
  };
  const ForeignBinding unrepresentable{"save", BindingEffect::Bind, "ctrl+numpad_add", nullptr, "no such key", ""};
  const Case cases[] = {
      {"nothing: the current set's keys", {}, {kCmdS}, {kCmdR}, {kOptLeft}, {}},
      {"a binding replaces the command's own keys", {bind("save", kCmdE)}, {kCmdE}, {kCmdR}, {kOptLeft}, {}},
      {"bindings of one command add up, once each",
       {bind("save", kCmdE), bind("save", kCmdC), bind("save", kCmdE)}, {kCmdE, kCmdC}, {kCmdR}, {kOptLeft}, {}},
      {"an unbinding takes its key only", {unbind("copy", kCmdR), unbind("save", kCmdE)}, {kCmdS}, {}, {kOptLeft}, {}},
      {"an unbinding without a key takes every key", {unbind("cursorWordLeft", nullptr)}, {kCmdS}, {kCmdR}, {}, {}},
      {"unbound, then bound: the binding's key", {unbind("save", kCmdS), bind("save", kCmdE)}, {kCmdE}, {kCmdR},
       {kOptLeft}, {}},
      {"text-focus conditions are harmless",
       {bind("cursorWordLeft", kCmdE, "editorTextFocus && !editorReadonly"),
        bind("cursorWordLeft", kCmdC, " editorFocus || editorIsOpen ")},
       {kCmdS}, {kCmdR}, {kCmdE, kCmdC}, {}},
      {"unknown commands: not in the table, or not the host's", {bind("nothing", kCmdE), bind("gone", kCmdE)},
       {kCmdS}, {kCmdR}, {kOptLeft}, {R::UnknownCommand, R::UnknownCommand}},
      {"conditions with a context of their own",
       {bind("save", kCmdE, "findWidgetVisible"), bind("save", kCmdE, "editorFocus || terminalFocus"),
        bind("save", kCmdE, "(editorFocus)")},
       {kCmdS}, {kCmdR}, {kOptLeft}, {R::UnsupportedCondition, R::UnsupportedCondition, R::UnsupportedCondition}},
      {"a key it cannot represent", {unrepresentable}, {kCmdS}, {kCmdR}, {kOptLeft}, {R::UnrepresentableKey}},
      {"an unbinding of a command it lacks", {unbind("nothing", kCmdE)}, {kCmdS}, {kCmdR}, {kOptLeft},
       {R::UnbindingOfMissingCommand}},
  };
  for (const Case& c : cases) {
    KeymapImport done =
        importForeignKeymap(ForeignKeymap{KeymapKind::VSCode, "", c.bindings}, *kTable, "/tmp/keys.json", kCurrent,
                            kDefaults);
    ASSERT_TRUE(done.set) << c.what;
    EXPECT_TRUE(isEqual(keysOf(*done.set, kSetMenuKey, kSave), Array::make({c.save.begin(), c.save.end()}))) << c.what;
    EXPECT_TRUE(isEqual(keysOf(*done.set, kSetMenuKey, kCopy), Array::make({c.copy.begin(), c.copy.end()}))) << c.what;
    EXPECT_TRUE(isEqual(keysOf(*done.set, kSetEditorKey, kWordLeft),
                        Array::make({c.wordLeft.begin(), c.wordLeft.end()})))
        << c.what;
    std::vector<R> leftOut;
    for (const NotImportedEntry& entry : done.notImported) leftOut.push_back(entry.reason);
    EXPECT_EQ(leftOut, c.leftOut) << c.what;
  }
  // The current set itself is never touched.
  EXPECT_TRUE(isEqual(keysOf(*kCurrent, kSetMenuKey, kSave), Array::make({kCmdS})));
}

TEST(KeymapImport, NameChangesConflictsAndWhatIsLeftOut) {
  // Copy takes ⌘S, which Save keeps: one changed command, one conflict.
  const ForeignBinding unrepresentable{"save", BindingEffect::Bind, "ctrl+numpad_add", nullptr, "no such key", ""};
  KeymapImport done = importForeignKeymap(
      ForeignKeymap{KeymapKind::VSCode, "", {bind("nothing", kCmdE), bind("copy", kCmdS), unrepresentable}}, *kTable,
      "/home/u/keybindings.json", kCurrent, kDefaults);
  EXPECT_EQ(done.preview.setName, "keybindings");
  ASSERT_EQ(done.changed.size(), 1u);
  EXPECT_EQ(done.changed[0].entryKey, kCopy);
  ASSERT_EQ(done.preview.menuConflicts.size(), 1u);
  EXPECT_EQ(done.preview.menuConflicts[0].entryKeys, (std::vector<std::string>{kSave, kCopy}));
  ASSERT_EQ(done.notImported.size(), 2u);
  EXPECT_EQ(done.notImported[1].index, 2u);
  EXPECT_EQ(done.notImported[1].keyText, "ctrl+numpad_add");
  EXPECT_EQ(done.notImported[1].detail, "no such key");

  // Without a current set the default set is the base.
  KeymapImport overDefaults = importForeignKeymap(ForeignKeymap{}, *kTable, "x.json", nullptr, kDefaults);
  EXPECT_TRUE(isEqual(keysOf(*overDefaults.set, kSetMenuKey, kCopy), Array::make({kCmdC})));
  EXPECT_FALSE(importForeignKeymap(ForeignKeymap{}, *kTable, "x.json", nullptr, nullptr).set);
}

TEST(KeymapImport, UserTableLaidOverTheBundledOne) {
  const DictionaryRef bundled = Dictionary::make({{"vscode", kTable}});
  const DictionaryRef user = Dictionary::make(
      {{"vscode", Dictionary::make({{"save", str(kCopy)}, {"copy", str("")}, {"new", str(kSave)}, {"bad", integer(1)}})},
       {"sublime", Dictionary::make({{"save", str(kSave)}})},
       {"junk", str("not a dictionary")}});
  DictionaryRef merged = mergedKeymapCommands(bundled, user);
  DictionaryRef vscode = keymapCommandsForKind(*merged, KeymapKind::VSCode);
  ASSERT_TRUE(vscode);
  EXPECT_TRUE(isEqual(vscode->objectForKey("save"), str(kCopy)));       // replaced
  EXPECT_FALSE(vscode->containsKey("copy"));                              // taken away
  EXPECT_TRUE(isEqual(vscode->objectForKey("new"), str(kSave)));        // added
  EXPECT_FALSE(vscode->containsKey("bad"));                               // not a string
  EXPECT_TRUE(keymapCommandsForKind(*merged, KeymapKind::Sublime));     // a kind of its own
  EXPECT_FALSE(merged->containsKey("junk"));
  EXPECT_TRUE(kTable->containsKey("copy"));                              // the bundled table untouched
  EXPECT_TRUE(isEqual(mergedKeymapCommands(bundled, nullptr), bundled));
}

}  // namespace
}  // namespace qor
