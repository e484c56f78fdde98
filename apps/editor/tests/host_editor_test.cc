// The host editor with the real Key Bindings plug-in, on the offscreen
// platform: how the editor carries the plug-in, its menus and its documents.
#include "host_editor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFile>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTest>
#include <QTimer>
#include <QStatusBar>
#include <QTreeView>
#include <QTreeWidget>

#include "qor/hot_key_line.h"
#include "qor/key_bindings.h"
#include "qor/log.h"
#include "qor/pane_model/set_format.h"
#include "qor/testing/pane_fixtures.h"
#include "qor/open_documents.h"
#include "panes.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"
#include "qor/testing/modal_answer.h"

namespace qor {
namespace {

constexpr int kWaitMs = 2000;
constexpr const char* kSaveIdentifier = "[saveDocument:] [] [0]";
// Long enough for the event loop to run what a closed menu left for it.
constexpr int kSettleMs = 20;

template <class T>
T* named(const QString& name) {
  for (QWidget* widget : QApplication::allWidgets())
    if (widget->objectName() == name)
      if (auto* typed = qobject_cast<T*>(widget)) return typed;
  return nullptr;
}

QMenu* openMenu() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* menu = qobject_cast<QMenu*>(widget); menu && menu->isVisible()) return menu;
  return nullptr;
}

// Carries out what the widgets posted for the event loop (the pane's actions).
void settle() { QCoreApplication::sendPostedEvents(); }

// Runs `steps` inside a running event loop, as every click of the editor is
// handled: what Qt defers (deleteLater) then runs when a nested loop (an
// alert) spins, as it does for a person.
void inEventLoop(const std::function<void()>& steps) {
  QEventLoop loop;
  QTimer::singleShot(0, &loop, [&] {
    steps();
    loop.quit();
  });
  loop.exec();
}

// Answers each alert that opens with a click on its first button, and keeps
// its text.
class AlertAnswerer {
 public:
  [[nodiscard]] const std::vector<std::string>& texts() const { return texts_; }

 private:
  std::vector<std::string> texts_;
  fixtures::ModalAnswer<QMessageBox> answer_{[this](QMessageBox& alert) {
                                               if (alert.buttons().isEmpty()) return;
                                               // The click closes it at once, so each alert is seen once.
                                               texts_.push_back(alert.text().toStdString());
                                               QTest::mouseClick(alert.buttons().first(), Qt::LeftButton);
                                             },
                                             fixtures::Answering::EveryDialog};
};

class Host : public testing::Test {
 protected:
  // A scratch home for the suite, set before the first editor starts: the
  // editor reads the desktop's settings at start, and GLib keeps the home and
  // data folder (where the trash is) that it sees first.
  static void SetUpTestSuite() {
    home_ = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(home_->isValid());
    ASSERT_TRUE(QDir().mkpath(home_->filePath(".local/share")));
    ::setenv("HOME", home_->path().toUtf8().constData(), 1);
    ::setenv("XDG_DATA_HOME", home_->filePath(".local/share").toUtf8().constData(), 1);
  }
  static void TearDownTestSuite() { home_.reset(); }

  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    ASSERT_TRUE(restart());
  }

  // A new editor on the same defaults file; false when it cannot start.
  [[nodiscard]] bool restart() {
    host_.reset();
    host_ = std::make_unique<HostEditor>(
        HostOptions{QOR_EDITOR_DATA_DIR, QOR_EDITOR_PLUGINS_DIR, folder_.filePath("defaults.plist").toStdString()});
    return host_->start();
  }

  QAction* menuAction(const std::string& identifier) {
    for (const auto& command : host_->menu()->commands())
      if (identifierForMenuItem(command.item) == identifier) return command.action;
    return nullptr;
  }

  static void click(QWidget* widget) {
    ASSERT_TRUE(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
    settle();
  }

  // Duplicates the current set under `name` through the set-name sheet.
  static void duplicateAs(const QString& name) {
    click(named<QAbstractButton>("BTN_kb_duplicate_set"));
    auto* field = named<QLineEdit>("TEXT_set_name");
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->isVisible(); }, kWaitMs));
    EXPECT_FALSE(named<QAbstractButton>("BTN_set_name_OK")->isEnabled());
    QTest::keyClicks(field, name);
    settle();
    click(named<QAbstractButton>("BTN_set_name_OK"));
    EXPECT_EQ(named<QComboBox>("PUB_sets")->currentText(), name);
    EXPECT_TRUE(named<QAbstractButton>("BTN_kb_del_set")->isEnabled());
  }

  // Clicks the item titled `title` of the open context menu with the mouse,
  // through the menu's window as the windowing system delivers a click, and
  // checks that the menu outlives the click (Qt code of the menu runs until
  // the click returns; a sanitizer does not see Qt's own accesses).
  static void chooseInMenu(const QString& title) {
    ASSERT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, kWaitMs));
    QMenu* menu = openMenu();
    for (QAction* action : menu->actions()) {
      if (action->text() != title) continue;
      const QPoint where = menu->actionGeometry(action).center();
      QTest::mousePress(menu->windowHandle(), Qt::LeftButton, {}, where);
      // The release as the windowing system delivers it, synchronously and
      // without the event processing QTest adds after a click.
      bool releasing = true;
      bool destroyedUnderClick = false;
      QMetaObject::Connection watch =
          QObject::connect(menu, &QObject::destroyed, [&] { destroyedUnderClick = releasing; });
      QTestPrivate::qtestMouseButtons.setFlag(Qt::LeftButton, false);
      qt_handleMouseEvent(menu->windowHandle(), where, menu->mapToGlobal(where), QTestPrivate::qtestMouseButtons,
                          Qt::LeftButton, QEvent::MouseButtonRelease, {}, ++QTest::lastMouseTimestamp);
      releasing = false;
      QObject::disconnect(watch);
      EXPECT_FALSE(destroyedUnderClick) << "the menu was destroyed while its click was being handled";
      return;
    }
    FAIL() << "no item " << title.toStdString();
  }

  // The cell at `column` of the menu outline's row titled `title`; invalid
  // when no row shows that title.
  static QModelIndex menuCell(const QString& title, int column) {
    auto* tree = named<QTreeView>("OLV_menu_key_bindings");
    QModelIndexList found = tree ? tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, title, 1,
                                                        Qt::MatchExactly | Qt::MatchRecursive)
                                 : QModelIndexList();
    return found.isEmpty() ? QModelIndex() : found.first().siblingAtColumn(column);
  }

  static void clickRow(const QString& title, int column) {
    QModelIndex cell = menuCell(title, column);
    ASSERT_TRUE(cell.isValid()) << title.toStdString();
    auto* tree = named<QTreeView>("OLV_menu_key_bindings");
    tree->scrollTo(cell);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(cell).center());
  }

  // Null when the row is not shown.
  static QString keyCellText(const QString& title) { return menuCell(title, 1).data().toString(); }

  // Chooses "Add Shortcut..." in the edit menu that the last click opened.
  void addShortcut() {
    ASSERT_TRUE(QTest::qWaitFor([] { return openMenu() != nullptr; }, kWaitMs));
    QMenu* menu = openMenu();
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions().first()->text(), "Add Shortcut...");
    menu->actions().first()->trigger();
    menu->hide();
    ASSERT_TRUE(QTest::qWaitFor([] { return named<QDialog>("WIN_key_configurator")->isVisible(); }, kWaitMs));
    EXPECT_TRUE(host_->isSnooping());
  }

  static inline std::unique_ptr<QTemporaryDir> home_;
  QTemporaryDir folder_;
  std::unique_ptr<HostEditor> host_;
};

// Which shortcut the default set gives each command is the sets' own test;
// here, that the menus show them (in the shortcut column QMenu takes from
// the text after a tab) and that the commands the editor lacks are greyed.
TEST_F(Host, MenusShowTheDefaultSet) {
  EXPECT_EQ(menuAction(kSaveIdentifier)->text(), "Save\t⌘S");
  EXPECT_TRUE(menuAction(kSaveIdentifier)->shortcuts().isEmpty()) << "Qt holds no shortcut of its own";
  EXPECT_TRUE(menuAction(kSaveIdentifier)->isEnabled());
  EXPECT_FALSE(menuAction("[runPageLayout:] [] [0]")->isEnabled()) << "a command this editor lacks";
}

// The editor's own dispatcher, fed through the window as the keyboard
// delivers keys (shortcuts see them first): a set with a five-chord
// sequence, and one that two commands share (the first in the outline runs
// it and one line says so).
TEST_F(Host, KeySequencesRunShowWhatCanFollowAndShareOnce) {
  using fixtures::chord;
  using fixtures::sequence;
  constexpr std::uint32_t kHeld = fixtures::kOption | fixtures::kCommand;  // Ctrl+Alt
  auto menu = Dictionary::make(
      {{"[underline:] [] [0]", fixtures::entry("Underline", {sequence({chord(kHeld, u'k'), chord(kHeld, u'a'), chord(kHeld, u'b'),
                                                                        chord(kHeld, u'c'), chord(kHeld, u'd')})})},
       {"[alignCenter:] [] [0]", fixtures::entry("Center", {sequence({chord(kHeld, u'k'), chord(kHeld, u'j')})})},
       {"[alignRight:] [] [0]", fixtures::entry("Align Right", {sequence({chord(kHeld, u'k'), chord(kHeld, u'j')})})},
       {"[addFontTrait:] [] [2]", fixtures::entry("Bold", {sequence({chord(kHeld, u'l')}),
                                                           sequence({chord(kHeld, u'l'), chord(kHeld, u'm')})})}});
  PlistFileDefaults defaults(folder_.filePath("defaults.plist").toStdString());
  defaults.setObjectForKey(Dictionary::make({{"1", Dictionary::make({{kSetNameKey, str("Mine")}, {kSetMenuKey, menu}})}}),
                           kSetsDefaultsKey);
  defaults.setIntegerForKey(1, kSetNumberDefaultsKey);
  defaults.setObjectForKey(real(0.05), kSequencePopupDelayDefaultsKey);
  LogCapture log;
  ASSERT_TRUE(restart());
  EditorWindow& window = host_->window();
  QApplication::setActiveWindow(&window);
  window.textView().setFocus();
  window.textView().setPlainText("word");
  window.textView().selectAll();
  const auto* popup = named<QTreeWidget>("OLV_key_sequence_popup");
  auto press = [&](std::initializer_list<Qt::Key> keys) {
    for (Qt::Key key : keys) QTest::keyClick(window.windowHandle(), key, Qt::ControlModifier | Qt::AltModifier);
  };

  press({Qt::Key_K});
  EXPECT_EQ(window.statusBar()->currentMessage(), "⌥⌘K");
  EXPECT_FALSE(popup->isVisible()) << "before the delay";
  ASSERT_TRUE(QTest::qWaitFor([&] { return popup->isVisible(); }, kWaitMs));
  ASSERT_EQ(popup->topLevelItemCount(), 2);
  const QStringList rows{popup->topLevelItem(0)->text(1) + " " + popup->topLevelItem(0)->text(0),
                         popup->topLevelItem(1)->text(1) + " " + popup->topLevelItem(1)->text(0)};
  EXPECT_EQ(rows, (QStringList{"⌥⌘A …", "⌥⌘J Center"}));
  QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(window.statusBar()->currentMessage(), "");
  press({Qt::Key_K});
  QTest::keyClick(window.windowHandle(), Qt::Key_X);
  EXPECT_EQ(window.textView().toPlainText(), "word") << "a stroke that continues nothing is not typed";

  press({Qt::Key_K, Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D});
  EXPECT_TRUE(window.textView().fontUnderline());
  press({Qt::Key_K, Qt::Key_J});
  EXPECT_EQ(window.textView().alignment(), Qt::AlignHCenter);

  // At once, in words: the popup shows with the first stroke, and Bold, also
  // the start of a longer sequence, runs when 0.6 s pass without a stroke.
  host_->defaults().setObjectForKey(real(0), kSequencePopupDelayDefaultsKey);
  host_->defaults().setObjectForKey(str("words"), kShortcutNotationDefaultsKey);
  host_->applyEditorSettings();
  EXPECT_EQ(menuAction(kSaveIdentifier)->text(), "Save\tCtrl+S");
  press({Qt::Key_L});
  EXPECT_EQ(window.statusBar()->currentMessage(), "Ctrl+Alt+L");
  EXPECT_TRUE(popup->isVisible());
  EXPECT_FALSE(window.textView().fontWeight() == QFont::Bold);
  ASSERT_TRUE(QTest::qWaitFor([&] { return window.textView().fontWeight() == QFont::Bold; }, kWaitMs));
  EXPECT_FALSE(popup->isVisible());
  const std::vector<std::string> lines = log.lines();
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                          [](const std::string& line) { return line.find(" belongs to ") != std::string::npos; }),
            1);
}

// In another window a text field keeps the keys it uses itself: Ctrl+V
// pastes into the pane's search field, not into the document. An editing
// command (Alt+U, upper-case word) runs only while the text view has the focus.
TEST_F(Host, FieldsKeepTheirOwnKeysAndEditingCommandsStayInTheTextView) {
  host_->showPreferences("KeyBindings");
  QApplication::clipboard()->setText("Save");
  auto* search = named<QLineEdit>("TEXT_kb_search");
  QApplication::setActiveWindow(host_->preferences());
  search->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return search->hasFocus(); }, kWaitMs));
  QTest::keyClick(host_->preferences()->windowHandle(), Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(search->text(), "Save");
  QTextEdit& view = host_->window().textView();
  EXPECT_EQ(view.toPlainText(), "");
  view.setPlainText("word");
  QTest::keyClick(host_->preferences()->windowHandle(), Qt::Key_U, Qt::AltModifier);
  EXPECT_EQ(view.toPlainText(), "word");
  QApplication::setActiveWindow(&host_->window());
  view.setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view.hasFocus(); }, kWaitMs));
  QTest::keyClick(host_->window().windowHandle(), Qt::Key_U, Qt::AltModifier);
  EXPECT_EQ(view.toPlainText(), "WORD");
}

// Offscreen there is no X11, and the session bus leads nowhere: neither
// mechanism takes the hot key, and the log says why once per reason, however
// often a set with another hot key is applied.
TEST_F(Host, WhyTheHotKeyWorksOnlyInsideTheEditorIsLoggedOnce) {
  using fixtures::chord;
  using fixtures::sequence;
  qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");
  constexpr const char* kHotKey = "[bringQORtoFront:] [HotKeyController] [0]";
  constexpr std::uint32_t kHeld = fixtures::kControl | fixtures::kOption;
  auto set = [&](ArrayRef hotKey) {
    auto menu = Dictionary::make({{kHotKey, fixtures::entry("Bring QOR to Front", {std::move(hotKey)})}});
    return Dictionary::make({{kSetNameKey, str("Mine")}, {kSetMenuKey, menu}});
  };
  PlistFileDefaults defaults(folder_.filePath("defaults.plist").toStdString());
  defaults.setObjectForKey(Dictionary::make({{"1", set(sequence({chord(kHeld, u'f')}))},
                                             {"2", set(sequence({chord(0, u'g'), chord(0, u'h')}))}}),
                           kSetsDefaultsKey);
  LogCapture log;
  ASSERT_TRUE(restart());  // the default set: ⌃⌥E
  EXPECT_EQ(host_->hotKeyReach(), HotKeyReach::NoPortal);
  host_->applyKeyBindingsSet(1);
  host_->applyKeyBindingsSet(2);
  EXPECT_EQ(host_->hotKeyReach(), HotKeyReach::TwoStrokes);
  host_->applyKeyBindingsSet(1);
  const std::vector<std::string> expected = {"qor-editor: " + hotKeyReachLine(HotKeyReach::NoPortal),
                                             "qor-editor: " + hotKeyReachLine(HotKeyReach::TwoStrokes)};
  std::vector<std::string> lines = log.lines();
  std::erase_if(lines, [](const std::string& line) { return line.find("hot key") == std::string::npos; });
  EXPECT_EQ(lines, expected);
}

TEST_F(Host, PreferencesListTheirPanesWithIconsInOrder) {
  host_->showPreferences("KeyBindings");
  auto* list = named<QListWidget>("PREF_pane_list");
  ASSERT_TRUE(list);
  ASSERT_EQ(list->count(), 2);
  EXPECT_EQ(list->item(0)->text(), "General");
  EXPECT_EQ(list->item(1)->text(), "Key Bindings");
  EXPECT_EQ(list->item(1)->toolTip(), "Key Bindings");
  EXPECT_FALSE(list->item(1)->icon().isNull()) << "the pane's PSD icon was decoded";
  EXPECT_EQ(list->currentRow(), 1);
  EXPECT_EQ(host_->preferences()->shownPaneName(), "Key Bindings");
  EXPECT_EQ(keyCellText("Save"), "⌘S") << "the pane filled its outline";
}

// The road of a binding from the key field through Apply to the menu is the
// end-to-end test's; here, that Cancel closes the window and takes the pane
// with it: no timer, no snooper.
TEST_F(Host, CancelClosesThePreferencesAndTakesThePaneWithIt) {
  host_->showPreferences("KeyBindings");
  click(named<QAbstractButton>("PREF_cancel"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host_->preferences() == nullptr; }, kWaitMs));
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 0u);
  EXPECT_FALSE(host_->isSnooping());
}

// The outline shows the pane's "changed" column, and the "Key" cells' tooltips
// the desktop's notation.
TEST_F(Host, TheOutlineShowsTheChangedColumnAndTheDesktopNotation) {
  host_->showPreferences("KeyBindings");
  auto* tree = named<QTreeView>("OLV_menu_key_bindings");
  ASSERT_TRUE(tree);
  QAbstractItemModel* model = tree->model();
  constexpr int kChangedColumn = 2;
  ASSERT_EQ(model->columnCount(), 3);
  EXPECT_EQ(model->headerData(kChangedColumn, Qt::Horizontal).toString(), "Changed");
  auto cell = [](const QString& title, int column, int role) { return menuCell(title, column).data(role); };
  EXPECT_EQ(cell("Save", 1, Qt::ToolTipRole).toString(), "Ctrl+S");
  EXPECT_FALSE(cell("File", 1, Qt::ToolTipRole).isValid()) << "a menu has no shortcut to show";
  EXPECT_EQ(cell("File", kChangedColumn, Qt::DisplayRole).toString(), "");
}

// Cheat Sheet… reaches the desktop's save panel and the PDF writer; which
// format a name picks and what the page holds are the pane's.
TEST_F(Host, TheCheatSheetIsSavedThroughTheSavePanel) {
  host_->showPreferences("KeyBindings");
  auto* button = named<QAbstractButton>("BTN_kb_cheat_sheet");
  ASSERT_TRUE(button);
  const QString path = folder_.filePath("keys.pdf");
  fixtures::ModalAnswer<QFileDialog> answer([&](QFileDialog& panel) {
    // selectFile leaves a name field that has the focus as it is.
    if (QWidget* focused = panel.focusWidget()) focused->clearFocus();
    panel.selectFile(path);
    static_cast<QDialog&>(panel).accept();
  });
  inEventLoop([&] { click(button); });
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.readAll().startsWith("%PDF-"));
}

TEST_F(Host, ClosingThePreferencesWhileCapturingLeavesNoSnooper) {
  host_->showPreferences("KeyBindings");
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 1u) << "the pane's delayed redisplay";
  duplicateAs("Mine");
  clickRow("Save", 0);
  addShortcut();
  host_->closePreferences();
  EXPECT_FALSE(host_->isSnooping());
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 0u);
  EXPECT_TRUE(host_->toolkit().openSheetNames().empty());
}

// File > Move to Trash: the document's file goes to the trash (what the
// trash keeps of it is the trash's own test) and the document closes as
// "Close" does. The trash is the suite's scratch home's.
TEST_F(Host, MoveToTrashPutsTheDocumentsFileInTheTrash) {
  const QString path = folder_.filePath("my notes 100%.txt");
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("notes");
  }
  ASSERT_TRUE(host_->window().openFile(path));
  EXPECT_EQ(currentDocumentForClass<EditorWindow>(*host_), &host_->window());
  QAction* moveToTrash = menuAction("[moveDocumentToTrash:] [] [0]");
  ASSERT_TRUE(moveToTrash);
  ASSERT_TRUE(moveToTrash->isEnabled());
  moveToTrash->trigger();
  EXPECT_FALSE(QFile::exists(path));
  EXPECT_TRUE(QFile::exists(home_->filePath(".local/share/Trash/files/my notes 100%.txt")));
  EXPECT_TRUE(host_->window().documentPath().isEmpty());
  EXPECT_TRUE(host_->window().textView().toPlainText().isEmpty());
}

// The main window is the rich-text editor: the description's Format items
// (which the key bindings reach) change the selection's font, and it stays
// changed through save and open.
TEST_F(Host, TheMainWindowsMenusCarryTheRichTextCommands) {
  QTextEdit& view = host_->window().textView();
  view.setPlainText("word");
  view.selectAll();
  QAction* bold = menuAction("[addFontTrait:] [] [2]");
  ASSERT_TRUE(bold);
  ASSERT_TRUE(bold->isEnabled());
  bold->trigger();
  EXPECT_EQ(view.textCursor().charFormat().fontWeight(), QFont::Bold);
  QAction* center = menuAction("[alignCenter:] [] [0]");
  ASSERT_TRUE(center);
  center->trigger();
  EXPECT_EQ(view.alignment(), Qt::AlignHCenter);
  // Saved and opened again in the editor, where the text system's fonts and
  // the invisibles overlay's drawing fonts share a program.
  const QString path = folder_.filePath("word.qordoc");
  ASSERT_TRUE(host_->window().saveDocumentTo(path)) << host_->window().lastError().toStdString();
  view.clear();
  ASSERT_TRUE(host_->window().openFile(path)) << host_->window().lastError().toStdString();
  EXPECT_EQ(view.toPlainText(), "word");
  QTextCursor inside(view.document()->begin());
  inside.movePosition(QTextCursor::NextCharacter);
  EXPECT_EQ(inside.charFormat().fontWeight(), QFont::Bold);
}

// Every item of the editor's menus, the named styles of the support folders
// included, is a command of the main menu the pane reads (its menu outline)
// and has its entry in the default set; the editor's own rich-text items and
// the styles have no shortcut there, as they had none. A style that appears
// while the editor runs is there once the Format menu opens.
TEST_F(Host, EveryItemOfTheMenusIsACommandOfTheMainMenuAndOfTheDefaultSet) {
  const QByteArray home = qgetenv("HOME");
  ASSERT_TRUE(qputenv("HOME", folder_.path().toUtf8()));
  const QString library = folder_.path() + "/Library/Application Support/z-phane/QOR";
  ASSERT_TRUE(QDir().mkpath(library + "/Style Sheets"));
  auto sheet = Dictionary::make({{"name", str("Report")},
                                 {"styles", Array::make({Dictionary::make({{"name", str("Title")}})})}});
  ASSERT_TRUE(writePropertyListFile(sheet, (library + "/Style Sheets/report.qor1_stylesheet").toStdString()));
  ASSERT_TRUE(restart());
  ASSERT_TRUE(host_->window().saveStyle("Aside"));

  // The items of every menu as "Menu > Item" (sub-menus below theirs), each
  // checked against the main menu and the default set on the way, and
  // whether the default set gives it a shortcut.
  auto itemsOfTheMenus = [&] {
    std::map<QAction*, const MenuItem*> commands;
    for (const auto& command : host_->menu()->commands()) commands[command.action] = command.item;
    DictionaryRef entries = host_->defaultKeyBindingsSet()->dictionaryForKey(kSetMenuKey);
    std::map<QString, bool> shown;
    std::function<void(const QString&, QMenu*)> walk = [&](const QString& path, QMenu* menu) {
      for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        const QString title = path + " > " + action->text().section('\t', 0, 0);
        shown[title] = false;
        auto command = commands.find(action);
        if (command == commands.end()) {
          ADD_FAILURE() << title.toStdString() << " is not in the main menu the pane reads";
          continue;
        }
        if (action->menu()) walk(title, action->menu());
        // A submenu holder, or an item without an action (Help > Resources), is no command.
        if (command->second->actionName().value_or(kSubmenuAction) == kSubmenuAction) continue;
        DictionaryRef entry = entries->dictionaryForKey(*identifierForMenuItem(command->second));
        EXPECT_TRUE(entry) << title.toStdString() << " has no entry in the default set";
        ArrayRef sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
        shown[title] = sequences && !sequences->empty();
        EXPECT_EQ(shown[title], action->text().contains('\t')) << title.toStdString();
      }
    };
    for (QAction* menu : host_->window().menuBar()->actions()) walk(menu->text(), menu->menu());
    return shown;
  };
  std::map<QString, bool> shown = itemsOfTheMenus();
  for (const char* item : {"File > Export with Full-Resolution Pictures…", "Format > Font…",
                           "Format > Wider Letter Spacing", "Format > Tighter Letter Spacing", "Format > Save Style…",
                           "Format > Bulleted List", "Format > Numbered List", "Format > Insert Table…",
                           "Format > Insert Picture…", "Format > Style Sheets > Report > Title"}) {
    ASSERT_TRUE(shown.contains(item)) << item;
    EXPECT_FALSE(shown[item]) << item;
  }
  EXPECT_TRUE(shown["Format > Font > Bold"]);  // and the others keep theirs
  EXPECT_FALSE(shown.contains("Format > Styles > Aside"));
  QMenu* format = host_->window().menuBar()->actions().at(2)->menu();
  Q_EMIT format->aboutToShow();
  EXPECT_TRUE(itemsOfTheMenus().contains("Format > Styles > Aside"));
  ASSERT_TRUE(qputenv("HOME", home));
}

// Every alert the pane raises from the edit menu and the pop-up that opens
// it, answered with real clicks inside the running event loop: no menu may be
// destroyed under the click that chose it (an alert's loop used to free it).
TEST_F(Host, AlertsFromTheEditMenuLeaveItsMenusWhole) {
  host_->showPreferences("KeyBindings");
  AlertAnswerer alerts;
  inEventLoop([&] {
    // The default set: the pop-up refuses with an alert instead of the menu.
    clickRow("Save", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.texts().size() == 1; }, kWaitMs));

    duplicateAs("Mine");
    // The hot key already has its shortcut: "Add Shortcut..." refuses with an alert.
    clickRow("Bring QOR to Front", 0);
    chooseInMenu("Add Shortcut...");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.texts().size() == 2; }, kWaitMs));

    // Any other command: the edit menu and the key configurator open as usual.
    clickRow("Bring All to Front", 0);
    chooseInMenu("Add Shortcut...");
    auto* sheet = named<QDialog>("WIN_key_configurator");
    ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->isVisible(); }, kWaitMs));
    click(named<QAbstractButton>("BTN_key_configurator_cancel"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet->isVisible(); }, kWaitMs));
  });
  EXPECT_EQ(alerts.texts(), (std::vector<std::string>{"Can't change default key bindings set",
                                                  "Can't bind more than one shortcut to the hot key"}));
  EXPECT_FALSE(host_->isSnooping());
  QTest::qWait(kSettleMs);
  EXPECT_EQ(host_->toolkit().contextMenuCount(), 0u) << "closed menus are released";
}

// Each button of the window and of its pane, as wide as its title needs.
void expectNoButtonClipped(QWidget& window, const char* when) {
  for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
    if (!button->isVisibleTo(&window) || button->text().isEmpty()) continue;
    EXPECT_GE(button->width(), button->sizeHint().width()) << button->text().toStdString() << " " << when;
  }
}

// A 1024 x 768 screen at 100 %, with a set named in 135 characters (which
// once made the window 1348 px wide).
TEST_F(Host, ThePreferencesFitASmallScreenWithALongSetName) {
  const QSize screen(1024, 768);
  const QString longName = QString("Shortcuts for the laptop keyboard at work, ").repeated(4).left(135);
  host_->showPreferences("KeyBindings");
  duplicateAs(longName);
  PreferencesWindow& window = *host_->preferences();
  window.layout()->activate();
  EXPECT_LE(window.minimumSize().width(), screen.width());
  EXPECT_LE(window.minimumSize().height(), screen.height());

  // Opened on that screen, the whole pane shows without scrolling.
  window.resize(QSize(900, 640).boundedTo(screen));
  QApplication::processEvents();
  auto* scroller = named<QScrollArea>("PREF_scroller");
  ASSERT_TRUE(scroller);
  EXPECT_TRUE(scroller->viewport()->rect().contains(QRect(QPoint(), scroller->widget()->minimumSizeHint())));
  expectNoButtonClipped(window, "at 900 x 640");

  // As small as the window goes: the pane scrolls, nothing is cut.
  window.resize(window.minimumSize());
  QApplication::processEvents();
  expectNoButtonClipped(window, "at the smallest size");
  for (const char* name : {"PREF_ok", "PREF_cancel", "PREF_apply"})
    EXPECT_TRUE(window.rect().contains(QRect(named<QWidget>(name)->mapTo(&window, QPoint()), named<QWidget>(name)->size())))
        << name;

  // The name is elided in the pop-up's list, whole in the item's tooltip.
  auto* sets = named<QComboBox>("PUB_sets");
  EXPECT_LT(sets->width(), sets->fontMetrics().horizontalAdvance(longName));
  EXPECT_EQ(sets->itemData(sets->currentIndex(), Qt::ToolTipRole).toString(), longName);
  sets->showPopup();
  ASSERT_TRUE(QTest::qWaitFor([&] { return sets->view()->isVisible(); }, kWaitMs));
  EXPECT_LE(sets->view()->window()->width(), sets->width());
  sets->hidePopup();
}

QString accessibleText(QWidget* widget, QAccessible::Text text) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
  return accessible ? accessible->text(text) : QString();
}

// Tab from the pane list goes through the pane's controls to every button
// of the window and back, and every control it reaches has a name.
TEST_F(Host, TabReachesEveryControlAndEachHasAName) {
  host_->showPreferences("General");
  click(named<QCheckBox>("CHK_wrap_lines"));  // a change: Apply is enabled
  host_->showPreferences("KeyBindings");
  PreferencesWindow& window = *host_->preferences();
  QApplication::setActiveWindow(&window);
  auto* list = named<QListWidget>("PREF_pane_list");
  list->setFocus();
  ASSERT_TRUE(QTest::qWaitFor([&] { return list->hasFocus(); }, kWaitMs));

  std::vector<std::string> reached;
  for (int step = 0; step < 40; ++step) {
    // Through the window, as the keyboard delivers it: shortcuts see it first.
    QTest::keyClick(window.windowHandle(), Qt::Key_Tab);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_TRUE(focus);
    if (focus == list) break;
    reached.push_back(focus->objectName().toStdString());
    EXPECT_FALSE(accessibleText(focus, QAccessible::Name).isEmpty()) << reached.back();
  }
  std::string walk;
  for (const auto& name : reached) walk += name + " ";
  SCOPED_TRACE(walk);
  const std::vector<std::string> landmarks{"PUB_sets", "TEXT_kb_search", "OLV_menu_key_bindings",
                                           "BTN_kb_reset_command", "BTN_kb_cheat_sheet"};
  auto at = reached.begin();
  for (const std::string& landmark : landmarks) {
    at = std::find(at, reached.end(), landmark);
    ASSERT_NE(at, reached.end()) << landmark << " in order";
  }
  for (const char* button : {"PREF_revert", "PREF_apply", "PREF_cancel", "PREF_ok"})
    EXPECT_NE(std::find(at, reached.end(), button), reached.end()) << button << " after the pane";

  // What the issue found unnamed, and a sheet's field, by the names screen readers say.
  const std::vector<std::pair<const char*, const char*>> names{{"TEXT_kb_search", "Search commands"},
                                                               {"OLV_menu_key_bindings", "Menu commands"},
                                                               {"OLV_editor_key_bindings", "Text editing commands"},
                                                               {"TEXT_key_configurator", "New shortcut"}};
  for (const auto& [object, name] : names) {
    EXPECT_EQ(accessibleText(named<QWidget>(object), QAccessible::Name), name);
    EXPECT_FALSE(accessibleText(named<QWidget>(object), QAccessible::Description).isEmpty()) << object;
  }
}

// "Show shortcuts as:" and "Show what can follow after:", worked with keys:
// Apply stores them, a new preferences window reads them back, Revert gives
// the built-in ones; the Key Bindings pane writes the chosen notation when
// it is shown next.
TEST_F(Host, TheGeneralPaneKeepsTheShortcutNotationAndThePopupDelay) {
  auto stored = [this] {
    auto delay = asNumber(host_->defaults().objectForKey(kSequencePopupDelayDefaultsKey));
    return std::pair{shortcutNotationOf(host_->defaults().objectForKey(kShortcutNotationDefaultsKey)),
                     delay ? delay->realValue() : -1};
  };
  host_->showPreferences("General");
  auto* notation = named<QComboBox>("POP_shortcut_notation");
  auto* delay = named<QDoubleSpinBox>("NUM_sequence_popup_delay");
  ASSERT_TRUE(notation && delay);
  EXPECT_EQ(notation->accessibleName() + "|" + delay->accessibleName(),
            "Shortcut notation|Delay before the next strokes show");
  EXPECT_EQ(notation->currentText() + "|" + delay->text(), "Symbols (⇧⌘S)|0.6 s");
  QTest::keyClick(notation, Qt::Key_Down);
  for (int step = 0; step < 6; ++step) QTest::keyClick(delay, Qt::Key_Down);  // 0.6 - 6 × 0.1 = 0
  click(named<QAbstractButton>("PREF_apply"));
  EXPECT_EQ(stored(), std::pair(ShortcutNotation::Words, 0.0));
  host_->showPreferences("KeyBindings");
  EXPECT_EQ(keyCellText("Save"), "Ctrl+S");

  host_->closePreferences();
  host_->showPreferences("General");
  EXPECT_EQ(named<QComboBox>("POP_shortcut_notation")->currentText() + "|" +
                named<QDoubleSpinBox>("NUM_sequence_popup_delay")->text(),
            "Words (Ctrl+Shift+S)|At once");
  click(named<QAbstractButton>("PREF_revert"));
  click(named<QAbstractButton>("PREF_apply"));
  EXPECT_EQ(stored(), std::pair(ShortcutNotation::Symbols, kDefaultSequencePopupDelay));
}

// LANGUAGE=de: the editor's menus and windows, the pane's interface and Qt's
// own buttons are German.
TEST_F(Host, TheWholeEditorSpeaksTheUsersLanguage) {
  const QByteArray language = qgetenv("LANGUAGE");
  qputenv("LANGUAGE", "de");
  const bool started = restart();
  host_->showPreferences("KeyBindings");
  language.isNull() ? qunsetenv("LANGUAGE") : qputenv("LANGUAGE", language);
  ASSERT_TRUE(started);

  QStringList menus;
  for (QAction* menu : host_->window().menuBar()->actions()) menus << menu->text();
  EXPECT_EQ(menus.mid(0, 2), (QStringList{"Datei", "Bearbeiten"}));
  EXPECT_TRUE(menuAction(kSaveIdentifier)) << "the identifiers hold no title";
  EXPECT_EQ(menuAction(kSaveIdentifier)->text(), "Speichern\t⌘S");
  EXPECT_EQ(named<QComboBox>("PUB_sets")->currentText(), "Standard");
  EXPECT_EQ(keyCellText("Speichern"), "⌘S");
  const std::vector<std::pair<const char*, const char*>> titles{
      {"PREF_revert", "Standardwerte wiederherstellen"},  // the editor's table
      {"PREF_cancel", "Abbrechen"},                       // Qt's own
      {"BTN_kb_duplicate_set", "Duplizieren…"},          // the pane's interface description
      {"BTN_kb_search_keys", "Tasten"}};                  // the pane's code
  for (const auto& [object, title] : titles) EXPECT_EQ(named<QAbstractButton>(object)->text(), title) << object;
  EXPECT_EQ(named<QListWidget>("PREF_pane_list")->item(1)->text(), "Tastenkürzel");
  EXPECT_EQ(named<QTreeView>("OLV_menu_key_bindings")->model()->headerData(0, Qt::Horizontal).toString(), "Befehl");
}

}  // namespace
}  // namespace qor
