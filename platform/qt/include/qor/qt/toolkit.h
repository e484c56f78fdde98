// The Qt toolkit: the Toolkit port over Qt Widgets.
//
// Interfaces. loadInterface reads "<name>.ui", a Qt Designer file, from the
// bundle with QUiLoader and connects the owner's outlets by object name. The
// classes each kind of outlet accepts:
//   View         any widget
//   TabView      QTabWidget; a tab's identifier is its page's object name
//   PopUpButton  QComboBox
//   Button       QAbstractButton; its tag is the dynamic property "tag" (0 without)
//   Window       a QDialog of the file, kept as a window of its own even
//                when the file lays it out inside its parent
//   TextField    QLineEdit, or QLabel for a line of status text
//   OutlineView  QTreeView: it gets a model over its data source with the
//                columns "title" and "Key", then those the string-list
//                property "columnIdentifiers" names after these two (header
//                titles from the string-list property "columnTitles"); a
//                reload expands every item but those the user collapsed.
//                Tooltips come from the data source, asked as they show
// An outlet whose object is missing or of another class is connected to null
// (one "***" log line each). A file that cannot be read or parsed connects
// nothing and gives null. The root widget of the file is parentless: the host
// puts it where the view belongs; the widgets die with the interface (or
// earlier, with the window the host put them in: the interface then lets
// them be).
//
// Outline rows are numbered as they show, from 0 at the top, counting the
// rows of expanded items only. A click that selects a row tells the data
// source after the click has been handled (outlineViewSelectionDidChange
// from the event loop), so that a menu or an alert it opens does not run
// inside the click; a click on the "Key" cell of the row that was already
// selected sends the cell's action (the outline as sender).
//
// Nothing the user does calls the code behind the ports from inside a Qt
// widget's handler: a button's or pop-up's action, a field's change, an
// outline's selection and cell click, a context menu's chosen item and a
// sheet the user closed are all carried out from the event loop once the
// widget has returned. So the pane may run an alert or a panel (a modal
// loop) or release widgets in any of them, and no widget is ever destroyed
// while a call from it is on the stack. Context menus belong to the toolkit
// and are released from the event loop after they have closed.
//
// Sheets are window-modal dialogs (QDialog::open). A sheet that the user
// closes otherwise (Escape, the window's close button) ends with
// kReturnCodeCancel, its didEnd run from the event loop; endSheet runs
// didEnd before it returns. A sheet already open stays as it is (that second
// didEnd never runs); a sheet destroyed while open ends without didEnd.
// Save and open panels are QFileDialogs run in a local event loop: the save
// panel is modal to its window only, like a sheet, and its didEnd runs before
// beginSaveSheet returns. Alerts are QMessageBoxes with the one button
// given; the beep is QApplication::beep. Delayed calls are single-shot timers
// of the event loop; the toolkit's destructor stops those still pending.
//
// Text colours: Black is the theme's normal text colour (so that the text
// stays readable on a dark theme), Red a red that reads on light and dark
// backgrounds. Each text field also carries its colour as the dynamic
// property "qorTextColor" ("black" or "red") for state dumps.
//
// Everything runs on the GUI thread; a QApplication must exist. The toolkit
// must outlive every interface and pop-up button it made.
//
// Example:
//   qor::QtToolkit toolkit;
//   auto interface = toolkit.loadInterface(bundle, "KeyBindings", pane);
//   stack->addWidget(qor::QtToolkit::widgetOf(pane.VIEW_key_bindings));
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include "qor/ports/toolkit.h"

class QDialog;
class QMenu;

namespace qor {

class Mailbox;
class QtWindow;

class QtToolkit final : public Toolkit {
 public:
  QtToolkit();
  ~QtToolkit() override;
  QtToolkit(const QtToolkit&) = delete;
  QtToolkit& operator=(const QtToolkit&) = delete;

  // ---- Toolkit ----
  std::unique_ptr<LoadedInterface> loadInterface(const Bundle& bundle, const std::string& name,
                                                 InterfaceOwner& owner) override;
  // A negative delay counts as 0.
  void performAfterDelay(ActionTarget& target, const std::string& selector, double seconds) override;
  void cancelPreviousPerformRequestsWithTarget(ActionTarget& target) override;
  void beginSheet(Window& sheet, Window* window, std::function<void(int returnCode)> didEnd) override;
  // Ending a sheet that is not open does nothing.
  void endSheet(Window& sheet, int returnCode) override;
  // Each type is a filter of its own (then all files); the chosen one gives
  // a name typed without an extension its extension.
  void beginSaveSheet(const std::string& directory, const std::string& fileName,
                      const std::vector<std::string>& types, Window* window,
                      std::function<void(int returnCode, const std::string& path)> didEnd) override;
  OpenPanelResult runOpenPanelForTypes(const std::vector<std::string>& types) override;
  void runAlertPanel(const std::string& title, const std::string& message, const std::string& defaultButton) override;
  void beep() override;
  std::unique_ptr<PopUpButton> makePopUpButton(Rect frame) override;
  // The menu opens in the window whose number the event carries, at the
  // event's location moved down by the height of the holder's frame (below
  // the cell it stands for, as a drop-down opens); at the pointer when no
  // window has that number. It keeps copies of the items, so the holder may go.
  void popUpContextMenu(PopUpButton& holder, const MouseEvent& event, View& view) override;
  // A QDialog named "qorListPanel" run in a local event loop (window-modal
  // with a window, like a sheet): the message, a QTreeWidget "qorListRows"
  // (a row one level deeper is a child of the row above it; all expanded;
  // Heading rows cannot be selected) and a QDialogButtonBox with the two
  // buttons. The dialog hands its result back when exec() returns, so no
  // call from its widgets reaches the pane while they are on the stack.
  ListPanelResult runListPanel(const ListPanel& panel, Window* window) override;
  // Through writeHtmlAsPdf (qor/qt/pdf_document.h).
  bool writeDocumentAsPDF(const std::string& html, const std::string& path) override;

  // ---- State, for hosts and tests ----
  // Delayed calls not yet run.
  [[nodiscard]] std::size_t pendingRequestCount() const { return requests_.size(); }
  // Object names of the sheets open now, in the order they were begun.
  [[nodiscard]] std::vector<std::string> openSheetNames() const;
  // Context menus made and not yet released (open, or closed a moment ago).
  [[nodiscard]] std::size_t contextMenuCount() const { return menus_.size(); }

  // ---- Widgets behind the ports ----
  // The widget shown for a view or window of this toolkit; null for null,
  // for an object of another toolkit or after the widget was destroyed.
  [[nodiscard]] static QWidget* widgetOf(const UiObject* object);
  // The window port of the window that shows `widget` (made on first use, kept
  // while the window lives). Result: null for null.
  [[nodiscard]] Window* windowOf(QWidget* widget);
  // The window port whose number is `number`, or null.
  [[nodiscard]] Window* windowWithNumber(std::int64_t number) const;
  // The view port made for `widget` by a live interface, or null.
  [[nodiscard]] View* viewOf(const QWidget* widget) const;

 private:
  class Interface;
  friend class Interface;
  class Timers;
  struct Request {
    ActionTarget* target;
    std::string selector;
    int timerId;
  };
  struct Sheet {
    Window* sheet;
    QPointer<QDialog> dialog;
    std::function<void(int)> didEnd;
    QMetaObject::Connection finished;
    QMetaObject::Connection destroyed;
  };
  enum class SheetEnd { RunDidEnd, PostDidEnd, Silently };

  // Runs the request of timer `timerId` once.
  void runRequest(int timerId);
  // Closes the open sheet `sheet` and runs its didEnd now, from the event
  // loop (posted), or not at all.
  void finishSheet(const Window* sheet, int returnCode, SheetEnd end);
  // Destroys the context menu `menu` (it has closed); from the event loop only.
  void releaseMenu(const QMenu* menu);
  void registerView(const QWidget* widget, View* view) { views_[widget] = view; }
  void unregisterView(const QWidget* widget) { views_.erase(widget); }

  // Owns the delayed calls' timers; context of the toolkit's connections.
  std::unique_ptr<Timers> timers_;
  // The toolkit's own calls from the event loop (sheets ending, menus released).
  std::unique_ptr<Mailbox> mailbox_;
  // Context menus, parentless: only the toolkit destroys them.
  std::vector<std::unique_ptr<QMenu>> menus_;
  std::vector<Request> requests_;
  std::vector<Sheet> sheets_;
  std::map<const QWidget*, std::unique_ptr<QtWindow>> windows_;
  std::map<const QWidget*, View*> views_;
  std::int64_t nextWindowNumber_ = 1;
};

}  // namespace qor
