// The host editor: its document window and main menu, its defaults, its
// preferences window with the panes of its plug-ins, and the Application
// port the panes use.
//
// The defaults live in an XML property-list file (PlistFileDefaults), written
// atomically at each change. The main menu is built from the host bundle's
// "MainMenu.plist", the very description the default key-binding set is
// built against, so every command of the set finds its menu action. A set
// is applied by handing its sequences, of any length, to the editor's own
// dispatcher of key sequences (key_sequence_dispatcher.h), the menu's
// commands in menu order, then the text view's editing commands in the order
// of their table: that is the order in which a sequence two commands share
// goes to the first. Each menu item shows its first sequence in the notation
// chosen in General (after a tab in its text: QMenu's shortcut column), and
// Qt itself holds no shortcut. "bringQORtoFront:" works in every window of
// the application, as every menu command does, and from every program
// through the desktop's GlobalShortcuts portal or an X11 grab (hot_key.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QMenu>
#include <QTranslator>

#include "editor_window.h"
#include "hot_key.h"
#include "invisibles_overlay.h"
#include "key_sequence_dispatcher.h"
#include "plugins.h"
#include "preferences_window.h"
#include "qor/bundle.h"
#include "qor/defaults/defaults.h"
#include "qor/ports/host.h"
#include "qor/qt/key_snooper.h"
#include "qor/qt/main_menu.h"
#include "qor/qt/toolkit.h"

namespace qor {

struct HostOptions {
  std::string resourcesPath;  // the host's bundle: MainMenu.plist, the set's tables, GUIStrings
  std::string pluginsPath;    // one folder per plug-in
  std::string defaultsPath;   // the defaults file
};

class HostEditor final : public Application {
 public:
  explicit HostEditor(HostOptions options);
  ~HostEditor() override;
  HostEditor(const HostEditor&) = delete;
  HostEditor& operator=(const HostEditor&) = delete;

  // Builds the window and its menus from the resources, loads the plug-ins
  // and applies the stored set. Result: false, after a "***" log line, when
  // the menu description or the default set cannot be read.
  [[nodiscard]] bool start();
  [[nodiscard]] EditorWindow& window() { return *window_; }

  // Opens the preferences window (once) on the pane named or identified by
  // `pane` ("Key Bindings", "KeyBindings"; empty: the first pane).
  void showPreferences(const std::string& pane);
  // The preferences window has closed: it goes from the event loop.
  void preferencesClosed();
  // Destroys the preferences window at once.
  void closePreferences() { preferences_.reset(); }
  [[nodiscard]] PreferencesWindow* preferences() const { return preferences_.get(); }

  // ---- For the panes ----
  [[nodiscard]] DefaultsStore& defaults() { return defaults_; }
  [[nodiscard]] DictionaryRef defaultKeyBindingsSet() const { return defaultSet_; }
  // Applies set `number` as stored in the defaults to the dispatcher and the
  // menus; logs one line per sequence more than one command holds.
  void applyKeyBindingsSet(std::int32_t number);
  // Applies the font and wrapping of the defaults to the text view, and the
  // shortcut notation and the delay of the popup of what can follow to the
  // dispatcher and the menus.
  void applyEditorSettings();

  // ---- Application ----
  void setSnooper(KeySnooper* snooper) override;
  [[nodiscard]] const Menu* mainMenu() const override { return menu_.get(); }
  // Asks the X server's keymap and active group (qor/qt/keyboard_layout.h).
  [[nodiscard]] bool canTypeKeyNow(const std::string& key) const override;
  // What the desktop's settings held at start, or when the preferences window last opened.
  [[nodiscard]] std::vector<DesktopShortcut> desktopShortcuts() const override { return desktopShortcuts_; }
  // The one document window.
  [[nodiscard]] std::vector<Document*> orderedDocuments() const override { return {window_.get()}; }
  // What the hot key's binding outside the editor came to (hot_key.h).
  [[nodiscard]] HotKeyReach hotKeyReach() const override;

  // ---- State, for the state dump ----
  [[nodiscard]] const QtToolkit& toolkit() const { return toolkit_; }
  [[nodiscard]] bool isSnooping() const { return snooper_ != nullptr; }
  [[nodiscard]] const QtMainMenu* menu() const { return menu_.get(); }
  [[nodiscard]] const std::string& defaultsPath() const { return options_.defaultsPath; }
  [[nodiscard]] const EditorWindow* editorWindow() const { return window_.get(); }
  [[nodiscard]] const KeySequenceDispatcher& dispatcher() const { return *dispatcher_; }

 private:
  void loadQtTranslations();
  // Has the window (or the host) carry out `command` when it is chosen; a
  // command neither has is greyed.
  void connectMenuCommand(const QtMainMenu::Command& command);
  // The submenu item with kSubmenuAction and `tag`, and the menu that holds
  // it; empty when there is none.
  struct StyleMenu {
    QtMainMenu::Command command{nullptr, nullptr};
    QMenu* menu = nullptr;
  };
  [[nodiscard]] StyleMenu styleMenu(std::int64_t tag) const;
  // Fills the Format menu's submenus of named styles with what the support
  // folders hold now, when that changed, and adds the styles to the default
  // set (without shortcuts): they are commands of the main menu like any other.
  void listNamedStyles();
  void bringToFront();
  void showAbout();
  [[nodiscard]] std::vector<PaneListing> paneListings();
  // Each menu item's text with its first sequence after a tab.
  void showMenuShortcuts();
  // Binds the applied set's hot key outside the editor.
  void applyHotKey();

  HostOptions options_;
  std::shared_ptr<const Bundle> bundle_;
  PlistFileDefaults defaults_;
  QtToolkit toolkit_;
  // Qt's own texts (standard buttons, file dialogs) in the host's language.
  std::unique_ptr<QTranslator> qtTexts_;
  std::unique_ptr<EditorWindow> window_;
  std::unique_ptr<QtMainMenu> menu_;
  // The default set as the host's resources make it, and with the named
  // styles listed now.
  DictionaryRef builtDefaultSet_;
  DictionaryRef defaultSet_;
  EditorWindow::StyleMenus listedStyles_;
  std::int32_t appliedSetNumber_ = 0;
  // The lines logged for the shared sequences of the set applied last.
  std::vector<std::string> sharedSequenceLines_;
  std::vector<LoadedPlugin> plugins_;
  std::vector<DesktopShortcut> desktopShortcuts_;
  std::unique_ptr<KeySnooperFilter> snooper_;
  // Installed before any snooper, so that a snooper sees the keys first.
  std::unique_ptr<KeySequenceDispatcher> dispatcher_;
  std::unique_ptr<PreferencesWindow> preferences_;
  // Over the window's text view; declared after window_ so that it goes first.
  std::unique_ptr<InvisiblesOverlay> invisibles_;
  // Bound at each applied set; released before the window goes.
  std::unique_ptr<HotKey> hotKey_;
};

}  // namespace qor
