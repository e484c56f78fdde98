#include "qor/keymaps/keymap_import.h"

#include <algorithm>
#include <array>
#include <optional>
#include <unordered_map>

#include "qor/collections.h"
#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/default_changes.h"

namespace qor {

namespace {

// Terms that only say "the text has the focus": this editor's shortcuts act
// there anyway, so a binding under them means what it says here. Anything
// else (a panel, a language, a debugger state) names a context this editor
// does not have, and importing the binding without it would widen it.
constexpr std::array<std::string_view, 6> kHarmlessTerms{
    "editorTextFocus", "editorFocus", "textInputFocus", "editorIsOpen", "!editorReadonly", "!editorReadOnly"};

constexpr std::string_view kOr = "||";
constexpr std::string_view kAnd = "&&";
constexpr std::string_view kBlanks = " \t";

std::string_view trimmed(std::string_view text) {
  std::size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Calls `each` with the pieces of `text` between separators; false as soon as
// `each` says false.
template <typename Each>
bool allPieces(std::string_view text, std::string_view separator, Each each) {
  for (;;) {
    std::size_t at = text.find(separator);
    if (!each(text.substr(0, at))) return false;
    if (at == std::string_view::npos) return true;
    text.remove_prefix(at + separator.size());
  }
}

// The sequences of a command of the new set, as the import edits them.
struct EditedCommand {
  MutableArrayRef sequences;
  bool boundByKeymap = false;  // the keymap's first binding has replaced the command's own keys
};

class Importer {
 public:
  Importer(MutableDictionaryRef set, const DictionaryRef& defaultSet) : set_(std::move(set)), defaults_(defaultSet) {}

  // The group and entry of `command` in the host's commands; nullopt when
  // the host has no such command.
  [[nodiscard]] std::optional<ShownGroup> groupOf(const std::string& command) const {
    for (ShownGroup group : {ShownGroup::Menu, ShownGroup::Editor}) {
      DictionaryRef part = defaults_ ? defaults_->dictionaryForKey(partKey(group)) : nullptr;
      if (part && part->containsKey(command)) return group;
    }
    return std::nullopt;
  }

  EditedCommand& command(ShownGroup group, const std::string& key) {
    auto& edited = group == ShownGroup::Menu ? menu_ : editor_;
    auto found = edited.find(key);
    if (found != edited.end()) return found->second;
    MutableDictionaryRef part = mutablePart(group);
    MutableDictionaryRef entry = asMutableDictionary(MakePlistMutable(part->objectForKey(key)));
    if (!entry) {
      // A command the current set lacks starts from the default set's entry
      // (its title and context), without its keys.
      DictionaryRef defaults = defaults_->dictionaryForKey(partKey(group));
      entry = asMutableDictionary(MakePlistMutable(defaults->objectForKey(key)));
      if (!entry) entry = MutableDictionary::make();
      entry->setObjectForKey(MutableArray::make(), kKeySequencesKey);
    }
    MutableArrayRef sequences = asMutableArray(entry->objectForKey(kKeySequencesKey));
    if (!sequences) {
      sequences = MutableArray::make();
      entry->setObjectForKey(sequences, kKeySequencesKey);
    }
    part->setObjectForKey(entry, key);
    return edited.emplace(key, EditedCommand{sequences}).first->second;
  }

 private:
  static const char* partKey(ShownGroup group) { return group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey; }

  MutableDictionaryRef mutablePart(ShownGroup group) {
    MutableDictionaryRef part = asMutableDictionary(set_->objectForKey(partKey(group)));
    if (!part) {
      part = MutableDictionary::make();
      set_->setObjectForKey(part, partKey(group));
    }
    return part;
  }

  MutableDictionaryRef set_;
  DictionaryRef defaults_;
  std::unordered_map<std::string, EditedCommand> menu_;
  std::unordered_map<std::string, EditedCommand> editor_;
};

bool holds(const Array& sequences, const std::string& signature) {
  return std::any_of(sequences.elements().begin(), sequences.elements().end(), [&](const Ref& held) {
    ArrayRef sequence = asArray(held);
    return sequence && strokeMatchSignature(*sequence) == signature;
  });
}

void removeSequence(MutableArray& sequences, const std::string& signature) {
  std::vector<Ref> kept;
  for (const Ref& held : sequences.elements()) {
    ArrayRef sequence = asArray(held);
    if (!sequence || strokeMatchSignature(*sequence) != signature) kept.push_back(held);
  }
  sequences.setElements(std::move(kept));
}

}  // namespace

std::string_view notImportedReasonText(NotImportedReason reason) {
  switch (reason) {
    case NotImportedReason::UnknownCommand:
      return "unknown command";
    case NotImportedReason::UnsupportedCondition:
      return "a condition this editor has no context for";
    case NotImportedReason::UnrepresentableKey:
      return "a key it cannot represent";
    case NotImportedReason::UnbindingOfMissingCommand:
      return "an unbinding of a command it does not have";
  }
  return {};
}

DictionaryRef keymapCommandsForKind(const Dictionary& table, KeymapKind kind) {
  return table.dictionaryForKey(keymapKindName(kind));
}

DictionaryRef mergedKeymapCommands(const DictionaryRef& bundled, const DictionaryRef& user) {
  MutableDictionaryRef merged = asMutableDictionary(MakePlistMutable(bundled));
  if (!merged) merged = MutableDictionary::make();
  if (!user) return merged;
  for (const auto& [kindName, value] : user->entries()) {
    DictionaryRef additions = asDictionary(value);
    if (!additions) continue;
    MutableDictionaryRef commands = asMutableDictionary(merged->objectForKey(kindName));
    if (!commands) {
      commands = MutableDictionary::make();
      merged->setObjectForKey(commands, kindName);
    }
    for (const auto& [foreign, ours] : additions->entries()) {
      StringRef mapped = asString(ours);
      if (!mapped) continue;
      if (mapped->value().empty()) {
        commands->removeObjectForKey(foreign);
      } else {
        commands->setObjectForKey(mapped, foreign);
      }
    }
  }
  return merged;
}

bool conditionIsHarmless(std::string_view condition) {
  if (trimmed(condition).empty()) return true;
  return allPieces(condition, kOr, [](std::string_view alternative) {
    return allPieces(alternative, kAnd, [](std::string_view term) {
      return std::find(kHarmlessTerms.begin(), kHarmlessTerms.end(), trimmed(term)) != kHarmlessTerms.end();
    });
  });
}

KeymapImport importForeignKeymap(const ForeignKeymap& keymap, const Dictionary& commands, std::string_view path,
                                 const DictionaryRef& currentSet, const DictionaryRef& defaultSet) {
  KeymapImport result;
  result.set = asMutableDictionary(MakePlistMutable(currentSet ? currentSet : defaultSet));
  if (!result.set) return result;
  // Named after the file, like any import; the current set's own name goes.
  result.set->setObjectForKey(str(setNameFromFilePath(path)), kSetNameKey);

  Importer importer(result.set, defaultSet);
  std::size_t index = 0;
  for (const ForeignBinding& binding : keymap.bindings) {
    auto leaveOut = [&](NotImportedReason reason, std::string detail = {}) {
      result.notImported.push_back({index, binding.command, binding.keyText, reason, std::move(detail)});
    };
    const bool unbinds = binding.effect == BindingEffect::Unbind;
    StringRef mapped = commands.stringForKey(binding.command);
    std::optional<ShownGroup> group = mapped ? importer.groupOf(mapped->value()) : std::nullopt;
    std::optional<std::string> signature =
        binding.sequence ? strokeMatchSignature(*binding.sequence) : std::optional<std::string>();
    if (!group) {
      leaveOut(unbinds ? NotImportedReason::UnbindingOfMissingCommand : NotImportedReason::UnknownCommand);
    } else if (!conditionIsHarmless(binding.condition)) {
      leaveOut(NotImportedReason::UnsupportedCondition, binding.condition);
    } else if (!signature && !(unbinds && binding.keyText.empty())) {
      // An unbinding without a key takes every key; any other entry needs one.
      leaveOut(NotImportedReason::UnrepresentableKey, binding.unreadableKey);
    } else {
      EditedCommand& edited = importer.command(*group, mapped->value());
      if (unbinds) {
        if (signature) {
          removeSequence(*edited.sequences, *signature);
        } else {
          edited.sequences->removeAllObjects();
        }
      } else {
        if (!edited.boundByKeymap) edited.sequences->removeAllObjects();
        edited.boundByKeymap = true;
        if (!holds(*edited.sequences, *signature)) edited.sequences->addObject(binding.sequence);
      }
    }
    ++index;
  }

  const DictionaryRef& current = currentSet ? currentSet : defaultSet;
  result.preview = importPreview(*result.set, path, current, defaultSet);
  for (ShownGroup group : {ShownGroup::Menu, ShownGroup::Editor}) {
    const char* part = group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey;
    DictionaryRef hostCommands = defaultSet ? defaultSet->dictionaryForKey(part) : nullptr;
    if (!hostCommands) continue;
    for (std::string& key :
         differingEntryKeys(*hostCommands, result.set->dictionaryForKey(part), current->dictionaryForKey(part)))
      result.changed.push_back({group, std::move(key)});
  }
  return result;
}

}  // namespace qor
