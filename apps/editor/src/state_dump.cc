#include "state_dump.h"

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTreeView>

#include "host_editor.h"
#include "key_binding_sets.h"
#include "qor/pane_model/set_format.h"
#include "qor/key_notation.h"

namespace qor {

namespace {

// Named widgets of the pane's interface and of the host's own windows.
constexpr std::array<const char*, 11> kDescribedPrefixes = {"VIEW_", "TABV_", "PUB_", "BTN_", "WIN_", "TEXT_",
                                                            "OLV_", "PREF_", "POP_", "NUM_", "CHK_"};

ArrayRef rectangle(const QRect& rect) {
  return Array::make({integer(rect.x()), integer(rect.y()), integer(rect.width()), integer(rect.height())});
}

ArrayRef globalRectangle(const QWidget& widget, QRect local) {
  local.moveTopLeft(widget.mapToGlobal(local.topLeft()));
  return rectangle(local);
}

bool isDescribed(const QString& name) {
  return std::any_of(kDescribedPrefixes.begin(), kDescribedPrefixes.end(),
                     [&](const char* prefix) { return name.startsWith(prefix); });
}

DictionaryRef describeWidget(const QWidget& widget) {
  auto entry = MutableDictionary::make();
  entry->setObjectForKey(str(widget.metaObject()->className()), "class");
  entry->setObjectForKey(boolean(widget.isVisible()), "visible");
  entry->setObjectForKey(boolean(widget.isEnabled()), "enabled");
  entry->setObjectForKey(boolean(widget.hasFocus()), "focused");
  entry->setObjectForKey(globalRectangle(widget, widget.rect()), "frame");
  QVariant color = widget.property("qorTextColor");
  if (color.isValid()) entry->setObjectForKey(str(color.toString().toStdString()), "color");
  QString text;
  if (auto* edit = qobject_cast<const QLineEdit*>(&widget)) text = edit->text();
  if (auto* label = qobject_cast<const QLabel*>(&widget)) text = label->text();
  if (auto* document = qobject_cast<const QTextEdit*>(&widget)) text = document->toPlainText();
  if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) text = button->text();
  if (auto* combo = qobject_cast<const QComboBox*>(&widget)) {
    text = combo->currentText();
    auto items = MutableArray::make();
    for (int index = 0; index < combo->count(); ++index) items->addObject(str(combo->itemText(index).toStdString()));
    entry->setObjectForKey(items, "items");
  }
  if (auto* tabs = qobject_cast<const QTabWidget*>(&widget)) {
    text = tabs->currentWidget() ? tabs->currentWidget()->objectName() : QString();
    auto bar = MutableArray::make();
    for (int index = 0; index < tabs->count(); ++index)
      bar->addObject(Dictionary::make({{"identifier", str(tabs->widget(index)->objectName().toStdString())},
                                       {"title", str(tabs->tabText(index).toStdString())},
                                       {"frame", globalRectangle(*tabs->tabBar(), tabs->tabBar()->tabRect(index))}}));
    entry->setObjectForKey(bar, "tabs");
  }
  entry->setObjectForKey(str(text.toStdString()), "text");
  return entry;
}

// The rows an outline shows, top down, with their cells on the screen.
ArrayRef describeRows(const QTreeView& tree) {
  auto rows = MutableArray::make();
  const QAbstractItemModel* model = tree.model();
  if (!model) return rows;
  const QRect viewport = tree.viewport()->rect();
  for (QModelIndex index = model->index(0, 0, {}); index.isValid(); index = tree.indexBelow(index)) {
    QModelIndex key = index.siblingAtColumn(1);
    QRect titleCell = tree.visualRect(index);
    QRect keyCell = tree.visualRect(key);
    rows->addObject(Dictionary::make({
        {"title", str(model->data(index).toString().toStdString())},
        {"key", str(model->data(key).toString().toStdString())},
        {"selected", boolean(tree.selectionModel() && tree.selectionModel()->isRowSelected(index.row(), index.parent()))},
        {"visible", boolean(viewport.contains(titleCell.center()))},
        {"title cell", globalRectangle(*tree.viewport(), titleCell)},
        {"key cell", globalRectangle(*tree.viewport(), keyCell)},
    }));
  }
  return rows;
}

ArrayRef describePaneList(const QListWidget& list) {
  auto panes = MutableArray::make();
  for (int row = 0; row < list.count(); ++row) {
    const QListWidgetItem* item = list.item(row);
    panes->addObject(Dictionary::make({{"name", str(item->text().toStdString())},
                                       {"selected", boolean(item->isSelected())},
                                       {"frame", globalRectangle(*list.viewport(), list.visualItemRect(item))}}));
  }
  return panes;
}

ArrayRef describeMenus() {
  auto menus = MutableArray::make();
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    auto* menu = qobject_cast<QMenu*>(widget);
    if (!menu || !menu->isVisible()) continue;
    auto items = MutableArray::make();
    for (QAction* action : menu->actions()) {
      if (action->isSeparator()) continue;
      items->addObject(Dictionary::make({{"title", str(action->text().toStdString())},
                                         {"enabled", boolean(action->isEnabled())},
                                         {"frame", globalRectangle(*menu, menu->actionGeometry(action))}}));
    }
    menus->addObject(Dictionary::make({{"title", str(menu->title().toStdString())}, {"items", items}}));
  }
  return menus;
}

ArrayRef describeWindows() {
  auto windows = MutableArray::make();
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (!widget->isVisible() || qobject_cast<QMenu*>(widget)) continue;
    auto window = MutableDictionary::make();
    window->setObjectForKey(str(widget->objectName().toStdString()), "name");
    window->setObjectForKey(str(widget->windowTitle().toStdString()), "title");
    window->setObjectForKey(integer(static_cast<std::int64_t>(widget->winId())), "window id");
    window->setObjectForKey(boolean(widget->isActiveWindow()), "active");
    window->setObjectForKey(boolean(widget->isModal() || widget->windowModality() != Qt::NonModal), "modal");
    window->setObjectForKey(rectangle(widget->geometry()), "frame");
    // An alert: its message and where its buttons are, so that a test can answer it.
    if (auto* alert = qobject_cast<QMessageBox*>(widget)) {
      auto buttons = MutableArray::make();
      for (QAbstractButton* button : alert->buttons())
        buttons->addObject(Dictionary::make({{"title", str(button->text().toStdString())},
                                             {"frame", globalRectangle(*button, button->rect())}}));
      window->setObjectForKey(str(alert->text().toStdString()), "alert text");
      window->setObjectForKey(buttons, "buttons");
    }
    windows->addObject(window);
  }
  return windows;
}

// Every sequence of each menu command, in the words of the desktop
// (whichever notation the menus show): what the dispatcher runs.
DictionaryRef describeMenuShortcuts(const QtMainMenu& menu, const KeySequenceDispatcher& dispatcher) {
  auto shortcuts = MutableDictionary::make();
  for (const QtMainMenu::Command& command : menu.commands()) {
    std::optional<std::string> identifier = identifierForMenuItem(command.item);
    if (!identifier) continue;
    auto sequences = MutableArray::make();
    for (const DispatchBinding& binding : dispatcher.bindings())
      if (binding.command.group == kSetMenuKey && binding.command.key == *identifier)
        sequences->addObject(str(textOfChords(binding.chords, ShortcutNotation::Words)));
    shortcuts->setObjectForKey(Dictionary::make({{"title", str(command.item->title())}, {"shortcuts", sequences}}),
                               *identifier);
  }
  return shortcuts;
}

}  // namespace

DictionaryRef describeHost(const HostEditor& host) {
  auto state = MutableDictionary::make();
  state->setObjectForKey(str(host.defaultsPath()), "defaults file");
  state->setObjectForKey(boolean(host.preferences() != nullptr), "preferences window");
  state->setObjectForKey(integer(static_cast<std::int64_t>(host.toolkit().pendingRequestCount())), "pending delayed calls");
  state->setObjectForKey(boolean(host.isSnooping()), "key snooper");
  auto sheets = MutableArray::make();
  for (const auto& name : host.toolkit().openSheetNames()) sheets->addObject(str(name));
  state->setObjectForKey(sheets, "open sheets");
  if (host.menu()) state->setObjectForKey(describeMenuShortcuts(*host.menu(), host.dispatcher()), "menu shortcuts");
  // The strokes so far of a sequence under way; the popup of what may follow
  // is among the widgets and outlines.
  if (host.editorWindow())
    state->setObjectForKey(str(host.editorWindow()->statusBar()->currentMessage().toStdString()), "status text");
  state->setObjectForKey(describeWindows(), "windows");
  state->setObjectForKey(describeMenus(), "menus");

  auto widgets = MutableDictionary::make();
  auto outlines = MutableDictionary::make();
  for (QWidget* widget : QApplication::allWidgets()) {
    const QString name = widget->objectName();
    if (!isDescribed(name)) continue;
    widgets->setObjectForKey(describeWidget(*widget), name.toStdString());
    if (auto* tree = qobject_cast<QTreeView*>(widget)) outlines->setObjectForKey(describeRows(*tree), name.toStdString());
    if (auto* list = qobject_cast<QListWidget*>(widget)) state->setObjectForKey(describePaneList(*list), "panes");
  }
  state->setObjectForKey(widgets, "widgets");
  state->setObjectForKey(outlines, "outlines");
  return state;
}

namespace {

// The pipe between the signal handler and the event loop.
int gSignalPipe[2] = {-1, -1};

extern "C" void onUserSignal(int) {
  const char wake = 1;
  // Nothing else is safe in a handler; a full pipe already has a wake-up in it.
  [[maybe_unused]] ssize_t written = ::write(gSignalPipe[1], &wake, 1);
}

}  // namespace

DumpSignal::DumpSignal(std::function<void()> request) : request_(std::move(request)) {
  if (gSignalPipe[0] >= 0 || ::pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = onUserSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  if (::sigaction(SIGUSR1, &action, nullptr) != 0) {
    ::close(gSignalPipe[0]);
    ::close(gSignalPipe[1]);
    gSignalPipe[0] = gSignalPipe[1] = -1;
    return;
  }
  notifier_ = std::make_unique<QSocketNotifier>(gSignalPipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
    char drained[64];
    while (::read(gSignalPipe[0], drained, sizeof drained) > 0) {
    }
    if (request_) request_();
  });
}

DumpSignal::~DumpSignal() {
  if (!notifier_) return;
  notifier_.reset();
  ::signal(SIGUSR1, SIG_DFL);
  ::close(gSignalPipe[0]);
  ::close(gSignalPipe[1]);
  gSignalPipe[0] = gSignalPipe[1] = -1;
}

}  // namespace qor
