#include "qor/pane_model/command_search.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "qor/bundle.h"
#include "qor/file_system.h"

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

// Oracle: python3's unicodedata and str.casefold, the same steps, over every
// shipped editing-command title and a few hard cases.
TEST(CommandSearch, FoldsAsPythonDoes) {
  auto bytes = readFile(std::string(QOR_RESOURCES_DIR) + "/locale/en/EditorMenuTitles.po");
  ASSERT_TRUE(bytes);
  std::vector<std::string> texts = {"İstanbul", "ΣΊΣΥΦΟΣ", "Ǆemal", "ﬀ ﬁ ﬂ", "Ⅻ", "À la carte…", "Ёлка", "Œuvre"};
  for (const auto& [key, title] : parsePoText(std::string(bytes->begin(), bytes->end()))) texts.push_back(title);
  std::string input = testing::TempDir() + "/fold-input.txt";
  std::string output = testing::TempDir() + "/fold-output.txt";
  {
    std::ofstream file(input, std::ios::binary);
    for (const std::string& text : texts) file << text << '\n';
  }
  std::string command = "python3 -c '"
                        "import sys, unicodedata as u\n"
                        "for line in open(sys.argv[1], encoding=\"utf-8\").read().splitlines():\n"
                        "  bare = \"\".join(c for c in u.normalize(\"NFKD\", line) if u.category(c) != \"Mn\")\n"
                        "  print(u.normalize(\"NFC\", bare.casefold()))\n"
                        "' " + input + " > " + output;
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::ifstream folded(output, std::ios::binary);
  for (const std::string& text : texts) {
    std::string expected;
    ASSERT_TRUE(std::getline(folded, expected)) << text;
    EXPECT_EQ(foldForSearch(text), expected) << text;
  }
}

}  // namespace
}  // namespace qor
