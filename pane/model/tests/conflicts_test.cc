#include "qor/pane_model/conflicts.h"

#include <gtest/gtest.h>

#include <algorithm>

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
      {"no conflict", {}, ShownGroup::Menu, {StatusColor::Black, "Type keys for shortcut."}},
      {"one menu command", {"[save:] [] [0]"}, ShownGroup::Menu,
       {StatusColor::Red, "« \u2318S » est déjà pris par 'Save'."}},
      {"named twice, and an entry without title", {"[save:] [] [0]", "[save:] [] [0]", "[gone:] [] [0]"},
       ShownGroup::Menu, {StatusColor::Red, "« \u2318S » est déjà pris par 'Save', 'Save', ''."}},
      {"editing commands, one untranslated", {"complete:", "yank:"}, ShownGroup::Editor,
       {StatusColor::Red, "« \u2318S » est déjà pris par 'Complete Word', 'yank:'."}},
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

// ---- Prefixes, whole groups, look-up by keys ----

ArrayRef chords(std::vector<std::pair<std::string, std::int64_t>> keys) {
  std::vector<Ref> strokes;
  for (const auto& [key, mask] : keys) {
    if (mask != 0) strokes.push_back(modifierOnly(mask));
    strokes.push_back(keyStroke(key, mask));
  }
  return sequence(std::move(strokes));
}

TEST(PrefixAmbiguity, NamesLongerAndShorterSequencesInTheSameContext) {
  // ⌘K is 2 strokes, ⌘K⌘C 4, ⌘K⌘C⌘D 6: lengths differ, leading strokes agree.
  auto k = chords({{"k", kCommand}});
  auto kc = chords({{"k", kCommand}, {"c", kCommand}});
  auto kcd = chords({{"k", kCommand}, {"c", kCommand}, {"d", kCommand}});
  auto group = Dictionary::make({
      {"kill", entry({k})},
      {"comment", entry({kc, chords({{"x", 0}})})},
      {"deep", entry({kcd})},
      {"other context", entry({kcd}, str("text"))},
      {"shifted", entry({chords({{"k", kCommand | kShift}, {"c", kCommand}})})},
      {"empty", entry({sequence({})})},
  });
  using R = PrefixRelation;
  struct Case {
    const char* name;
    ArrayRef captured;
    std::vector<std::pair<std::string, R>> expected;
  };
  const Case cases[] = {
      {"first stroke of two longer ones", k, {{"comment", R::Longer}, {"deep", R::Longer}}},
      {"between a shorter and a longer one", kc, {{"kill", R::Shorter}, {"deep", R::Longer}}},
      {"two shorter ones", kcd, {{"kill", R::Shorter}, {"comment", R::Shorter}}},
      {"only the modifier-only stroke typed", sequence({modifierOnly(kCommand)}),
       {{"kill", R::Longer}, {"comment", R::Longer}, {"deep", R::Longer}}},
      {"nothing starts with it", chords({{"q", kCommand}}), {}},
      {"empty capture", sequence({}), {}},
  };
  for (const Case& c : cases) {
    std::vector<std::pair<std::string, R>> got;
    for (const PrefixAmbiguity& a : prefixAmbiguities(group, *c.captured, nullptr))
      got.emplace_back(a.entryKey, a.relation);
    EXPECT_EQ(got, c.expected) << c.name;
  }
  // The context rule of the conflict search: only the entry of that context.
  auto inText = prefixAmbiguities(group, *kc, str("text"));
  ASSERT_EQ(inText.size(), 1u);
  EXPECT_EQ(inText[0].entryKey, "other context");
  EXPECT_EQ(inText[0].storedSequence, kcd);  // the stored object itself
  EXPECT_TRUE(prefixAmbiguities(nullptr, *k, nullptr).empty());
}

TEST(PrefixAmbiguity, SecondLineWording) {
  ConflictTexts texts{[](const std::string& key) { return "Menu " + key; },
                      [](const std::string& key) { return "Editor " + key; },
                      [](const std::string& key) { return key; }};
  auto kc = chords({{"k", kCommand}, {"c", kCommand}});
  auto kcd = chords({{"k", kCommand}, {"c", kCommand}, {"d", kCommand}});
  auto k = chords({{"k", kCommand}});
  using R = PrefixRelation;
  struct Case {
    const char* name;
    std::vector<PrefixAmbiguity> ambiguities;
    ShownGroup group;
    const char* expected;
  };
  // The typed keys are ⌘K⌘C (two key strokes, each after its modifier-only
  // stroke): "strokes" for them, "stroke" for a stored ⌘K.
  const Case cases[] = {
      {"none", {}, ShownGroup::Menu, ""},
      {"one longer", {{"c", kc, R::Longer}}, ShownGroup::Menu,
       "'\u2318K\u2318C' are the first strokes of '\u2318K\u2318C' of 'Menu c'."},
      {"two longer, editor titles", {{"c", kc, R::Longer}, {"d", kcd, R::Longer}}, ShownGroup::Editor,
       "'\u2318K\u2318C' are the first strokes of '\u2318K\u2318C' of 'Editor c', "
       "'\u2318K\u2318C\u2318D' of 'Editor d'."},
      {"one shorter", {{"k", k, R::Shorter}}, ShownGroup::Menu,
       "'\u2318K' of 'Menu k' is the first stroke of '\u2318K\u2318C'."},
      {"longer, then shorter", {{"k", k, R::Shorter}, {"d", kcd, R::Longer}}, ShownGroup::Menu,
       "'\u2318K\u2318C' are the first strokes of '\u2318K\u2318C\u2318D' of 'Menu d'. '\u2318K' of 'Menu k' is the "
       "first stroke of '\u2318K\u2318C'."},
  };
  for (const Case& c : cases)
    EXPECT_EQ(prefixAmbiguityLine(c.ambiguities, *kc, "\u2318K\u2318C", c.group, texts), c.expected) << c.name;
  // A stored prefix of two key strokes; one typed key stroke keeps the
  // singular, whatever its modifier-only stroke.
  EXPECT_EQ(prefixAmbiguityLine({{"c", kc, R::Shorter}}, *kcd, "\u2318K\u2318C\u2318D", ShownGroup::Menu, texts),
            "'\u2318K\u2318C' of 'Menu c' are the first strokes of '\u2318K\u2318C\u2318D'.");
  EXPECT_EQ(prefixAmbiguityLine({{"c", kc, R::Longer}}, *k, "\u2318K", ShownGroup::Menu, texts),
            "'\u2318K' is the first stroke of '\u2318K\u2318C' of 'Menu c'.");
  // The formats are looked up.
  texts.localizable = [](const std::string& key) {
    return key == "'%@' is the first stroke of %@." ? std::string("« %@ » ouvre %@.") : key;
  };
  EXPECT_EQ(prefixAmbiguityLine({{"c", kc, R::Longer}}, *k, "\u2318K", ShownGroup::Menu, texts),
            "« \u2318K » ouvre '\u2318K\u2318C' of 'Menu c'.");
}

TEST(AllConflicts, EverySharedSequenceOnceWithItsHoldersInGroupOrder) {
  auto s = commandS();
  auto sameStrokesOtherCode = sequence({modifierOnly(kCommand), keyStroke("s", kCommand | kCapsLock, 77)});
  auto o = chords({{"o", kCommand}});
  auto text = str("text");
  auto group = Dictionary::make({
      {"save", entry({o, s})},
      {"twice alone", entry({chords({{"t", kCommand}}), chords({{"t", kCommand}})})},
      {"sell", entry({sameStrokesOtherCode})},
      {"open", entry({o})},
      {"complete", entry({s}, text)},
      {"cancel", entry({s}, str("text"))},
      {"numbered", entry({o}, integer(1))},
      {"odd key", entry({sequence({Dictionary::make({{kStrokeKeyKey, integer(1)}})})})},
      {"odd key too", entry({sequence({Dictionary::make({{kStrokeKeyKey, integer(1)}})})})},
      {"empty", entry({sequence({})})},
      {"empty too", entry({sequence({})})},
      {"upper case", entry({sequence({modifierOnly(kCommand), keyStroke("S", kCommand)})})},
  });
  std::vector<std::pair<ArrayRef, std::vector<std::string>>> got;
  for (const SequenceConflict& c : allConflicts(group)) got.emplace_back(c.sequence, c.entryKeys);
  // ⌘O first (save holds it first), then ⌘S without context, then ⌘S in "text".
  decltype(got) expected = {{o, {"save", "open"}}, {s, {"save", "sell"}}, {s, {"complete", "cancel"}}};
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(allConflicts(nullptr).empty());
  EXPECT_TRUE(allConflicts(Dictionary::make()).empty());
}

TEST(AllConflicts, AgreesWithTheOneSequenceSearch) {
  // Oracle: for every conflict found, searching its sequence in the holders'
  // context names exactly its holders (each once per stored copy).
  auto group = Dictionary::make({
      {"a", entry({commandS(), chords({{"k", kCommand}, {"c", kCommand}})})},
      {"b", entry({chords({{"k", kCommand}, {"c", kCommand}})})},
      {"c", entry({commandS(), commandS()})},
      {"d", entry({chords({{"z", 0}})})},
  });
  for (const SequenceConflict& c : allConflicts(group)) {
    std::vector<std::string> search = conflictingEntryKeys(group, *c.sequence, nullptr);
    search.erase(std::unique(search.begin(), search.end()), search.end());
    EXPECT_EQ(search, c.entryKeys);
  }
  EXPECT_EQ(allConflicts(group).size(), 2u);
}

TEST(SearchByKeys, EntriesWithASequenceStartingWithThePressedOnes) {
  auto group = Dictionary::make({
      {"save", entry({commandS()})},
      {"comment", entry({chords({{"k", kCommand}, {"c", kCommand}}), chords({{"k", kCommand}, {"u", kCommand}})})},
      {"in text", entry({chords({{"k", kCommand}})}, str("text"))},
      {"plain k", entry({chords({{"k", 0}})})},
  });
  struct Case {
    const char* name;
    ArrayRef pressed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"whole sequence", commandS(), {"save"}},
      {"first chord: every context, each key once", chords({{"k", kCommand}}), {"comment", "in text"}},
      {"the modifier alone", sequence({modifierOnly(kCommand)}), {"save", "comment", "in text"}},
      {"longer than any", chords({{"k", kCommand}, {"c", kCommand}, {"d", kCommand}}), {}},
      {"nothing pressed", sequence({}), {}},
  };
  for (const Case& c : cases) EXPECT_EQ(entryKeysStartingWithSequence(group, *c.pressed), c.expected) << c.name;
}

TEST(FixInPlace, ReleasesTheSequenceFromEachHolderCopyingDefaultEntries) {
  ArrayRef commandD = sequence({modifierOnly(kCommand), keyStroke("d", kCommand)});
  ArrayRef commandSK = sequence({modifierOnly(kCommand), keyStroke("s", kCommand), keyStroke("k", kCommand)});
  ArrayRef recaptured = sequence({modifierOnly(kCommand), keyStroke("s", kCommand, 39)});
  auto title = [](const std::string& text) { return str(text); };
  DictionaryRef defaultSet = Dictionary::make(
      {{kSetMenuKey, Dictionary::make({{"save", entry({commandS()})}, {"sell", entry({commandS(), commandD})}})}});
  auto saveEntry = MutableDictionary::make(
      {{kKeySequencesKey, Array::make({commandS(), commandSK, recaptured})}, {kEntryTitleKey, title("Save")}});
  DictionaryRef set = Dictionary::make(
      {{kSetNameKey, str("Mine")}, {kSetMenuKey, Dictionary::make({{"save", saveEntry}})}});

  struct Case {
    const char* name;
    std::string_view group;
    std::vector<std::string> keys;
    std::vector<std::pair<std::string, std::vector<ArrayRef>>> kept;  // key -> what stays, in order
  };
  const Case cases[] = {
      // Both ⌘S go, the re-captured one too (key codes take no part); ⌘S⌘K is another sequence.
      {"the set's entry", kSetMenuKey, {"save"}, {{"save", {commandSK}}}},
      {"the default entry where the set has none", kSetMenuKey, {"sell"}, {{"sell", {commandD}}}},
      {"each key once, in the order given", kSetMenuKey, {"sell", "save", "sell"},
       {{"sell", {commandD}}, {"save", {commandSK}}}},
      {"a key neither set knows", kSetMenuKey, {"nobody"}, {}},
      {"another part", "bogus", {"save"}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<EntryReset> resets = releaseSequenceFromEntries(set, defaultSet, c.group, c.keys, *commandS());
    ASSERT_EQ(resets.size(), c.kept.size());
    for (std::size_t i = 0; i < resets.size(); ++i) {
      EXPECT_EQ(resets[i].group, kSetMenuKey);
      EXPECT_EQ(resets[i].entryKey, c.kept[i].first);
      auto copy = asMutableDictionary(resets[i].entry);
      ASSERT_TRUE(copy);
      std::vector<Ref> expected(c.kept[i].second.begin(), c.kept[i].second.end());
      EXPECT_TRUE(isEqual(copy->objectForKey(kKeySequencesKey), Array::make(expected)));
      EXPECT_TRUE(asMutableArray(copy->objectForKey(kKeySequencesKey)));
    }
  }
  // The title travels with the copy; neither set is touched.
  auto first = releaseSequenceFromEntries(set, defaultSet, kSetMenuKey, {"save"}, *commandS());
  EXPECT_TRUE(isEqual(asDictionary(first[0].entry)->objectForKey(kEntryTitleKey), title("Save")));
  EXPECT_EQ(asArray(saveEntry->objectForKey(kKeySequencesKey))->count(), 3u);
  EXPECT_TRUE(releaseSequenceFromEntries(nullptr, defaultSet, kSetMenuKey, {"save"}, *commandS()).empty());
  EXPECT_TRUE(releaseSequenceFromEntries(set, defaultSet, kSetMenuKey, {"save"}, *sequence({})).empty());
}

}  // namespace
}  // namespace qor
