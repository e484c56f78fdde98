// The host editor with the real Key Bindings plug-in, on the offscreen
// platform: the road of one binding from a key press to the menu.
#include "host_editor.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QUrl>

#include "qor/key_bindings.h"
#include "qor/open_documents.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"

namespace qor {
namespace {

constexpr int kWaitMs = 2000;
constexpr const char* kRevertIdentifier = "[revertDocumentToSaved:] [] [0]";
constexpr const char* kSaveIdentifier = "[saveDocument:] [] [0]";

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

class Host : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(folder_.isValid());
    host_ = std::make_unique<HostEditor>(
        HostOptions{QOR_EDITOR_DATA_DIR, QOR_EDITOR_PLUGINS_DIR, folder_.filePath("defaults.plist").toStdString()});
    ASSERT_TRUE(host_->start());
  }

  QAction* menuAction(const std::string& identifier) {
    for (const auto& command : host_->menu()->commands())
      if (identifierForMenuItem(command.item) == identifier) return command.action;
    return nullptr;
  }

  static void click(QWidget* widget) {
    ASSERT_TRUE(widget);
    QTest::mouseClick(widget, Qt::LeftButton);
  }

  // Clicks the cell at `column` of the menu outline's row titled `title`.
  static void clickRow(const QString& title, int column) {
    auto* tree = named<QTreeView>("OLV_menu_key_bindings");
    ASSERT_TRUE(tree);
    QModelIndexList found = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, title, 1,
                                                 Qt::MatchExactly | Qt::MatchRecursive);
    ASSERT_EQ(found.size(), 1) << title.toStdString();
    QModelIndex cell = found.first().siblingAtColumn(column);
    tree->scrollTo(cell);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(cell).center());
  }

  static QString keyCellText(const QString& title) {
    auto* tree = named<QTreeView>("OLV_menu_key_bindings");
    QModelIndexList found = tree->model()->match(tree->model()->index(0, 0), Qt::DisplayRole, title, 1,
                                                 Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QString() : found.first().siblingAtColumn(1).data().toString();
  }

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

  QTemporaryDir folder_;
  std::unique_ptr<HostEditor> host_;
};

TEST_F(Host, MenusCarryTheDefaultSet) {
  EXPECT_EQ(menuAction(kSaveIdentifier)->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_S)});
  EXPECT_EQ(menuAction("[saveDocumentAs:] [] [0]")->shortcuts(),
            QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)});
  QAction* hotKey = menuAction("[bringQORtoFront:] [HotKeyController] [0]");
  ASSERT_TRUE(hotKey);
  EXPECT_EQ(hotKey->shortcutContext(), Qt::ApplicationShortcut);
  EXPECT_EQ(hotKey->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::META | Qt::ALT | Qt::Key_E)});
  EXPECT_TRUE(menuAction(kSaveIdentifier)->isEnabled());
  EXPECT_FALSE(menuAction("[runPageLayout:] [] [0]")->isEnabled()) << "a command this editor lacks";
  // The text view's editing commands carry the set's "editor" part.
  for (const auto& [name, action] : host_->window().textCommandActions()) {
    if (name != "moveToBeginningOfLine:") continue;
    EXPECT_FALSE(action->shortcuts().isEmpty());
  }
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
  auto* sets = named<QComboBox>("PUB_sets");
  ASSERT_TRUE(sets);
  EXPECT_EQ(sets->currentText(), "Default");
  EXPECT_FALSE(named<QAbstractButton>("BTN_kb_del_set")->isEnabled());
  EXPECT_EQ(keyCellText("Save"), "⌘S");
}

TEST_F(Host, AShortcutTypedInTheSheetReachesTheMenuAfterApply) {
  host_->showPreferences("KeyBindings");
  click(named<QAbstractButton>("BTN_kb_duplicate_set"));
  auto* name = named<QLineEdit>("TEXT_set_name");
  ASSERT_TRUE(QTest::qWaitFor([&] { return name->isVisible(); }, kWaitMs));
  EXPECT_FALSE(named<QAbstractButton>("BTN_set_name_OK")->isEnabled());
  QTest::keyClicks(name, "Mine");
  click(named<QAbstractButton>("BTN_set_name_OK"));
  EXPECT_EQ(named<QComboBox>("PUB_sets")->currentText(), "Mine");
  EXPECT_TRUE(named<QAbstractButton>("BTN_kb_del_set")->isEnabled());

  clickRow("Revert to Saved", 0);
  addShortcut();
  auto* sheet = named<QDialog>("WIN_key_configurator");
  QTest::keyClick(sheet->windowHandle(), Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
  auto* field = named<QLineEdit>("TEXT_key_configurator");
  auto* status = named<QLabel>("TEXT_kb_conflict");
  EXPECT_EQ(field->text(), "⌥⌘R");
  EXPECT_EQ(status->text(), "Type keys for shortcut.");
  EXPECT_EQ(status->property("qorTextColor").toString(), "black");
  EXPECT_TRUE(named<QAbstractButton>("BTN_key_configurator_OK")->isEnabled());
  click(named<QAbstractButton>("BTN_key_configurator_OK"));
  EXPECT_FALSE(sheet->isVisible());
  EXPECT_FALSE(host_->isSnooping());
  EXPECT_EQ(keyCellText("Revert to Saved"), "⌥⌘R");

  click(named<QAbstractButton>("PREF_apply"));
  Ref stored = readPropertyListFile(host_->defaultsPath());
  auto defaults = asDictionary(stored);
  ASSERT_TRUE(defaults) << host_->defaultsPath();
  auto number = defaults->numberForKey(kSetNumberDefaultsKey);
  ASSERT_TRUE(number);
  auto set = defaults->dictionaryForKey(kSetsDefaultsKey)->dictionaryForKey(std::to_string(number->integerValue()));
  ASSERT_TRUE(set);
  EXPECT_EQ(set->stringForKey(kSetNameKey)->value(), "Mine");
  auto sequences = set->dictionaryForKey(kSetMenuKey)->dictionaryForKey(kRevertIdentifier)->arrayForKey(kKeySequencesKey);
  ASSERT_TRUE(sequences);
  ASSERT_EQ(sequences->count(), 1u);
  auto strokes = asArray(sequences->objectAtIndex(0));
  ASSERT_EQ(strokes->count(), 2u) << describe(strokes);
  const std::int64_t chord = kCommandKeyMask | kAlternateKeyMask;
  EXPECT_EQ(asDictionary(strokes->objectAtIndex(0))->numberForKey(kStrokeModifiersKey)->integerValue(), chord);
  auto key = asDictionary(strokes->objectAtIndex(1));
  EXPECT_EQ(key->stringForKey(kStrokeKeyKey)->value(), "r");
  EXPECT_EQ(key->numberForKey(kStrokeModifiersKey)->integerValue(), chord);
  EXPECT_EQ(menuAction(kRevertIdentifier)->shortcuts(),
            QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R)});

  // A chord Save already uses: the red line names it and OK stays disabled.
  clickRow("Revert to Saved", 1);
  addShortcut();
  QTest::keyClick(sheet->windowHandle(), Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(status->text(), "'⌘S' is currently bound to 'Save'.");
  EXPECT_EQ(status->property("qorTextColor").toString(), "red");
  EXPECT_FALSE(named<QAbstractButton>("BTN_key_configurator_OK")->isEnabled());
  EXPECT_EQ(menuAction(kSaveIdentifier)->shortcuts().size(), 1) << "the typed chord did not reach the menu";
  click(named<QAbstractButton>("BTN_key_configurator_cancel"));
  EXPECT_FALSE(host_->isSnooping());

  // Closing the window takes the pane with it: no timer, no snooper.
  click(named<QAbstractButton>("PREF_cancel"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return host_->preferences() == nullptr; }, kWaitMs));
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 0u);
  EXPECT_FALSE(host_->isSnooping());
}

TEST_F(Host, ClosingThePreferencesWhileCapturingLeavesNoSnooper) {
  host_->showPreferences("KeyBindings");
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 1u) << "the pane's delayed redisplay";
  click(named<QAbstractButton>("BTN_kb_duplicate_set"));
  QTest::keyClicks(named<QLineEdit>("TEXT_set_name"), "Mine");
  click(named<QAbstractButton>("BTN_set_name_OK"));
  clickRow("Save", 0);
  addShortcut();
  host_->closePreferences();
  EXPECT_FALSE(host_->isSnooping());
  EXPECT_EQ(host_->toolkit().pendingRequestCount(), 0u);
  EXPECT_TRUE(host_->toolkit().openSheetNames().empty());
}

// File > Move to Trash: the document's file goes to the trash with its
// original path and the document closes as "Close" does. GLib reads HOME
// and XDG_DATA_HOME once, so the scratch trash is set before its first use.
TEST_F(Host, MoveToTrashPutsTheDocumentsFileInTheTrash) {
  const QString home = folder_.filePath("home");
  ASSERT_TRUE(QDir().mkpath(home + "/.local/share"));
  ::setenv("HOME", home.toUtf8().constData(), 1);
  ::setenv("XDG_DATA_HOME", (home + "/.local/share").toUtf8().constData(), 1);
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
  EXPECT_TRUE(host_->window().documentPath().isEmpty());
  EXPECT_TRUE(host_->window().textView().toPlainText().isEmpty());
  QFile info(home + "/.local/share/Trash/info/my notes 100%.txt.trashinfo");
  ASSERT_TRUE(info.open(QIODevice::ReadOnly));
  // The .trashinfo keeps the original path, percent-encoded.
  EXPECT_TRUE(info.readAll().contains(QUrl::toPercentEncoding(path, "/")));
}

}  // namespace
}  // namespace qor
