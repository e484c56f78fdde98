#include "qor/pane_model/cheat_sheet.h"

#include <algorithm>
#include <cctype>

#include "qor/pane_model/desktop_notation.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/pane_model/set_format.h"
#include "qor/key_notation.h"

namespace qor {

namespace {

constexpr const char* kGroupItemsKey = "items";
constexpr const char* kGroupTitleKey = "title";
constexpr std::string_view kHtmlExtension = ".html";
constexpr std::string_view kHtmExtension = ".htm";
constexpr std::string_view kPdfExtension = ".pdf";

// Screen and print: black on white, a group kept on one page where it fits.
// QTextDocument reads the plain rules; browsers read the print block too.
constexpr std::string_view kStyle = R"(body { font-family: sans-serif; color: #000; background: #fff; }
h1 { font-size: 18pt; }
h2 { font-size: 13pt; margin-top: 14pt; margin-bottom: 4pt; }
table { border-collapse: collapse; width: 100%; }
th { text-align: left; border-bottom: 1px solid #000; }
td { vertical-align: top; border-bottom: 1px solid #ccc; }
td.keys { white-space: nowrap; }
@media print {
  @page { margin: 15mm; }
  section { break-inside: avoid; page-break-inside: avoid; }
  h2 { break-after: avoid; page-break-after: avoid; }
}
)";

std::string joinedPath(const std::string& prefix, const std::string& title) {
  return prefix.empty() ? title : prefix + std::string(kCheatSheetPathSeparator) + title;
}

// The row of the command under `key` in `part`, when it holds a shortcut.
void addRow(const DictionaryRef& part, const std::optional<std::string>& key, const std::string& title,
            ShortcutNotation notation, CheatSheetGroup& group) {
  DictionaryRef entry = part && key ? part->dictionaryForKey(*key) : nullptr;
  ArrayRef sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
  if (!sequences) return;
  CheatSheetRow row{title, {}, {}};
  for (const Ref& element : sequences->elements()) {
    ArrayRef sequence = asArray(element);
    if (!sequence || sequence->empty()) continue;
    row.shortcuts.push_back(textOfSequence(*sequence, notation));
    if (notation == ShortcutNotation::Symbols) row.desktop.push_back(desktopNotationOfSequence(*sequence));
  }
  if (!row.shortcuts.empty()) group.rows.push_back(std::move(row));
}

// Every command of `menu` and its submenus, depth first.
void addMenuRows(const DictionaryRef& part, const Menu& menu, const std::string& prefix, ShortcutNotation notation,
                 CheatSheetGroup& group) {
  for (std::size_t index = 0; index < menu.numberOfItems(); ++index) {
    const MenuItem* item = menu.itemAtIndex(index);
    if (!item) continue;
    const std::string title = joinedPath(prefix, item->title());
    if (rowIsSelectable(rowKindOfMenuItem(item))) addRow(part, identifierForMenuItem(item), title, notation, group);
    if (const Menu* submenu = item->submenu(); submenu && !item->isSeparatorItem())
      addMenuRows(part, *submenu, title, notation, group);
  }
}

std::string editorTitleOf(const CheatSheetSources& sources, const std::string& name) {
  return sources.editorTitle ? sources.editorTitle(name) : name;
}

// Every command of a group's `items`, depth first; a group inside adds its
// title to the path.
void addEditorItems(const CheatSheetSources& sources, const DictionaryRef& part, const ArrayRef& items,
                    const std::string& prefix, CheatSheetGroup& group) {
  if (!items) return;
  for (const Ref& child : items->elements()) {
    if (auto name = asString(child)) {
      addRow(part, name->value(), joinedPath(prefix, editorTitleOf(sources, name->value())), sources.notation,
             group);
    } else if (auto inner = asDictionary(child)) {
      StringRef title = inner->stringForKey(kGroupTitleKey);
      addEditorItems(sources, part, inner->arrayForKey(kGroupItemsKey),
                     joinedPath(prefix, editorTitleOf(sources, title ? title->value() : std::string())), group);
    }
  }
}

std::string escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// Each shortcut on a line of its own.
std::string keysCell(const std::vector<std::string>& keys) {
  std::string cell = "<td class=\"keys\">";
  for (std::size_t i = 0; i < keys.size(); ++i) cell += (i == 0 ? "" : "<br>") + escaped(keys[i]);
  return cell + "</td>";
}

bool endsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  return std::equal(suffix.begin(), suffix.end(), text.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
                    });
}

}  // namespace

CheatSheet buildCheatSheet(const CheatSheetSources& sources) {
  CheatSheet sheet;
  sheet.notation = sources.notation;
  if (!sources.set) return sheet;
  if (StringRef name = sources.set->stringForKey(kSetNameKey)) sheet.title = name->value();
  DictionaryRef menuPart = sources.set->dictionaryForKey(kSetMenuKey);
  DictionaryRef editorPart = sources.set->dictionaryForKey(kSetEditorKey);
  auto keep = [&sheet](CheatSheetGroup group) {
    if (!group.rows.empty()) sheet.groups.push_back(std::move(group));
  };

  if (const Menu* bar = sources.mainMenu) {
    for (std::size_t index = 0; index < bar->numberOfItems(); ++index) {
      const MenuItem* item = bar->itemAtIndex(index);
      if (!item || item->isSeparatorItem()) continue;
      CheatSheetGroup group{item->title(), {}};
      if (rowIsSelectable(rowKindOfMenuItem(item)))
        addRow(menuPart, identifierForMenuItem(item), item->title(), sources.notation, group);
      if (const Menu* submenu = item->submenu()) addMenuRows(menuPart, *submenu, "", sources.notation, group);
      keep(std::move(group));
    }
  }
  if (sources.editorTable) {
    for (const Ref& node : sources.editorTable->elements()) {
      CheatSheetGroup group;
      if (auto name = asString(node)) {
        group.title = editorTitleOf(sources, name->value());
        addRow(editorPart, name->value(), group.title, sources.notation, group);
      } else if (auto groupNode = asDictionary(node)) {
        StringRef title = groupNode->stringForKey(kGroupTitleKey);
        group.title = editorTitleOf(sources, title ? title->value() : std::string());
        addEditorItems(sources, editorPart, groupNode->arrayForKey(kGroupItemsKey), "", group);
      }
      keep(std::move(group));
    }
  }
  return sheet;
}

std::string cheatSheetHtml(const CheatSheet& sheet, const CheatSheetLabels& labels) {
  const std::string title = escaped(sheet.title);
  std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" + title +
                     "</title>\n<style>\n" + std::string(kStyle) + "</style>\n</head>\n<body>\n<h1>" + title +
                     "</h1>\n";
  // Beside Symbols the desktop's notation has a column of its own; Words says it already.
  const bool desktopColumn = sheet.notation == ShortcutNotation::Symbols;
  const std::string heading = "<thead><tr><th>" + escaped(labels.command) + "</th><th>" + escaped(labels.shortcut) +
                              (desktopColumn ? "</th><th>" + escaped(labels.desktop) : std::string()) +
                              "</th></tr></thead>\n";
  for (const CheatSheetGroup& group : sheet.groups) {
    page += "<section>\n<h2>" + escaped(group.title) + "</h2>\n<table cellspacing=\"0\" cellpadding=\"3\">\n" +
            heading + "<tbody>\n";
    for (const CheatSheetRow& row : group.rows)
      page += "<tr><td>" + escaped(row.title) + "</td>" + keysCell(row.shortcuts) +
              (desktopColumn ? keysCell(row.desktop) : std::string()) + "</tr>\n";
    page += "</tbody>\n</table>\n</section>\n";
  }
  return page + "</body>\n</html>\n";
}

std::string cheatSheetFileNameForSetName(std::string_view setName) {
  return std::string(setName) + std::string(kHtmlExtension);
}

CheatSheetDestination cheatSheetDestination(std::string_view chosenPath) {
  if (chosenPath.empty()) return {};
  const std::string path(chosenPath);
  // The extension of the file name only: a dot in a folder's name is no extension.
  const std::string_view name = chosenPath.substr(chosenPath.rfind('/') + 1);
  if (endsWithNoCase(name, kPdfExtension)) return {CheatSheetFormat::Pdf, path};
  if (endsWithNoCase(name, kHtmlExtension) || endsWithNoCase(name, kHtmExtension))
    return {CheatSheetFormat::Html, path};
  return {CheatSheetFormat::Html, path + std::string(kHtmlExtension)};
}

}  // namespace qor
