/// @file
/// Toolkit ports: the widgets, sheets, panels and run loop a pane drives.
///
/// A pane sees widgets only through these interfaces. The headless toolkit
/// (platform/headless) records every call so tests can assert it; the Qt
/// toolkit (platform/qt) shows real widgets. Everything runs on the main
/// thread. Widgets are owned by the toolkit (or by the LoadedInterface that
/// created them); a pane keeps non-owning pointers, as it keeps outlets.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qor/bundle.h"
#include "qor/geometry.h"
#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

class Window;

/// Anything that sends an action carries a tag (buttons, pop-up items, menu items).
class Sender {
 public:
  virtual ~Sender() = default;
  /// The sender's tag; 0 unless one was set (a button's comes from the
  /// interface description).
  [[nodiscard]] virtual std::int64_t tag() const = 0;
};

/// Receives actions by selector name ("loadKeyBindingsSet:"). `sender` may be
/// null for delayed calls.
class ActionTarget {
 public:
  virtual ~ActionTarget() = default;
  /// Performs the action named `selector` on behalf of `sender`.
  virtual void performAction(const std::string& selector, Sender* sender) = 0;
};

/// The target and action of a control. An empty action or null target sends nothing.
struct TargetAction {
  ActionTarget* target = nullptr;  ///< Not owned; null: none.
  std::string action;              ///< The selector name; empty: none.
  /// Calls `target`'s performAction with `action` and `sender`; nothing when
  /// either is missing.
  void send(Sender* sender) const {
    if (target && !action.empty()) target->performAction(action, sender);
  }
  friend bool operator==(const TargetAction&, const TargetAction&) = default;
};

/// Whatever an interface description names: views and windows.
class UiObject {
 public:
  virtual ~UiObject() = default;
  /// The object's name in the interface description ("BTN_kb_del_set").
  [[nodiscard]] virtual std::string objectName() const = 0;
};

/// A view: anything shown inside a window.
class View : public UiObject {
 public:
  /// Redraws at once.
  virtual void display() = 0;
  /// Marks the view for redrawing at the next pass.
  virtual void setNeedsDisplay() = 0;
  /// The window that shows the view, or null.
  [[nodiscard]] virtual Window* window() const = 0;
  /// The nearest view of the toolkit that contains this one, or null at the
  /// top. Toolkits without a view hierarchy have none.
  [[nodiscard]] virtual View* superview() const { return nullptr; }
  /// Whether the view scrolls the contents inside it.
  [[nodiscard]] virtual bool isScrollView() const { return false; }
};

/// A window, a sheet or a panel.
class Window : public UiObject {
 public:
  /// Gives `view` the keyboard focus (null: the window itself). Result: false
  /// when the view is not in this window.
  virtual bool makeFirstResponder(View* view) = 0;
  /// The view with the keyboard focus, or null (the window itself, or a
  /// widget the toolkit shows no view for).
  [[nodiscard]] virtual View* firstResponder() const = 0;
  /// Shows the window in front of the others and gives it the keyboard.
  virtual void makeKeyAndOrderFront() = 0;
  /// Takes the window off the screen.
  virtual void close() = 0;
  /// The toolkit's number for the window: 1, 2, ... in the order the toolkit
  /// first meets its windows; never 0.
  [[nodiscard]] virtual std::int64_t windowNumber() const = 0;
};

/// How a toggle button shows: pressed in (On) or out (Off).
enum class ButtonState { Off, On };

/// A push button; it is the sender of its action.
class Button : public View, public Sender {
 public:
  /// Whether clicks send the action.
  ///@{
  virtual void setEnabled(bool enabled) = 0;
  [[nodiscard]] virtual bool isEnabled() const = 0;
  ///@}
  /// What a click sends (none until set).
  ///@{
  virtual void setTargetAction(TargetAction targetAction) = 0;
  [[nodiscard]] virtual TargetAction targetAction() const = 0;
  ///@}
  /// What a click does: sends the action when the button is enabled.
  virtual void performClick() = 0;
  /// The text on the button, UTF-8; as the interface description gives it
  /// until set.
  ///@{
  virtual void setTitle(const std::string& title) = 0;
  [[nodiscard]] virtual std::string title() const = 0;
  ///@}
  /// Whether a toggle shows pressed in; Off until set. A click leaves it as
  /// it is: the button's action decides, so the look never runs ahead of
  /// what the owner did.
  ///@{
  virtual void setState(ButtonState state) = 0;
  [[nodiscard]] virtual ButtonState state() const = 0;
  ///@}
};

/// The colours of a text field's text: Black is the normal text colour (the
/// theme's, on Qt), Red a red that reads on light and dark backgrounds.
enum class TextColor { Black, Red };

class TextField;

/// Told after each change of a field's text by the user.
class TextFieldDelegate {
 public:
  virtual ~TextFieldDelegate() = default;
  /// `field`'s text has changed; setStringValue tells nobody.
  virtual void controlTextDidChange(TextField& field) = 0;
};

/// A line of text, editable or a status line.
class TextField : public View {
 public:
  /// The text, UTF-8.
  ///@{
  virtual void setStringValue(const std::string& text) = 0;
  [[nodiscard]] virtual std::string stringValue() const = 0;
  ///@}
  /// The colour of the text.
  ///@{
  virtual void setTextColor(TextColor color) = 0;
  [[nodiscard]] virtual TextColor textColor() const = 0;
  ///@}
  /// Sets the delegate told of the user's changes (null: none); not owned.
  virtual void setDelegate(TextFieldDelegate* delegate) = 0;
  /// The text shown while the pointer rests on the field, UTF-8; empty: none.
  virtual void setToolTip(const std::string& text) = 0;
};

/// An item of a pop-up button's menu.
class PopUpItem : public Sender {
 public:
  /// The title shown. Retitling is never refused, even to another item's title.
  ///@{
  [[nodiscard]] virtual std::string title() const = 0;
  virtual void setTitle(const std::string& title) = 0;
  ///@}
  /// Sets what tag() answers (0 until set).
  virtual void setTag(std::int64_t tag) = 0;
  /// What choosing the item sends, the item as sender (none until set).
  ///@{
  virtual void setTargetAction(TargetAction targetAction) = 0;
  [[nodiscard]] virtual TargetAction targetAction() const = 0;
  ///@}
};

/// A pop-up button: a menu of items, one of them selected. The first item
/// added to an empty pop-up becomes the selected one.
class PopUpButton : public View {
 public:
  /// Removes every item; none is selected then.
  virtual void removeAllItems() = 0;
  /// Appends an item. Like the platform's, it refuses a title that an item
  /// already has (the item is then not added): add under an empty title and
  /// retitle to keep equal titles apart.
  virtual void addItemWithTitle(const std::string& title) = 0;
  /// The number of items.
  [[nodiscard]] virtual std::size_t numberOfItems() const = 0;
  /// The item at `index`, or null.
  [[nodiscard]] virtual PopUpItem* itemAtIndex(std::size_t index) = 0;
  /// The last item, or null when there is none.
  [[nodiscard]] PopUpItem* lastItem() {
    return numberOfItems() ? itemAtIndex(numberOfItems() - 1) : nullptr;
  }
  /// Selects the first item with `tag`. Result: false (selection unchanged) when none has it.
  virtual bool selectItemWithTag(std::int64_t tag) = 0;
  /// Index of the selected item, or -1.
  [[nodiscard]] virtual std::int64_t indexOfSelectedItem() const = 0;
};

/// A view of tabs, each known by its identifier.
class TabView : public View {
 public:
  /// The identifier of the selected tab ("menu", "editor"), empty when none.
  [[nodiscard]] virtual std::string selectedTabViewItemIdentifier() const = 0;
  /// Result: false when no tab has `identifier`.
  virtual bool selectTabViewItemWithIdentifier(const std::string& identifier) = 0;
};

/// A node of an outline: a host menu item (menu commands) or a property-list
/// value (editing commands: a group dictionary or a command-name string).
/// Both null means "none" (the root when asked for children).
struct OutlineItem {
  const MenuItem* menuItem = nullptr;  ///< The host's menu item, not owned; or null.
  Ref node;                            ///< The property-list node, or null.
  /// Whether both are null.
  [[nodiscard]] bool isNone() const { return !menuItem && !node; }
  /// Identity, as the toolkit compares items.
  friend bool operator==(const OutlineItem& a, const OutlineItem& b) {
    return a.menuItem == b.menuItem && a.node.get() == b.node.get();
  }
};

class OutlineView;

/// Alignment values of a cell.
enum class TextAlignment { Left = 0, Right = 1, Center = 2 };

/// The cell about to be drawn, handed to the delegate.
class Cell {
 public:
  virtual ~Cell() = default;
  /// Aligns the cell's text.
  virtual void setAlignment(TextAlignment alignment) = 0;
  /// A null target and empty action: the cell does nothing when clicked.
  virtual void setTargetAction(TargetAction targetAction) = 0;
};

/// The data source and delegate of an outline view. `item` none stands for
/// the root.
class OutlineDataSource {
 public:
  virtual ~OutlineDataSource() = default;
  /// The number of children of `item` in `view`; 0 or less: none.
  virtual std::int64_t outlineViewNumberOfChildrenOfItem(OutlineView& view, const OutlineItem& item) = 0;
  /// Child `index` (from 0) of `item`.
  virtual OutlineItem outlineViewChildOfItem(OutlineView& view, std::int64_t index, const OutlineItem& item) = 0;
  /// Whether `item` has children to show; only then are they asked for.
  virtual bool outlineViewIsItemExpandable(OutlineView& view, const OutlineItem& item) = 0;
  /// The text shown for `item` in the column with identifier `column`.
  virtual std::string outlineViewObjectValueForTableColumnByItem(OutlineView& view, const std::string& column,
                                                                  const OutlineItem& item) = 0;
  /// Whether the user may select `item`'s row; false leaves the selection as it is.
  virtual bool outlineViewShouldSelectItem(OutlineView& view, const OutlineItem& item) = 0;
  /// Whether the user may edit `item`'s cell in `column` in place. The
  /// toolkits here edit no cell in place and do not ask.
  virtual bool outlineViewShouldEditTableColumnItem(OutlineView& view, const std::string& column,
                                                    const OutlineItem& item) = 0;
  /// Prepares `cell`, `item`'s cell in `column`, before it is drawn (and
  /// before a click on a "Key" cell sends its action).
  virtual void outlineViewWillDisplayCellForTableColumnItem(OutlineView& view, Cell& cell, const std::string& column,
                                                            const OutlineItem& item) = 0;
  /// The user changed `view`'s selection (a reload tells nothing).
  virtual void outlineViewSelectionDidChange(OutlineView& view) = 0;
  /// The text shown while the pointer rests on `item`'s cell in `column`,
  /// asked when the toolkit shows it. Result: empty for no tooltip, which is
  /// also what a data source that does not override this answers.
  virtual std::string outlineViewToolTipForTableColumnByItem(OutlineView& /*view*/, const std::string& /*column*/,
                                                             const OutlineItem& /*item*/) {
    return {};
  }
};

/// An outline: rows of items in a tree, with the columns "title" and "Key"
/// (and further ones, such as "changed", where the toolkit or the interface
/// description gives them), its items asked of its data source. Rows count
/// from 0 at the top, visible rows only.
class OutlineView : public View {
 public:
  /// Sets the data source and delegate (one object plays both), or null.
  virtual void setDataSource(OutlineDataSource* dataSource) = 0;
  /// Asks the data source again for everything shown.
  virtual void reloadData() = 0;
  /// Lays out rows and columns again.
  virtual void tile() = 0;
  /// The selected row, or -1.
  [[nodiscard]] virtual std::int64_t selectedRow() const = 0;
  /// The item shown at `row`, or none.
  [[nodiscard]] virtual OutlineItem itemAtRow(std::int64_t row) const = 0;
  /// Index of the column with `identifier` ("title", "Key"), or -1.
  [[nodiscard]] virtual std::int64_t columnWithIdentifier(const std::string& identifier) const = 0;
  /// The frame of a cell in the view's coordinates (y grows downward).
  [[nodiscard]] virtual Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const = 0;
  /// Converts `rect` from the view's coordinates to `view`'s (null: the window's).
  [[nodiscard]] virtual Rect convertRectToView(Rect rect, const View* view) const = 0;
  /// Selects `item`'s row, expanding the items above it first and scrolling
  /// it into sight, as a program does it: the data source is not asked and
  /// hears no selection change. Result: false, selection unchanged, when no
  /// row shows `item` (none included).
  virtual bool selectItem(const OutlineItem& item) = 0;
};

/// The interface description's objects, owned together; freed with it.
class LoadedInterface {
 public:
  virtual ~LoadedInterface() = default;
};

/// The kinds of objects an owner's outlets expect.
enum class UiKind { View, TabView, PopUpButton, Button, Window, TextField, OutlineView };

/// An outlet an owner wants connected.
struct OutletSpec {
  std::string name;  ///< The object's name in the interface description.
  UiKind kind;       ///< The kind of object the outlet expects.
};

/// The owner of an interface description ("File's Owner").
class InterfaceOwner {
 public:
  virtual ~InterfaceOwner() = default;
  /// The outlets the owner wants connected, by object name.
  [[nodiscard]] virtual std::vector<OutletSpec> interfaceOutlets() const = 0;
  /// Connects outlet `name` to `object` (the owner checks the object's kind).
  virtual void connectOutlet(const std::string& name, UiObject* object) = 0;
};

/// A synthesized mouse event for popping up a context menu. The toolkits
/// here read only `location` and `windowNumber`.
struct MouseEvent {
  std::int64_t type = 0;            ///< The event type, such as kLeftMouseUpEventType.
  Point location;                   ///< In the window's coordinates (y grows downward).
  std::uint32_t modifierFlags = 0;  ///< Modifier flags, as KeySnooper's `modifiers`.
  double timestamp = 0;             ///< The event's time in seconds.
  /// Window::windowNumber of the window `location` is in; 0: none (the Qt
  /// toolkit then opens the menu at the mouse pointer).
  std::int64_t windowNumber = 0;
  std::int64_t eventNumber = 0;  ///< The platform's running event number.
  std::int64_t clickCount = 0;   ///< Clicks in a row (1: a single click).
  float pressure = 0;            ///< The button pressure.
};

/// The MouseEvent type of a left mouse button's release.
inline constexpr std::int64_t kLeftMouseUpEventType = 2;

/// What a modal panel or sheet ended with; 1 means the user confirmed.
///@{
inline constexpr int kReturnCodeOK = 1;
inline constexpr int kReturnCodeCancel = 0;
///@}

/// What a modal open panel ended with.
struct OpenPanelResult {
  int returnCode = kReturnCodeCancel;  ///< kReturnCodeOK when the user chose files.
  std::vector<std::string> filenames;  ///< The chosen paths; empty unless kReturnCodeOK.
};

/// How a row of a list panel takes part: a Heading only groups the rows
/// below it and cannot be chosen; a Choice can.
enum class ListRowKind { Heading, Choice };

/// A row of a list panel.
struct ListPanelRow {
  std::string text;                        ///< The row's text, UTF-8.
  int level = 0;                           ///< Indentation: 0 at the left, each level one step further in.
  ListRowKind kind = ListRowKind::Choice;  ///< Whether the row can be chosen.
  friend bool operator==(const ListPanelRow&, const ListPanelRow&) = default;
};

/// Whether a list panel's confirming button needs a chosen row.
enum class ListChoice {
  Optional,  ///< The button is always enabled; the rows are there to be read.
  Required,  ///< Enabled only while a Choice row is selected; a double click on one confirms.
};

/// What a list panel shows.
struct ListPanel {
  std::string title;                        ///< The panel's title.
  std::string message;                      ///< A line above the rows; empty: none.
  std::vector<ListPanelRow> rows;           ///< In order; a row one level deeper belongs to the row above it.
  std::string defaultButton;                ///< Confirms (kReturnCodeOK); Return presses it.
  std::string cancelButton;                 ///< Cancels (kReturnCodeCancel); Escape presses it.
  ListChoice choice = ListChoice::Optional; ///< Whether confirming needs a chosen row.
};

/// What a list panel ended with.
struct ListPanelResult {
  int returnCode = kReturnCodeCancel;  ///< kReturnCodeOK when the default button (or a double click) ended it.
  std::int64_t selectedRow = -1;       ///< Index into ListPanel::rows of the chosen Choice row; -1: none.
  friend bool operator==(const ListPanelResult&, const ListPanelResult&) = default;
};

/// The toolkit a pane drives: interfaces, delayed calls, sheets, panels,
/// alerts and context menus.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  /// Loads interface description `name` from `bundle` with `owner`, connecting
  /// its outlets by name. Result: null when the description is missing or
  /// broken (nothing is connected then).
  virtual std::unique_ptr<LoadedInterface> loadInterface(const Bundle& bundle, const std::string& name,
                                                         InterfaceOwner& owner) = 0;

  /// Calls `target`'s `selector` (sender null) on the main run loop after
  /// `seconds`. Each request runs once.
  virtual void performAfterDelay(ActionTarget& target, const std::string& selector, double seconds) = 0;
  /// Cancels every pending request aimed at `target`.
  virtual void cancelPreviousPerformRequestsWithTarget(ActionTarget& target) = 0;

  /// Shows `sheet` attached to `window` (null: free-standing) and returns at
  /// once; `didEnd` runs exactly once, with the return code, when endSheet is called.
  virtual void beginSheet(Window& sheet, Window* window, std::function<void(int returnCode)> didEnd) = 0;
  /// Closes `sheet` and runs its didEnd with `returnCode` before returning;
  /// the sheet is closed first, so didEnd may begin it again. A sheet that
  /// is not open: nothing happens.
  virtual void endSheet(Window& sheet, int returnCode) = 0;

  /// A save panel as a sheet on `window`, no preset folder unless `directory`
  /// is not empty, suggesting `fileName`. `types` lists the file extensions
  /// (without dots) the user may choose between, the suggested one first;
  /// empty offers the suggested name's extension alone. `didEnd` gets the
  /// return code and the chosen path (empty unless the code is
  /// kReturnCodeOK).
  virtual void beginSaveSheet(const std::string& directory, const std::string& fileName,
                              const std::vector<std::string>& types, Window* window,
                              std::function<void(int returnCode, const std::string& path)> didEnd) = 0;
  /// A modal open panel: files only, several at once, only the extensions in
  /// `types` (without dots) offered.
  virtual OpenPanelResult runOpenPanelForTypes(const std::vector<std::string>& types) = 0;

  /// A modal alert with a title, a message and one button.
  virtual void runAlertPanel(const std::string& title, const std::string& message,
                             const std::string& defaultButton) = 0;
  /// Sounds the system's alert.
  virtual void beep() = 0;

  /// A pop-up button that is never shown: it only holds a menu.
  virtual std::unique_ptr<PopUpButton> makePopUpButton(Rect frame) = 0;
  /// Pops `holder`'s menu up as a context menu at `event`'s location over
  /// `view`; returns at once. Choosing an item sends its action.
  virtual void popUpContextMenu(PopUpButton& holder, const MouseEvent& event, View& view) = 0;

  /// Shows `panel`'s rows in a modal panel, modal to `window` only (null:
  /// to the application), and returns when the user closed it. A row chosen
  /// when the panel was cancelled is not reported (selectedRow -1).
  /// Example: the conflicts of a set, one Choice row per command.
  /// @code
  ///   ListPanelResult chosen = toolkit.runListPanel(
  ///       {"All Conflicts", "", {{"Menu Commands", 0, ListRowKind::Heading}, {"Save", 1}},
  ///        "Show Command", "Close", ListChoice::Required}, window);
  ///   // chosen.returnCode == kReturnCodeOK, chosen.selectedRow == 1
  /// @endcode
  virtual ListPanelResult runListPanel(const ListPanel& panel, Window* window) = 0;

  /// Renders the HTML page `html` (UTF-8, self-contained) as a PDF document
  /// and writes it to `path` atomically: the old file stays whole when
  /// anything fails. Result: false on failure (nothing rendered, or the file
  /// not written); an empty `path` fails, an empty `html` gives an empty page.
  virtual bool writeDocumentAsPDF(const std::string& html, const std::string& path) = 0;
};

}  // namespace qor
