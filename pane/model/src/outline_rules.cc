#include "qor/pane_model/outline_rules.h"

#include "qor/pane_model/desktop_notation.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr std::int32_t kFirstVersionWithoutSelectionMenu = 0x1030;  // 10.3
constexpr std::int32_t kFirstVersionWithSelectionMenuAgain = 0x1050;  // 10.5

bool isMenuRow(RowKind kind) {
  switch (kind) {
    case RowKind::MenuSeparator:
    case RowKind::MenuSubmenuHolder:
    case RowKind::MenuCommandHolder:
    case RowKind::MenuSubmenuAction:
    case RowKind::MenuCommand:
      return true;
    case RowKind::Missing:
    case RowKind::EditorGroup:
    case RowKind::EditorCommand:
      return false;
  }
  return false;
}

// Rows whose "Key" cell shows no shortcuts whatever the set holds.
bool keyCellIsBlank(RowKind kind) {
  switch (kind) {
    case RowKind::MenuSeparator:
    case RowKind::MenuSubmenuHolder:
    case RowKind::MenuSubmenuAction:
    case RowKind::EditorGroup:
      return true;
    case RowKind::Missing:
    case RowKind::MenuCommandHolder:
    case RowKind::MenuCommand:
    case RowKind::EditorCommand:
      return false;
  }
  return true;
}

// One stored sequence as the cells and menus show it; an element that is no
// array shows nothing.
std::string sequenceText(const Ref& sequence, ShortcutNotation notation) {
  ArrayRef array = asArray(sequence);
  return array ? textOfSequence(*array, notation) : std::string();
}

}  // namespace

RowKind rowKindOfMenuItem(const MenuItem* item) {
  if (!item) return RowKind::Missing;
  if (item->isSeparatorItem()) return RowKind::MenuSeparator;
  bool opensSubmenuOnly = item->actionName() == kSubmenuAction;
  if (item->submenu()) return opensSubmenuOnly ? RowKind::MenuSubmenuHolder : RowKind::MenuCommandHolder;
  return opensSubmenuOnly ? RowKind::MenuSubmenuAction : RowKind::MenuCommand;
}

RowKind rowKindOfEditorNode(const Ref& node) {
  if (!node) return RowKind::Missing;
  return node->isDictionary() ? RowKind::EditorGroup : RowKind::EditorCommand;
}

std::string shortcutsText(const ArrayRef& keySequences, ShortcutNotation notation) {
  if (!keySequences || keySequences->empty()) return std::string(kNoShortcutsText);
  std::string text;
  for (const Ref& sequence : keySequences->elements()) {
    if (!text.empty()) text += kShortcutsSeparator;
    text += sequenceText(sequence, notation);
  }
  return text;
}

std::string cellText(RowKind kind, std::string_view column, std::string_view title, const ArrayRef& keySequences,
                     ShortcutNotation notation) {
  if (kind == RowKind::Missing) return {};
  if (column == kTitleColumn) return std::string(kind == RowKind::MenuSeparator ? kSeparatorRowTitle : title);
  if (column == kKeyColumn)
    return keyCellIsBlank(kind) ? std::string(kNoShortcutsText) : shortcutsText(keySequences, notation);
  return {};
}

bool rowIsSelectable(RowKind kind) {
  switch (kind) {
    case RowKind::MenuCommandHolder:
    case RowKind::MenuSubmenuAction:
    case RowKind::MenuCommand:
    case RowKind::EditorCommand:
      return true;
    case RowKind::Missing:
    case RowKind::MenuSeparator:
    case RowKind::MenuSubmenuHolder:
    case RowKind::EditorGroup:
      return false;
  }
  return false;
}

bool rowCellsAreEditable(RowKind kind) {
  switch (kind) {
    case RowKind::MenuSubmenuAction:
    case RowKind::MenuCommand:
    case RowKind::EditorCommand:
      return true;
    case RowKind::Missing:
    case RowKind::MenuSeparator:
    case RowKind::MenuSubmenuHolder:
    case RowKind::MenuCommandHolder:
    case RowKind::EditorGroup:
      return false;
  }
  return false;
}

CellLook cellLook(RowKind kind, std::string_view column) {
  CellLook look;
  if (kind == RowKind::Missing) return look;
  if (column == kTitleColumn && isMenuRow(kind))
    look.alignment = kind == RowKind::MenuSeparator ? CellAlignment::Center : CellAlignment::Left;
  if (column == kKeyColumn) {
    bool inert = kind == RowKind::MenuSeparator || kind == RowKind::MenuSubmenuHolder || kind == RowKind::EditorGroup;
    look.action = inert ? KeyCellAction::Nothing : KeyCellAction::ShowEditMenu;
  }
  return look;
}

SelectionChangeResponse selectionChangeResponse(std::int32_t systemVersion) {
  bool quiet =
      systemVersion >= kFirstVersionWithoutSelectionMenu && systemVersion < kFirstVersionWithSelectionMenuAgain;
  return quiet ? SelectionChangeResponse::Nothing : SelectionChangeResponse::OpenEditMenu;
}

EditMenuResponse editMenuResponse(std::int32_t setNumber, RowSelection selection) {
  if (selection == RowSelection::None) return EditMenuResponse::Nothing;
  return setNumber == 0 ? EditMenuResponse::DefaultSetAlert : EditMenuResponse::PopUpMenu;
}

std::vector<EditMenuItem> editMenuItems(const ArrayRef& keySequences, std::string_view addTitle,
                                        std::string_view removeFormat, ShortcutNotation notation) {
  std::vector<EditMenuItem> items{{std::string(addTitle), 0, kAddShortcutAction}};
  if (!keySequences) return items;
  std::int64_t index = 0;
  for (const Ref& sequence : keySequences->elements()) {
    items.push_back({formatWithObjects(removeFormat, {sequenceText(sequence, notation)}), index,
                     kRemoveShortcutAction});
    ++index;
  }
  return items;
}

std::string cellToolTip(RowKind kind, std::string_view column, const ArrayRef& keySequences,
                        ShortcutNotation notation) {
  if (kind == RowKind::Missing || column != kKeyColumn || keyCellIsBlank(kind) || notation == ShortcutNotation::Words)
    return {};
  return desktopNotationOfShortcuts(keySequences);
}

}  // namespace qor
