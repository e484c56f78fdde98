#include "set_file_rules.h"

#include <limits>

#include "qor/ports/toolkit.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr std::string_view kExportFileNameFormat = "%@.QOR_shortcuts";
constexpr std::string_view kQuotedNameFormat = "'%@'";
constexpr std::string_view kNameSeparator = ", ";

}  // namespace

std::string exportFileNameForSetName(std::string_view setName) {
  return formatWithObjects(kExportFileNameFormat, {std::string(setName)});
}

std::string fileNameOfPath(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string setNameFromFilePath(std::string_view path) {
  std::string name = fileNameOfPath(path);
  std::size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

bool setNameCanBeConfirmed(std::string_view name) { return !name.empty(); }

int sheetReturnCodeForTag(std::int64_t tag) {
  using Limits = std::numeric_limits<int>;
  if (tag < Limits::min() || tag > Limits::max()) return kReturnCodeCancel;
  return static_cast<int>(tag);
}

std::string quotedFileNames(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) {
    if (!text.empty()) text += kNameSeparator;
    text += formatWithObjects(kQuotedNameFormat, {fileNameOfPath(path)});
  }
  return text;
}

}  // namespace qor
