// Reset to default: the plans of default_changes.h applied to the current set.
#include <algorithm>
#include <functional>

#include "qor/pane_model/default_changes.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/key_bindings.h"

namespace qor {

std::optional<std::size_t> KeyBindings::resetEntriesToDefault(ShownGroup group,
                                                              const std::vector<std::string>& entryKeys) {
  return applyResetPlan(resetEntries(_currentKeyBindingsSet, defaultSet(),
                                     group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey, entryKeys));
}

std::optional<std::size_t> KeyBindings::resetSetToDefault() {
  return applyResetPlan(resetWholeSet(_currentKeyBindingsSet, defaultSet()));
}

std::optional<std::size_t> KeyBindings::applyResetPlan(const std::vector<EntryReset>& plan) {
  // The default set is never changed, whatever object stands for it.
  if (_keyBindingsNumber == 0) return std::nullopt;
  MutableDictionaryRef set = asMutableDictionary(_currentKeyBindingsSet);
  if (!set) return std::nullopt;
  if (plan.empty()) return 0;
  if (!applyEntryResets(*set, plan)) return std::nullopt;
  reloadOutlines();
  noteChange();
  return plan.size();
}

void KeyBindings::resetSelectedCommand(Sender* /*sender*/) {
  const ShownGroup group = shownGroup();
  std::optional<std::string> key = entryKeyForItem(group, selectedItem());
  if (key) beepUnlessReset(resetEntriesToDefault(group, {*key}));
}

void KeyBindings::resetSelectedGroup(Sender* /*sender*/) {
  const ShownGroup group = shownGroup();
  std::optional<std::string> key = entryKeyForItem(group, selectedItem());
  if (key) beepUnlessReset(resetEntriesToDefault(group, entryKeysOfGroupHolding(*key)));
}

void KeyBindings::resetCurrentSet(Sender* /*sender*/) { beepUnlessReset(resetSetToDefault()); }

void KeyBindings::beepUnlessReset(const std::optional<std::size_t>& reset) {
  if (!reset && services_.toolkit) services_.toolkit->beep();
}

std::vector<std::string> KeyBindings::entryKeysOfGroupHolding(const std::string& key) {
  OutlineView* outline = shownOutline();
  if (!outline) return {key};
  const ShownGroup group = shownGroup();
  // The outline's rows, fully expanded, as the data source gives them.
  std::vector<OutlineRowKey> rows;
  std::function<void(const OutlineItem&, int)> walk = [&](const OutlineItem& parent, int level) {
    const std::int64_t count = outlineViewNumberOfChildrenOfItem(*outline, parent);
    for (std::int64_t index = 0; index < count; ++index) {
      OutlineItem child = outlineViewChildOfItem(*outline, index, parent);
      const RowKind kind =
          group == ShownGroup::Menu ? rowKindOfMenuItem(child.menuItem) : rowKindOfEditorNode(child.node);
      rows.push_back({level, std::string(), rowIsSelectable(kind) ? entryKeyForItem(group, child) : std::nullopt});
      walk(child, level + 1);
    }
  };
  walk(OutlineItem{}, 0);
  for (const OutlineGroup& found : outlineGroupsOfRows(rows))
    if (std::find(found.entryKeys.begin(), found.entryKeys.end(), key) != found.entryKeys.end())
      return found.entryKeys;
  return {key};
}

}  // namespace qor
