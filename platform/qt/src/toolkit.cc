#include "qor/qt/toolkit.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMetaProperty>
#include <QTabWidget>
#include <QTimerEvent>
#include <QTreeView>
#include <QUiLoader>

#include "qor/log.h"
#include "qor/qt/pdf_document.h"
#include "widgets.h"

namespace qor {

namespace {

constexpr const char* kInterfaceExtension = ".ui";
constexpr double kMillisecondsPerSecond = 1000;
constexpr const char* kAllFilesFilter = "All files (*)";
constexpr const char* kColumnTitlesProperty = "columnTitles";

const char* kindName(UiKind kind) {
  switch (kind) {
    case UiKind::View:
      return "view";
    case UiKind::TabView:
      return "tab view";
    case UiKind::PopUpButton:
      return "pop-up button";
    case UiKind::Button:
      return "button";
    case UiKind::Window:
      return "window";
    case UiKind::TextField:
      return "text field";
    case UiKind::OutlineView:
      return "outline view";
  }
  return "object";
}

int millisecondsOf(double seconds) {
  if (!(seconds > 0)) return 0;
  double milliseconds = std::round(seconds * kMillisecondsPerSecond);
  return milliseconds >= std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                                         : static_cast<int>(milliseconds);
}

// The sender of a context-menu item's action.
class MenuItemSender final : public Sender {
 public:
  explicit MenuItemSender(std::int64_t tag) : tag_(tag) {}
  [[nodiscard]] std::int64_t tag() const override { return tag_; }

 private:
  std::int64_t tag_;
};

// "QOR_shortcuts files (*.QOR_shortcuts)"; "" without types.
QString nameFilterFor(const std::vector<std::string>& types) {
  if (types.empty()) return {};
  QStringList patterns;
  QStringList names;
  for (const auto& type : types) {
    patterns << "*." + QString::fromStdString(type);
    names << QString::fromStdString(type);
  }
  return names.join(", ") + " files (" + patterns.join(' ') + ")";
}

// The interface description's texts in the user's language: each title,
// tooltip, placeholder, window title, tab title and column title is a key of
// the bundle's table named after the description ("KeyBindings.po"); a text
// without a translation stays as written.
void translateInterface(QWidget& root, const Bundle& bundle, const std::string& table) {
  const auto translated = [&](const QString& text) {
    if (text.isEmpty()) return text;
    return QString::fromStdString(bundle.localizedStringForKeyValueTable(text.toStdString(), "", table));
  };
  static constexpr const char* kTextProperties[] = {"text", "toolTip", "placeholderText", "windowTitle"};
  QList<QWidget*> widgets = root.findChildren<QWidget*>();
  widgets.prepend(&root);
  for (QWidget* widget : widgets) {
    // A field's contents are the user's, not the description's.
    const bool editable = qobject_cast<QLineEdit*>(widget) != nullptr;
    for (const char* property : kTextProperties) {
      if (editable && std::string_view(property) == "text") continue;
      const int index = widget->metaObject()->indexOfProperty(property);
      if (index < 0) continue;
      QMetaProperty meta = widget->metaObject()->property(index);
      if (meta.userType() == QMetaType::QString) meta.write(widget, translated(meta.read(widget).toString()));
    }
    if (auto* tabs = qobject_cast<QTabWidget*>(widget))
      for (int tab = 0; tab < tabs->count(); ++tab) tabs->setTabText(tab, translated(tabs->tabText(tab)));
    const QVariant columns = widget->property(kColumnTitlesProperty);
    if (columns.isValid()) {
      QStringList titles = columns.toStringList();
      for (QString& title : titles) title = translated(title);
      widget->setProperty(kColumnTitlesProperty, titles);
    }
  }
}

// A dialog that the interface description laid out inside its parent is
// still a window of its own.
void keepDialogsWindows(QWidget& root) {
  for (QDialog* dialog : root.findChildren<QDialog*>()) {
    if (dialog->isWindow()) continue;
    dialog->setParent(dialog->parentWidget(), Qt::Dialog);
    dialog->hide();
  }
}

}  // namespace

// Runs the delayed calls: one Qt timer each, killed when it fires or is cancelled.
class QtToolkit::Timers final : public QObject {
 public:
  explicit Timers(QtToolkit& toolkit) : toolkit_(toolkit) {}

 protected:
  void timerEvent(QTimerEvent* event) override {
    killTimer(event->timerId());
    toolkit_.runRequest(event->timerId());
  }

 private:
  QtToolkit& toolkit_;
};

class QtToolkit::Interface final : public LoadedInterface {
 public:
  Interface(QtToolkit& toolkit, QWidget* root) : toolkit_(toolkit), root_(root) {}
  ~Interface() override {
    for (const auto& [widget, object] : adapters_) toolkit_.unregisterView(widget);
    // Adapters first: they undo their connections, so the widgets never call a dead adapter.
    adapters_.clear();
    // QUiLoader hands the root over; once the host put it into a window of its
    // own, that window may have destroyed it already.
    delete root_.data();
  }
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;

  // The port of `widget` as an object of `kind`, made once per widget.
  // Result: null when the widget's class does not fit the kind.
  UiObject* adapt(UiKind kind, QWidget* widget) {
    if (kind == UiKind::Window) return qobject_cast<QDialog*>(widget) ? toolkit_.windowOf(widget) : nullptr;
    auto existing = std::find_if(adapters_.begin(), adapters_.end(), [&](const auto& adapter) {
      return adapter.first == widget && adapter.second.kind == kind;
    });
    if (existing != adapters_.end()) return existing->second.object.get();
    std::unique_ptr<UiObject> object = make(kind, widget);
    if (!object) return nullptr;
    UiObject* made = object.get();
    if (auto* view = dynamic_cast<View*>(made)) toolkit_.registerView(widget, view);
    adapters_.emplace_back(widget, Adapter{kind, std::move(object)});
    return made;
  }

 private:
  struct Adapter {
    UiKind kind;
    std::unique_ptr<UiObject> object;
  };

  std::unique_ptr<UiObject> make(UiKind kind, QWidget* widget) {
    switch (kind) {
      case UiKind::View:
        return std::make_unique<QtView>(toolkit_, widget);
      case UiKind::TabView:
        if (auto* tabs = qobject_cast<QTabWidget*>(widget)) return std::make_unique<QtTabView>(toolkit_, tabs);
        return nullptr;
      case UiKind::PopUpButton:
        if (auto* combo = qobject_cast<QComboBox*>(widget)) return std::make_unique<QtPopUpButton>(toolkit_, combo);
        return nullptr;
      case UiKind::Button:
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return std::make_unique<QtButton>(toolkit_, button);
        return nullptr;
      case UiKind::TextField:
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) return std::make_unique<QtTextField>(toolkit_, edit);
        if (auto* label = qobject_cast<QLabel*>(widget)) return std::make_unique<QtTextField>(toolkit_, label);
        return nullptr;
      case UiKind::OutlineView:
        if (auto* tree = qobject_cast<QTreeView*>(widget)) return std::make_unique<QtOutlineView>(toolkit_, tree);
        return nullptr;
      case UiKind::Window:
        return nullptr;
    }
    return nullptr;
  }

  QtToolkit& toolkit_;
  QPointer<QWidget> root_;
  std::vector<std::pair<const QWidget*, Adapter>> adapters_;
};

QtToolkit::QtToolkit() : timers_(std::make_unique<Timers>(*this)), mailbox_(std::make_unique<Mailbox>()) {}

// Sheets still open end without didEnd (their owners may be gone): their
// connections die with the timers' object, their context.
QtToolkit::~QtToolkit() = default;

// ---- Interfaces ----

std::unique_ptr<LoadedInterface> QtToolkit::loadInterface(const Bundle& bundle, const std::string& name,
                                                          InterfaceOwner& owner) {
  const std::string fileName = name + kInterfaceExtension;
  std::optional<std::string> path = bundle.pathForResource(fileName);
  if (!path) {
    logLine("*** QtToolkit: no " + fileName + " in " + bundle.bundlePath());
    return nullptr;
  }
  QFile file(QString::fromStdString(*path));
  if (!file.open(QIODevice::ReadOnly)) {
    logLine("*** QtToolkit: cannot read " + *path + ": " + file.errorString().toStdString());
    return nullptr;
  }
  QUiLoader loader;
  loader.setLanguageChangeEnabled(false);
  // Translated from the bundle's own table below, not by Qt's translators.
  loader.setTranslationEnabled(false);
  QWidget* root = loader.load(&file);
  if (!root) {
    logLine("*** QtToolkit: cannot load " + *path + ": " + loader.errorString().toStdString());
    return nullptr;
  }
  auto interface = std::make_unique<Interface>(*this, root);
  translateInterface(*root, bundle, name);
  keepDialogsWindows(*root);

  std::vector<std::pair<std::string, UiObject*>> outlets;
  for (const OutletSpec& outlet : owner.interfaceOutlets()) {
    const QString objectName = QString::fromStdString(outlet.name);
    QWidget* widget = root->objectName() == objectName ? root : root->findChild<QWidget*>(objectName);
    UiObject* object = widget ? interface->adapt(outlet.kind, widget) : nullptr;
    if (!object) logLine("*** QtToolkit: " + fileName + " has no " + kindName(outlet.kind) + " " + outlet.name);
    outlets.emplace_back(outlet.name, object);
  }
  for (const auto& [outletName, object] : outlets) owner.connectOutlet(outletName, object);
  return interface;
}

QWidget* QtToolkit::widgetOf(const UiObject* object) {
  const auto* holder = dynamic_cast<const QtWidgetHolder*>(object);
  return holder ? holder->heldWidget() : nullptr;
}

Window* QtToolkit::windowOf(QWidget* widget) {
  if (!widget) return nullptr;
  QWidget* top = widget->window();
  auto found = windows_.find(top);
  if (found != windows_.end()) return found->second.get();
  auto window = std::make_unique<QtWindow>(*this, top, nextWindowNumber_++);
  QObject::connect(top, &QObject::destroyed, timers_.get(), [this, top] { windows_.erase(top); });
  return windows_.emplace(top, std::move(window)).first->second.get();
}

Window* QtToolkit::windowWithNumber(std::int64_t number) const {
  for (const auto& [widget, window] : windows_)
    if (window->windowNumber() == number) return window.get();
  return nullptr;
}

View* QtToolkit::viewOf(const QWidget* widget) const {
  auto found = views_.find(widget);
  return found == views_.end() ? nullptr : found->second;
}

// ---- Run loop ----

void QtToolkit::performAfterDelay(ActionTarget& target, const std::string& selector, double seconds) {
  int timerId = timers_->startTimer(millisecondsOf(seconds));
  if (timerId == 0) {
    logLine("*** QtToolkit: no timer for " + selector);
    return;
  }
  requests_.push_back({&target, selector, timerId});
}

void QtToolkit::cancelPreviousPerformRequestsWithTarget(ActionTarget& target) {
  std::erase_if(requests_, [&](const Request& request) {
    if (request.target != &target) return false;
    timers_->killTimer(request.timerId);
    return true;
  });
}

void QtToolkit::runRequest(int timerId) {
  auto found = std::find_if(requests_.begin(), requests_.end(),
                            [&](const Request& request) { return request.timerId == timerId; });
  if (found == requests_.end()) return;
  Request request = std::move(*found);
  requests_.erase(found);
  request.target->performAction(request.selector, nullptr);
}

// ---- Sheets ----

void QtToolkit::beginSheet(Window& sheet, Window* window, std::function<void(int returnCode)> didEnd) {
  auto* dialog = qobject_cast<QDialog*>(widgetOf(&sheet));
  if (!dialog) {
    logLine("*** QtToolkit: " + sheet.objectName() + " is no dialog to show as a sheet");
    return;
  }
  if (std::any_of(sheets_.begin(), sheets_.end(), [&](const Sheet& open) { return open.sheet == &sheet; })) return;

  Sheet open{&sheet, dialog, std::move(didEnd), {}, {}};
  // The user closed it: QDialog is still inside its own handler, so didEnd waits for the event loop.
  open.finished = QObject::connect(dialog, &QDialog::finished, timers_.get(), [this, &sheet](int result) {
    finishSheet(&sheet, result == QDialog::Accepted ? kReturnCodeOK : kReturnCodeCancel, SheetEnd::PostDidEnd);
  });
  open.destroyed = QObject::connect(dialog, &QObject::destroyed, timers_.get(),
                                    [this, &sheet] { finishSheet(&sheet, kReturnCodeCancel, SheetEnd::Silently); });
  sheets_.push_back(std::move(open));

  if (window) {
    dialog->open();
  } else {
    dialog->setWindowModality(Qt::NonModal);
    dialog->show();
  }
  if (auto* qtSheet = dynamic_cast<QtWindow*>(&sheet)) qtSheet->giveRequestedFocus();
}

void QtToolkit::endSheet(Window& sheet, int returnCode) {
  auto found = std::find_if(sheets_.begin(), sheets_.end(), [&](const Sheet& open) { return open.sheet == &sheet; });
  if (found == sheets_.end()) return;
  QObject::disconnect(found->finished);
  if (found->dialog) found->dialog->done(returnCode);
  finishSheet(&sheet, returnCode, SheetEnd::RunDidEnd);
}

void QtToolkit::finishSheet(const Window* sheet, int returnCode, SheetEnd end) {
  auto found = std::find_if(sheets_.begin(), sheets_.end(), [&](const Sheet& open) { return open.sheet == sheet; });
  if (found == sheets_.end()) return;
  Sheet open = std::move(*found);
  sheets_.erase(found);
  QObject::disconnect(open.finished);
  QObject::disconnect(open.destroyed);
  // Closed before didEnd runs, so that didEnd may open it again.
  if (!open.didEnd) return;
  switch (end) {
    case SheetEnd::RunDidEnd:
      open.didEnd(returnCode);
      return;
    case SheetEnd::PostDidEnd:
      // Dropped with the dialog: a sheet destroyed meanwhile went with its owner.
      if (open.dialog)
        QMetaObject::invokeMethod(
            open.dialog, [didEnd = std::move(open.didEnd), returnCode] { didEnd(returnCode); }, Qt::QueuedConnection);
      return;
    case SheetEnd::Silently:
      return;
  }
}

std::vector<std::string> QtToolkit::openSheetNames() const {
  std::vector<std::string> names;
  for (const auto& sheet : sheets_) names.push_back(sheet.sheet->objectName());
  return names;
}

// ---- Panels, alerts, beep ----

void QtToolkit::beginSaveSheet(const std::string& directory, const std::string& fileName,
                               const std::vector<std::string>& types, Window* window,
                               std::function<void(int returnCode, const std::string& path)> didEnd) {
  QWidget* parent = window ? widgetOf(window) : QApplication::activeWindow();
  QFileDialog panel(parent);
  panel.setAcceptMode(QFileDialog::AcceptSave);
  panel.setFileMode(QFileDialog::AnyFile);
  if (!directory.empty()) panel.setDirectory(QString::fromStdString(directory));
  const QString suggested = QString::fromStdString(fileName);
  const QString extension = QFileInfo(suggested).suffix();
  std::vector<std::string> offered = types;
  if (offered.empty() && !extension.isEmpty()) offered.push_back(extension.toStdString());
  if (!offered.empty()) {
    QStringList filters;
    for (const std::string& type : offered) filters << nameFilterFor({type});
    filters << kAllFilesFilter;
    panel.setNameFilters(filters);
    panel.setDefaultSuffix(QString::fromStdString(offered.front()));
    // A name typed without an extension gets the chosen type's. (Qt's own
    // panel already swaps the extension of a name typed with one.)
    QObject::connect(&panel, &QFileDialog::filterSelected, &panel, [&panel, offered, filters](const QString& filter) {
      const qsizetype index = filters.indexOf(filter);
      if (index >= 0 && static_cast<std::size_t>(index) < offered.size())
        panel.setDefaultSuffix(QString::fromStdString(offered[static_cast<std::size_t>(index)]));
    });
  }
  panel.selectFile(suggested);
  // A sheet: modal to its window only, while the rest of the application goes on.
  panel.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  const bool saved = panel.exec() == QDialog::Accepted && !panel.selectedFiles().isEmpty();
  const std::string path = saved ? panel.selectedFiles().first().toStdString() : std::string();
  if (didEnd) didEnd(saved ? kReturnCodeOK : kReturnCodeCancel, path);
}

OpenPanelResult QtToolkit::runOpenPanelForTypes(const std::vector<std::string>& types) {
  QFileDialog panel(QApplication::activeWindow());
  panel.setAcceptMode(QFileDialog::AcceptOpen);
  panel.setFileMode(QFileDialog::ExistingFiles);
  if (!types.empty()) panel.setNameFilter(nameFilterFor(types));
  OpenPanelResult result;
  if (panel.exec() != QDialog::Accepted) return result;
  result.returnCode = kReturnCodeOK;
  for (const QString& file : panel.selectedFiles()) result.filenames.push_back(file.toStdString());
  return result;
}

void QtToolkit::runAlertPanel(const std::string& title, const std::string& message, const std::string& defaultButton) {
  QMessageBox alert(QApplication::activeWindow());
  alert.setIcon(QMessageBox::Warning);
  alert.setWindowTitle(QApplication::applicationDisplayName());
  alert.setText(QString::fromStdString(title));
  alert.setInformativeText(QString::fromStdString(message));
  alert.addButton(QString::fromStdString(defaultButton), QMessageBox::AcceptRole);
  alert.exec();
}

void QtToolkit::beep() { QApplication::beep(); }

// ---- Context menus ----

std::unique_ptr<PopUpButton> QtToolkit::makePopUpButton(Rect frame) { return std::make_unique<QtMenuHolder>(frame); }

void QtToolkit::popUpContextMenu(PopUpButton& holder, const MouseEvent& event, View& /*view*/) {
  auto* items = dynamic_cast<QtPopUpButtonBase*>(&holder);
  if (!items) return;
  Window* window = windowWithNumber(event.windowNumber);
  QWidget* windowWidget = window ? widgetOf(window) : nullptr;
  QPoint location = QCursor::pos();
  if (windowWidget) {
    // Below the cell the menu stands for, as a drop-down would open.
    auto* menuHolder = dynamic_cast<QtMenuHolder*>(&holder);
    float below = menuHolder ? menuHolder->frame().size.height : 0;
    location = windowWidget->mapToGlobal(QPoint(static_cast<int>(event.location.x),
                                                static_cast<int>(event.location.y + below)));
  }

  // Owned by the toolkit, which releases it from the event loop once it has
  // closed: never while one of its own handlers is on the stack. It holds
  // copies of the items, so it outlives the holder.
  auto owned = std::make_unique<QMenu>();
  QMenu* menu = owned.get();
  menus_.push_back(std::move(owned));
  QObject::connect(menu, &QMenu::aboutToHide, menu, [this, menu] { mailbox_->post([this, menu] { releaseMenu(menu); }); });

  // The chosen item's action runs from the event loop, after the menu has
  // closed and returned. It is addressed to the menu's window, so that it is
  // dropped when the window (and the pane in it) goes first; the menu closes
  // with its window.
  QPointer<QObject> address = mailbox_->address();
  if (windowWidget) {
    address = windowWidget;
    QObject::connect(windowWidget, &QObject::destroyed, menu, [menu] { menu->close(); });
  }
  for (const auto& item : items->itemCopies()) {
    QAction* action = menu->addAction(QString::fromStdString(item.title));
    auto sender = std::make_shared<MenuItemSender>(item.tag);
    TargetAction targetAction = item.targetAction;
    QObject::connect(action, &QAction::triggered, menu, [address, sender, targetAction] {
      Mailbox::postTo(address, [sender, targetAction] { targetAction.send(sender.get()); });
    });
  }
  menu->popup(location);
}

void QtToolkit::releaseMenu(const QMenu* menu) {
  std::erase_if(menus_, [menu](const std::unique_ptr<QMenu>& mine) { return mine.get() == menu; });
}

// ---- Documents ----

bool QtToolkit::writeDocumentAsPDF(const std::string& html, const std::string& path) {
  return writeHtmlAsPdf(html, path);
}

}  // namespace qor
