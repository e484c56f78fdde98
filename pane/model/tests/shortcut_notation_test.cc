// Words in the rules that quote a shortcut (the glyphs are each rule's own
// test; the cheat sheet in words is the pane's, outlines_test).
#include "qor/pane_model/shortcut_notation.h"

#include <gtest/gtest.h>

#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/testing/pane_fixtures.h"

namespace qor {
namespace {

using fixtures::chord;
using fixtures::sequence;

constexpr ShortcutNotation kWords = ShortcutNotation::Words;
constexpr ShortcutNotation kSymbols = ShortcutNotation::Symbols;

TEST(ShortcutNotation, CapturedKeysGrowAsTypedInSymbolsAndAreWrittenWholeInWords) {
  const ArrayRef kc = sequence({chord(kCommandKeyMask, 'k'), chord(kCommandKeyMask, 'c')});
  const struct {
    ArrayRef strokes;
    const char* before;
    ShortcutNotation notation;
    CapturedKeysText expected;
  } cases[] = {
      {kc, "⌘K", kSymbols, {"⌘K⌘C", "Ctrl+K, Ctrl+C"}},
      // The modifier-only stroke joins the chord after it: nothing to append to.
      {kc, "Ctrl+K", kWords, {"Ctrl+K, Ctrl+C", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(capturedKeysText(*c.strokes, c.before, "⌘C", c.notation), c.expected);
}

TEST(ShortcutNotation, RulesQuotingAShortcutWriteWords) {
  const ArrayRef kc = sequence({chord(kCommandKeyMask, 'k'), chord(kCommandKeyMask, 'c')});
  const ArrayRef sequences = Array::make({chord(kCommandKeyMask, 'S'), kc});
  const auto same = [](const std::string& key) { return key; };
  const std::string texts[][2] = {
      {cellText(RowKind::MenuCommand, kKeyColumn, "", sequences, kWords), "Ctrl+Shift+S , Ctrl+K, Ctrl+C"},
      // The cell says it in words already.
      {cellToolTip(RowKind::MenuCommand, kKeyColumn, sequences, kWords), ""},
      {editMenuItems(sequences, "Add", "Remove '%@'", kWords).back().title, "Remove 'Ctrl+K, Ctrl+C'"},
      {prefixAmbiguityLine({{"Comment", kc, PrefixRelation::Longer}}, *chord(kCommandKeyMask, 'k'), "Ctrl+K",
                           ShownGroup::Menu, {same, same, same}, kWords),
       "'Ctrl+K' is the first stroke of 'Ctrl+K, Ctrl+C' of 'Comment'."},
  };
  for (const auto& [got, expected] : texts) EXPECT_EQ(got, expected);
}

}  // namespace
}  // namespace qor
