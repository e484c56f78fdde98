#include "command_lookup.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

const std::vector<CommandRow> kRows = {
    {0, "File", std::nullopt},
    {1, "Open…", "[openDocument:] [] [0]"},
    {1, "Save", "[saveDocument:] [] [0]"},
    {1, "Export", "[export:] [] [0]"},
    {2, "PDF", "[exportPDF:] [] [0]"},
    {0, "Edit", std::nullopt},
    {1, "Save", "[saveSelection:] [] [0]"},
    {0, "Move", std::nullopt},
    {1, "Move Left", "moveLeft:"},
    {0, "a/b", "slash:"},
};

TEST(CommandLookupTest, ByEntryKeyOrTitlePath) {
  struct Case {
    const char* command;
    std::optional<std::size_t> row;
  };
  const Case cases[] = {
      {"[saveDocument:] [] [0]", 2},
      {"moveLeft:", 8},
      {"File/Save", 2},
      {"Edit/Save", 6},
      {"File/Export/PDF", 4},
      {"File/Export", 3},
      {"File", 0},
      {"File/Open…", 1},
      {"File/Open...", 1},   // three dots for the ellipsis
      {"Move/Move Left", 8},
      {"Save", std::nullopt},         // a path starts at the top
      {"File/PDF", std::nullopt},     // and skips no level
      {"file/save", std::nullopt},    // titles compare exactly
      {"File/Save/", std::nullopt},
      {"", std::nullopt},
      {"a/b", std::nullopt},          // a slash in a title: only its key finds it
      {"slash:", 9},
  };
  for (const Case& c : cases) EXPECT_EQ(rowForCommand(kRows, c.command), c.row) << c.command;
  EXPECT_EQ(rowForCommand({}, "File"), std::nullopt);
}

}  // namespace
}  // namespace qor
