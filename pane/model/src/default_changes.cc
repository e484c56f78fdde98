#include "qor/pane_model/default_changes.h"

#include <algorithm>
#include <unordered_set>

#include "qor/pane_model/conflicts.h"
#include "qor/collections.h"
#include "qor/pane_model/set_format.h"

namespace qor {

namespace {

ArrayRef sequencesOf(const DictionaryRef& group, std::string_view key) {
  DictionaryRef entry = group ? group->dictionaryForKey(key) : nullptr;
  return entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
}

bool isSetPart(std::string_view group) { return group == kSetMenuKey || group == kSetEditorKey; }

}  // namespace

bool sameShortcuts(const Ref& a, const Ref& b) {
  ArrayRef left = asArray(a);
  ArrayRef right = asArray(b);
  std::size_t count = left ? left->count() : 0;
  if (count != (right ? right->count() : 0)) return false;
  for (std::size_t i = 0; i < count; ++i) {
    ArrayRef x = asArray(left->elements()[i]);
    ArrayRef y = asArray(right->elements()[i]);
    if (!x || !y) return false;
    std::optional<std::string> xs = strokeMatchSignature(*x);
    if (!xs || xs != strokeMatchSignature(*y)) return false;
  }
  return true;
}

std::vector<std::string> differingEntryKeys(const Dictionary& commands, const DictionaryRef& a,
                                            const DictionaryRef& b) {
  std::vector<std::string> keys;
  for (const auto& [key, value] : commands.entries())
    if (!sameShortcuts(sequencesOf(a, key), sequencesOf(b, key))) keys.push_back(key);
  return keys;
}

std::vector<OutlineGroup> outlineGroupsOfRows(const std::vector<OutlineRowKey>& rows) {
  std::vector<OutlineGroup> groups;
  bool inGroup = false;
  for (const OutlineRowKey& row : rows) {
    if (row.level == 0) {
      inGroup = !row.entryKey;
      if (inGroup) groups.push_back({row.title, {}});
      continue;
    }
    if (!inGroup || !row.entryKey) continue;
    std::vector<std::string>& keys = groups.back().entryKeys;
    if (std::find(keys.begin(), keys.end(), *row.entryKey) == keys.end()) keys.push_back(*row.entryKey);
  }
  return groups;
}

std::vector<GroupChangeCount> changeCounts(const std::vector<OutlineGroup>& groups,
                                           const std::vector<std::string>& changedKeys) {
  std::unordered_set<std::string_view> changed(changedKeys.begin(), changedKeys.end());
  std::vector<GroupChangeCount> counts;
  for (const OutlineGroup& group : groups) {
    auto hits = std::count_if(group.entryKeys.begin(), group.entryKeys.end(),
                              [&](const std::string& key) { return changed.contains(key); });
    counts.push_back({group.title, static_cast<std::size_t>(hits), group.entryKeys.size()});
  }
  return counts;
}

std::vector<EntryReset> resetEntries(const DictionaryRef& set, const DictionaryRef& defaultSet, std::string_view group,
                                     const std::vector<std::string>& entryKeys) {
  std::vector<EntryReset> resets;
  if (!set || !defaultSet || !isSetPart(group)) return resets;
  DictionaryRef part = set->dictionaryForKey(group);
  DictionaryRef defaults = defaultSet->dictionaryForKey(group);
  std::unordered_set<std::string_view> seen;
  for (const std::string& key : entryKeys) {
    if (!seen.insert(key).second) continue;
    Ref defaultEntry = defaults ? defaults->objectForKey(key) : nullptr;
    if (!defaultEntry) {
      if (part && part->containsKey(key)) resets.push_back({std::string(group), key, nullptr});
      continue;
    }
    if (sameShortcuts(sequencesOf(part, key), sequencesOf(defaults, key))) continue;
    resets.push_back({std::string(group), key, MakePlistMutable(defaultEntry)});
  }
  return resets;
}

std::vector<EntryReset> resetWholeSet(const DictionaryRef& set, const DictionaryRef& defaultSet) {
  std::vector<EntryReset> resets;
  if (!set || !defaultSet) return resets;
  for (const char* group : {kSetMenuKey, kSetEditorKey}) {
    DictionaryRef defaults = defaultSet->dictionaryForKey(group);
    std::vector<std::string> keys = defaults ? defaults->allKeys() : std::vector<std::string>();
    if (DictionaryRef part = set->dictionaryForKey(group))
      for (const auto& [key, value] : part->entries())
        if (!defaults || !defaults->containsKey(key)) keys.push_back(key);
    std::vector<EntryReset> part = resetEntries(set, defaultSet, group, keys);
    resets.insert(resets.end(), std::make_move_iterator(part.begin()), std::make_move_iterator(part.end()));
  }
  return resets;
}

bool applyEntryResets(MutableDictionary& set, const std::vector<EntryReset>& resets) {
  for (const EntryReset& reset : resets)
    if (set.objectForKey(reset.group) && !asMutableDictionary(set.objectForKey(reset.group))) return false;
  for (const EntryReset& reset : resets) {
    MutableDictionaryRef part = asMutableDictionary(set.objectForKey(reset.group));
    if (!part) {
      part = MutableDictionary::make();
      set.setObjectForKey(part, reset.group);
    }
    part->setObjectForKey(reset.entry, reset.entryKey);
  }
  return true;
}

bool entryDiffersFromDefault(const DictionaryRef& defaults, const DictionaryRef& part, std::string_view key) {
  return defaults && defaults->containsKey(key) && !sameShortcuts(sequencesOf(part, key), sequencesOf(defaults, key));
}

}  // namespace qor
