#include "conflicts.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

constexpr std::int64_t kCommand = 0x100000;
constexpr std::int64_t kShift = 0x20000;
constexpr std::int64_t kCapsLock = 0x10000;
constexpr std::int64_t kFunctionKey = 0x800000;

DictionaryRef modifierOnly(std::int64_t mask) { return Dictionary::make({{kStrokeModifiersKey, integer(mask)}}); }

// A captured key stroke; "unichar" and "code" are there to show they do not count.
DictionaryRef keyStroke(const std::string& key, std::int64_t mask, std::int64_t code = 1) {
  return Dictionary::make({{kStrokeKeyKey, str(key)},
                           {kStrokeUnicharKey, integer(static_cast<unsigned char>(key.empty() ? 0 : key[0]))},
                           {kStrokeCodeKey, integer(code)},
                           {kStrokeModifiersKey, integer(mask)}});
}

ArrayRef sequence(std::vector<Ref> strokes) { return Array::make(std::move(strokes)); }

ArrayRef commandS() { return sequence({modifierOnly(kCommand), keyStroke("s", kCommand)}); }

// A null `context` makes an entry without one.
DictionaryRef entry(std::vector<Ref> sequences, Ref context = nullptr) {
  auto fields = MutableDictionary::make({{kKeySequencesKey, Array::make(std::move(sequences))}});
  fields->setObjectForKey(std::move(context), kEntryContextKey);
  return fields;
}

TEST(ConflictSearch, MatchesStrokeByStroke) {
  struct Case {
    const char* name;
    ArrayRef stored;
    bool conflicts;
  };
  const Case cases[] = {
      {"same sequence", commandS(), true},
      {"other key code and unichar", sequence({modifierOnly(kCommand), keyStroke("s", kCommand, 99)}), true},
      {"one stroke longer", sequence({modifierOnly(kCommand), keyStroke("s", kCommand), keyStroke("k", kCommand)}),
       false},
      {"one stroke shorter", sequence({modifierOnly(kCommand)}), false},
      {"the chord as one stroke", sequence({keyStroke("s", kCommand)}), false},
      {"key differs in case", sequence({modifierOnly(kCommand), keyStroke("S", kCommand)}), false},
      {"a key where a modifier-only stroke is", sequence({keyStroke("s", kCommand), keyStroke("s", kCommand)}),
       false},
      {"other modifiers", sequence({modifierOnly(kCommand | kShift), keyStroke("s", kCommand | kShift)}), false},
      {"Caps Lock and function-key bits stored",
       sequence({modifierOnly(kCommand | kCapsLock), keyStroke("s", kCommand | kFunctionKey)}), true},
      {"a key that is not a string",
       sequence({modifierOnly(kCommand),
                 Dictionary::make({{kStrokeKeyKey, integer('s')}, {kStrokeModifiersKey, integer(kCommand)}})}),
       false},
  };
  for (const Case& c : cases) {
    auto group = Dictionary::make({{"[save:] [] [0]", entry({c.stored})}});
    EXPECT_EQ(conflictingEntryKeys(group, *commandS(), nullptr).size(), c.conflicts ? 1u : 0u) << c.name;
  }
}

TEST(ConflictSearch, MissingModifiersReadAsZero) {
  auto stored = sequence({Dictionary::make({{kStrokeKeyKey, str("a")}})});
  auto group = Dictionary::make({{"a", entry({stored})}});
  EXPECT_EQ(conflictingEntryKeys(group, *sequence({keyStroke("a", 0)}), nullptr).size(), 1u);
  EXPECT_TRUE(conflictingEntryKeys(group, *sequence({keyStroke("a", kShift)}), nullptr).empty());
  // Bits outside the four modifiers are no modifiers at all.
  EXPECT_EQ(conflictingEntryKeys(group, *sequence({keyStroke("a", kCapsLock)}), nullptr).size(), 1u);
}

TEST(ConflictSearch, ContextsMustAgree) {
  auto text = str("text");
  auto list = str("completion list");
  auto group = Dictionary::make({
      {"complete:", entry({commandS()}, text)},
      {"cancelOperation:", entry({commandS()}, list)},
      {"plain:", entry({commandS()})},
      {"numbered:", entry({commandS()}, integer(1))},
  });
  struct Case {
    const char* name;
    Ref reference;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"no reference: only entries without context", nullptr, {"plain:"}},
      {"equal contents, another object", str("text"), {"complete:"}},
      {"other context", list, {"cancelOperation:"}},
      {"a context no entry has", str("field"), {}},
      {"contexts of another kind", real(1.0), {"numbered:"}},
  };
  for (const Case& c : cases) EXPECT_EQ(conflictingEntryKeys(group, *commandS(), c.reference), c.expected) << c.name;
}

TEST(ConflictSearch, KeysComeInGroupOrderOncePerMatchingSequence) {
  auto other = sequence({keyStroke("x", 0)});
  auto group = Dictionary::make({
      {"z twice", entry({commandS(), other, commandS()})},
      {"no sequences", Dictionary::make({{kEntryTitleKey, str("Nothing")}})},
      {"empty sequences", entry({})},
      {"sequences not an array", Dictionary::make({{kKeySequencesKey, str("⌘S")}})},
      {"not an entry", str("⌘S")},
      {"a once", entry({str("not a sequence"), commandS()})},
  });
  EXPECT_EQ(conflictingEntryKeys(group, *commandS(), nullptr),
            (std::vector<std::string>{"z twice", "z twice", "a once"}));
}

TEST(ConflictSearch, EmptyInputs) {
  EXPECT_TRUE(conflictingEntryKeys(nullptr, *commandS(), nullptr).empty());
  EXPECT_TRUE(conflictingEntryKeys(Dictionary::make(), *commandS(), nullptr).empty());
  // With no stroke to compare, an empty sequence matches stored empty ones
  // whatever their context.
  auto group = Dictionary::make({{"empty", entry({sequence({})}, str("text"))}, {"full", entry({commandS()})}});
  EXPECT_EQ(conflictingEntryKeys(group, *sequence({}), nullptr), (std::vector<std::string>{"empty"}));
}

ConflictTexts sampleTexts() {
  return {
      [](const std::string& key) { return key == "[save:] [] [0]" ? std::string("Save") : std::string(); },
      [](const std::string& key) { return key == "complete:" ? std::string("Complete Word") : key; },
      [](const std::string& key) {
        return key == "'%@' is currently bound to %@." ? std::string("« %@ » est déjà pris par %@.") : key;
      },
  };
}

TEST(StatusLine, WordsTheResult) {
  const std::string shortcut = "\u2318S";  // ⌘S
  struct Case {
    const char* name;
    std::vector<std::string> conflicts;
    ShownGroup group;
    StatusLine expected;
  };
  const Case cases[] = {
      {"no conflict", {}, ShownGroup::Menu, {TextColor::Black, "Type keys for shortcut."}},
      {"one menu command", {"[save:] [] [0]"}, ShownGroup::Menu,
       {TextColor::Red, "« \u2318S » est déjà pris par 'Save'."}},
      {"named twice, and an entry without title", {"[save:] [] [0]", "[save:] [] [0]", "[gone:] [] [0]"},
       ShownGroup::Menu, {TextColor::Red, "« \u2318S » est déjà pris par 'Save', 'Save', ''."}},
      {"editing commands, one untranslated", {"complete:", "yank:"}, ShownGroup::Editor,
       {TextColor::Red, "« \u2318S » est déjà pris par 'Complete Word', 'yank:'."}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(conflictStatusLine(c.conflicts, shortcut, c.group, sampleTexts()), c.expected) << c.name;
}

TEST(StatusLine, UntranslatedFormatShowsItself) {
  ConflictTexts texts = sampleTexts();
  texts.localizable = [](const std::string& key) { return key; };
  EXPECT_EQ(conflictStatusLine({"[save:] [] [0]"}, "\u2318S", ShownGroup::Menu, texts).text,
            "'\u2318S' is currently bound to 'Save'.");
}

}  // namespace
}  // namespace qor
