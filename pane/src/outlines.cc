// The two command outlines (data source and delegate) and their edit menu.
//
// Nothing here keeps state: every answer is computed from the host's live main
// menu, the editing-command table and the current set at the moment of the
// call. The rules themselves live in outline_rules.h.
#include <algorithm>
#include <functional>
#include <optional>

#include "qor/pane_model/command_search.h"
#include "qor/pane_model/default_changes.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/key_bindings.h"
#include "view_mapping.h"

namespace qor {

namespace {

constexpr const char* kGroupItemsKey = "items";
constexpr const char* kGroupTitleKey = "title";
constexpr const char* kDefaultSetAlertTitle = "Can't change default key bindings set";
constexpr const char* kDefaultSetAlertMessage = "To customize shortcuts, duplicate an existing key bindings set.";
constexpr const char* kAddShortcutTitle = "Add Shortcut...";
constexpr const char* kRemoveShortcutFormat = "Remove '%@'";
constexpr std::uint32_t kNoModifierFlags = 0;
constexpr std::int64_t kSingleClick = 1;
// Deeper levels are not walked when counting changes, as the toolkits walk
// no deeper, so that a tree that never ends cannot hang the pane.
constexpr int kMaximumCountingDepth = 64;

// The children of a node of the menu tree: the main menu's items for the
// root, a submenu's items for an item that has one.
const Menu* menuOfNode(const Application* application, const OutlineItem& item) {
  if (item.isNone()) return application ? application->mainMenu() : nullptr;
  return item.menuItem ? item.menuItem->submenu() : nullptr;
}

// The children of a node of the editor tree: the table for the root, a
// group's "items" for a group.
ArrayRef childrenOfEditorNode(const ArrayRef& table, const OutlineItem& item) {
  if (item.isNone()) return table;
  auto group = asDictionary(item.node);
  return group ? group->arrayForKey(kGroupItemsKey) : nullptr;
}

// The stored sequences of the command under `key` in `set`'s part for
// `group`; null when any step finds nothing.
ArrayRef storedSequences(const DictionaryRef& set, ShownGroup group, const std::optional<std::string>& key) {
  if (!set || !key) return nullptr;
  DictionaryRef part = set->dictionaryForKey(group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey);
  DictionaryRef entry = part ? part->dictionaryForKey(*key) : nullptr;
  return entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
}

// Which of the pane's outlines `view` is; nullopt for any other view.
std::optional<ShownGroup> servedGroup(const KeyBindings& pane, const OutlineView& view) {
  if (&view == pane.OLV_menu_key_bindings) return ShownGroup::Menu;
  if (&view == pane.OLV_editor_key_bindings) return ShownGroup::Editor;
  return std::nullopt;
}

RowKind rowKindOf(ShownGroup group, const OutlineItem& item) {
  return group == ShownGroup::Menu ? rowKindOfMenuItem(item.menuItem) : rowKindOfEditorNode(item.node);
}

}  // namespace

std::int64_t KeyBindings::numberOfAllChildren(ShownGroup group, const OutlineItem& item) const {
  if (group == ShownGroup::Menu) {
    const Menu* menu = menuOfNode(services_.application, item);
    return menu ? static_cast<std::int64_t>(menu->numberOfItems()) : 0;
  }
  ArrayRef children = childrenOfEditorNode(_editorMenuList, item);
  return children ? static_cast<std::int64_t>(children->count()) : 0;
}

OutlineItem KeyBindings::childOfAll(ShownGroup group, std::int64_t index, const OutlineItem& item) const {
  if (index < 0) return {};
  auto position = static_cast<std::size_t>(index);
  if (group == ShownGroup::Menu) {
    const Menu* menu = menuOfNode(services_.application, item);
    return menu ? OutlineItem{menu->itemAtIndex(position), nullptr} : OutlineItem{};
  }
  ArrayRef children = childrenOfEditorNode(_editorMenuList, item);
  return children ? OutlineItem{nullptr, children->objectAtIndex(position)} : OutlineItem{};
}

std::vector<KeyBindings::CommandRow> KeyBindings::commandRows(ShownGroup group) const {
  std::vector<CommandRow> rows;
  std::function<void(const OutlineItem&, int)> walk = [&](const OutlineItem& parent, int level) {
    if (level >= kMaximumCountingDepth) return;
    const std::int64_t count = numberOfAllChildren(group, parent);
    for (std::int64_t index = 0; index < count; ++index) {
      const OutlineItem item = childOfAll(group, index, parent);
      const RowKind kind = rowKindOf(group, item);
      const std::string title = rowTitle(group, item);
      const std::optional<std::string> key = entryKeyForItem(group, item);
      const ArrayRef sequences = storedSequences(_currentKeyBindingsSet, group, key);
      // As the outline's cells show them (cellText is empty for a missing item).
      rows.push_back({level, cellText(kind, kTitleColumn, title, sequences), cellText(kind, kKeyColumn, title, sequences),
                      key, rowIsSelectable(kind)});
      if (numberOfAllChildren(group, item) > 0) walk(item, level + 1);
    }
  };
  walk(OutlineItem{}, 0);
  return rows;
}

bool KeyBindings::shownBySearch(ShownGroup group, const OutlineItem& item) const {
  const RowKind kind = rowKindOf(group, item);
  if (kind == RowKind::Missing || kind == RowKind::MenuSeparator) return false;
  if (rowIsSelectable(kind) && commandMatchesSearch(group, item)) return true;
  const std::int64_t count = numberOfAllChildren(group, item);
  for (std::int64_t index = 0; index < count; ++index)
    if (shownBySearch(group, childOfAll(group, index, item))) return true;
  return false;
}

const std::vector<std::int64_t>& KeyBindings::shownChildren(ShownGroup group, const OutlineItem& parent) {
  const void* node = parent.menuItem ? static_cast<const void*>(parent.menuItem) : parent.node.get();
  auto [found, added] = shownChildren_.try_emplace({group, node});
  if (added) {
    const std::int64_t count = numberOfAllChildren(group, parent);
    for (std::int64_t index = 0; index < count; ++index)
      if (shownBySearch(group, childOfAll(group, index, parent))) found->second.push_back(index);
  }
  return found->second;
}

std::int64_t KeyBindings::outlineViewNumberOfChildrenOfItem(OutlineView& view, const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  if (!group) return 0;
  if (!outlinesFiltered()) return numberOfAllChildren(*group, item);
  return static_cast<std::int64_t>(shownChildren(*group, item).size());
}

OutlineItem KeyBindings::outlineViewChildOfItem(OutlineView& view, std::int64_t index, const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  if (!group || index < 0) return {};
  if (!outlinesFiltered()) return childOfAll(*group, index, item);
  const std::vector<std::int64_t>& shown = shownChildren(*group, item);
  return static_cast<std::size_t>(index) < shown.size() ? childOfAll(*group, shown[static_cast<std::size_t>(index)], item)
                                                        : OutlineItem{};
}

bool KeyBindings::outlineViewIsItemExpandable(OutlineView& view, const OutlineItem& item) {
  return outlineViewNumberOfChildrenOfItem(view, item) > 0;
}

std::string KeyBindings::outlineViewObjectValueForTableColumnByItem(OutlineView& view, const std::string& column,
                                                                     const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  if (!group) return {};
  RowKind kind = rowKindOf(*group, item);
  if (kind == RowKind::Missing) return {};
  if (column == kChangedColumn) return changedCellText(*group, item);
  return cellText(kind, column, rowTitle(*group, item),
                  storedSequences(_currentKeyBindingsSet, *group, entryKeyForItem(*group, item)), shortcutNotation());
}

std::string KeyBindings::rowTitle(ShownGroup group, const OutlineItem& item) const {
  if (group == ShownGroup::Menu) return item.menuItem ? item.menuItem->title() : std::string();
  if (auto name = asString(item.node)) return localized(name->value(), kEditorTitlesTable);
  if (auto groupNode = asDictionary(item.node)) {
    StringRef groupTitle = groupNode->stringForKey(kGroupTitleKey);
    return localized(groupTitle ? groupTitle->value() : std::string(), kEditorTitlesTable);
  }
  return {};
}

bool KeyBindings::outlineViewShouldSelectItem(OutlineView& view, const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  return group && rowIsSelectable(rowKindOf(*group, item));
}

bool KeyBindings::outlineViewShouldEditTableColumnItem(OutlineView& view, const std::string& /*column*/,
                                                       const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  return group && rowCellsAreEditable(rowKindOf(*group, item));
}

void KeyBindings::outlineViewWillDisplayCellForTableColumnItem(OutlineView& view, Cell& cell, const std::string& column,
                                                               const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  if (!group) return;
  CellLook look = cellLook(rowKindOf(*group, item), column);
  if (look.alignment) cell.setAlignment(textAlignmentOf(*look.alignment));
  switch (look.action) {
    case KeyCellAction::Untouched:
      break;
    case KeyCellAction::Nothing:
      cell.setTargetAction({});
      break;
    case KeyCellAction::ShowEditMenu:
      cell.setTargetAction({this, std::string(kShowEditMenuAction)});
      break;
  }
}

void KeyBindings::outlineViewSelectionDidChange(OutlineView& view) {
  if (!servedGroup(*this, view)) return;
  if (selectionChangeResponse(services_.systemVersion()) == SelectionChangeResponse::OpenEditMenu)
    showPopupButtonToEdit(nullptr);
}

void KeyBindings::showPopupButtonToEdit(Sender* /*sender*/) {
  OutlineView* outline = shownOutline();
  std::int64_t row = outline ? outline->selectedRow() : -1;
  switch (editMenuResponse(_keyBindingsNumber, row < 0 ? RowSelection::None : RowSelection::Selected)) {
    case EditMenuResponse::Nothing:
      return;
    case EditMenuResponse::DefaultSetAlert:
      if (std::optional<Refusal> refusal = editRefusal(); refusal && services_.toolkit)
        services_.toolkit->runAlertPanel(refusal->title, refusal->message, kAlertButtonTitle);
      return;
    case EditMenuResponse::PopUpMenu:
      break;
  }
  if (!services_.toolkit) return;

  Rect frame = outline->frameOfCellAtColumnRow(outline->columnWithIdentifier(std::string(kKeyColumn)), row);
  // Never put into a view: it only holds the menu and stands as its view.
  std::unique_ptr<PopUpButton> holder = services_.toolkit->makePopUpButton(frame);
  if (!holder) return;
  Window* window = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  MouseEvent event;
  event.type = kLeftMouseUpEventType;
  event.location = outline->convertRectToView(frame, nullptr).origin;
  event.modifierFlags = kNoModifierFlags;
  event.windowNumber = window ? window->windowNumber() : 0;
  event.clickCount = kSingleClick;

  ShownGroup group = shownGroup();
  ArrayRef sequences = storedSequences(_currentKeyBindingsSet, group, entryKeyForItem(group, selectedItem()));
  for (const EditMenuItem& entry :
       editMenuItems(sequences, localized(kAddShortcutTitle), localized(kRemoveShortcutFormat), shortcutNotation())) {
    // Added untitled, then retitled: a pop-up refuses a title it already
    // holds, and two sequences may render alike.
    std::size_t before = holder->numberOfItems();
    holder->addItemWithTitle("");
    if (holder->numberOfItems() == before) continue;
    PopUpItem* item = holder->lastItem();
    item->setTitle(entry.title);
    item->setTag(entry.tag);
    item->setTargetAction({this, std::string(entry.action)});
  }
  services_.toolkit->popUpContextMenu(*holder, event, *holder);
}

void KeyBindings::removeShortcutAtIndex(Sender* sender) {
  const ShownGroup group = shownGroup();
  std::optional<std::string> key = entryKeyForItem(group, selectedItem());
  if (sender && key) removeShortcut(group, *key, sender->tag());
}

bool KeyBindings::removeShortcut(ShownGroup group, const std::string& entryKey, std::int64_t index) {
  // The host's default set is never changed.
  if (_keyBindingsNumber == 0) return false;
  MutableDictionaryRef part = groupDictionary(group);
  DictionaryRef entry = part ? part->dictionaryForKey(entryKey) : nullptr;
  MutableArrayRef sequences = entry ? asMutableArray(entry->objectForKey(kKeySequencesKey)) : nullptr;
  if (!sequences || index < 0 || static_cast<std::size_t>(index) >= sequences->count()) return false;
  sequences->removeObjectAtIndex(static_cast<std::size_t>(index));
  if (OutlineView* outline = group == ShownGroup::Menu ? OLV_menu_key_bindings : OLV_editor_key_bindings)
    outline->reloadData();
  noteChange();
  return true;
}

std::optional<KeyBindings::Refusal> KeyBindings::editRefusal() const {
  if (editMenuResponse(_keyBindingsNumber, RowSelection::Selected) != EditMenuResponse::DefaultSetAlert)
    return std::nullopt;
  return Refusal{localized(kDefaultSetAlertTitle), localized(kDefaultSetAlertMessage)};
}

std::string KeyBindings::outlineViewToolTipForTableColumnByItem(OutlineView& view, const std::string& column,
                                                                 const OutlineItem& item) {
  auto group = servedGroup(*this, view);
  if (!group) return {};
  return cellToolTip(rowKindOf(*group, item), column,
                     storedSequences(_currentKeyBindingsSet, *group, entryKeyForItem(*group, item)), shortcutNotation());
}

std::string KeyBindings::changedCellText(ShownGroup group, const OutlineItem& item) const {
  // The default set never differs from itself.
  if (_keyBindingsNumber == 0 || !_currentKeyBindingsSet) return {};
  if (rowIsSelectable(rowKindOf(group, item))) {
    const char* part = group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey;
    DictionaryRef defaults = defaultSet();
    std::optional<std::string> key = entryKeyForItem(group, item);
    const bool differs = key && entryDiffersFromDefault(defaults ? defaults->dictionaryForKey(part) : nullptr,
                                                        _currentKeyBindingsSet->dictionaryForKey(part), *key);
    return differs ? std::string(kChangedCommandMark) : std::string();
  }
  if (!isTopLevelItem(group, item)) return {};
  const std::size_t changed = changedCommandsBelow(group, item);
  return changed ? std::to_string(changed) : std::string();
}

bool KeyBindings::isTopLevelItem(ShownGroup group, const OutlineItem& item) const {
  const std::int64_t count = numberOfAllChildren(group, OutlineItem{});
  for (std::int64_t index = 0; index < count; ++index)
    if (childOfAll(group, index, OutlineItem{}) == item) return true;
  return false;
}

std::size_t KeyBindings::changedCommandsBelow(ShownGroup group, const OutlineItem& item) const {
  // The rows under `item` that the search shows, fully expanded, grouped as
  // the reset buttons group them: each command once. Reset Group acts on the
  // rows shown, so the count tells what it would reset.
  const bool filtered = outlinesFiltered();
  std::vector<OutlineRowKey> rows = {{0, std::string(), std::nullopt}};
  std::function<void(const OutlineItem&, int)> walk = [&](const OutlineItem& parent, int level) {
    if (level >= kMaximumCountingDepth) return;
    const std::int64_t count = numberOfAllChildren(group, parent);
    for (std::int64_t index = 0; index < count; ++index) {
      OutlineItem child = childOfAll(group, index, parent);
      if (filtered && !shownBySearch(group, child)) continue;
      const bool command = rowIsSelectable(rowKindOf(group, child));
      rows.push_back({level, std::string(), command ? entryKeyForItem(group, child) : std::nullopt});
      walk(child, level + 1);
    }
  };
  walk(item, 1);
  std::vector<OutlineGroup> groups = outlineGroupsOfRows(rows);
  if (groups.empty()) return 0;
  const char* part = group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey;
  DictionaryRef defaults = defaultSet();
  DictionaryRef defaultPart = defaults ? defaults->dictionaryForKey(part) : nullptr;
  DictionaryRef setPart = _currentKeyBindingsSet->dictionaryForKey(part);
  const std::vector<std::string>& keys = groups.front().entryKeys;
  return static_cast<std::size_t>(std::count_if(keys.begin(), keys.end(), [&](const std::string& key) {
    return entryDiffersFromDefault(defaultPart, setPart, key);
  }));
}

}  // namespace qor
