// Finding a command among the rows of an outline, by its entry key or by the
// titles that lead to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qor {

// What the lookup needs of a row of a fully expanded outline.
struct CommandRow {
  int level = 0;                       // 0 for the top level
  std::string title;                   // as the "title" column shows it
  std::optional<std::string> entryKey; // MenuItemIdentifier or EditorCommandName
};

// The first row whose entry key is `command`, else the first row reached by
// the title path `command` ("File/Save": a top-level row titled "File", then
// a row titled "Save" below it). Titles compare exactly, except that "..."
// in either stands for the ellipsis "…" ("File/Open..." finds "Open…").
// Result: nullopt when nothing matches, also for an empty command.
//   rows File(0) Save(1) -> rowForCommand(rows, "File/Save") == 1
[[nodiscard]] std::optional<std::size_t> rowForCommand(const std::vector<CommandRow>& rows, std::string_view command);

}  // namespace qor
