#include "command_search.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(CommandSearch, Folding) {
  struct Case {
    const char* text;
    const char* folded;
  };
  const Case cases[] = {
      {"Save As…", "save as..."},
      {"Édition", "edition"},               // precomposed É
      {"E\u0301dition", "edition"},         // E and a combining acute accent
      {"Straße", "strasse"},
      {"ΣΊΣΥΦΟΣ", "σισυφοσ"},               // Greek: tonos dropped; final sigma folds to σ
      {"ﬁnd", "find"},                     // ligature
      {"Ｆｉｌｅ", "file"},                 // full-width letters
      {"", ""},
      {"bad \xff byte", "bad \xef\xbf\xbd byte"},  // U+FFFD
  };
  for (const Case& c : cases) EXPECT_EQ(foldForSearch(c.text), c.folded) << c.text;
}

TEST(CommandSearch, MatchesInsideWordsWithoutCaseOrAccents) {
  TitleSearch search({"Save", "Save As…", "Autosave", "Édition", "Open…", "Ça va", "Strasse"});
  struct Case {
    const char* query;
    std::vector<std::size_t> expected;
  };
  const Case cases[] = {
      {"save", {0, 1, 2}},
      {"SAVE A", {1}},
      {"edit", {3}},
      {"ÉDIT", {3}},
      {"open...", {4}},
      {"ca", {5}},
      {"straße", {6}},
      {"", {0, 1, 2, 3, 4, 5, 6}},
      {"\u0301", {0, 1, 2, 3, 4, 5, 6}},  // a lone combining mark folds to nothing
      {"xyz", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(search.matching(c.query), c.expected) << c.query;
  EXPECT_EQ(search.size(), 7u);
}

}  // namespace
}  // namespace qor
