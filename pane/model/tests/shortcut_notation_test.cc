// The notation a person chose: how it is stored, and that every rule quoting
// a shortcut writes it in words when asked (the glyphs are each rule's own test).
#include "qor/pane_model/shortcut_notation.h"

#include <gtest/gtest.h>

#include <functional>

#include "qor/pane_model/cheat_sheet.h"
#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/testing/pane_scene.h"

namespace qor {
namespace {

using fixtures::chord;
using fixtures::sequence;

constexpr ShortcutNotation kWords = ShortcutNotation::Words;
constexpr ShortcutNotation kSymbols = ShortcutNotation::Symbols;

TEST(ShortcutNotation, OnlyTheStoredWordWordsChoosesWords) {
  const struct {
    Ref stored;
    ShortcutNotation expected;
  } cases[] = {
      {str("words"), kWords},      {str("symbols"), kSymbols}, {nullptr, kSymbols},
      {str("Words"), kSymbols},    {integer(1), kSymbols},     {str(""), kSymbols},
  };
  for (const auto& c : cases) EXPECT_EQ(shortcutNotationOf(c.stored), c.expected);
  for (ShortcutNotation notation : {kWords, kSymbols})
    EXPECT_EQ(shortcutNotationOf(str(storedShortcutNotation(notation))), notation);
}

TEST(ShortcutNotation, CapturedKeysGrowAsTypedInSymbolsAndAreWrittenWholeInWords) {
  const ArrayRef k = chord(kCommandKeyMask, 'k');
  const ArrayRef kc = sequence({k, chord(kCommandKeyMask, 'c')});
  const struct {
    const char* name;
    ArrayRef strokes;
    const char* before;
    const char* added;
    ShortcutNotation notation;
    CapturedKeysText expected;
  } cases[] = {
      {"first chord, symbols", k, "", "⌘K", kSymbols, {"⌘K", "Ctrl+K"}},
      {"second chord, symbols: appended", kc, "⌘K", "⌘C", kSymbols, {"⌘K⌘C", "Ctrl+K, Ctrl+C"}},
      {"first chord, words", k, "", "⌘K", kWords, {"Ctrl+K", ""}},
      // The modifier-only stroke joins the chord after it: nothing to append to.
      {"second chord, words: the whole sequence", kc, "Ctrl+K", "⌘C", kWords, {"Ctrl+K, Ctrl+C", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(capturedKeysText(*c.strokes, c.before, c.added, c.notation), c.expected) << c.name;
}

TEST(ShortcutNotation, EveryRuleQuotingAShortcutWritesWords) {
  const ArrayRef shiftS = chord(kCommandKeyMask, 'S');
  const ArrayRef kc = sequence({chord(kCommandKeyMask, 'k'), chord(kCommandKeyMask, 'c')});
  const ArrayRef sequences = Array::make({shiftS, kc});
  const ConflictTexts texts{[](const std::string& key) { return key; }, nullptr,
                            [](const std::string& key) { return key; }};
  std::unique_ptr<SimpleMenu> menu = pane_test::makeMainMenu();
  const CheatSheetSources sources{pane_test::makeDefaultSet(), menu.get(), nullptr, nullptr, kWords};
  const struct {
    const char* name;
    std::function<std::string()> text;
    const char* expected;
  } cases[] = {
      {"Key cell", [&] { return cellText(RowKind::MenuCommand, kKeyColumn, "", sequences, kWords); },
       "Ctrl+Shift+S , Ctrl+K, Ctrl+C"},
      {"Key cell tooltip: the cell says it already",
       [&] { return cellToolTip(RowKind::MenuCommand, kKeyColumn, sequences, kWords); }, ""},
      {"edit menu", [&] { return editMenuItems(sequences, "Add", "Remove '%@'", kWords).back().title; },
       "Remove 'Ctrl+K, Ctrl+C'"},
      {"second status line",
       [&] {
         return prefixAmbiguityLine({{"Comment", kc, PrefixRelation::Longer}}, *chord(kCommandKeyMask, 'k'), "Ctrl+K",
                                    ShownGroup::Menu, texts, kWords);
       },
       "'Ctrl+K' is the first stroke of 'Ctrl+K, Ctrl+C' of 'Comment'."},
      {"cheat sheet row, words alone",
       [&] {
         const CheatSheet sheet = buildCheatSheet(sources);
         const CheatSheetRow& save = sheet.groups.front().rows.back();
         return save.title + " " + save.shortcuts.front() + " " + std::to_string(save.desktop.size());
       },
       "Save Ctrl+S 0"},
      {"cheat sheet page: one column of shortcuts",
       [&] {
         const std::string page = cheatSheetHtml(buildCheatSheet(sources), {"Command", "Shortcut", "Desktop"});
         const std::size_t from = page.find("<thead>");
         return page.substr(from, page.find("</thead>", from) - from) + " " +
                std::to_string(page.find("<td class=\"keys\">Ctrl+S</td></tr>") != std::string::npos);
       },
       "<thead><tr><th>Command</th><th>Shortcut</th></tr> 1"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text(), c.expected) << c.name;
}

}  // namespace
}  // namespace qor
