// The Qt toolkit's adapters on the offscreen platform.
#include "qor/qt/toolkit.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include "qor/log.h"
#include "qor/open_documents.h"
#include "qor/testing/modal_answer.h"
#include "qor/testing/pane_fixtures.h"
#include "qor/testing/recorders.h"
#include "qor/testing/tree_source.h"

namespace qor {
namespace {

// How long a test waits for something the event loop does at once.
constexpr int kEventLoopWaitMs = 50;

using fixtures::ReceivedAction;
using fixtures::RecordingOwner;
using fixtures::RecordingTarget;
using fixtures::TreeSource;

// Qt's own side of the pane's interface (the toolkit contract checks the rest):
// the sheets are hidden windows of their own; the main view has no parent yet.
TEST(LoadInterface, SheetsAreHiddenWindowsAndTheMainViewWaitsForItsHost) {
  QtToolkit toolkit;
  RecordingOwner owner(fixtures::paneOutlets());
  auto interface = toolkit.loadInterface(Bundle(QOR_RESOURCES_DIR), "KeyBindings", owner);
  ASSERT_TRUE(interface);
  EXPECT_EQ(QtToolkit::widgetOf(owner.connected["VIEW_key_bindings"])->parentWidget(), nullptr);
  for (const char* sheet : {"WIN_set_name", "WIN_key_configurator"}) {
    QWidget* dialog = QtToolkit::widgetOf(owner.connected[sheet]);
    ASSERT_TRUE(dialog) << sheet;
    EXPECT_TRUE(dialog->isWindow()) << sheet;
    EXPECT_FALSE(dialog->isVisible()) << sheet;
  }
}

// A bundle folder of test interface descriptions.
class Interfaces : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.isValid()); }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(folder_.filePath(QString::fromStdString(name)).toStdString()) << text;
  }
  [[nodiscard]] Bundle bundle() const { return Bundle(folder_.path().toStdString()); }

  QTemporaryDir folder_;
};

constexpr const char* kSmallInterface = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="VIEW_main">
  <layout class="QVBoxLayout" name="layout">
   <item><widget class="QTreeView" name="OLV_tree"/></item>
   <item><widget class="QPushButton" name="BTN_go"><property name="tag" stdset="0"><number>7</number></property></widget></item>
   <item><widget class="QComboBox" name="PUB_choice"/></item>
   <item><widget class="QLineEdit" name="TEXT_name"/></item>
   <item><widget class="QLabel" name="TEXT_status"/></item>
   <item>
    <widget class="QDialog" name="WIN_laid_out">
     <layout class="QVBoxLayout" name="sheet_layout">
      <item><widget class="QPushButton" name="BTN_sheet_OK"/></item>
     </layout>
    </widget>
   </item>
  </layout>
 </widget>
</ui>
)";

TEST_F(Interfaces, MissingBrokenAndMismatchedDescriptions) {
  RecordingOwner owner({{"VIEW_main", UiKind::View}});
  QtToolkit toolkit;
  LogCapture log;
  EXPECT_FALSE(toolkit.loadInterface(bundle(), "Missing", owner));
  write("Broken.ui", "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"x\">");
  EXPECT_FALSE(toolkit.loadInterface(bundle(), "Broken", owner));
  EXPECT_TRUE(owner.connected.empty());
  ASSERT_EQ(log.lines().size(), 2u);

  write("Small.ui", kSmallInterface);
  RecordingOwner mismatched({{"BTN_go", UiKind::TextField}, {"NOPE", UiKind::View}, {"BTN_go", UiKind::Button}});
  log.clear();
  auto interface = toolkit.loadInterface(bundle(), "Small", mismatched);
  ASSERT_TRUE(interface);
  EXPECT_EQ(mismatched.connected.at("NOPE"), nullptr);
  EXPECT_NE(mismatched.outlet<Button>("BTN_go"), nullptr) << "the last connection of a name wins";
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"*** QtToolkit: Small.ui has no text field BTN_go",
                                                   "*** QtToolkit: Small.ui has no view NOPE"}));
}

TEST_F(Interfaces, ControlsSendTheirActionsAndFieldsTellTheirDelegate) {
  write("Small.ui", kSmallInterface);
  RecordingOwner owner({{"BTN_go", UiKind::Button},
                        {"PUB_choice", UiKind::PopUpButton},
                        {"TEXT_name", UiKind::TextField},
                        {"TEXT_status", UiKind::TextField},
                        {"WIN_laid_out", UiKind::Window}});
  QtToolkit toolkit;
  auto interface = toolkit.loadInterface(bundle(), "Small", owner);
  ASSERT_TRUE(interface);
  RecordingTarget target;

  // Every action and delegate call waits for the event loop: none runs inside the widget's own handler.
  auto* button = owner.outlet<Button>("BTN_go");
  button->setTargetAction({&target, "go:"});
  button->performClick();
  QTest::mouseClick(qobject_cast<QAbstractButton*>(QtToolkit::widgetOf(button)), Qt::LeftButton);
  button->setEnabled(false);
  button->performClick();
  EXPECT_TRUE(target.received.empty());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(target.received, (std::vector<ReceivedAction>{{"go:", 7, true}, {"go:", 7, true}}));

  auto* popUp = owner.outlet<PopUpButton>("PUB_choice");
  auto* combo = qobject_cast<QComboBox*>(QtToolkit::widgetOf(popUp));
  popUp->addItemWithTitle("Default");
  popUp->addItemWithTitle("");
  popUp->addItemWithTitle("");  // refused: an item has this title
  ASSERT_EQ(popUp->numberOfItems(), 2u);
  EXPECT_EQ(popUp->indexOfSelectedItem(), 0);
  popUp->itemAtIndex(1)->setTitle("Mine");
  popUp->itemAtIndex(1)->setTag(1700000000);
  popUp->itemAtIndex(1)->setTargetAction({&target, "choose:"});
  EXPECT_EQ(combo->itemText(1), "Mine");
  EXPECT_TRUE(popUp->selectItemWithTag(1700000000));
  EXPECT_EQ(combo->currentIndex(), 1);
  EXPECT_FALSE(popUp->selectItemWithTag(5));
  target.received.clear();
  Q_EMIT combo->activated(1);
  EXPECT_EQ(popUp->indexOfSelectedItem(), 1) << "chosen at once, sent later";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(target.received, (std::vector<ReceivedAction>{{"choose:", 1700000000, true}}));
  Q_EMIT combo->activated(1);
  popUp->removeAllItems();
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(target.received.size(), 1u) << "an item gone before its action was due sends nothing";
  EXPECT_EQ(combo->count(), 0);
  EXPECT_EQ(popUp->indexOfSelectedItem(), -1);

  struct Delegate final : TextFieldDelegate {
    void controlTextDidChange(TextField& field) override { texts.push_back(field.stringValue()); }
    std::vector<std::string> texts;
  } delegate;
  auto* name = owner.outlet<TextField>("TEXT_name");
  name->setDelegate(&delegate);
  name->setStringValue("set by code");
  auto* edit = qobject_cast<QLineEdit*>(QtToolkit::widgetOf(name));
  edit->clear();
  for (char key : {'a', 'b'}) {
    QTest::keyClick(edit, key);
    QCoreApplication::sendPostedEvents();
  }
  EXPECT_EQ(delegate.texts, (std::vector<std::string>{"a", "ab"})) << "only the user's edits";

  auto* status = owner.outlet<TextField>("TEXT_status");
  auto* label = qobject_cast<QLabel*>(QtToolkit::widgetOf(status));
  status->setStringValue("'⌘S' is currently bound to 'Save'.");
  status->setTextColor(TextColor::Red);
  EXPECT_EQ(label->text(), "'⌘S' is currently bound to 'Save'.");
  EXPECT_EQ(label->property("qorTextColor").toString(), "red");
  EXPECT_NE(label->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::WindowText));
  status->setTextColor(TextColor::Black);
  EXPECT_EQ(status->textColor(), TextColor::Black);
  EXPECT_EQ(label->palette().color(QPalette::WindowText), QApplication::palette().color(QPalette::WindowText));

  // A dialog laid out inside the view still comes out as a window of its own.
  QWidget* dialog = QtToolkit::widgetOf(owner.connected["WIN_laid_out"]);
  EXPECT_TRUE(dialog->isWindow());
  EXPECT_FALSE(dialog->isVisible());
}

// A scroll area between a view and its window: the content's parent is the
// area's viewport, which has no view, so the walk passes it over.
TEST_F(Interfaces, ViewsKnowTheirSuperviewAndTheNearestScrollView) {
  write("Scrolled.ui", R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <widget class="QWidget" name="VIEW_main">
  <layout class="QVBoxLayout" name="layout">
   <item>
    <widget class="QScrollArea" name="VIEW_scroller">
     <widget class="QWidget" name="VIEW_content">
      <layout class="QVBoxLayout" name="inner"><item><widget class="QPushButton" name="BTN_inside"/></item></layout>
     </widget>
    </widget>
   </item>
   <item><widget class="QPushButton" name="BTN_outside"/></item>
   <item><widget class="QTreeView" name="OLV_tree"/></item>
  </layout>
 </widget>
</ui>
)");
  RecordingOwner owner({{"VIEW_main", UiKind::View}, {"VIEW_scroller", UiKind::View}, {"VIEW_content", UiKind::View},
                        {"BTN_inside", UiKind::Button}, {"BTN_outside", UiKind::Button},
                        {"OLV_tree", UiKind::OutlineView}});
  QtToolkit toolkit;
  auto interface = toolkit.loadInterface(bundle(), "Scrolled", owner);
  ASSERT_TRUE(interface);
  auto* main = owner.outlet<View>("VIEW_main");
  auto* scroller = owner.outlet<View>("VIEW_scroller");
  auto* content = owner.outlet<View>("VIEW_content");
  auto* inside = owner.outlet<View>("BTN_inside");
  EXPECT_EQ(inside->superview(), content);
  EXPECT_EQ(content->superview(), scroller);
  EXPECT_EQ(scroller->superview(), main);
  EXPECT_EQ(main->superview(), nullptr);
  EXPECT_EQ(scrollViewForView(inside), scroller);
  EXPECT_EQ(scrollViewForView(owner.outlet<View>("BTN_outside")), nullptr);
  // A tree view scrolls its own rows.
  EXPECT_EQ(scrollViewForView(owner.outlet<View>("OLV_tree")), owner.outlet<View>("OLV_tree"));
}

TEST_F(Interfaces, TheInterfaceLetsGoOfWidgetsItsHostDestroyed) {
  write("Small.ui", kSmallInterface);
  RecordingOwner owner({{"VIEW_main", UiKind::View}, {"BTN_go", UiKind::Button}, {"OLV_tree", UiKind::OutlineView}});
  QtToolkit toolkit;
  auto interface = toolkit.loadInterface(bundle(), "Small", owner);
  ASSERT_TRUE(interface);
  {
    QWidget host;
    QtToolkit::widgetOf(owner.connected["VIEW_main"])->setParent(&host);
  }
  auto* button = owner.outlet<Button>("BTN_go");
  EXPECT_EQ(QtToolkit::widgetOf(button), nullptr);
  button->performClick();
  EXPECT_FALSE(button->isEnabled());
  owner.outlet<OutlineView>("OLV_tree")->reloadData();
  interface.reset();
}

class Outline : public Interfaces {
 protected:
  void SetUp() override {
    Interfaces::SetUp();
    write("Small.ui", kSmallInterface);
    interface_ = toolkit_.loadInterface(bundle(), "Small", owner_);
    ASSERT_TRUE(interface_);
    outline_ = owner_.outlet<OutlineView>("OLV_tree");
    tree_ = qobject_cast<QTreeView*>(QtToolkit::widgetOf(outline_));
    QWidget* view = QtToolkit::widgetOf(owner_.connected["VIEW_main"]);
    view->resize(500, 400);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view));
    outline_->setDataSource(&source_);
    outline_->reloadData();
  }

  // The centre of the cell at `column` of visible row `row`, in viewport coordinates.
  QPoint cellCentre(int column, std::int64_t row) {
    Rect frame = outline_->frameOfCellAtColumnRow(column, row);
    QPoint inTree(static_cast<int>(frame.origin.x + frame.size.width / 2),
                  static_cast<int>(frame.origin.y + frame.size.height / 2));
    return tree_->viewport()->mapFrom(tree_, inTree);
  }

  QtToolkit toolkit_;
  RecordingOwner owner_{{{"VIEW_main", UiKind::View}, {"OLV_tree", UiKind::OutlineView}}};
  std::unique_ptr<LoadedInterface> interface_;
  TreeSource source_{Array::make({Dictionary::make({{"title", str("Group")},
                                                    {"items", Array::make({str("a"), str("b")})}}),
                                  str("centred"), Dictionary::make({{"title", str("Empty group")}})})};
  OutlineView* outline_ = nullptr;
  QTreeView* tree_ = nullptr;
};

TEST_F(Outline, RowsAreTheExpandedTreeWithTheSourcesTextsAndLooks) {
  // Rows: 0 Group, 1 a, 2 b, 3 centred, 4 Empty group.
  QAbstractItemModel* model = tree_->model();
  QModelIndex group = model->index(0, 0, {});
  QModelIndex a = model->index(0, 1, group);
  EXPECT_EQ(model->data(a).toString(), "key of a");
  EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Key");
  EXPECT_FALSE(model->flags(group) & Qt::ItemIsSelectable);
  EXPECT_TRUE(model->flags(a) & Qt::ItemIsSelectable);
  QModelIndex command = model->index(1, 0, {});
  EXPECT_EQ(model->data(group, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignHCenter | Qt::AlignVCenter);
  EXPECT_EQ(model->data(command, Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignLeft | Qt::AlignVCenter);
  EXPECT_FALSE(model->hasChildren(model->index(2, 0, {}))) << "a group without items";

  // Frames: the "Key" cell of a row sits right of its title, one row below the previous.
  Rect row1 = outline_->frameOfCellAtColumnRow(1, 1);
  Rect row2 = outline_->frameOfCellAtColumnRow(1, 2);
  EXPECT_GT(row1.origin.x, outline_->frameOfCellAtColumnRow(0, 1).origin.x);
  EXPECT_EQ(row2.origin.y - row1.origin.y, row1.size.height);
  EXPECT_EQ(outline_->frameOfCellAtColumnRow(1, 5), Rect{});
  EXPECT_EQ(outline_->frameOfCellAtColumnRow(2, 1), Rect{});
  QPoint expected = tree_->mapTo(tree_->window(), QPoint(static_cast<int>(row1.origin.x), static_cast<int>(row1.origin.y)));
  Rect converted = outline_->convertRectToView(row1, nullptr);
  EXPECT_EQ(QPoint(static_cast<int>(converted.origin.x), static_cast<int>(converted.origin.y)), expected);
}

TEST_F(Outline, SelectingAnItemOpensItsGroupAndTellsNobody) {
  tree_->collapse(tree_->model()->index(0, 0, {}));  // the user closes Group
  const OutlineItem b = source_.outlineViewChildOfItem(*outline_, 1, outline_->itemAtRow(0));
  ASSERT_FALSE(b.isNone());
  EXPECT_TRUE(outline_->selectItem(b));
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(outline_->selectedRow(), 2);  // Group, a, b: open again
  EXPECT_TRUE(source_.selections.empty());
  outline_->reloadData();
  EXPECT_EQ(outline_->selectedRow(), 2) << "the group stays open";
  EXPECT_FALSE(outline_->selectItem(outline_->itemAtRow(0))) << "a row that cannot be selected";
}

TEST_F(Outline, AClickSelectsAndTellsTheSourceAfterwardsAndReloadKeepsIt) {
  QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, cellCentre(0, 2));
  EXPECT_EQ(outline_->selectedRow(), 2);
  EXPECT_TRUE(source_.selections.empty()) << "told from the event loop, not inside the click";
  QTest::qWait(kEventLoopWaitMs);
  EXPECT_EQ(source_.selections, (std::vector<std::int64_t>{2}));
  EXPECT_TRUE(source_.target.received.empty()) << "the click that selects sends no cell action";

  // A row that may not be selected keeps the selection where it was.
  QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, cellCentre(0, 0));
  QTest::qWait(kEventLoopWaitMs);
  EXPECT_EQ(outline_->selectedRow(), 2);

  // A click on the "Key" cell of the selected row sends its action.
  QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, cellCentre(1, 2));
  QTest::qWait(kEventLoopWaitMs);
  EXPECT_EQ(source_.target.received, (std::vector<ReceivedAction>{{"edit:", 0, true}}));

  // Collapsing the group moves "centred" from row 3 to row 1; a reload keeps
  // the group collapsed and the selection, and tells nobody.
  QTest::mouseClick(tree_->viewport(), Qt::LeftButton, {}, cellCentre(0, 3));
  QTest::qWait(kEventLoopWaitMs);
  tree_->collapse(tree_->model()->index(0, 0, {}));
  EXPECT_EQ(outline_->selectedRow(), 1);
  source_.selections.clear();
  outline_->reloadData();
  QTest::qWait(kEventLoopWaitMs);
  EXPECT_EQ(outline_->selectedRow(), 1);
  EXPECT_EQ(source_.outlineViewObjectValueForTableColumnByItem(*outline_, "title", outline_->itemAtRow(1)), "centred");
  EXPECT_TRUE(source_.selections.empty());
}

TEST(RunLoop, AToolkitGoneWithCallsPendingRunsNone) {
  RecordingTarget late;
  {
    QtToolkit shortLived;
    shortLived.performAfterDelay(late, "never", 0);
  }
  QTest::qWait(kEventLoopWaitMs);
  EXPECT_TRUE(late.received.empty());
}

class Sheets : public Interfaces {
 protected:
  void SetUp() override {
    Interfaces::SetUp();
    write("Small.ui", kSmallInterface);
    interface_ = toolkit_.loadInterface(bundle(), "Small", owner_);
    ASSERT_TRUE(interface_);
    view_ = QtToolkit::widgetOf(owner_.connected["VIEW_main"]);
    view_->show();
    sheet_ = owner_.outlet<Window>("WIN_laid_out");
    dialog_ = qobject_cast<QDialog*>(QtToolkit::widgetOf(sheet_));
  }

  QtToolkit toolkit_;
  RecordingOwner owner_{{{"VIEW_main", UiKind::View}, {"WIN_laid_out", UiKind::Window}}};
  std::unique_ptr<LoadedInterface> interface_;
  QWidget* view_ = nullptr;
  Window* sheet_ = nullptr;
  QDialog* dialog_ = nullptr;
  std::vector<int> ends_;
};

TEST_F(Sheets, ASheetIsWindowModalAndEndsOnceWithItsCode) {
  Window* parent = toolkit_.windowOf(view_);
  toolkit_.beginSheet(*sheet_, parent, [this](int code) { ends_.push_back(code); });
  toolkit_.beginSheet(*sheet_, parent, [this](int) { ends_.push_back(99); });
  EXPECT_TRUE(dialog_->isVisible());
  EXPECT_EQ(dialog_->windowModality(), Qt::WindowModal);
  EXPECT_EQ(toolkit_.openSheetNames(), (std::vector<std::string>{"WIN_laid_out"}));
  toolkit_.endSheet(*sheet_, kReturnCodeOK);
  toolkit_.endSheet(*sheet_, kReturnCodeCancel);
  EXPECT_FALSE(dialog_->isVisible());
  EXPECT_EQ(ends_, (std::vector<int>{kReturnCodeOK}));
  EXPECT_TRUE(toolkit_.openSheetNames().empty());

  // Escape cancels; a didEnd may open the sheet again at once.
  toolkit_.beginSheet(*sheet_, parent, [this, parent](int code) {
    ends_.push_back(code);
    toolkit_.beginSheet(*sheet_, parent, [this](int again) { ends_.push_back(again); });
  });
  dialog_->reject();
  EXPECT_EQ(ends_, (std::vector<int>{kReturnCodeOK})) << "didEnd waits until the dialog has returned";
  EXPECT_TRUE(toolkit_.openSheetNames().empty());
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(ends_, (std::vector<int>{kReturnCodeOK, kReturnCodeCancel}));
  EXPECT_TRUE(dialog_->isVisible());

  // A sheet destroyed while open ends without its didEnd.
  interface_.reset();
  EXPECT_TRUE(toolkit_.openSheetNames().empty());
  EXPECT_EQ(ends_.size(), 2u);
}

TEST_F(Sheets, WindowsAreNumberedAndFound) {
  Window* parent = toolkit_.windowOf(view_);
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent, toolkit_.windowOf(QtToolkit::widgetOf(owner_.connected["VIEW_main"])));
  EXPECT_NE(sheet_->windowNumber(), parent->windowNumber());
  EXPECT_EQ(toolkit_.windowWithNumber(parent->windowNumber()), parent);
  EXPECT_EQ(toolkit_.windowWithNumber(0), nullptr);
  EXPECT_EQ(owner_.connected["VIEW_main"]->objectName(), "VIEW_main");
  EXPECT_EQ(dynamic_cast<View*>(owner_.connected["VIEW_main"])->window(), parent);
}

using fixtures::ModalAnswer;

TEST(Panels, AlertHasTheSingleButtonGiven) {
  QtToolkit toolkit;
  QStringList buttons;
  QString text;
  ModalAnswer<QMessageBox> answer([&](QMessageBox& box) {
    for (QAbstractButton* button : box.buttons()) buttons << button->text();
    text = box.text() + "|" + box.informativeText();
    box.buttons().first()->click();
  });
  toolkit.runAlertPanel("Can't change default key bindings set",
                        "To customize shortcuts, duplicate an existing key bindings set.", "OK");
  EXPECT_EQ(buttons, QStringList{"OK"});
  EXPECT_EQ(text, "Can't change default key bindings set|To customize shortcuts, duplicate an existing key bindings set.");
}

TEST(Panels, SaveAndOpenPanelsOfferTheFileType) {
  QtToolkit toolkit;
  QTemporaryDir folder;
  const QString chosen = folder.filePath("Mine.QOR_shortcuts");
  QStringList filters;
  ModalAnswer<QFileDialog> save([&](QFileDialog& panel) {
    filters = panel.nameFilters();
    panel.selectFile(chosen);
    static_cast<QDialog&>(panel).accept();
  });
  int code = -1;
  std::string path;
  toolkit.beginSaveSheet(folder.path().toStdString(), "Mine.QOR_shortcuts", {}, nullptr, [&](int returnCode, const std::string& file) {
    code = returnCode;
    path = file;
  });
  EXPECT_EQ(code, kReturnCodeOK);
  EXPECT_EQ(path, chosen.toStdString());
  ASSERT_FALSE(filters.isEmpty());
  EXPECT_EQ(filters.first(), "QOR_shortcuts files (*.QOR_shortcuts)");

  ModalAnswer<QFileDialog> cancel([&](QFileDialog& panel) {
    filters = panel.nameFilters();
    panel.reject();
  });
  OpenPanelResult cancelled = toolkit.runOpenPanelForTypes({"QOR_shortcuts"});
  EXPECT_EQ(cancelled.returnCode, kReturnCodeCancel);
  EXPECT_TRUE(cancelled.filenames.empty());
  EXPECT_EQ(filters, QStringList{"QOR_shortcuts files (*.QOR_shortcuts)"});
}

// Offered several types, the panel lists each; the chosen one is the
// extension a name typed without one gets.
TEST(Panels, SavePanelOffersEachTypeAndTheChosenOneIsTheDefault) {
  QtToolkit toolkit;
  QStringList filters;
  QStringList suffixes;
  ModalAnswer<QFileDialog> save([&](QFileDialog& panel) {
    filters = panel.nameFilters();
    suffixes << panel.defaultSuffix();
    auto* types = panel.findChild<QComboBox*>("fileTypeCombo");
    if (types && types->count() > 1) {
      types->setCurrentIndex(1);
      emit types->textActivated(types->currentText());  // as a user's choice does
    }
    suffixes << panel.defaultSuffix();
    panel.reject();
  });
  toolkit.beginSaveSheet("", "keys.html", {"html", "pdf"}, nullptr, nullptr);
  EXPECT_EQ(filters, (QStringList{"html files (*.html)", "pdf files (*.pdf)", "All files (*)"}));
  EXPECT_EQ(suffixes, (QStringList{"html", "pdf"}));
}

// The list panel as All Conflicts uses it: headings cannot be chosen, the
// default button waits for a choice, a double click on a command confirms.
TEST(ListPanelTest, AChoiceIsNeededAndADoubleClickConfirms) {
  QtToolkit toolkit;
  const ListPanel panel{"All Conflicts", "Shared", {{"Menu Commands", 0, ListRowKind::Heading}, {"⌘S: 'New', 'Save'", 1},
                        {"New", 2}, {"Save", 2}}, "Show Command", "Close", ListChoice::Required};
  QStringList shown;
  bool enabledAtFirst = true;
  ModalAnswer<QDialog> answer([&](QDialog& dialog) {
    auto* rows = dialog.findChild<QTreeWidget*>("qorListRows");
    ASSERT_TRUE(rows);
    for (QTreeWidgetItemIterator it(rows); *it; ++it) shown << (*it)->text(0);
    enabledAtFirst = dialog.findChild<QDialogButtonBox*>()->buttons().first()->isEnabled();
    EXPECT_FALSE(rows->topLevelItem(0)->flags() & Qt::ItemIsSelectable);
    QTreeWidgetItem* save = rows->topLevelItem(0)->child(0)->child(1);
    rows->setCurrentItem(save);
    emit rows->itemDoubleClicked(save, 0);
  });
  EXPECT_EQ(toolkit.runListPanel(panel, nullptr), (ListPanelResult{kReturnCodeOK, 3}));
  EXPECT_EQ(shown, (QStringList{"Menu Commands", "⌘S: 'New', 'Save'", "New", "Save"}));
  EXPECT_FALSE(enabledAtFirst);
}

// The list panel as the import preview uses it: rows to read, Import at
// once, Cancel reports no row.
TEST(ListPanelTest, RowsToReadConfirmOrCancel) {
  QtToolkit toolkit;
  const ListPanel panel{"Import Key Bindings Sets", "", {{"'Clash' from 'clash.QOR_shortcuts'", 0, ListRowKind::Heading}},
                        "Import", "Cancel", ListChoice::Optional};
  for (int button : {0, 1}) {
    ModalAnswer<QDialog> answer([&](QDialog& dialog) {
      QList<QAbstractButton*> buttons = dialog.findChild<QDialogButtonBox*>()->buttons();
      auto found = std::find_if(buttons.begin(), buttons.end(), [&](QAbstractButton* b) {
        return b->text() == (button == 0 ? "Import" : "Cancel");
      });
      ASSERT_NE(found, buttons.end());
      (*found)->click();
    });
    EXPECT_EQ(toolkit.runListPanel(panel, nullptr),
              (ListPanelResult{button == 0 ? kReturnCodeOK : kReturnCodeCancel, -1}));
  }
}

TEST(Documents, AnHtmlPageIsWrittenAsPdfOrNotAtAll) {
  QtToolkit toolkit;
  QTemporaryDir folder;
  const std::string path = folder.filePath("keys.pdf").toStdString();
  ASSERT_TRUE(toolkit.writeDocumentAsPDF("<title>Mine</title><h1>Mine</h1><p>Save ⌘S</p>", path));
  QFile written(QString::fromStdString(path));
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().startsWith("%PDF-"));
  EXPECT_FALSE(toolkit.writeDocumentAsPDF("<h1>Mine</h1>", folder.filePath("none/keys.pdf").toStdString()));
  EXPECT_FALSE(toolkit.writeDocumentAsPDF("<h1>Mine</h1>", ""));
}

TEST(ContextMenu, OpensBelowTheCellAndSendsTheChosenItemsAction) {
  QtToolkit toolkit;
  QWidget window;
  window.resize(400, 300);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  Window* port = toolkit.windowOf(&window);
  RecordingTarget target;
  QPointer<QMenu> shown;
  {
    std::unique_ptr<PopUpButton> holder = toolkit.makePopUpButton({{200, 40}, {150, 20}});
    holder->addItemWithTitle("");
    holder->itemAtIndex(0)->setTitle("Add Shortcut...");
    holder->itemAtIndex(0)->setTargetAction({&target, "showKeyConfigurationSheet:"});
    holder->addItemWithTitle("");
    holder->itemAtIndex(1)->setTitle("Remove '⌘S'");
    holder->itemAtIndex(1)->setTag(1);
    holder->itemAtIndex(1)->setTargetAction({&target, "removeShortcutAtIndex:"});
    MouseEvent event;
    event.type = kLeftMouseUpEventType;
    event.location = {200, 40};
    event.windowNumber = port->windowNumber();
    toolkit.popUpContextMenu(*holder, event, *holder);
    shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  }
  ASSERT_TRUE(shown);
  EXPECT_TRUE(shown->isVisible());
  EXPECT_EQ(shown->pos(), window.mapToGlobal(QPoint(200, 60)));
  ASSERT_EQ(shown->actions().size(), 2);
  EXPECT_EQ(shown->actions()[0]->text(), "Add Shortcut...");
  // The holder is gone; the menu kept its own copies of the items. The
  // choice is carried out after the menu has closed and returned, and the
  // menu goes only then, from the event loop.
  QTest::mouseClick(shown, Qt::LeftButton, {}, shown->actionGeometry(shown->actions()[1]).center());
  EXPECT_TRUE(target.received.empty());
  EXPECT_TRUE(shown) << "not destroyed under its own click";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(target.received, (std::vector<ReceivedAction>{{"removeShortcutAtIndex:", 1, true}}));
  EXPECT_FALSE(shown) << "released once closed";
  EXPECT_EQ(toolkit.contextMenuCount(), 0u);
}

TEST(ContextMenu, AChoiceIsDroppedWhenItsWindowWentFirst) {
  QtToolkit toolkit;
  auto window = std::make_unique<QWidget>();
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  RecordingTarget target;
  std::unique_ptr<PopUpButton> holder = toolkit.makePopUpButton({{0, 0}, {100, 20}});
  holder->addItemWithTitle("Add Shortcut...");
  holder->itemAtIndex(0)->setTargetAction({&target, "showKeyConfigurationSheet:"});
  MouseEvent event;
  event.windowNumber = toolkit.windowOf(window.get())->windowNumber();
  toolkit.popUpContextMenu(*holder, event, *holder);
  QPointer<QMenu> shown = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  ASSERT_TRUE(shown);
  shown->actions()[0]->trigger();
  window.reset();
  QCoreApplication::sendPostedEvents();
  EXPECT_TRUE(target.received.empty());
  EXPECT_FALSE(shown) << "the menu closed with its window";
}

}  // namespace
}  // namespace qor
