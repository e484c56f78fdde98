// The cheat sheet: its groups and rows, its HTML page and the file a chosen
// name means.
#include "qor/pane_model/cheat_sheet.h"

#include <gtest/gtest.h>

#include "qor/collections.h"
#include "qor/testing/pane_scene.h"

namespace qor {
namespace {

using pane_test::chord;
using pane_test::entry;

std::size_t occurrences(const std::string& text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// The editing-command table of headless_pane.h, as the pane reads it.
ArrayRef editorTable() {
  auto words = Dictionary::make({{"title", str("Words")}, {"items", Array::make({str("moveWordLeft:")})}});
  return Array::make({Dictionary::make({{"title", str("Moving")},
                                        {"items", Array::make({str("moveLeft:"), str("moveRight:"), words})}}),
                      Dictionary::make({{"title", str("Empty")}}), str("selectAll:")});
}

std::string translated(const std::string& name) {
  if (name == "Moving") return "Move";
  if (name == "moveLeft:") return "Move Left";
  return name;
}

// The default set with Export and PDF bound too; PDF's second sequence is
// empty and its third no array, which count for nothing.
DictionaryRef setWithSubmenuShortcuts() {
  auto set = asMutableDictionary(MakePlistMutable(pane_test::makeDefaultSet()));
  auto menu = asMutableDictionary(set->objectForKey(kSetMenuKey));
  menu->setObjectForKey(entry("Export", {chord(kCommandKeyMask, 'e')}), pane_test::kExportId);
  menu->setObjectForKey(entry("PDF", {chord(kCommandKeyMask, 'P'), Array::make({}), str("x")}), pane_test::kPDFId);
  menu->setObjectForKey(entry("Undo", {}), pane_test::kUndoId);
  set->removeObjectForKey(kSetNameKey);
  return set;
}

TEST(CheatSheet, GroupsFollowTheOutlinesAndLeaveOutCommandsWithoutShortcuts) {
  std::unique_ptr<SimpleMenu> menu = pane_test::makeMainMenu();
  const CheatSheetGroup file{
      "File", {{"New", {"⌘N"}, {"Ctrl+N"}}, {"Open…", {"⌘O"}, {"Ctrl+O"}}, {"Save", {"⌘S"}, {"Ctrl+S"}}}};
  const CheatSheetGroup edit{"Edit", {{"Undo", {"⌘Z"}, {"Ctrl+Z"}}}};
  const CheatSheetGroup moving{"Move", {{"Move Left", {"⌃B"}, {"Meta+B"}}, {"moveRight:", {"⌃F"}, {"Meta+F"}}}};
  const CheatSheetGroup selectAll{"selectAll:", {{"selectAll:", {"⌘A"}, {"Ctrl+A"}}}};
  const CheatSheetGroup fileWithExport{"File",
                                       {{"New", {"⌘N"}, {"Ctrl+N"}},
                                        {"Open…", {"⌘O"}, {"Ctrl+O"}},
                                        {"Save", {"⌘S"}, {"Ctrl+S"}},
                                        {"Export", {"⌘E"}, {"Ctrl+E"}},
                                        {"Export › PDF", {"⇧⌘P"}, {"Ctrl+Shift+P"}}}};
  struct Case {
    const char* name;
    CheatSheetSources sources;
    CheatSheet expected;
  };
  const Case cases[] = {
      {"default set",
       {pane_test::makeDefaultSet(), menu.get(), editorTable(), translated},
       {"Default", {file, edit, moving, selectAll}}},
      {"submenu commands, an emptied menu, no name",
       {setWithSubmenuShortcuts(), menu.get(), editorTable(), translated},
       {"", {fileWithExport, moving, selectAll}}},
      {"untranslated editing commands",
       {pane_test::makeDefaultSet(), nullptr, editorTable(), nullptr},
       {"Default", {{"Moving", {{"moveLeft:", {"⌃B"}, {"Meta+B"}}, moving.rows[1]}}, selectAll}}},
      {"no menu, no table", {pane_test::makeDefaultSet(), nullptr, nullptr, nullptr}, {"Default", {}}},
      {"no set", {nullptr, menu.get(), editorTable(), translated}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(buildCheatSheet(c.sources), c.expected);
  }
}

TEST(CheatSheet, HtmlPageIsEscapedSelfContainedAndPrintable) {
  const CheatSheet sheet{"<Mine> & \"his\" 'keys'",
                         {{"File <1>", {{"Save & Go", {"⌘S", "⌥⌘S"}, {"Ctrl+S", "Ctrl+Alt+S"}}}},
                          {"Edit", {{"a<b", {"⌘<"}, {"Ctrl+<"}}}}}};
  const std::string page = cheatSheetHtml(sheet, {"Command", "Shortcut", "Desktop <x>"});
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n"));
  EXPECT_TRUE(page.ends_with("</html>\n"));
  const std::string contained[] = {
      "<meta charset=\"utf-8\">",
      "<title>&lt;Mine&gt; &amp; &quot;his&quot; &#39;keys&#39;</title>",
      "<h1>&lt;Mine&gt; &amp; &quot;his&quot; &#39;keys&#39;</h1>",
      "<h2>File &lt;1&gt;</h2>",
      "<th>Desktop &lt;x&gt;</th>",
      "<tr><td>Save &amp; Go</td><td class=\"keys\">⌘S<br>⌥⌘S</td><td class=\"keys\">Ctrl+S<br>Ctrl+Alt+S</td></tr>",
      "<td>a&lt;b</td><td class=\"keys\">⌘&lt;</td><td class=\"keys\">Ctrl+&lt;</td>",
      "@media print",
  };
  for (const std::string& part : contained) EXPECT_NE(page.find(part), std::string::npos) << part;
  EXPECT_EQ(occurrences(page, "<h2>"), 2u);
  EXPECT_EQ(occurrences(page, "<tr><td>"), 2u);
  EXPECT_EQ(occurrences(page, "<Mine>"), 0u);
  for (std::string_view external : {"src=", "href=", "@import", "url("})
    EXPECT_EQ(page.find(external), std::string::npos) << external;

  const std::string empty = cheatSheetHtml({}, {});
  EXPECT_NE(empty.find("<h1></h1>"), std::string::npos);
  EXPECT_EQ(empty.find("<table"), std::string::npos);
}

TEST(CheatSheet, TheChosenNameDecidesTheFormat) {
  const struct {
    const char* chosen;
    CheatSheetDestination expected;
  } cases[] = {
      {"/tmp/keys.pdf", {CheatSheetFormat::Pdf, "/tmp/keys.pdf"}},
      {"/tmp/keys.PDF", {CheatSheetFormat::Pdf, "/tmp/keys.PDF"}},
      {"/tmp/keys.html", {CheatSheetFormat::Html, "/tmp/keys.html"}},
      {"keys.HTM", {CheatSheetFormat::Html, "keys.HTM"}},
      {"/tmp/keys.txt", {CheatSheetFormat::Html, "/tmp/keys.txt.html"}},
      {"/tmp/a.pdf/keys", {CheatSheetFormat::Html, "/tmp/a.pdf/keys.html"}},
      {"", {CheatSheetFormat::Html, ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(cheatSheetDestination(c.chosen), c.expected) << c.chosen;
  EXPECT_EQ(cheatSheetFileNameForSetName("Mine"), "Mine.html");
}

}  // namespace
}  // namespace qor
