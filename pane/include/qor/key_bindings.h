// The Key Bindings preference pane.
//
// The stored set format and its keys are in qor/pane_model/set_format.h; the
// rules over stored sets are in the other qor/pane_model headers, which this
// class carries out through the ports.
//
// The pane talks to the host through the ports (ports/) and never
// raises: every failure is a silent no-op, a beep, an alert or a log line.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "qor/bundle.h"
#include "qor/ports/host.h"
#include "qor/ports/toolkit.h"
#include "qor/keymaps/foreign_keymap.h"
#include "qor/keymaps/keymap_import.h"
#include "qor/pane_model/set_format.h"
#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/desktop_shortcuts.h"
#include "qor/pane_model/set_rules.h"
#include "qor/pane_model/shortcut_notation.h"
#include "qor/value.h"

namespace qor {

// The key configurator's third way out (its button's tag): bind the captured
// sequence here after taking it away from the commands that hold it.
inline constexpr int kReturnCodeFixInPlace = 2;
// The single button of the pane's alerts; never looked up in a table.
inline constexpr const char* kAlertButtonTitle = "OK";

// What the pane needs of its surroundings besides the host panel; the host
// (or a test) provides it when it creates the pane.
struct PaneServices {
  Toolkit* toolkit = nullptr;          // not owned; must outlive the pane
  Application* application = nullptr;  // not owned; must outlive the pane
  std::shared_ptr<const Bundle> bundle;  // the pane's own bundle
  // Whole seconds since the epoch (POSIX time); numbers new sets.
  std::function<std::int64_t()> now = [] { return static_cast<std::int64_t>(std::time(nullptr)); };
  // The packed system version; the outlines' selection rule depends on it.
  std::function<std::int32_t()> systemVersion;
  // The user's own table of other editors' commands, laid over the bundle's
  // (kKeymapCommandsResource): $XDG_DATA_HOME/qor/KeymapCommands.plist, else
  // ~/.local/share/qor/KeymapCommands.plist; empty when neither variable helps.
  std::function<std::string()> userKeymapCommandsPath = defaultUserKeymapCommandsPath;
  static std::string defaultUserKeymapCommandsPath();
};

struct CheatSheet;
struct SetsState;
struct UndoHistory;

class KeyBindings final : public PreferencePaneProtocol,
                          public KeySnooper,
                          public ActionTarget,
                          public InterfaceOwner,
                          public OutlineDataSource,
                          public TextFieldDelegate {
 public:
  // `init`: nothing loaded; number 0; no sets, no captured sequence, no
  // editing-command table.
  explicit KeyBindings(PaneServices services);
  // Teardown: cancels the pending delayed reload, unregisters a snooper the
  // pane still holds, releases what the pane owns.
  ~KeyBindings() override;
  KeyBindings(const KeyBindings&) = delete;
  KeyBindings& operator=(const KeyBindings&) = delete;

  // The entry of the pane in the host's pane list: "name" and "tooltip" (the
  // localized "Key Bindings"), "icon" (the bytes of the icon resource, as
  // Data; absent when it is missing) and "order" (the string "7").
  [[nodiscard]] static DictionaryRef nameAndOrderForMenu(const Bundle& bundle);

  // ---- Life and set storage ----
  // Stores the panel (every call); the first call only loads the interface,
  // the sets and the editing-command table. Result: the main view, or null
  // when the interface description cannot be loaded.
  View* initWithPanel(PreferencesPanel* panel) override;
  void loadPrefs() override;
  void synchronizeToDefaults() override;
  void loadKeyBindingsSetForNumber();
  void reloadOutlines();
  void writeToPrefs() override;
  void revertToDefault() override;

  // ---- Set management ----
  void loadKeyBindingsSet(Sender* sender);
  void duplicateKeyBindingsSet(Sender* sender);
  void closeSetNameSheet(Sender* sender);
  void controlTextDidChange(TextField& field) override;
  void setNameSheetDidEndReturnCodeContextInfo(Window* sheet, int returnCode, void* contextInfo);
  void removeKeyBindingsSet(Sender* sender);
  void exportSet(Sender* sender);
  void exportFileSavePanelDidEndReturnCodeContextInfo(int returnCode, const std::string& path);
  void importSet(Sender* sender);

  // ---- Outline views and the edit menu ----
  std::int64_t outlineViewNumberOfChildrenOfItem(OutlineView& view, const OutlineItem& item) override;
  OutlineItem outlineViewChildOfItem(OutlineView& view, std::int64_t index, const OutlineItem& item) override;
  bool outlineViewIsItemExpandable(OutlineView& view, const OutlineItem& item) override;
  std::string outlineViewObjectValueForTableColumnByItem(OutlineView& view, const std::string& column,
                                                          const OutlineItem& item) override;
  bool outlineViewShouldSelectItem(OutlineView& view, const OutlineItem& item) override;
  bool outlineViewShouldEditTableColumnItem(OutlineView& view, const std::string& column,
                                            const OutlineItem& item) override;
  void outlineViewWillDisplayCellForTableColumnItem(OutlineView& view, Cell& cell, const std::string& column,
                                                    const OutlineItem& item) override;
  void outlineViewSelectionDidChange(OutlineView& view) override;
  void showPopupButtonToEdit(Sender* sender);
  void removeShortcutAtIndex(Sender* sender);
  // The "Key" cell's tooltip: its shortcuts in the desktop's notation
  // ("Ctrl+Shift+S"); empty for other cells, commands without shortcuts and
  // while the person chose words, which the cell itself then shows.
  std::string outlineViewToolTipForTableColumnByItem(OutlineView& view, const std::string& column,
                                                     const OutlineItem& item) override;

  // ---- Key configurator ----
  // The captured keys, and the status lines that quote shortcuts, are written
  // in the person's notation (capturedKeysText, prefixAmbiguityLine).
  void showKeyConfigurationSheet(Sender* sender);
  void keyEventWithTypeStringKeyCodeModifiers(std::uint32_t type, const std::string& characters,
                                              std::uint16_t keyCode, std::uint32_t modifiers) override;
  void flushTextFieldForShortCut(Sender* sender);
  void closeKeyConfigurationSheet(Sender* sender);
  void KeyConfigurationSheetDidEndReturnCodeContextInfo(Window* sheet, int returnCode, void* contextInfo);

  // ---- Conflicts ----
  // Keys of the shown group's entries holding `sequence`, once per matching
  // stored sequence, in the group's enumeration order.
  [[nodiscard]] std::vector<std::string> getConflictedMenuItemsForShortcut(const Array& sequence) const;

  // ---- Reset to default ----
  // Puts back the host's default entries of the commands `entryKeys` of
  // `group` in the current set: only those whose shortcuts differ from the
  // default's; an entry the host does not know is removed. When anything
  // changed, both outlines are reloaded and the host is told (i_am_ok:, the
  // change flag), as after any change. Result: the number of entries reset
  // (0: nothing differed, nothing told); nullopt, changing nothing, while the
  // host's default set is current or when the set cannot be changed.
  [[nodiscard]] std::optional<std::size_t> resetEntriesToDefault(ShownGroup group,
                                                                 const std::vector<std::string>& entryKeys);
  // The same for every command of both groups. The set keeps its name and
  // its number.
  [[nodiscard]] std::optional<std::size_t> resetSetToDefault();
  // The buttons under the outlines: the selected command of the shown
  // outline, every command of its top-level group (a menu of the menu bar, a
  // group of the editing commands; a command outside every group alone), or
  // the whole set, through the operations above. Without a selected command
  // the first two do nothing; while the host's default set is current each
  // beeps and changes nothing.
  void resetSelectedCommand(Sender* sender);
  void resetSelectedGroup(Sender* sender);
  void resetCurrentSet(Sender* sender);

  // ---- Undo and redo ----
  // Every change the pane tells the host about (a binding added, removed,
  // reset or fixed in place; a set chosen, duplicated, removed or imported)
  // can be undone, and what was undone redone, until the preferences are
  // applied (writeToPrefs) or reverted (revertToDefault). Undo puts back the
  // sets, the current set and the stored set number as they were before the
  // change, shows them and tells the host (i_am_ok:, the change flag); a new
  // change drops what was undone. "undo:" and "redo:" reach them through
  // performAction. Result: false, with nothing changed, when there is nothing
  // to undo (redo) or while the key configurator is open.
  bool undoChange();
  bool redoChange();
  [[nodiscard]] bool canUndoChange() const;
  [[nodiscard]] bool canRedoChange() const;

  // ---- All conflicts ----
  // The "All Conflicts…" button: a list panel on the pane's window with
  // every sequence that two or more commands of the current set hold in the
  // same context (allConflicts), the menu commands first, then the editing
  // commands: under each group's heading a row per sequence ("⌘S: 'Save',
  // 'Sell'", in the person's notation) and under it a row per command, titled
  // as its outline shows it.
  // Choosing a row and "Show Command" (or a double click) closes the panel
  // and selects the command (a sequence's row: its first holder) in its
  // outline: the tab switches to it, the rows above it open, and a search
  // that hides it is cleared. The panel is modal: after the user fixed one
  // conflict the list would be stale, so it is made afresh each time.
  // Without conflicts it says "No two commands share a shortcut.". Nothing
  // is changed, so the host hears nothing.
  void showAllConflicts(Sender* sender);
  // ---- Search by keys ----
  // BTN_kb_search_keys. Turned on, the pane records the keys pressed next as
  // the key configurator does (it is the host's key snooper, so nothing else
  // reacts to them), shows them in TEXT_kb_search in the person's notation, and
  // both outlines show only the commands one of whose sequences starts with
  // them (in any context), with the menus and groups above them. Recording
  // ends at Escape (alone; it is not recorded), when no command of either
  // outline matches any more (more keys could only match nothing), and when
  // the key configurator opens; the matches stay shown. A click while on,
  // or the user editing the field, turns it off: the field then searches by
  // title again (everything shown when it is empty). Refused (stays off)
  // while the key configurator is open or without an application to snoop on.
  void toggleKeySearch(Sender* sender);

  // ---- Cheat sheet ----
  // The current set's shortcuts as a printable reference (cheat_sheet.h):
  // the menus of the host's main menu, then the groups of the editing
  // commands, each command with a shortcut in both notations (in words
  // alone while the person chose them). Titled with
  // the set's name, or its number for a set without one (as export names
  // its file).
  [[nodiscard]] CheatSheet cheatSheet() const;
  // The cheat sheet as a self-contained HTML page, its column headings from
  // the "Extras" table.
  [[nodiscard]] std::string cheatSheetPage() const;
  // "Cheat Sheet…": a save panel suggesting "<set name>.html"; the chosen
  // name's extension picks the format (cheatSheetDestination): HTML written
  // atomically, or PDF through the toolkit's writeDocumentAsPDF. A file that
  // cannot be written gives an alert naming it; cancel does nothing.
  void saveCheatSheet(Sender* sender);
  void cheatSheetSavePanelDidEndReturnCodeContextInfo(int returnCode, const std::string& path);

  // ---- The operations behind the controls ----
  // What the controls above do, as calls with values in and out, for
  // programs that drive the pane without a screen (the keybindings tool).
  // The controls reach the same operations. A change is told to the host as
  // a control's is (i_am_ok:, the change flag) and can be undone; none opens
  // a sheet, a panel or an alert.

  // A row of an outline shown fully expanded and unfiltered.
  struct CommandRow {
    int level = 0;                        // 0 for the top level
    std::string title;                    // as shown
    std::string keys;                     // the "Key" column in the glyphs, whatever the person's notation
    std::optional<std::string> entryKey;  // the command's key in the set; nullopt when the row has none
    bool selectable = false;              // a command the user can select and bind
  };
  // The rows of `group`'s outline in display order, whatever the search field holds.
  [[nodiscard]] std::vector<CommandRow> commandRows(ShownGroup group) const;
  // The set pop-up's items (setChoices over the collection and the host's default set).
  [[nodiscard]] std::vector<SetChoice> setChoices() const;
  // Makes set `number` current, as choosing its pop-up item does. Result:
  // false, with nothing changed, when the pop-up has no item for it.
  bool chooseSet(std::int32_t number);
  // Adds a copy of the current set named `name` (as typed), which becomes
  // current. Result: its number; nullopt, with nothing changed, for a name
  // the set-name sheet refuses (setNameCanBeConfirmed).
  std::optional<std::int32_t> duplicateCurrentSet(const std::string& name);
  // Removes the current set. Result: false, with nothing changed, while the
  // host's default set is current.
  bool removeCurrentSet();
  // Writes the current set to `path` as a property list. Result: false when
  // it cannot be written.
  [[nodiscard]] bool exportCurrentSet(const std::string& path) const;
  // An alert the pane would show instead of doing what was asked.
  struct Refusal {
    std::string title;
    std::string message;
  };
  // What importing set files did.
  struct ImportResult {
    std::vector<std::int32_t> added;  // the new sets' numbers, in the files' order
    std::optional<Refusal> refusal;   // names the files that hold no set
  };
  // One file chosen for import, read: a set file of the pane's own, or
  // another editor's keymap and the set its import makes.
  struct ImportFile {
    DictionaryRef set;                   // null: nothing to import
    std::optional<KeymapImport> keymap;  // for another editor's keymap
    std::string problem;                 // one line: why a keymap could not be read; empty otherwise
  };
  // Reads `path` for import. Without `kind`, a property list is a set file
  // as always, and anything else a keymap of the kind its content shows (a
  // file of none gives an empty ImportFile); with `kind`, a keymap of that
  // kind. Keymaps go through the mapping table over the current set.
  [[nodiscard]] ImportFile readImportFile(const std::string& path, std::optional<KeymapKind> kind = std::nullopt) const;
  // Adds the set of each file of `paths`, as import does once the files are chosen.
  ImportResult importSetFiles(const std::vector<std::string>& paths, std::optional<KeymapKind> kind = std::nullopt);
  // Adds the sets of `files` (readImportFile of `paths`), as importSetFiles does.
  ImportResult importReadFiles(const std::vector<std::string>& paths, const std::vector<ImportFile>& files);
  // The alert that asking to edit a command gives while the host's default
  // set is current; nullopt while another set is.
  [[nodiscard]] std::optional<Refusal> editRefusal() const;
  // One event as the host's key snooper passes it on.
  struct KeyEvent {
    std::uint32_t type = 0;  // kKeyDownEventType, kFlagsChangedEventType, ...
    std::string characters;
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
  };
  // What the key configurator records from `events`: the strokes, and their
  // text in the pane's symbols as its field shows them.
  struct CapturedKeys {
    MutableArrayRef strokes;
    std::string text;
  };
  [[nodiscard]] static CapturedKeys captureKeys(const std::vector<KeyEvent>& events);
  // The key configurator's status line for `keys` while the command
  // `entryKey` of `group` is selected (nullopt: no command is).
  // The desktop's shortcuts (Application::desktopShortcuts) converted to
  // stored sequences; those our strokes cannot hold are left out.
  [[nodiscard]] std::vector<DesktopBinding> desktopBindings() const;
  [[nodiscard]] StatusLine conflictStatus(ShownGroup group, const CapturedKeys& keys,
                                          const std::optional<std::string>& entryKey) const;
  // What binding keys to a command came to.
  enum class BindOutcome {
    Bound,          // stored; the host is told
    Refused,        // an alert: the default set, or a hot key already bound
    Conflict,       // other commands hold the keys: the status line says which
    HotKeyTooLong,  // the hot key takes one chord or two plain keys
    NoEntry,        // neither the set nor the default set has an entry for the command
  };
  struct BindResult {
    BindOutcome outcome = BindOutcome::Bound;
    std::optional<Refusal> refusal;  // Refused
    StatusLine statusLine;           // Conflict
  };
  // Binds `keys` to the command `entryKey` of `group`, as "Add Shortcut...",
  // the keys and OK in the key configurator do; the strokes are stored as
  // they are.
  BindResult bindKeys(ShownGroup group, const std::string& entryKey, const CapturedKeys& keys);
  // Removes the command's shortcut at `index`, as its "Remove" item in the
  // edit menu does. Result: false, with nothing changed, while the default
  // set is current or when the current set holds no such shortcut.
  bool removeShortcut(ShownGroup group, const std::string& entryKey, std::int64_t index);

  // ---- Dispatch by selector name (menus, buttons, delayed calls) ----
  void performAction(const std::string& selector, Sender* sender) override;

  // ---- Interface loading ----
  [[nodiscard]] std::vector<OutletSpec> interfaceOutlets() const override;
  void connectOutlet(const std::string& name, UiObject* object) override;

  // ---- State, read-only, for the host and tests ----
  [[nodiscard]] std::int32_t keyBindingsNumber() const { return _keyBindingsNumber; }
  // The collection, every set in it a mutable copy of its own (copying now
  // the sets still shared with the store or with undo states).
  [[nodiscard]] MutableDictionaryRef keyBindingsSets() const;
  [[nodiscard]] DictionaryRef currentKeyBindingsSet() const { return _currentKeyBindingsSet; }
  [[nodiscard]] MutableArrayRef keyCodesArray() const { return _keyCodesArray; }
  [[nodiscard]] bool shouldSendModifiers() const { return _shouldSendModifiers; }
  [[nodiscard]] ArrayRef editorMenuList() const { return _editorMenuList; }
  [[nodiscard]] PreferencesPanel* thePreference() const { return _thePreference; }
  [[nodiscard]] const PaneServices& services() const { return services_; }

  // Outlets (not owned; null until the interface is loaded).
  View* VIEW_key_bindings = nullptr;
  TabView* TABV_outlines = nullptr;
  PopUpButton* PUB_sets = nullptr;
  Button* BTN_kb_del_set = nullptr;
  Window* WIN_set_name = nullptr;
  TextField* TEXT_set_name = nullptr;
  Button* BTN_set_name_OK = nullptr;
  Button* BTN_kb_export_set = nullptr;
  Window* WIN_key_configurator = nullptr;
  TextField* TEXT_key_configurator = nullptr;
  Button* BTN_key_configurator_OK = nullptr;
  Button* BTN_key_configurator_clear = nullptr;
  TextField* TEXT_kb_conflict = nullptr;
  OutlineView* OLV_menu_key_bindings = nullptr;
  OutlineView* OLV_editor_key_bindings = nullptr;
  // Controls the pane wires to its actions without keeping them as fields of
  // their own: the duplicate and import buttons and the sheets' cancel buttons.
  Button* BTN_kb_duplicate_set = nullptr;
  Button* BTN_kb_import_set = nullptr;
  Button* BTN_set_name_cancel = nullptr;
  Button* BTN_key_configurator_cancel = nullptr;
  // The key configurator's second status line: the commands whose shortcut
  // starts with the keys typed so far, or with which they start, so that one
  // of the two could never be typed. Empty when there are none.
  TextField* TEXT_kb_ambiguity = nullptr;
  // Ends the key configurator with kReturnCodeFixInPlace: the captured
  // sequence is taken from the commands that hold it and bound to the
  // selected one, in one change. Enabled while the sequence conflicts and the
  // current set can be changed.
  Button* BTN_key_configurator_fix = nullptr;
  // Reset to Default for the selected command, its group and the whole set.
  Button* BTN_kb_reset_command = nullptr;
  Button* BTN_kb_reset_group = nullptr;
  Button* BTN_kb_reset_set = nullptr;
  // The search field over the outlines: while it holds text, both outlines
  // show only the commands whose titles contain it (case and accents do not
  // count; matching inside words) and the groups and menus above them.
  TextField* TEXT_kb_search = nullptr;
  // Opens the list of every conflict of the current set (showAllConflicts).
  Button* BTN_kb_all_conflicts = nullptr;
  // The search field's record mode (see toggleKeySearch); shown pressed in
  // while it is on.
  Button* BTN_kb_search_keys = nullptr;
  // "Cheat Sheet…": saves the current set as a printable reference.
  Button* BTN_kb_cheat_sheet = nullptr;
  // The key configurator's keyboard-layout line: the selected command's
  // shortcuts and the keys typed so far that the keyboard layout active now
  // cannot type (Application::canTypeKeyNow). Empty when it can type them all.
  TextField* TEXT_kb_layout = nullptr;
  // The key configurator's desktop line: who on the desktop takes the keys
  // typed so far (Application::desktopShortcuts), a warning only.
  TextField* TEXT_kb_desktop = nullptr;
  // Under the outlines: why the hot key works only inside the editor
  // (Application::hotKeyReach); empty where it works from every program.
  TextField* TEXT_kb_hot_key = nullptr;

 private:
  // Shared by the operations above.
  [[nodiscard]] ShownGroup shownGroup() const;
  [[nodiscard]] OutlineView* shownOutline() const;
  // The shown outline's item at its selected row, or none.
  [[nodiscard]] OutlineItem selectedItem() const;
  // The key of `item`'s entry in `group`: MenuItemIdentifier or command name.
  [[nodiscard]] std::optional<std::string> entryKeyForItem(ShownGroup group, const OutlineItem& item) const;
  // The current set's dictionary of `group`, mutable, or null.
  [[nodiscard]] MutableDictionaryRef groupDictionary(ShownGroup group) const;
  // "key bindings" = true in the host's changed attributes.
  void setChangeFlag();
  // `i_am_ok:` with the pane, then the change flag.
  void noteChange();
  // How the person chose to see shortcuts (the host's defaults), read afresh
  // each time the pane writes one, so that a choice applied in another pane
  // shows the next time this one draws. Symbols without a panel.
  [[nodiscard]] ShortcutNotation shortcutNotation() const;
  // `key` in the pane bundle's table, the key itself when untranslated.
  [[nodiscard]] std::string localized(const std::string& key, const char* table = kLocalizableTable) const;
  [[nodiscard]] DictionaryRef defaultSet() const;
  // The context the key configurator's searches compare entries with: the
  // default entry's "context" of the selected editing command; null for the
  // menu group and when no editing command is selected.
  [[nodiscard]] Ref conflictReferenceContext() const;
  // Fills TEXT_kb_layout for the selected command and the captured keys.
  void showUntypableShortcuts();
  // Fills TEXT_kb_hot_key from the host.
  void showHotKeyReach();
  void wireInterface();
  // Applies a reset plan to the current set (see resetEntriesToDefault).
  [[nodiscard]] std::optional<std::size_t> applyResetPlan(const std::vector<EntryReset>& plan);
  // Fix in place: takes the captured sequence away from the commands of
  // `group` that hold it, then adds it to the entry under `key`. Result:
  // false, with nothing changed, when the set cannot take it.
  [[nodiscard]] bool bindInPlace(ShownGroup group, const std::string& key);
  // Sets copied when first needed (set_sharing.cc). Where the collection's
  // sets came from: the store (their menu titles are refreshed when they are
  // copied) or an undo state.
  enum class SetOrigin { Store, UndoState };
  enum class SetSelection { All, StaleTitles };
  // Replaces the collection by one holding the sets of `sets`, shared.
  void takeSharedSets(const Dictionary& sets, SetOrigin origin);
  void shareSets(const Dictionary& sets, SetOrigin origin) const;
  void forgetUnheldSets() const;
  // The set under `key`, copied first when it is shared; null when there is
  // none or it is no dictionary.
  [[nodiscard]] MutableDictionaryRef ownedSetForKey(const std::string& key) const;
  // Copies the shared sets (All) or those whose titles were not yet refreshed.
  void ownSets(SetSelection which) const;
  // The titles of `set`'s menu entries become the default set's.
  void refreshTitles(MutableDictionary& set) const;
  // Undo and redo (undo.cc).
  [[nodiscard]] SetsState currentSetsState() const;
  void restoreSetsState(const SetsState& state);
  void restartHistory();
  void recordChange();
  // The entry keys of the top-level group of the shown outline that holds
  // `key`, in row order; {key} for a command outside every group.
  [[nodiscard]] std::vector<std::string> entryKeysOfGroupHolding(const std::string& key);
  // The outlines' tree before filtering (outlines.cc).
  [[nodiscard]] std::int64_t numberOfAllChildren(ShownGroup group, const OutlineItem& item) const;
  [[nodiscard]] OutlineItem childOfAll(ShownGroup group, std::int64_t index, const OutlineItem& item) const;
  // The row's title as shown: the menu item's, or the localized command or group name.
  [[nodiscard]] std::string rowTitle(ShownGroup group, const OutlineItem& item) const;
  // With a search: whether `item` or a command below it matches, and the
  // indices among all children of `parent` of those shown (cached until the
  // next reload).
  [[nodiscard]] bool shownBySearch(ShownGroup group, const OutlineItem& item) const;
  [[nodiscard]] const std::vector<std::int64_t>& shownChildren(ShownGroup group, const OutlineItem& parent);
  // Set management (set_management.cc): shows set `number` and tells the
  // host; adds a copy of the current set under `name`; adds the sets read
  // from `paths` (`read`: null for a file that holds none).
  void showSet(std::int32_t number);
  std::int32_t addCopyOfCurrentSet(const std::string& name);
  ImportResult importReadSets(const std::vector<std::string>& paths, const std::vector<DictionaryRef>& read);
  // The table of other editors' commands: the bundle's, with the user's laid over it.
  [[nodiscard]] DictionaryRef keymapCommands() const;
  // Beeps when a reset was refused (the default set is current).
  void beepUnlessReset(const std::optional<std::size_t>& reset);
  // All conflicts and the import preview (conflict_lists.cc). The item of the
  // command `entryKey` in `group`'s whole tree, or none.
  [[nodiscard]] OutlineItem commandItem(ShownGroup group, const std::string& entryKey) const;
  // The command's title as its outline shows it; the key itself when the
  // outline has no such command.
  [[nodiscard]] std::string commandTitle(ShownGroup group, const std::string& entryKey) const;
  // Shows `group`'s outline and selects the command there. Result: false
  // when the outline has no such command.
  bool selectCommand(ShownGroup group, const std::string& entryKey);
  // "⌘S: 'Save', 'Sell'" for `conflict` of `group`.
  [[nodiscard]] std::string conflictRowText(ShownGroup group, const SequenceConflict& conflict) const;
  // The import preview of the files read from `paths`, in a list panel; for
  // a keymap also the commands that change and the entries not imported.
  // Result: whether to import; true without asking when no file could be
  // read (the import then only tells so, as it always did).
  [[nodiscard]] bool confirmImport(const std::vector<std::string>& paths, const std::vector<ImportFile>& files);
  // The preview's rows of what a keymap's import changes and leaves out.
  void addKeymapRows(ListPanel& panel, const KeymapImport& keymap) const;
  // The strokes of one raw key event added to `strokes` as the key
  // configurator records them (`_shouldSendModifiers` arms the modifier-only
  // stroke). Result: their text in the pane's symbols ("⌘S"); nullopt when
  // the event adds none (modifier changes, key-ups, dead keys).
  [[nodiscard]] std::optional<std::string> captureKeyEvent(MutableArray& strokes, std::uint32_t type,
                                                           const std::string& characters, std::uint16_t keyCode,
                                                           std::uint32_t modifiers);
  // The same with the armed flag given: what captureKeys and the pane share.
  [[nodiscard]] static std::optional<std::string> captureKeyEventArmed(MutableArray& strokes, bool& armed,
                                                                       std::uint32_t type, const std::string& characters,
                                                                       std::uint16_t keyCode, std::uint32_t modifiers);
  // The status-line texts of the current set and the pane's tables.
  [[nodiscard]] ConflictTexts conflictTexts() const;
  // The context the searches compare entries with while `entryKey` of
  // `group` is selected (see conflictReferenceContext).
  [[nodiscard]] Ref referenceContextFor(ShownGroup group, const std::optional<std::string>& entryKey) const;
  // Adds `strokes` to the command of row `item` of `group` (FixInPlace: takes
  // them from the commands holding them first), as OK of the key configurator
  // does. Result: Bound when stored and told, HotKeyTooLong or NoEntry with
  // nothing changed.
  enum class Commit { Add, FixInPlace };
  [[nodiscard]] BindOutcome commitKeys(ShownGroup group, const OutlineItem& item, const MutableArrayRef& strokes,
                                       Commit commit);
  // The hot-key alert when the command `item` is the hot key and already bound.
  [[nodiscard]] std::optional<Refusal> hotKeyRefusal(ShownGroup group, const OutlineItem& item) const;
  // Search by keys (key_search.cc). Off; Recording, the pane the snooper;
  // Shown, recording ended with its matches still shown.
  enum class KeySearch { Off, Recording, Shown };
  void recordSearchKey(std::uint32_t type, const std::string& characters, std::uint16_t keyCode,
                       std::uint32_t modifiers);
  void endKeyRecording();
  void turnKeySearchOff();
  // Whether the outlines show a subset: a title query, or pressed keys.
  [[nodiscard]] bool outlinesFiltered() const;
  // Whether the command row `item` of `group` is a match of the search.
  [[nodiscard]] bool commandMatchesSearch(ShownGroup group, const OutlineItem& item) const;
  // The "changed" column (outlines.cc): the mark of a command row whose
  // shortcuts differ from the default set's, the number of such commands
  // below a top-level row (those the search shows, as Reset Group resets
  // them); empty otherwise and while the default set is current. Asked afresh
  // each time.
  [[nodiscard]] std::string changedCellText(ShownGroup group, const OutlineItem& item) const;
  [[nodiscard]] bool isTopLevelItem(ShownGroup group, const OutlineItem& item) const;
  [[nodiscard]] std::size_t changedCommandsBelow(ShownGroup group, const OutlineItem& item) const;

  PaneServices services_;
  std::unique_ptr<LoadedInterface> interface_;

  PreferencesPanel* _thePreference = nullptr;
  std::int32_t _keyBindingsNumber = 0;
  MutableDictionaryRef _keyBindingsSets;
  DictionaryRef _currentKeyBindingsSet;
  // Sets of the collection that the store or undo states hold too, and those
  // of them read from the store whose titles were not refreshed yet. Never
  // changed in place; copied by ownedSetForKey.
  mutable std::unordered_set<Ref> sharedSets_;
  mutable std::unordered_set<Ref> staleTitleSets_;
  bool _shouldSendModifiers = false;
  MutableArrayRef _keyCodesArray;
  // The desktop's shortcuts while the key sheet is open.
  std::vector<DesktopBinding> desktopBindings_;
  ArrayRef _editorMenuList;
  bool snooping_ = false;
  std::unique_ptr<UndoHistory> history_;
  std::string searchQuery_;  // folded; empty: no filter
  std::map<std::pair<ShownGroup, const void*>, std::vector<std::int64_t>> shownChildren_;
  KeySearch keySearch_ = KeySearch::Off;
  MutableArrayRef searchKeys_;  // the keys pressed in the record mode
  // Entry keys matching searchKeys_ per group, found when first needed after a reload.
  mutable std::map<ShownGroup, std::unordered_set<std::string>> keySearchMatches_;
};

}  // namespace qor
