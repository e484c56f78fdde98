// The pane's life, its stored sets, and what every other operation shares:
// outlets, action dispatch, the shown group and the change flag.
#include "qor/key_bindings.h"

#include <limits>
#include <unordered_map>

#include "qor/collections.h"
#include "qor/key_notation.h"
#include "qor/file_system.h"
#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/runtime.h"
#include "qor/pane_model/outlets.h"
#include "qor/pane_model/set_rules.h"
#include "undo_history.h"
#include "view_mapping.h"

namespace qor {

namespace {

constexpr double kDelayedReloadSeconds = 0.1;
constexpr const char* kReloadOutlinesSelector = "reloadOutlines";
// The host's Edit > Undo and Redo while the pane is shown.
constexpr const char* kUndoSelector = "undo:";
constexpr const char* kRedoSelector = "redo:";
constexpr const char* kPaneOrder = "7";
constexpr const char* kPaneTitle = "Key Bindings";
constexpr const char* kMenuTabIdentifier = "menu";
// The search-by-keys toggle's title, looked up in the table "Extras"; English
// is the key itself (the shipped English table keeps its three entries).
constexpr const char* kKeySearchTitle = "Keys";

template <typename T>
void connectAs(T*& outlet, UiObject* object) {
  outlet = dynamic_cast<T*>(object);
}

std::int32_t clampToSetNumber(std::int64_t value) {
  using Limits = std::numeric_limits<std::int32_t>;
  // A number that no set can carry stands for no set: the default set.
  if (value < Limits::min() || value > Limits::max()) return 0;
  return static_cast<std::int32_t>(value);
}

}  // namespace

KeyBindings::KeyBindings(PaneServices services) : services_(std::move(services)) {
  if (!services_.systemVersion) services_.systemVersion = [] { return getOSVersion(); };
  if (!services_.now) services_.now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  if (!services_.bundle) services_.bundle = std::make_shared<const Bundle>("");
}

KeyBindings::~KeyBindings() {
  if (services_.toolkit) services_.toolkit->cancelPreviousPerformRequestsWithTarget(*this);
  // The host must not call into a pane that is gone.
  if ((snooping_ || keySearch_ == KeySearch::Recording) && services_.application)
    services_.application->setSnooper(nullptr);
}

DictionaryRef KeyBindings::nameAndOrderForMenu(const Bundle& bundle) {
  auto description = MutableDictionary::make();
  std::string title = bundle.localizedStringForKeyValueTable(kPaneTitle, "", kLocalizableTable);
  description->setObjectForKey(str(title), "name");
  description->setObjectForKey(str(title), "tooltip");
  if (auto path = bundle.pathForResource(kIconResource)) {
    if (auto bytes = readFile(*path)) description->setObjectForKey(Data::make(std::move(*bytes)), "icon");
  }
  description->setObjectForKey(str(kPaneOrder), "order");
  return description;
}

// ---- Interface ----

// The fields of the outlets, in the order of kPaneOutlets: the names are
// written there once, and each field is the control of the same place.
using OutletField = std::function<void(KeyBindings&, UiObject*)>;
template <typename T>
OutletField field(T* KeyBindings::*member) {
  return [member](KeyBindings& pane, UiObject* object) { connectAs(pane.*member, object); };
}

std::vector<OutletSpec> KeyBindings::interfaceOutlets() const {
  std::vector<OutletSpec> outlets;
  for (const PaneOutlet& outlet : kPaneOutlets) outlets.push_back({std::string(outlet.name), uiKindOf(outlet.kind)});
  return outlets;
}

void KeyBindings::connectOutlet(const std::string& name, UiObject* object) {
  static const OutletField kFields[] = {
      field(&KeyBindings::VIEW_key_bindings),
      field(&KeyBindings::TABV_outlines),
      field(&KeyBindings::PUB_sets),
      field(&KeyBindings::BTN_kb_del_set),
      field(&KeyBindings::WIN_set_name),
      field(&KeyBindings::TEXT_set_name),
      field(&KeyBindings::BTN_set_name_OK),
      field(&KeyBindings::BTN_kb_export_set),
      field(&KeyBindings::WIN_key_configurator),
      field(&KeyBindings::TEXT_key_configurator),
      field(&KeyBindings::BTN_key_configurator_OK),
      field(&KeyBindings::BTN_key_configurator_clear),
      field(&KeyBindings::TEXT_kb_conflict),
      field(&KeyBindings::OLV_menu_key_bindings),
      field(&KeyBindings::OLV_editor_key_bindings),
      field(&KeyBindings::BTN_kb_duplicate_set),
      field(&KeyBindings::BTN_kb_import_set),
      field(&KeyBindings::BTN_set_name_cancel),
      field(&KeyBindings::BTN_key_configurator_cancel),
      field(&KeyBindings::TEXT_kb_ambiguity),
      field(&KeyBindings::BTN_key_configurator_fix),
      field(&KeyBindings::BTN_kb_reset_command),
      field(&KeyBindings::BTN_kb_reset_group),
      field(&KeyBindings::BTN_kb_reset_set),
      field(&KeyBindings::TEXT_kb_search),
      field(&KeyBindings::BTN_kb_all_conflicts),
      field(&KeyBindings::BTN_kb_search_keys),
      field(&KeyBindings::BTN_kb_cheat_sheet),
      field(&KeyBindings::TEXT_kb_layout),
      field(&KeyBindings::TEXT_kb_desktop),
      field(&KeyBindings::TEXT_kb_hot_key),
  };
  static_assert(std::size(kFields) == std::size(kPaneOutlets), "one field per outlet");
  for (std::size_t index = 0; index < std::size(kPaneOutlets); ++index)
    if (kPaneOutlets[index].name == name) kFields[index](*this, object);
}

// The connections an interface description makes to its owner: control
// actions, the text field delegate and the outlines' data source.
void KeyBindings::wireInterface() {
  auto wire = [this](Button* button, const char* action) {
    if (button) button->setTargetAction({this, action});
  };
  wire(BTN_kb_del_set, "removeKeyBindingsSet:");
  wire(BTN_kb_export_set, "exportSet:");
  wire(BTN_kb_duplicate_set, "duplicateKeyBindingsSet:");
  wire(BTN_kb_import_set, "importSet:");
  wire(BTN_set_name_OK, "closeSetNameSheet:");
  wire(BTN_set_name_cancel, "closeSetNameSheet:");
  wire(BTN_key_configurator_OK, "closeKeyConfigurationSheet:");
  wire(BTN_key_configurator_cancel, "closeKeyConfigurationSheet:");
  wire(BTN_key_configurator_clear, "flushTextFieldForShortCut:");
  wire(BTN_key_configurator_fix, "closeKeyConfigurationSheet:");
  wire(BTN_kb_reset_command, "resetSelectedCommand:");
  wire(BTN_kb_reset_group, "resetSelectedGroup:");
  wire(BTN_kb_reset_set, "resetCurrentSet:");
  wire(BTN_kb_all_conflicts, "showAllConflicts:");
  wire(BTN_kb_cheat_sheet, "saveCheatSheet:");
  if (TEXT_set_name) TEXT_set_name->setDelegate(this);
  if (TEXT_kb_search) TEXT_kb_search->setDelegate(this);
  wire(BTN_kb_search_keys, "toggleKeySearch:");
  if (BTN_kb_search_keys) BTN_kb_search_keys->setTitle(localized(kKeySearchTitle, kExtrasTable));
  if (OLV_menu_key_bindings) OLV_menu_key_bindings->setDataSource(this);
  if (OLV_editor_key_bindings) OLV_editor_key_bindings->setDataSource(this);
}

void KeyBindings::performAction(const std::string& selector, Sender* sender) {
  using Handler = void (KeyBindings::*)(Sender*);
  static const std::unordered_map<std::string, Handler> kActions = {
      {"loadKeyBindingsSet:", &KeyBindings::loadKeyBindingsSet},
      {"duplicateKeyBindingsSet:", &KeyBindings::duplicateKeyBindingsSet},
      {"closeSetNameSheet:", &KeyBindings::closeSetNameSheet},
      {"removeKeyBindingsSet:", &KeyBindings::removeKeyBindingsSet},
      {"exportSet:", &KeyBindings::exportSet},
      {"importSet:", &KeyBindings::importSet},
      {"showPopupButtonToEdit", &KeyBindings::showPopupButtonToEdit},
      {"removeShortcutAtIndex:", &KeyBindings::removeShortcutAtIndex},
      {"showKeyConfigurationSheet:", &KeyBindings::showKeyConfigurationSheet},
      {"flushTextFieldForShortCut:", &KeyBindings::flushTextFieldForShortCut},
      {"closeKeyConfigurationSheet:", &KeyBindings::closeKeyConfigurationSheet},
      {"resetSelectedCommand:", &KeyBindings::resetSelectedCommand},
      {"resetSelectedGroup:", &KeyBindings::resetSelectedGroup},
      {"resetCurrentSet:", &KeyBindings::resetCurrentSet},
      {"showAllConflicts:", &KeyBindings::showAllConflicts},
      {"toggleKeySearch:", &KeyBindings::toggleKeySearch},
      {"saveCheatSheet:", &KeyBindings::saveCheatSheet},
  };
  if (selector == kReloadOutlinesSelector) {
    reloadOutlines();
    return;
  }
  if (selector == kUndoSelector) {
    undoChange();
    return;
  }
  if (selector == kRedoSelector) {
    redoChange();
    return;
  }
  auto found = kActions.find(selector);
  if (found != kActions.end()) (this->*(found->second))(sender);
}

// ---- Life ----

View* KeyBindings::initWithPanel(PreferencesPanel* panel) {
  _thePreference = panel;
  if (!VIEW_key_bindings && services_.toolkit) {
    interface_ = services_.toolkit->loadInterface(*services_.bundle, kInterfaceName, *this);
    if (!interface_) {
      logLine("*** KeyBindings: cannot load the interface description \"" + std::string(kInterfaceName) + "\"");
      return nullptr;
    }
    wireInterface();
    loadPrefs();
    synchronizeToDefaults();
    // After the first synchronisation on purpose: its immediate reload sees no
    // table yet; the delayed one shows it.
    if (auto path = services_.bundle->pathForResource(kEditorTableResource))
      _editorMenuList = asArray(readPropertyListFile(*path));
    restartHistory();
  }
  return VIEW_key_bindings;
}

void KeyBindings::loadPrefs() {
  if (!_thePreference) return;
  DefaultsStore& defaults = _thePreference->defaults();
  _keyBindingsNumber = clampToSetNumber(defaults.integerForKey(kSetNumberDefaultsKey));

  Ref stored = defaults.objectForKey(kSetsDefaultsKey);
  if (!stored) {
    _keyBindingsSets = MutableDictionary::make();
    return;
  }
  auto sets = asDictionary(stored);
  if (!sets) {
    logLine("*** KeyBindings: \"" + std::string(kSetsDefaultsKey) + "\" is not a dictionary; it is ignored.");
    _keyBindingsSets = MutableDictionary::make();
    return;
  }
  // Shared with the store until first needed; copying a set refreshes its
  // menu titles from the default set (set_sharing.cc).
  takeSharedSets(*sets, SetOrigin::Store);
}

void KeyBindings::loadKeyBindingsSetForNumber() {
  if (_keyBindingsNumber == 0) {
    _currentKeyBindingsSet = defaultSet();
    return;
  }
  auto set = ownedSetForKey(setKeyForNumber(_keyBindingsNumber));
  if (!set) {
    _keyBindingsNumber = 0;
    _currentKeyBindingsSet = defaultSet();
    if (_thePreference) _thePreference->defaults().setIntegerForKey(0, kSetNumberDefaultsKey);
    return;
  }
  _currentKeyBindingsSet = set;

  // Entries for commands the host no longer has go, menu first.
  DictionaryRef reference = defaultSet();
  struct Part {
    const char* key;
    const char* headline;
  };
  for (Part part : {Part{kSetMenuKey, "***** Remove bogus menu entries. (%d)"},
                    Part{kSetEditorKey, "*** Remove bogus editor shortcuts. (%d)"}}) {
    auto group = asMutableDictionary(set->objectForKey(part.key));
    if (!group) continue;
    std::vector<std::string> bogus =
        keysMissingFrom(*group, reference ? reference->dictionaryForKey(part.key) : nullptr);
    if (bogus.empty()) continue;
    std::string headline = part.headline;
    headline.replace(headline.find("%d"), 2, std::to_string(bogus.size()));
    logLine(headline);
    for (const auto& key : bogus) logLine(key);
    group->removeObjectsForKeys(bogus);
  }
}

void KeyBindings::synchronizeToDefaults() {
  loadKeyBindingsSetForNumber();
  bool stored = _keyBindingsNumber != 0;
  if (BTN_kb_del_set) BTN_kb_del_set->setEnabled(stored);
  if (BTN_kb_export_set) BTN_kb_export_set->setEnabled(stored);

  if (PUB_sets) {
    PUB_sets->removeAllItems();
    bool first = true;
    for (const SetChoice& choice : setChoices()) {
      // The stored sets' items are added untitled, then titled: a pop-up
      // refuses a title it already holds, and two sets may share a name.
      PUB_sets->addItemWithTitle(first ? choice.title : std::string());
      PopUpItem* item = PUB_sets->lastItem();
      if (!item) continue;
      if (!first) item->setTitle(choice.title);
      first = false;
      item->setTag(choice.number);
      item->setTargetAction({this, "loadKeyBindingsSet:"});
    }
    PUB_sets->selectItemWithTag(_keyBindingsNumber);
  }

  showHotKeyReach();
  reloadOutlines();
  if (services_.toolkit) services_.toolkit->performAfterDelay(*this, kReloadOutlinesSelector, kDelayedReloadSeconds);
}

void KeyBindings::reloadOutlines() {
  shownChildren_.clear();
  keySearchMatches_.clear();
  for (OutlineView* outline : {OLV_menu_key_bindings, OLV_editor_key_bindings}) {
    if (!outline) continue;
    outline->reloadData();
    outline->tile();
    outline->display();
  }
  if (VIEW_key_bindings) VIEW_key_bindings->display();
}

void KeyBindings::writeToPrefs() {
  if (!_thePreference) return;
  MutableDictionaryRef changed = _thePreference->changedAttributesDictionary();
  if (changed && changed->containsKey(kChangeFlagKey)) {
    // One batch: a crash can never leave the new number beside the old sets.
    ownSets(SetSelection::StaleTitles);
    DefaultsBatch batch;
    batch.setIntegerForKey(_keyBindingsNumber, kSetNumberDefaultsKey);
    batch.setObjectForKey(_keyBindingsSets ? Ref(_keyBindingsSets) : Ref(MutableDictionary::make()), kSetsDefaultsKey);
    _thePreference->defaults().applyBatch(batch);
    _thePreference->setCustomizedMenuWithNumber(_keyBindingsNumber);
    showHotKeyReach();
  }
  // Applied changes are no longer undone.
  restartHistory();
}

void KeyBindings::revertToDefault() {
  _keyBindingsNumber = 0;
  if (_thePreference) _thePreference->defaults().setIntegerForKey(0, kSetNumberDefaultsKey);
  synchronizeToDefaults();
  setChangeFlag();
  restartHistory();
}

// ---- Shared helpers ----

ShortcutNotation KeyBindings::shortcutNotation() const {
  return _thePreference ? shortcutNotationOf(_thePreference->defaults().objectForKey(kShortcutNotationDefaultsKey))
                        : ShortcutNotation::Symbols;
}

DictionaryRef KeyBindings::defaultSet() const {
  return _thePreference ? _thePreference->defaultMenuDictionary() : nullptr;
}

void KeyBindings::setChangeFlag() {
  if (!_thePreference) return;
  if (MutableDictionaryRef changed = _thePreference->changedAttributesDictionary())
    changed->setObjectForKey(boolean(true), kChangeFlagKey);
}

void KeyBindings::noteChange() {
  if (_thePreference) _thePreference->i_am_ok(this);
  setChangeFlag();
  recordChange();
}

std::string KeyBindings::localized(const std::string& key, const char* table) const {
  return services_.bundle->localizedStringForKeyValueTable(key, "", table);
}

ShownGroup KeyBindings::shownGroup() const {
  if (TABV_outlines && TABV_outlines->selectedTabViewItemIdentifier() == kMenuTabIdentifier) return ShownGroup::Menu;
  return ShownGroup::Editor;
}

OutlineView* KeyBindings::shownOutline() const {
  return shownGroup() == ShownGroup::Menu ? OLV_menu_key_bindings : OLV_editor_key_bindings;
}

OutlineItem KeyBindings::selectedItem() const {
  OutlineView* outline = shownOutline();
  if (!outline) return {};
  std::int64_t row = outline->selectedRow();
  return row < 0 ? OutlineItem{} : outline->itemAtRow(row);
}

std::optional<std::string> KeyBindings::entryKeyForItem(ShownGroup group, const OutlineItem& item) const {
  if (group == ShownGroup::Menu) return item.menuItem ? identifierForMenuItem(item.menuItem) : std::nullopt;
  if (auto name = asString(item.node)) return name->value();
  return std::nullopt;
}

MutableDictionaryRef KeyBindings::groupDictionary(ShownGroup group) const {
  if (!_currentKeyBindingsSet) return nullptr;
  return asMutableDictionary(
      _currentKeyBindingsSet->objectForKey(group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey));
}

}  // namespace qor
