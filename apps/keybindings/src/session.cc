#include "session.h"

#include <algorithm>
#include <unordered_set>

#include "qor/pane_model/cheat_sheet.h"
#include "command_lookup.h"
#include "qor/pane_model/command_search.h"
#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/desktop_shortcuts.h"
#include "qor/pane_model/default_changes.h"
#include "qor/pane_model/desktop_notation.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/pane_model/set_file_rules.h"
#include "key_text.h"
#include "qor/file_system.h"
#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"
#include "qor/text.h"

namespace qor {

namespace {

constexpr const char* kMenuTab = "menu";
constexpr const char* kEditorTab = "editor";
// Long enough for the pane's delayed reload of the outlines.
constexpr double kSettleSeconds = 1;
constexpr const char* kIndent = "  ";

Outcome failure(std::string error, int status = kExitFailure) { return {status, "", std::move(error)}; }

const char* groupWord(Group group) { return group == Group::Menu ? "menu command" : "editing command"; }

const char* groupName(Group group) { return group == Group::Menu ? kMenuTab : kEditorTab; }

ShownGroup shownGroup(Group group) { return group == Group::Menu ? ShownGroup::Menu : ShownGroup::Editor; }

constexpr Group kBothGroups[] = {Group::Menu, Group::Editor};
constexpr const char* kChangedMark = "\t*";
constexpr const char* kDefaultSetRefusal = "the default set cannot be changed; duplicate it first";

}  // namespace

KeyBindingsSession::KeyBindingsSession(DefaultsStore& store, BundleFolders folders, PdfWriter pdfWriter)
    : store_(store), folders_(std::move(folders)), pdfWriter_(std::move(pdfWriter)) {}

// The pane goes before the panel and the toolkit it holds on to.
KeyBindingsSession::~KeyBindingsSession() { pane_.reset(); }

std::string KeyBindingsSession::start() {
  Bundle hostBundle(folders_.host);
  std::optional<std::string> menuPath = hostBundle.pathForResource(kMainMenuResource);
  std::unique_ptr<SimpleMenu> menu = menuPath ? menuFromPropertyList(readPropertyListFile(*menuPath)) : nullptr;
  if (!menu) return "cannot read the host's main menu from '" + folders_.host + "'";
  application_.setMainMenu(std::move(menu));
  DictionaryRef defaultSet = buildDefaultKeyBindingsSet(*application_.mainMenu(), hostBundle);
  if (!defaultSet) return "cannot make the host's default set from '" + folders_.host + "'";
  panel_ = std::make_unique<HeadlessPanel>(store_, defaultSet, toolkit_.journal());

  PaneServices services;
  services.toolkit = &toolkit_;
  services.application = &application_;
  services.bundle = std::make_shared<const Bundle>(folders_.pane);
  pane_ = std::make_unique<KeyBindings>(std::move(services));
  if (!pane_->initWithPanel(panel_.get())) return "cannot load the pane's interface from '" + folders_.pane + "'";
  toolkit_.advance(kSettleSeconds);
  return {};
}

Outcome KeyBindingsSession::run(const Invocation& invocation) {
  switch (invocation.command) {
    case Command::Help:
      break;
    case Command::Sets:
      return listSets();
    case Command::Show:
      return showOutline(invocation.group, invocation.notation, invocation.changeMarks);
    case Command::Use:
      return useSet(invocation.setNumber);
    case Command::Duplicate:
      return duplicateSet(invocation.name);
    case Command::Remove:
      return removeSet();
    case Command::Export:
      return exportSet(invocation.files.front());
    case Command::Import:
      if (invocation.importMode == ImportMode::DryRun) return importDryRun(invocation.files, invocation.keymapKind);
      return importSets(invocation.files, invocation.keymapKind);
    case Command::Find:
      return find(invocation.findBy, invocation.keys);
    case Command::Reset:
      return reset(invocation.scope, invocation.group, invocation.name);
    case Command::Bind:
      return bind(invocation.group, invocation.name, invocation.keys);
    case Command::Unbind:
      return unbind(invocation.group, invocation.name, invocation.index);
    case Command::Conflicts:
      if (invocation.scope == Scope::WholeSet) return allConflictsOfSet();
      if (invocation.scope == Scope::Desktop) return desktopConflictsOfSet();
      return conflicts(invocation.group, invocation.keys);
    case Command::CheatSheet:
      return cheatSheet(invocation.format, invocation.files.front());
  }
  return failure("nothing to run");
}

// ---- Sets ----

Outcome KeyBindingsSession::listSets() {
  Outcome outcome;
  bool marked = false;  // the pop-up selects the first item of the current number
  for (const SetChoice& choice : pane_->setChoices()) {
    bool current = !marked && choice.number == pane_->keyBindingsNumber();
    marked = marked || current;
    outcome.output += (current ? "*" : " ") + std::to_string(choice.number) + "\t" + choice.title + "\n";
  }
  return outcome;
}

Outcome KeyBindingsSession::useSet(std::int32_t number) {
  if (!pane_->chooseSet(number))
    return failure("no key bindings set " + std::to_string(number) + " (see keybindings sets)");
  pane_->writeToPrefs();
  return {};
}

Outcome KeyBindingsSession::duplicateSet(const std::string& name) {
  std::optional<std::int32_t> number = pane_->duplicateCurrentSet(name);
  if (!number) return failure("a set needs a name of at least one character");
  pane_->writeToPrefs();
  return {kExitSuccess, setLine(*number), ""};
}

Outcome KeyBindingsSession::removeSet() {
  if (!pane_->removeCurrentSet()) return failure("the default set cannot be removed");
  pane_->writeToPrefs();
  return {};
}

Outcome KeyBindingsSession::exportSet(const std::string& path) {
  if (pane_->keyBindingsNumber() == 0) return failure("the default set cannot be exported; duplicate it first");
  if (!pane_->exportCurrentSet(path)) return failure("cannot write '" + path + "'");
  return {};
}

std::vector<KeyBindings::ImportFile> KeyBindingsSession::readImportFiles(const std::vector<std::string>& paths,
                                                                         std::optional<KeymapKind> kind,
                                                                         std::optional<Outcome>& failed) const {
  std::vector<KeyBindings::ImportFile> read;
  for (const std::string& path : paths) {
    read.push_back(pane_->readImportFile(path, kind));
    if (!failed && !read.back().problem.empty())
      failed = failure("cannot import '" + fileNameOfPath(path) + "': " + read.back().problem);
  }
  return read;
}

Outcome KeyBindingsSession::importSets(const std::vector<std::string>& paths, std::optional<KeymapKind> kind) {
  // A keymap that cannot be read stops the whole import: nothing is added.
  std::optional<Outcome> failed;
  std::vector<KeyBindings::ImportFile> read = readImportFiles(paths, kind, failed);
  if (failed) return *failed;
  KeyBindings::ImportResult result = pane_->importReadFiles(paths, read);
  if (result.refusal) return failure(alertLine(*result.refusal));
  pane_->writeToPrefs();

  // Listed as the pop-up lists them, by number.
  std::vector<std::int32_t> shown;
  for (const SetChoice& choice : pane_->setChoices())
    if (std::find(result.added.begin(), result.added.end(), choice.number) != result.added.end())
      shown.push_back(choice.number);
  std::sort(shown.begin(), shown.end());
  Outcome outcome;
  for (std::int32_t number : shown) outcome.output += setLine(number);
  return outcome;
}

// ---- Outlines ----

Outcome KeyBindingsSession::showOutline(Group group, Notation notation, ChangeMarks marks) {
  std::vector<Row> shown = rows(group);
  DictionaryRef current = currentGroup(group);
  DictionaryRef defaults = defaultGroup(group);
  std::vector<std::string> changedKeys;
  if (marks == ChangeMarks::Shown && defaults) changedKeys = differingEntryKeys(*defaults, current, defaults);
  std::unordered_set<std::string> changed(changedKeys.begin(), changedKeys.end());
  std::vector<OutlineRowKey> keys;
  for (const Row& row : shown) keys.push_back({row.level, row.title, row.entryKey});
  std::vector<GroupChangeCount> counts = changeCounts(outlineGroupsOfRows(keys), changedKeys);
  auto count = counts.begin();

  Outcome outcome;
  for (const Row& row : shown) {
    for (int level = 0; level < row.level; ++level) outcome.output += kIndent;
    std::string key = row.key;
    if (notation == Notation::Desktop && row.entryKey) {
      DictionaryRef entry = current ? current->dictionaryForKey(*row.entryKey) : nullptr;
      std::string desktop = desktopNotationOfShortcuts(entry ? entry->objectForKey(kKeySequencesKey) : nullptr);
      key = desktop.empty() ? key : desktop;
    }
    outcome.output += row.title + "\t" + key;
    if (marks == ChangeMarks::Shown) {
      if (row.level == 0 && !row.entryKey && count != counts.end()) {
        if (count->changed != 0) outcome.output += "\t" + std::to_string(count->changed) + " changed";
        ++count;
      } else if (row.entryKey && changed.contains(*row.entryKey)) {
        outcome.output += kChangedMark;
      }
    }
    outcome.output += "\n";
  }
  return outcome;
}

Outcome KeyBindingsSession::bind(Group group, const std::string& command, const std::string& keys) {
  std::optional<KeyBindings::CapturedKeys> captured;
  Outcome failed;
  if (captured = capture(keys, failed); !captured) return failed;
  std::optional<std::size_t> row = editableRow(group, command, failed);
  if (!row) return failed;
  // An empty capture leaves OK disabled and the prompt shown, as a conflict does.
  if (captured->strokes->empty())
    return failure(pane_->conflictStatus(shownGroup(group), *captured, std::nullopt).text, kExitConflict);
  KeyBindings::BindResult result = pane_->bindKeys(shownGroup(group), *rows(group)[*row].entryKey, *captured);
  switch (result.outcome) {
    case KeyBindings::BindOutcome::Bound:
      break;
    case KeyBindings::BindOutcome::Refused:
      return failure(alertLine(*result.refusal));
    case KeyBindings::BindOutcome::Conflict:
      return failure(result.statusLine.text, kExitConflict);
    case KeyBindings::BindOutcome::HotKeyTooLong:
      return failure("the hot key takes one chord or two plain keys");
    case KeyBindings::BindOutcome::NoEntry:
      return failure("'" + command + "' takes no shortcuts");
  }
  pane_->writeToPrefs();
  return {kExitSuccess, rowLine(group, *row), ""};
}

Outcome KeyBindingsSession::unbind(Group group, const std::string& command, std::int64_t index) {
  Outcome failed;
  std::optional<std::size_t> row = editableRow(group, command, failed);
  if (!row) return failed;
  const std::string key = *rows(group)[*row].entryKey;
  DictionaryRef part = currentGroup(group);
  DictionaryRef entry = part ? part->dictionaryForKey(key) : nullptr;
  // The edit menu's "Remove" items, one per stored sequence.
  std::vector<EditMenuItem> items = editMenuItems(entry ? entry->arrayForKey(kKeySequencesKey) : nullptr, "", "");
  auto removes = std::count_if(items.begin(), items.end(),
                               [](const EditMenuItem& item) { return item.action == kRemoveShortcutAction; });
  if (index < 0 || index >= removes)
    return failure("'" + command + "' has no shortcut " + std::to_string(index) + " (it has " +
                   std::to_string(removes) + ", counted from 0)");
  pane_->removeShortcut(shownGroup(group), key, index);
  pane_->writeToPrefs();
  return {kExitSuccess, rowLine(group, *row), ""};
}

Outcome KeyBindingsSession::conflicts(Group group, const std::string& keys) {
  Outcome failed;
  std::optional<KeyBindings::CapturedKeys> captured = capture(keys, failed);
  if (!captured) return failed;
  // Only a question: no command is selected and nothing is stored.
  StatusLine line = pane_->conflictStatus(shownGroup(group), *captured, std::nullopt);
  return {line.color == StatusColor::Red ? kExitConflict : kExitSuccess, line.text + "\n", ""};
}

std::optional<std::size_t> KeyBindingsSession::editableRow(Group group, const std::string& command,
                                                           Outcome& failed) const {
  std::vector<Row> shown = rows(group);
  std::vector<CommandRow> lookup;
  for (const Row& row : shown) lookup.push_back({row.level, row.title, row.entryKey});
  std::optional<std::size_t> found = rowForCommand(lookup, command);
  if (!found) {
    failed = failure(std::string("no ") + groupWord(group) + " '" + command + "' (see keybindings show " +
                     groupName(group) + ")");
    return std::nullopt;
  }
  if (!shown[*found].selectable || !shown[*found].entryKey) {
    failed = failure("'" + command + "' takes no shortcuts");
    return std::nullopt;
  }
  if (std::optional<KeyBindings::Refusal> refusal = pane_->editRefusal()) {
    failed = failure(alertLine(*refusal));
    return std::nullopt;
  }
  return found;
}

std::optional<KeyBindings::CapturedKeys> KeyBindingsSession::capture(const std::string& keys, Outcome& failed) {
  KeyTextParse parsed = parseKeyText(keys);
  if (!parsed.ok()) {
    failed = failure(parsed.error);
    return std::nullopt;
  }
  std::vector<KeyBindings::KeyEvent> events;
  for (const SnoopedKeyEvent& event : keyEventsForChords(parsed.chords))
    events.push_back({event.type, event.characters, event.keyCode, event.modifiers});
  return KeyBindings::captureKeys(events);
}

// ---- Beyond the pane's own controls ----

Outcome KeyBindingsSession::allConflictsOfSet() {
  Outcome outcome;
  for (Group group : kBothGroups) {
    std::vector<Row> shown = rows(group);
    for (const SequenceConflict& conflict : allConflicts(currentGroup(group))) {
      std::string holders;
      for (const std::string& key : conflict.entryKeys) holders += (holders.empty() ? "" : ", ") + pathOf(shown, key);
      outcome.output += std::string(groupName(group)) + "\t" + stringFromKeySequence(conflict.sequence) + "\t" +
                        holders + "\n";
      outcome.status = kExitConflict;
    }
  }
  Outcome desktop = desktopConflictsOfSet();
  outcome.output += desktop.output;
  if (desktop.status != kExitSuccess) outcome.status = desktop.status;
  return outcome;
}

Outcome KeyBindingsSession::desktopConflictsOfSet() {
  Outcome outcome;
  const std::vector<DesktopBinding> desktop = pane_->desktopBindings();
  for (Group group : kBothGroups) {
    std::vector<Row> shown = rows(group);
    for (const DesktopConflict& conflict : desktopConflicts(currentGroup(group), desktop)) {
      std::string holders;
      for (const std::string& key : conflict.entryKeys) holders += (holders.empty() ? "" : ", ") + pathOf(shown, key);
      outcome.output += std::string(groupName(group)) + "\t" + stringFromKeySequence(conflict.binding.sequence) +
                        "\t" + holders + "\t" + conflict.binding.desktop + ": " + conflict.binding.name + "\n";
      outcome.status = kExitConflict;
    }
  }
  return outcome;
}

Outcome KeyBindingsSession::find(FindBy by, const std::string& text) {
  ArrayRef pressed;
  if (by == FindBy::Keys) {
    KeyTextParse parsed = parseKeyText(text);
    if (!parsed.ok()) return failure(parsed.error);
    pressed = sequenceOfChords(parsed.chords);
  }
  Outcome outcome{kExitConflict, "", ""};
  for (Group group : kBothGroups) {
    std::vector<Row> commands;
    for (Row& row : rows(group))
      if (row.entryKey) commands.push_back(std::move(row));
    std::vector<std::size_t> found;
    if (by == FindBy::Title) {
      std::vector<std::string> titles;
      for (const Row& row : commands) titles.push_back(row.title);
      found = TitleSearch(titles).matching(text);
    } else {
      std::vector<std::string> keys = entryKeysStartingWithSequence(currentGroup(group), *pressed);
      std::unordered_set<std::string> wanted(keys.begin(), keys.end());
      for (std::size_t i = 0; i < commands.size(); ++i)
        if (wanted.erase(*commands[i].entryKey) != 0) found.push_back(i);
    }
    for (std::size_t i : found)
      outcome.output += std::string(groupName(group)) + "\t" + commands[i].path + "\t" + commands[i].key + "\n";
  }
  if (!outcome.output.empty()) outcome.status = kExitSuccess;
  return outcome;
}

Outcome KeyBindingsSession::reset(Scope scope, Group group, const std::string& name) {
  if (pane_->keyBindingsNumber() == 0) return failure(kDefaultSetRefusal);
  std::vector<Group> groups = scope == Scope::WholeSet ? std::vector<Group>{Group::Menu, Group::Editor}
                                                       : std::vector<Group>{group};
  // The commands asked for, per group, before anything changes.
  std::vector<std::vector<std::string>> asked(groups.size());
  if (scope == Scope::Command) {
    std::vector<Row> shown = rows(group);
    std::vector<CommandRow> lookup;
    for (const Row& row : shown) lookup.push_back({row.level, row.title, row.entryKey});
    std::optional<std::size_t> found = rowForCommand(lookup, name);
    if (!found)
      return failure(std::string("no ") + groupWord(group) + " '" + name + "' (see keybindings show " +
                     groupName(group) + ")");
    if (!shown[*found].entryKey) return failure("'" + name + "' takes no shortcuts");
    asked[0] = {*shown[*found].entryKey};
  } else if (scope == Scope::OutlineGroup) {
    std::vector<OutlineRowKey> keys;
    for (const Row& row : rows(group)) keys.push_back({row.level, row.title, row.entryKey});
    std::vector<OutlineGroup> outlineGroups = outlineGroupsOfRows(keys);
    auto named = std::find_if(outlineGroups.begin(), outlineGroups.end(),
                              [&](const OutlineGroup& g) { return g.title == name; });
    if (named == outlineGroups.end())
      return failure("no group '" + name + "' at the top of the " + groupName(group) + " outline");
    asked[0] = named->entryKeys;
  } else {
    for (std::size_t i = 0; i < groups.size(); ++i)
      if (DictionaryRef defaults = defaultGroup(groups[i])) asked[i] = defaults->allKeys();
  }
  std::vector<std::vector<std::string>> changed(groups.size());
  for (std::size_t i = 0; i < groups.size(); ++i) {
    DictionaryRef defaults = defaultGroup(groups[i]);
    if (!defaults) continue;
    std::unordered_set<std::string> differing;
    for (std::string& key : differingEntryKeys(*defaults, currentGroup(groups[i]), defaults))
      differing.insert(std::move(key));
    for (const std::string& key : asked[i])
      if (differing.contains(key)) changed[i].push_back(key);
  }

  std::optional<std::size_t> done = scope == Scope::WholeSet
                                        ? pane_->resetSetToDefault()
                                        : pane_->resetEntriesToDefault(shownGroup(group), asked[0]);
  if (!done) return failure("the set cannot be changed");
  if (*done != 0) pane_->writeToPrefs();
  Outcome outcome;
  for (std::size_t i = 0; i < groups.size(); ++i) {
    std::vector<Row> shown = rows(groups[i]);
    for (const std::string& key : changed[i]) {
      auto row = std::find_if(shown.begin(), shown.end(), [&](const Row& r) { return r.entryKey == key; });
      if (row != shown.end()) outcome.output += row->title + "\t" + row->key + "\n";
    }
  }
  return outcome;
}

Outcome KeyBindingsSession::importDryRun(const std::vector<std::string>& paths, std::optional<KeymapKind> kind) {
  Outcome outcome;
  std::vector<std::string> unreadable;
  std::optional<Outcome> failed;
  std::vector<KeyBindings::ImportFile> read = readImportFiles(paths, kind, failed);
  std::size_t position = 0;
  for (const std::string& path : paths) {
    const KeyBindings::ImportFile& file = read[position++];
    if (!file.set) {
      if (file.problem.empty()) unreadable.push_back(path);
      continue;
    }
    ImportPreview preview = file.keymap ? file.keymap->preview
                                        : importPreview(*file.set, path, pane_->currentKeyBindingsSet(),
                                                        panel_->defaultMenuDictionary());
    std::string conflictLines;
    std::size_t conflictCount = 0;
    for (Group group : kBothGroups) {
      std::vector<Row> shown = rows(group);
      for (const SequenceConflict& conflict :
           group == Group::Menu ? preview.menuConflicts : preview.editorConflicts) {
        std::string holders;
        for (const std::string& key : conflict.entryKeys) holders += (holders.empty() ? "" : ", ") + pathOf(shown, key);
        conflictLines += std::string(kIndent) + groupName(group) + "\t" + stringFromKeySequence(conflict.sequence) +
                         "\t" + holders + "\n";
        ++conflictCount;
      }
    }
    outcome.output += path + "\t" + preview.setName + "\t" + "commands that differ from the current set: " +
                      std::to_string(preview.differingCommands) + "\tconflicts: " + std::to_string(conflictCount) +
                      "\n" + conflictLines;
    if (file.keymap) outcome.output += keymapLines(*file.keymap);
  }
  if (failed) return {failed->status, outcome.output, failed->error};
  if (!unreadable.empty())
    return {kExitFailure, outcome.output, "not a key bindings set: " + quotedFileNames(unreadable)};
  return outcome;
}

// What a keymap's import changes and leaves out, after its preview line:
//   changes<TAB>menu<TAB>File/Save
//   not imported<TAB>actions.find<TAB>ctrl+f<TAB>a condition this editor has no context for (terminalFocus)
std::string KeyBindingsSession::keymapLines(const KeymapImport& keymap) const {
  std::string lines;
  for (Group group : kBothGroups) {
    std::vector<Row> shown = rows(group);
    for (const ChangedCommand& changed : keymap.changed)
      if (changed.group == shownGroup(group))
        lines += std::string(kIndent) + "changes\t" + groupName(group) + "\t" + pathOf(shown, changed.entryKey) + "\n";
  }
  for (const NotImportedEntry& entry : keymap.notImported) {
    lines += std::string(kIndent) + "not imported\t" + entry.command + "\t" + entry.keyText + "\t" +
             std::string(notImportedReasonText(entry.reason));
    if (!entry.detail.empty()) lines += " (" + entry.detail + ")";
    lines += "\n";
  }
  return lines;
}

// The page the pane's Cheat Sheet button saves; the file is named as given.
Outcome KeyBindingsSession::cheatSheet(DocumentFormat format, const std::string& path) {
  const bool pdfByName = cheatSheetDestination(path).format == CheatSheetFormat::Pdf;
  const bool pdf = format == DocumentFormat::Pdf || (format == DocumentFormat::ByExtension && pdfByName);
  if (pdf && !pdfWriter_) return failure("this keybindings was built without Qt and writes no PDF; use --format html");
  const std::string page = pane_->cheatSheetPage();
  const std::vector<std::uint8_t> bytes(page.begin(), page.end());
  const bool written = pdf ? pdfWriter_(page, path) : writeFileAtomically(path, bytes);
  if (!written) return failure("cannot write '" + path + "'");
  return {};
}

std::vector<KeyBindingsSession::Row> KeyBindingsSession::rows(Group group) const {
  std::vector<Row> result;
  std::vector<std::string> titles;  // of the ancestors, by level
  for (const KeyBindings::CommandRow& shown : pane_->commandRows(shownGroup(group))) {
    Row row{shown.level, shown.title, shown.keys, shown.entryKey, "", shown.selectable};
    titles.resize(static_cast<std::size_t>(std::max(shown.level, 0)));
    for (const std::string& title : titles) row.path += title + "/";
    row.path += shown.title;
    titles.push_back(shown.title);
    result.push_back(std::move(row));
  }
  return result;
}

DictionaryRef KeyBindingsSession::currentGroup(Group group) const {
  DictionaryRef set = pane_->currentKeyBindingsSet();
  return set ? set->dictionaryForKey(group == Group::Menu ? kSetMenuKey : kSetEditorKey) : nullptr;
}

DictionaryRef KeyBindingsSession::defaultGroup(Group group) const {
  DictionaryRef set = panel_->defaultMenuDictionary();
  return set ? set->dictionaryForKey(group == Group::Menu ? kSetMenuKey : kSetEditorKey) : nullptr;
}

std::string KeyBindingsSession::pathOf(const std::vector<Row>& rows, const std::string& entryKey) {
  auto row = std::find_if(rows.begin(), rows.end(), [&](const Row& r) { return r.entryKey == entryKey; });
  return row == rows.end() ? entryKey : row->path;
}

// ---- Helpers ----

std::string KeyBindingsSession::alertLine(const KeyBindings::Refusal& refusal) {
  return refusal.title + ": " + refusal.message;
}

std::string KeyBindingsSession::setLine(std::int64_t number) const {
  auto set = asDictionary(pane_->keyBindingsSets()->objectForKey(std::to_string(number)));
  StringRef name = set ? set->stringForKey(kSetNameKey) : nullptr;
  return std::to_string(number) + "\t" + (name ? name->value() : std::string()) + "\n";
}

std::string KeyBindingsSession::rowLine(Group group, std::size_t row) const {
  const Row shown = rows(group).at(row);
  return shown.title + "\t" + shown.key + "\n";
}

}  // namespace qor
