#include "host_editor.h"

#include <algorithm>
#include <functional>
#include <limits>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>

#include "key_binding_sets.h"
#include "panes.h"
#include "qor/collections.h"
#include "qor/desktop/desktop_shortcuts.h"
#include "qor/host/default_set.h"
#include "qor/key_bindings.h"
#include "qor/key_notation.h"
#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/qt/keyboard_layout.h"
#include "qor/qt/psd_image.h"
#include "ui_text.h"

namespace qor {

namespace {

constexpr const char* kShowPreferencesAction = "showPreferences:";
constexpr const char* kTerminateAction = "terminate:";
constexpr const char* kArrangeInFrontAction = "arrangeInFront:";
constexpr const char* kShowHelpAction = "showHelp:";
// The Format menu's submenus of named styles: submenu items with these tags,
// filled from the support folders.
constexpr std::int64_t kStylesMenuTag = 1;
constexpr std::int64_t kStyleSheetsMenuTag = 2;
constexpr const char* kGeneralPaneName = "General";
constexpr const char* kQtTranslationsPrefix = "qtbase_";
// Keys of the menu description's items.
constexpr const char* kMenuTitleKey = "title";
constexpr const char* kSubmenuKey = "submenu";
constexpr int kGeneralPaneOrder = 1;
// Plug-ins whose "order" is no number come last.
constexpr int kUnorderedPane = std::numeric_limits<int>::max();
constexpr QSize kEditorSize(960, 680);
constexpr QPoint kEditorOffset(40, 30);
// QMenu shows what follows a tab in an item's text in its shortcut column.
constexpr QChar kMenuShortcutSeparator = u'\t';

std::string stringIn(const DictionaryRef& dictionary, const char* key) {
  auto value = dictionary ? dictionary->stringForKey(key) : nullptr;
  return value ? value->value() : std::string();
}

// The icon bytes of a pane: any image Qt reads, or a Photoshop file.
QIcon iconFromData(const DataRef& data) {
  if (!data) return {};
  QImage image;
  const auto& bytes = data->bytes();
  if (!image.loadFromData(bytes.data(), static_cast<int>(bytes.size()))) image = imageFromPhotoshopData(bytes);
  return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

// The menu description with its titles in the user's language, for the
// menus the user sees (an item's identifier holds no title, so the bindings
// stay the same in every language).
Ref translatedMenuTitles(const Ref& description) {
  Ref copy = MakePlistMutable(description);
  std::function<void(const Ref&)> translate = [&translate](const Ref& items) {
    MutableArrayRef array = asMutableArray(items);
    for (std::size_t index = 0; array && index < array->count(); ++index) {
      MutableDictionaryRef item = asMutableDictionary(array->objectAtIndex(index));
      if (!item) continue;
      if (auto title = item->stringForKey(kMenuTitleKey))
        item->setObjectForKey(str(uiText(title->value().c_str()).toStdString()), kMenuTitleKey);
      translate(item->objectForKey(kSubmenuKey));
    }
  };
  translate(copy);
  return copy;
}

std::int32_t setNumber(std::int64_t stored) {
  using Limits = std::numeric_limits<std::int32_t>;
  return stored < Limits::min() || stored > Limits::max() ? 0 : static_cast<std::int32_t>(stored);
}

}  // namespace

HostEditor::HostEditor(HostOptions options)
    : options_(std::move(options)),
      bundle_(std::make_shared<const Bundle>(options_.resourcesPath)),
      defaults_(options_.defaultsPath),
      desktopShortcuts_(readDesktopShortcuts()) {
  setMainBundle(bundle_);
}

HostEditor::~HostEditor() = default;

bool HostEditor::start() {
  loadQtTranslations();
  window_ = std::make_unique<EditorWindow>();
  window_->setOnClosed([] { QCoreApplication::quit(); });
  dispatcher_ = std::make_unique<KeySequenceDispatcher>(*window_, [this] { return isSnooping(); });
  qApp->installEventFilter(dispatcher_.get());
  invisibles_ = std::make_unique<InvisiblesOverlay>(window_->textView());
  hotKey_ = std::make_unique<HotKey>(*window_, [this] { bringToFront(); });
  std::optional<std::string> menuPath = bundle_->pathForResource(kMainMenuResource);
  menu_ = QtMainMenu::build(translatedMenuTitles(menuPath ? readPropertyListFile(*menuPath) : nullptr),
                            *window_->menuBar());
  if (!menu_) {
    logLine("*** qor-editor: cannot build the main menu from " + options_.resourcesPath + "/" + kMainMenuResource);
    return false;
  }
  builtDefaultSet_ = buildDefaultKeyBindingsSet(*menu_, *bundle_);
  if (!builtDefaultSet_) return false;
  defaultSet_ = builtDefaultSet_;
  for (const QtMainMenu::Command& command : menu_->commands()) connectMenuCommand(command);
  applyEditorSettings();
  // The stored set, applied once the named styles are listed (which applies it already when there are any).
  appliedSetNumber_ = setNumber(defaults_.integerForKey(kSetNumberDefaultsKey));
  listNamedStyles();
  // Read again each time the Format menu opens: another program may add some.
  if (QMenu* format = styleMenu(kStylesMenuTag).menu)
    QObject::connect(format, &QMenu::aboutToShow, window_.get(), [this] { listNamedStyles(); });
  plugins_ = loadPlugins(options_.pluginsPath);
  applyKeyBindingsSet(appliedSetNumber_);

  window_->resize(kEditorSize);
  if (QScreen* screen = QGuiApplication::primaryScreen())
    window_->move(screen->availableGeometry().topLeft() + kEditorOffset);
  window_->show();
  return true;
}

// Debian's qt6-translations-l10n: qtbase_<language>.qm, in the first of the
// host's languages that has one. Installed before any window is made, so
// no widget needs to retranslate itself.
void HostEditor::loadQtTranslations() {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const std::string& language : bundle_->languages()) {
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QString(kQtTranslationsPrefix) + QString::fromStdString(language), folder)) continue;
    QCoreApplication::installTranslator(translator.get());
    qtTexts_ = std::move(translator);
    return;
  }
}

void HostEditor::connectMenuCommand(const QtMainMenu::Command& command) {
  std::optional<std::string> action = command.item->actionName();
  if (!action || *action == kSubmenuAction) return;
  if (*action == kToggleInvisiblesAction) {
    connectShowInvisibles(*command.action, *invisibles_, defaults_);
    return;
  }
  const std::int64_t tag = command.item->tag();
  std::function<void()> run;
  if (*action == kShowPreferencesAction) {
    run = [this] { showPreferences(""); };
  } else if (*action == kTerminateAction) {
    run = [this] { window_->close(); };
  } else if (*action == kHotKeyAction || *action == kArrangeInFrontAction) {
    run = [this] { bringToFront(); };
  } else if (*action == kShowHelpAction) {
    run = [this] { showAbout(); };
  } else if (window_->performsMenuCommand(*action, tag)) {
    run = [this, name = *action, tag] {
      // While the preferences are the active window, their pane's changes are
      // undone first; in the document's window, Undo is the document's, as
      // its text view gave it before the editor dispatched keys itself.
      if (preferences_ && preferences_->isActiveWindow() && preferences_->performEditCommand(name)) return;
      window_->performMenuCommand(name, tag);
    };
  }
  if (run) {
    QObject::connect(command.action, &QAction::triggered, window_.get(), run);
  } else if (!command.item->submenu()) {
    // A command this editor does not have (yet): shown, bindable, greyed.
    command.action->setEnabled(false);
  }
}

HostEditor::StyleMenu HostEditor::styleMenu(std::int64_t tag) const {
  for (const QtMainMenu::Command& command : menu_->commands()) {
    if (command.item->actionName() != kSubmenuAction || command.item->tag() != tag || !command.item->submenu()) continue;
    for (QObject* object : command.action->associatedObjects())
      if (auto* menu = qobject_cast<QMenu*>(object)) return {command, menu};
    return {command, nullptr};
  }
  return {};
}

void HostEditor::listNamedStyles() {
  EditorWindow::StyleMenus listed = window_->styleMenus();
  if (isEqual(listed.styles, listedStyles_.styles) && isEqual(listed.sheets, listedStyles_.sheets)) return;
  listedStyles_ = listed;
  // The default set has no shortcut for a named style: an entry without one,
  // as for the host's other commands without a shortcut.
  auto menuEntries = MutableDictionary::make(builtDefaultSet_->dictionaryForKey(kSetMenuKey)->entries());
  const std::pair<std::int64_t, ArrayRef> lists[] = {{kStylesMenuTag, listed.styles},
                                                      {kStyleSheetsMenuTag, listed.sheets}};
  for (const auto& [tag, description] : lists) {
    const StyleMenu holder = styleMenu(tag);
    auto commands = holder.command.item ? menu_->replaceSubmenuItems(*holder.command.item, description) : std::nullopt;
    if (!commands) continue;
    holder.command.action->setEnabled(!commands->empty());
    for (const QtMainMenu::Command& command : *commands) {
      connectMenuCommand(command);
      std::optional<std::string> identifier = identifierForMenuItem(command.item);
      if (identifier && command.item->actionName() != kSubmenuAction)
        menuEntries->setObjectForKey(Dictionary::make({{kEntryTitleKey, str(command.item->title())}}), *identifier);
    }
  }
  auto set = MutableDictionary::make(builtDefaultSet_->entries());
  set->setObjectForKey(menuEntries, kSetMenuKey);
  defaultSet_ = set;
  applyKeyBindingsSet(appliedSetNumber_);
}

void HostEditor::applyKeyBindingsSet(std::int32_t number) {
  appliedSetNumber_ = number;
  DictionaryRef set = keyBindingsSetForNumber(asDictionary(defaults_.objectForKey(kSetsDefaultsKey)), defaultSet_, number);
  std::vector<DispatchedCommand> commands;
  for (const QtMainMenu::Command& command : menu_->commands()) {
    std::optional<std::string> identifier = identifierForMenuItem(command.item);
    if (identifier) commands.push_back({{kSetMenuKey, *identifier, command.item->title()}, command.action});
  }
  for (const auto& [name, action] : window_->textCommandActions()) commands.push_back({{kSetEditorKey, name, name}, action});
  std::vector<DispatchCommand> outline;
  for (const DispatchedCommand& command : commands) outline.push_back(command.command);
  dispatcher_->setBindings(dispatchBindingsOfSet(set, defaultSet_, outline), std::move(commands), window_->textView());
  // Once per sequence: the set is applied again when the named styles change.
  std::vector<std::string> lines;
  for (const SharedSequence& shared : dispatcher_->sharedSequences()) {
    lines.push_back(sharedSequenceLine(shared, dispatcher_->notation()));
    if (std::find(sharedSequenceLines_.begin(), sharedSequenceLines_.end(), lines.back()) == sharedSequenceLines_.end())
      logLine(lines.back());
  }
  sharedSequenceLines_ = std::move(lines);
  showMenuShortcuts();
  applyHotKey();
}

void HostEditor::applyHotKey() {
  for (const QtMainMenu::Command& command : menu_->commands()) {
    std::optional<std::string> identifier = identifierForMenuItem(command.item);
    if (!identifier || command.item->actionName() != kHotKeyAction) continue;
    const auto& bindings = dispatcher_->bindings();
    auto first = std::find_if(bindings.begin(), bindings.end(), [&](const DispatchBinding& binding) {
      return binding.command.group == kSetMenuKey && binding.command.key == *identifier;
    });
    hotKey_->apply(first == bindings.end() ? std::vector<KeyChord>() : first->chords, command.item->title());
    return;
  }
}

HotKeyReach HostEditor::hotKeyReach() const { return hotKey_ ? hotKey_->reach() : HotKeyReach::Everywhere; }

void HostEditor::showMenuShortcuts() {
  for (const QtMainMenu::Command& command : menu_->commands()) {
    std::optional<std::string> identifier = identifierForMenuItem(command.item);
    if (!identifier) continue;
    const auto& bindings = dispatcher_->bindings();
    auto first = std::find_if(bindings.begin(), bindings.end(), [&](const DispatchBinding& binding) {
      return binding.command.group == kSetMenuKey && binding.command.key == *identifier;
    });
    QString text = command.action->text().section(kMenuShortcutSeparator, 0, 0);
    if (first != bindings.end())
      text += kMenuShortcutSeparator + QString::fromStdString(textOfChords(first->chords, dispatcher_->notation()));
    command.action->setText(text);
  }
}

void HostEditor::applyEditorSettings() {
  EditorSettings settings = editorSettings(defaults_);
  window_->setEditorFont(settings.font);
  window_->setWrapsLines(settings.wrapsLines);
  dispatcher_->setNotation(settings.notation);
  dispatcher_->setPopupDelay(settings.sequencePopupDelay);
  if (menu_) showMenuShortcuts();
}

bool HostEditor::canTypeKeyNow(const std::string& key) const { return currentKeyboardLayout().canType(key); }

void HostEditor::setSnooper(KeySnooper* snooper) {
  snooper_.reset();
  if (!snooper) return;
  snooper_ = std::make_unique<KeySnooperFilter>(*snooper);
  qApp->installEventFilter(snooper_.get());
}

void HostEditor::showPreferences(const std::string& pane) {
  const bool made = !preferences_;
  // The person may have changed the desktop's shortcuts since.
  if (made) desktopShortcuts_ = readDesktopShortcuts();
  if (made) preferences_ = std::make_unique<PreferencesWindow>(*this, paneListings());
  // The pane first: the window takes the size its pane asks for, then is centred.
  preferences_->showPane(pane);
  if (made) {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      QRect frame = preferences_->frameGeometry();
      frame.moveCenter(screen->availableGeometry().center());
      preferences_->move(frame.topLeft());
    }
  }
  preferences_->show();
  preferences_->raise();
  preferences_->activateWindow();
}

void HostEditor::preferencesClosed() {
  PreferencesWindow* closed = preferences_.get();
  // Not inside the window's own signal: from the event loop.
  QMetaObject::invokeMethod(
      qApp,
      [this, closed] {
        if (preferences_.get() == closed && closed && !closed->isVisible()) preferences_.reset();
      },
      Qt::QueuedConnection);
}

std::vector<PaneListing> HostEditor::paneListings() {
  std::vector<PaneListing> listings;
  listings.push_back({uiText(kGeneralPaneName).toStdString(), kGeneralPaneName,
                      uiText("Font and line wrapping of the editor").toStdString(), generalPaneIcon(),
                      kGeneralPaneOrder,
                      [](PreferencesWindow& window) { return std::make_unique<GeneralPane>(window); }});
  for (const LoadedPlugin& loaded : plugins_) {
    bool numeric = false;
    int order = QString::fromStdString(stringIn(loaded.description, "order")).toInt(&numeric);
    auto icon = loaded.description ? asData(loaded.description->objectForKey("icon")) : nullptr;
    PreferencePanePlugin* plugin = loaded.plugin;
    std::string bundlePath = loaded.bundlePath;
    listings.push_back({stringIn(loaded.description, "name"), QDir(QString::fromStdString(bundlePath)).dirName().toStdString(),
                        stringIn(loaded.description, "tooltip"), iconFromData(icon), numeric ? order : kUnorderedPane,
                        [this, plugin, bundlePath](PreferencesWindow& window) -> std::unique_ptr<HostPane> {
                          auto pane = plugin->makePane({toolkit_, *this, bundlePath});
                          if (!pane) return nullptr;
                          return std::make_unique<PluginPane>(std::move(pane), window);
                        }});
  }
  return listings;
}

void HostEditor::bringToFront() {
  window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

void HostEditor::showAbout() {
  QMessageBox::about(window_.get(), QApplication::applicationDisplayName(),
                     uiText("A small rich-text editor whose shortcuts are set in Preferences → Key Bindings."));
}

}  // namespace qor
