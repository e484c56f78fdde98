#include "qor/pane_model/set_file_rules.h"

#include "qor/pane_model/default_changes.h"
#include "qor/pane_model/set_format.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr std::string_view kExportFileNameFormat = "%@.QOR_shortcuts";
constexpr std::string_view kQuotedNameFormat = "'%@'";
constexpr std::string_view kNameSeparator = ", ";

// The entries of `group` whose keys `commands` has, in `group`'s order.
DictionaryRef prunedTo(const DictionaryRef& group, const DictionaryRef& commands) {
  std::vector<Dictionary::Entry> kept;
  if (group && commands)
    for (const auto& [key, value] : group->entries())
      if (commands->containsKey(key)) kept.emplace_back(key, value);
  return Dictionary::make(std::move(kept));
}

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

std::string quotedFileNames(const std::vector<std::string>& paths) {
  std::string text;
  for (const std::string& path : paths) {
    if (!text.empty()) text += kNameSeparator;
    text += formatWithObjects(kQuotedNameFormat, {fileNameOfPath(path)});
  }
  return text;
}

ImportPreview importPreview(const Dictionary& set, std::string_view path, const DictionaryRef& currentSet,
                            const DictionaryRef& defaultSet) {
  ImportPreview preview;
  StringRef name = set.stringForKey(kSetNameKey);
  preview.setName = name ? name->value() : setNameFromFilePath(path);
  for (const char* part : {kSetMenuKey, kSetEditorKey}) {
    DictionaryRef commands = defaultSet ? defaultSet->dictionaryForKey(part) : nullptr;
    DictionaryRef imported = set.dictionaryForKey(part);
    if (commands)
      preview.differingCommands +=
          differingEntryKeys(*commands, imported, currentSet ? currentSet->dictionaryForKey(part) : nullptr).size();
    (part == kSetMenuKey ? preview.menuConflicts : preview.editorConflicts) = allConflicts(prunedTo(imported, commands));
  }
  return preview;
}

}  // namespace qor
