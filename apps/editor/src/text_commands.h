// The editing commands the host's text view carries out, by the command
// names of the pane's editing-command table ("moveWordLeft:").
//
// Each works on the view's text cursor as the command's name says; the
// "...AndModifySelection:" forms extend the selection instead of moving the
// cursor alone. The mark is kept per view. Commands of the table that the
// view has no counterpart for (completion, the kill ring, field editors)
// are left out: textCommandNamed gives null for them.
//
// Example:
//   if (auto command = qor::textCommandNamed("deleteWordBackward:")) command(*edit);
#pragma once

#include <string_view>
#include <vector>

class QTextEdit;

namespace qor {

using TextCommand = void (*)(QTextEdit& view);

struct NamedTextCommand {
  std::string_view name;
  TextCommand command;
};

// Every command the view carries out, in the table's order.
[[nodiscard]] const std::vector<NamedTextCommand>& textCommands();

// The command named `name`, or null.
[[nodiscard]] TextCommand textCommandNamed(std::string_view name);

}  // namespace qor
