#include "session.h"

#include <algorithm>

#include "command_lookup.h"
#include "key_text.h"
#include "qor/headless/menu.h"
#include "qor/host/default_set.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"

namespace qor {

namespace {

constexpr const char* kMenuTab = "menu";
constexpr const char* kEditorTab = "editor";
constexpr const char* kAddShortcutAction = "showKeyConfigurationSheet:";
constexpr const char* kRemoveShortcutAction = "removeShortcutAtIndex:";
constexpr std::string_view kContextMenuLine = "popUpContextMenu";
constexpr std::string_view kAlertLine = "alert ";
// Long enough for the pane's delayed reload of the outlines.
constexpr double kSettleSeconds = 1;
constexpr const char* kIndent = "  ";

Outcome failure(std::string error, int status = kExitFailure) { return {status, "", std::move(error)}; }

const char* groupWord(Group group) { return group == Group::Menu ? "menu command" : "editing command"; }

}  // namespace

KeyBindingsSession::KeyBindingsSession(DefaultsStore& store, BundleFolders folders)
    : store_(store), folders_(std::move(folders)) {}

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
      return showOutline(invocation.group);
    case Command::Use:
      return useSet(invocation.setNumber);
    case Command::Duplicate:
      return duplicateSet(invocation.name);
    case Command::Remove:
      return removeSet();
    case Command::Export:
      return exportSet(invocation.files.front());
    case Command::Import:
      return importSets(invocation.files);
    case Command::Bind:
      return bind(invocation.group, invocation.name, invocation.keys);
    case Command::Unbind:
      return unbind(invocation.group, invocation.name, invocation.index);
    case Command::Conflicts:
      return conflicts(invocation.group, invocation.keys);
  }
  return failure("nothing to run");
}

// ---- Sets ----

Outcome KeyBindingsSession::listSets() {
  auto* sets = toolkit_.find<HeadlessPopUpButton>("PUB_sets");
  Outcome outcome;
  std::vector<ItemState> items = sets->items();
  for (std::size_t index = 0; index < items.size(); ++index) {
    bool current = static_cast<std::int64_t>(index) == sets->indexOfSelectedItem();
    outcome.output += (current ? "*" : " ") + std::to_string(items[index].tag) + "\t" + items[index].title + "\n";
  }
  return outcome;
}

Outcome KeyBindingsSession::useSet(std::int32_t number) {
  auto* sets = toolkit_.find<HeadlessPopUpButton>("PUB_sets");
  std::vector<ItemState> items = sets->items();
  auto item = std::find_if(items.begin(), items.end(), [&](const ItemState& i) { return i.tag == number; });
  if (item == items.end()) return failure("no key bindings set " + std::to_string(number) + " (see keybindings sets)");
  sets->chooseItem(static_cast<std::size_t>(item - items.begin()));
  pane_->writeToPrefs();
  return {};
}

Outcome KeyBindingsSession::duplicateSet(const std::string& name) {
  button("BTN_kb_duplicate_set").performClick();
  toolkit_.find<HeadlessTextField>("TEXT_set_name")->typeText(name);
  HeadlessButton& ok = button("BTN_set_name_OK");
  if (!ok.isEnabled()) {
    button("BTN_set_name_cancel").performClick();
    return failure("a set needs a name of at least one character");
  }
  ok.performClick();
  pane_->writeToPrefs();
  return {kExitSuccess, setLine(pane_->keyBindingsNumber()), ""};
}

Outcome KeyBindingsSession::removeSet() {
  HeadlessButton& remove = button("BTN_kb_del_set");
  if (!remove.isEnabled()) return failure("the default set cannot be removed");
  remove.performClick();
  pane_->writeToPrefs();
  return {};
}

Outcome KeyBindingsSession::exportSet(const std::string& path) {
  HeadlessButton& exportButton = button("BTN_kb_export_set");
  if (!exportButton.isEnabled()) return failure("the default set cannot be exported; duplicate it first");
  int beeps = toolkit_.beepCount();
  toolkit_.scriptSavePanel({kReturnCodeOK, path});
  exportButton.performClick();
  if (toolkit_.beepCount() != beeps) return failure("cannot write '" + path + "'");
  return {};
}

Outcome KeyBindingsSession::importSets(const std::vector<std::string>& paths) {
  auto* sets = toolkit_.find<HeadlessPopUpButton>("PUB_sets");
  std::vector<ItemState> before = sets->items();
  std::size_t mark = toolkit_.journal().lines().size();
  toolkit_.scriptOpenPanel({kReturnCodeOK, paths});
  button("BTN_kb_import_set").performClick();
  if (std::string alert = alertSince(mark); !alert.empty()) return failure(alert);
  pane_->writeToPrefs();

  std::vector<std::int64_t> added;
  for (const ItemState& item : sets->items())
    if (std::find(before.begin(), before.end(), item) == before.end()) added.push_back(item.tag);
  std::sort(added.begin(), added.end());
  Outcome outcome;
  for (std::int64_t number : added) outcome.output += setLine(number);
  return outcome;
}

// ---- Outlines ----

Outcome KeyBindingsSession::showOutline(Group group) {
  showGroup(group);
  Outcome outcome;
  for (const OutlineRow& row : outline(group).rows()) {
    for (int level = 0; level < row.level; ++level) outcome.output += kIndent;
    outcome.output += row.title + "\t" + row.key + "\n";
  }
  return outcome;
}

Outcome KeyBindingsSession::bind(Group group, const std::string& command, const std::string& keys) {
  if (KeyTextParse parsed = parseKeyText(keys); !parsed.ok()) return failure(parsed.error);
  Outcome failed;
  std::optional<std::int64_t> row = openEditMenu(group, command, failed);
  if (!row) return failed;

  const ContextMenu* menu = toolkit_.lastContextMenu();
  auto add = std::find_if(menu->items.begin(), menu->items.end(),
                          [](const ItemState& item) { return item.targetAction.action == kAddShortcutAction; });
  if (add == menu->items.end()) return failure("the edit menu has no item to add a shortcut");
  std::size_t mark = toolkit_.journal().lines().size();
  toolkit_.chooseContextMenuItem(static_cast<std::size_t>(add - menu->items.begin()));
  if (std::string alert = alertSince(mark); !alert.empty()) return failure(alert);
  if (!toolkit_.isSheetOpen(*pane_->WIN_key_configurator)) return failure("the key configurator did not open");

  if (!typeKeys(keys, failed)) return failed;
  HeadlessButton& ok = button("BTN_key_configurator_OK");
  if (!ok.isEnabled()) {
    std::string line = pane_->TEXT_kb_conflict->stringValue();
    button("BTN_key_configurator_cancel").performClick();
    return failure(line, kExitConflict);
  }
  std::size_t notices = panel_->okNotices().size();
  int beeps = toolkit_.beepCount();
  ok.performClick();
  if (toolkit_.beepCount() != beeps) return failure("the hot key takes one chord or two plain keys");
  if (panel_->okNotices().size() == notices) return failure("'" + command + "' takes no shortcuts");
  pane_->writeToPrefs();
  return {kExitSuccess, rowLine(group, *row), ""};
}

Outcome KeyBindingsSession::unbind(Group group, const std::string& command, std::int64_t index) {
  Outcome failed;
  std::optional<std::int64_t> row = openEditMenu(group, command, failed);
  if (!row) return failed;
  const ContextMenu* menu = toolkit_.lastContextMenu();
  auto remove = std::find_if(menu->items.begin(), menu->items.end(), [&](const ItemState& item) {
    return item.targetAction.action == kRemoveShortcutAction && item.tag == index;
  });
  if (remove == menu->items.end()) {
    auto count = std::count_if(menu->items.begin(), menu->items.end(), [](const ItemState& item) {
      return item.targetAction.action == kRemoveShortcutAction;
    });
    return failure("'" + command + "' has no shortcut " + std::to_string(index) + " (it has " +
                   std::to_string(count) + ", counted from 0)");
  }
  toolkit_.chooseContextMenuItem(static_cast<std::size_t>(remove - menu->items.begin()));
  pane_->writeToPrefs();
  return {kExitSuccess, rowLine(group, *row), ""};
}

Outcome KeyBindingsSession::conflicts(Group group, const std::string& keys) {
  if (KeyTextParse parsed = parseKeyText(keys); !parsed.ok()) return failure(parsed.error);
  showGroup(group);
  pane_->showKeyConfigurationSheet(nullptr);
  if (!toolkit_.isSheetOpen(*pane_->WIN_key_configurator)) return failure("the key configurator did not open");
  Outcome failed;
  if (!typeKeys(keys, failed)) return failed;
  std::string line = pane_->TEXT_kb_conflict->stringValue();
  bool red = pane_->TEXT_kb_conflict->textColor() == TextColor::Red;
  // Only a question: the sheet is cancelled and nothing is stored.
  button("BTN_key_configurator_cancel").performClick();
  return {red ? kExitConflict : kExitSuccess, line + "\n", ""};
}

std::optional<std::int64_t> KeyBindingsSession::openEditMenu(Group group, const std::string& command,
                                                             Outcome& failed) {
  showGroup(group);
  HeadlessOutlineView& view = outline(group);
  std::vector<CommandRow> rows;
  for (const OutlineRow& shown : view.rows()) {
    std::optional<std::string> key;
    if (group == Group::Menu) {
      key = identifierForMenuItem(shown.item.menuItem);
    } else if (auto name = asString(shown.item.node)) {
      key = name->value();
    }
    rows.push_back({shown.level, shown.title, key});
  }
  std::optional<std::size_t> found = rowForCommand(rows, command);
  if (!found) {
    failed = failure(std::string("no ") + groupWord(group) + " '" + command + "' (see keybindings show " +
                     (group == Group::Menu ? kMenuTab : kEditorTab) + ")");
    return std::nullopt;
  }
  auto row = static_cast<std::int64_t>(*found);
  std::size_t mark = toolkit_.journal().lines().size();
  view.deselectAll();
  if (!view.selectRow(row)) {
    failed = failure("'" + command + "' takes no shortcuts");
    return std::nullopt;
  }
  // Some system versions open the edit menu only from the "Key" cell.
  if (!journaledSince(mark, kContextMenuLine) && !journaledSince(mark, kAlertLine)) view.clickKeyCell(row);
  if (std::string alert = alertSince(mark); !alert.empty()) {
    failed = failure(alert);
    return std::nullopt;
  }
  if (!journaledSince(mark, kContextMenuLine)) {
    failed = failure("the edit menu of '" + command + "' did not open");
    return std::nullopt;
  }
  return row;
}

bool KeyBindingsSession::typeKeys(const std::string& keys, Outcome& failed) {
  KeyTextParse parsed = parseKeyText(keys);
  if (!parsed.ok()) {
    failed = failure(parsed.error);
    return false;
  }
  for (const SnoopedKeyEvent& event : keyEventsForChords(parsed.chords))
    application_.sendKeyEvent(event.type, event.characters, event.keyCode, event.modifiers);
  return true;
}

// ---- Helpers ----

std::string KeyBindingsSession::alertSince(std::size_t mark) {
  if (!journaledSince(mark, kAlertLine) || toolkit_.alerts().empty()) return {};
  const AlertCall& alert = toolkit_.alerts().back();
  return alert.title + ": " + alert.message;
}

bool KeyBindingsSession::journaledSince(std::size_t mark, std::string_view prefix) {
  const std::vector<std::string>& lines = toolkit_.journal().lines();
  return std::any_of(lines.begin() + static_cast<std::ptrdiff_t>(std::min(mark, lines.size())), lines.end(),
                     [&](const std::string& line) { return line.starts_with(prefix); });
}

std::string KeyBindingsSession::setLine(std::int64_t number) const {
  auto set = asDictionary(pane_->keyBindingsSets()->objectForKey(std::to_string(number)));
  StringRef name = set ? set->stringForKey(kSetNameKey) : nullptr;
  return std::to_string(number) + "\t" + (name ? name->value() : std::string()) + "\n";
}

std::string KeyBindingsSession::rowLine(Group group, std::int64_t row) const {
  const OutlineRow& shown = outline(group).rows().at(static_cast<std::size_t>(row));
  return shown.title + "\t" + shown.key + "\n";
}

HeadlessOutlineView& KeyBindingsSession::outline(Group group) const {
  return *toolkit_.find<HeadlessOutlineView>(group == Group::Menu ? "OLV_menu_key_bindings"
                                                                  : "OLV_editor_key_bindings");
}

HeadlessButton& KeyBindingsSession::button(const std::string& name) const {
  return *toolkit_.find<HeadlessButton>(name);
}

void KeyBindingsSession::showGroup(Group group) {
  toolkit_.find<HeadlessTabView>("TABV_outlines")->selectTabViewItemWithIdentifier(group == Group::Menu ? kMenuTab
                                                                                                        : kEditorTab);
}

}  // namespace qor
