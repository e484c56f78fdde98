// The lists the pane shows in a list panel: every conflict of the current
// set, and what an import would bring before it is carried out.
#include <algorithm>
#include <functional>
#include <optional>

#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/key_bindings.h"
#include "qor/key_notation.h"
#include "qor/text.h"
#include "qor/pane_model/set_file_rules.h"

namespace qor {

namespace {

// Texts of the list panels, looked up in "Extras" with the other texts the
// pane's added controls show.
constexpr const char* kAllConflictsTitle = "All Conflicts";
constexpr const char* kAllConflictsMessage = "Shortcuts that two or more commands share. Choose one to show it.";
constexpr const char* kNoConflictsMessage = "No two commands share a shortcut.";
constexpr const char* kShowCommandButton = "Show Command";
constexpr const char* kCloseButton = "Close";
constexpr const char* kMenuGroupHeading = "Menu Commands";
constexpr const char* kEditorGroupHeading = "Text Editing Commands";
constexpr const char* kConflictRowFormat = "%@: %@";
constexpr const char* kDesktopGroupHeading = "Shortcuts the Desktop Takes";
constexpr const char* kDesktopRowFormat = "%@: '%@' (%@)";
constexpr const char* kQuotedTitleFormat = "'%@'";
constexpr const char* kImportPreviewTitle = "Import Key Bindings Sets";
constexpr const char* kImportPreviewMessage = "Importing adds these sets; the current set stays as it is.";
constexpr const char* kImportPreviewSetFormat = "'%@' from '%@'";
constexpr const char* kImportPreviewDifferingFormat = "Commands that differ from the current set: %@";
constexpr const char* kImportPreviewConflictsFormat = "Shortcuts shared by two or more commands: %@";
constexpr const char* kImportPreviewNotImportedFormat = "Entries not imported: %@";
constexpr const char* kNotImportedEntryFormat = "'%@' %@: %@";
constexpr const char* kNotImportedDetailFormat = "%@ (%@)";
constexpr const char* kUnreadableKeymapFormat = "'%@' cannot be imported: %@";
constexpr const char* kImportButton = "Import";
constexpr const char* kCancelButton = "Cancel";
// The import's own text (table "Localizable") for a file it will skip.
constexpr const char* kNotASetFormat = "Not a key bindings set: %@.";
constexpr const char* kTitleSeparator = ", ";
constexpr const char* kEditorTabIdentifier = "editor";
constexpr const char* kMenuTabIdentifier = "menu";

// Indentation of the panels' rows.
constexpr int kHeadingLevel = 0;
constexpr int kConflictLevel = 1;
constexpr int kCommandLevel = 2;

constexpr ShownGroup kBothGroups[] = {ShownGroup::Menu, ShownGroup::Editor};

const char* partKey(ShownGroup group) { return group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey; }

}  // namespace

OutlineItem KeyBindings::commandItem(ShownGroup group, const std::string& entryKey) const {
  std::function<OutlineItem(const OutlineItem&)> find = [&](const OutlineItem& parent) -> OutlineItem {
    const std::int64_t count = numberOfAllChildren(group, parent);
    for (std::int64_t index = 0; index < count; ++index) {
      OutlineItem child = childOfAll(group, index, parent);
      const RowKind kind =
          group == ShownGroup::Menu ? rowKindOfMenuItem(child.menuItem) : rowKindOfEditorNode(child.node);
      if (rowIsSelectable(kind) && entryKeyForItem(group, child) == entryKey) return child;
      if (OutlineItem below = find(child); !below.isNone()) return below;
    }
    return {};
  };
  return find(OutlineItem{});
}

std::string KeyBindings::commandTitle(ShownGroup group, const std::string& entryKey) const {
  OutlineItem item = commandItem(group, entryKey);
  return item.isNone() ? entryKey : rowTitle(group, item);
}

bool KeyBindings::selectCommand(ShownGroup group, const std::string& entryKey) {
  OutlineView* outline = group == ShownGroup::Menu ? OLV_menu_key_bindings : OLV_editor_key_bindings;
  OutlineItem item = commandItem(group, entryKey);
  if (!outline || item.isNone()) return false;
  if (TABV_outlines)
    TABV_outlines->selectTabViewItemWithIdentifier(group == ShownGroup::Menu ? kMenuTabIdentifier
                                                                             : kEditorTabIdentifier);
  if (!searchQuery_.empty() && !shownBySearch(group, item)) {
    // The search hides the command: showing it matters more than the filter.
    searchQuery_.clear();
    if (TEXT_kb_search) TEXT_kb_search->setStringValue("");
    reloadOutlines();
  }
  return outline->selectItem(item);
}

std::string KeyBindings::conflictRowText(ShownGroup group, const SequenceConflict& conflict) const {
  std::string titles;
  for (const std::string& key : conflict.entryKeys) {
    if (!titles.empty()) titles += kTitleSeparator;
    titles += formatWithObjects(kQuotedTitleFormat, {commandTitle(group, key)});
  }
  return formatWithObjects(localized(kConflictRowFormat, kExtrasTable),
                           {conflict.sequence ? textOfSequence(*conflict.sequence, shortcutNotation()) : std::string(),
                            titles});
}

// ---- All conflicts ----

void KeyBindings::showAllConflicts(Sender* /*sender*/) {
  if (!services_.toolkit) return;
  struct Target {
    ShownGroup group;
    std::string entryKey;
  };
  ListPanel panel{localized(kAllConflictsTitle, kExtrasTable), {}, {}, localized(kShowCommandButton, kExtrasTable),
                  localized(kCloseButton, kExtrasTable), ListChoice::Required};
  std::vector<std::optional<Target>> targets;  // one per row
  for (ShownGroup group : kBothGroups) {
    std::vector<SequenceConflict> conflicts =
        allConflicts(_currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(partKey(group)) : nullptr);
    if (conflicts.empty()) continue;
    panel.rows.push_back({localized(group == ShownGroup::Menu ? kMenuGroupHeading : kEditorGroupHeading, kExtrasTable),
                          kHeadingLevel, ListRowKind::Heading});
    targets.emplace_back();
    for (const SequenceConflict& conflict : conflicts) {
      panel.rows.push_back({conflictRowText(group, conflict), kConflictLevel, ListRowKind::Choice});
      targets.push_back(Target{group, conflict.entryKeys.front()});
      for (const std::string& key : conflict.entryKeys) {
        panel.rows.push_back({commandTitle(group, key), kCommandLevel, ListRowKind::Choice});
        targets.push_back(Target{group, key});
      }
    }
  }
  // The desktop's shortcuts that commands hold: those commands never get the keys.
  const std::vector<DesktopBinding> desktop = desktopBindings();
  bool headed = false;
  for (ShownGroup group : kBothGroups) {
    for (const DesktopConflict& conflict :
         desktopConflicts(_currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(partKey(group)) : nullptr,
                          desktop)) {
      if (!headed) {
        panel.rows.push_back({localized(kDesktopGroupHeading, kExtrasTable), kHeadingLevel, ListRowKind::Heading});
        targets.emplace_back();
        headed = true;
      }
      panel.rows.push_back({formatWithObjects(localized(kDesktopRowFormat, kExtrasTable),
                                              {textOfSequence(*conflict.binding.sequence, shortcutNotation()),
                                               conflict.binding.name, conflict.binding.desktop}),
                            kConflictLevel, ListRowKind::Choice});
      targets.push_back(Target{group, conflict.entryKeys.front()});
      for (const std::string& key : conflict.entryKeys) {
        panel.rows.push_back({commandTitle(group, key), kCommandLevel, ListRowKind::Choice});
        targets.push_back(Target{group, key});
      }
    }
  }
  panel.message = localized(panel.rows.empty() ? kNoConflictsMessage : kAllConflictsMessage, kExtrasTable);
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  ListPanelResult chosen = services_.toolkit->runListPanel(panel, paneWindow);
  if (chosen.returnCode != kReturnCodeOK || chosen.selectedRow < 0 ||
      static_cast<std::size_t>(chosen.selectedRow) >= targets.size())
    return;
  if (const auto& target = targets[static_cast<std::size_t>(chosen.selectedRow)])
    selectCommand(target->group, target->entryKey);
}

// ---- Import preview ----

bool KeyBindings::confirmImport(const std::vector<std::string>& paths, const std::vector<ImportFile>& files) {
  if (!services_.toolkit || std::none_of(files.begin(), files.end(), [](const ImportFile& file) { return file.set; }))
    return true;
  ListPanel panel{localized(kImportPreviewTitle, kExtrasTable), localized(kImportPreviewMessage, kExtrasTable),
                  {}, localized(kImportButton, kExtrasTable), localized(kCancelButton, kExtrasTable),
                  ListChoice::Optional};
  for (std::size_t index = 0; index < paths.size() && index < files.size(); ++index) {
    const ImportFile& file = files[index];
    if (!file.set) {
      panel.rows.push_back(
          {file.problem.empty()
               ? formatWithObjects(localized(kNotASetFormat), {quotedFileNames({paths[index]})})
               : formatWithObjects(localized(kUnreadableKeymapFormat, kExtrasTable),
                                   {fileNameOfPath(paths[index]), file.problem}),
           kHeadingLevel, ListRowKind::Heading});
      continue;
    }
    ImportPreview preview = file.keymap ? file.keymap->preview
                                        : importPreview(*file.set, paths[index], _currentKeyBindingsSet, defaultSet());
    panel.rows.push_back({formatWithObjects(localized(kImportPreviewSetFormat, kExtrasTable),
                                            {preview.setName, fileNameOfPath(paths[index])}),
                          kHeadingLevel, ListRowKind::Heading});
    panel.rows.push_back({formatWithObjects(localized(kImportPreviewDifferingFormat, kExtrasTable),
                                            {std::to_string(preview.differingCommands)}),
                          kConflictLevel, ListRowKind::Heading});
    if (file.keymap)
      for (const ChangedCommand& changed : file.keymap->changed)
        panel.rows.push_back({commandTitle(changed.group, changed.entryKey), kCommandLevel, ListRowKind::Heading});
    panel.rows.push_back(
        {formatWithObjects(localized(kImportPreviewConflictsFormat, kExtrasTable),
                           {std::to_string(preview.menuConflicts.size() + preview.editorConflicts.size())}),
         kConflictLevel, ListRowKind::Heading});
    for (ShownGroup group : kBothGroups)
      for (const SequenceConflict& conflict :
           group == ShownGroup::Menu ? preview.menuConflicts : preview.editorConflicts)
        panel.rows.push_back({conflictRowText(group, conflict), kCommandLevel, ListRowKind::Heading});
    if (file.keymap) addKeymapRows(panel, *file.keymap);
  }
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  return services_.toolkit->runListPanel(panel, paneWindow).returnCode == kReturnCodeOK;
}

void KeyBindings::addKeymapRows(ListPanel& panel, const KeymapImport& keymap) const {
  panel.rows.push_back({formatWithObjects(localized(kImportPreviewNotImportedFormat, kExtrasTable),
                                          {std::to_string(keymap.notImported.size())}),
                        kConflictLevel, ListRowKind::Heading});
  for (const NotImportedEntry& entry : keymap.notImported) {
    std::string reason = localized(std::string(notImportedReasonText(entry.reason)), kExtrasTable);
    if (!entry.detail.empty())
      reason = formatWithObjects(localized(kNotImportedDetailFormat, kExtrasTable), {reason, entry.detail});
    panel.rows.push_back({formatWithObjects(localized(kNotImportedEntryFormat, kExtrasTable),
                                            {entry.command, entry.keyText, reason}),
                          kCommandLevel, ListRowKind::Heading});
  }
}

}  // namespace qor
