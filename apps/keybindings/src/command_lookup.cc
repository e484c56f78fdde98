#include "command_lookup.h"

#include <algorithm>

namespace qor {

namespace {

constexpr char kPathSeparator = '/';
constexpr std::string_view kEllipsis = "…";
constexpr std::string_view kThreeDots = "...";

std::string withThreeDots(std::string_view title) {
  std::string text;
  for (std::size_t at = 0; at < title.size();) {
    if (title.substr(at, kEllipsis.size()) == kEllipsis) {
      text += kThreeDots;
      at += kEllipsis.size();
    } else {
      text += title[at++];
    }
  }
  return text;
}

std::vector<std::string> pathOf(std::string_view command) {
  std::vector<std::string> path;
  std::size_t start = 0;
  for (std::size_t slash = command.find(kPathSeparator); slash != std::string_view::npos;
       slash = command.find(kPathSeparator, start)) {
    path.push_back(withThreeDots(command.substr(start, slash - start)));
    start = slash + 1;
  }
  path.push_back(withThreeDots(command.substr(start)));
  return path;
}

}  // namespace

std::optional<std::size_t> rowForCommand(const std::vector<CommandRow>& rows, std::string_view command) {
  if (command.empty()) return std::nullopt;
  for (std::size_t index = 0; index < rows.size(); ++index)
    if (rows[index].entryKey == command) return index;

  const std::vector<std::string> path = pathOf(command);
  std::vector<std::string> trail;  // the titles leading to the current row
  for (std::size_t index = 0; index < rows.size(); ++index) {
    trail.resize(static_cast<std::size_t>(std::max(rows[index].level, 0)));
    trail.push_back(withThreeDots(rows[index].title));
    if (trail == path) return index;
  }
  return std::nullopt;
}

}  // namespace qor
