// Reset to default: the plans of default_changes.h applied to the current set.
#include "default_changes.h"
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

}  // namespace qor
