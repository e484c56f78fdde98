// The Qt adapters behind the toolkit ports. Each holds its widget through a
// QPointer, so a call after the widget was destroyed does nothing, and
// undoes its signal connections when it goes, so a widget that outlives its
// adapter never calls into it.
//
// No adapter calls its target or delegate from inside a widget's signal:
// every such call goes through the adapter's Mailbox and runs from the event
// loop once the widget's handler has returned (see Mailbox).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAbstractItemModel>
#include <QAbstractScrollArea>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QStringList>
#include <QTabWidget>
#include <QTreeView>

#include "qor/ports/toolkit.h"
#include "qor/qt/toolkit.h"

namespace qor {

class Mailbox;

// What every Qt adapter shows: the widget behind it.
class QtWidgetHolder {
 public:
  [[nodiscard]] virtual QWidget* heldWidget() const = 0;
  // Where calls on behalf of this adapter wait for the event loop; null for
  // an adapter that sends nothing.
  [[nodiscard]] virtual Mailbox* mailbox() { return nullptr; }

 protected:
  ~QtWidgetHolder() = default;
};

// Signal connections that end with their owner.
class Connections {
 public:
  Connections() = default;
  Connections(const Connections&) = delete;
  Connections& operator=(const Connections&) = delete;
  ~Connections() {
    for (const auto& connection : list_) QObject::disconnect(connection);
  }
  void add(QMetaObject::Connection connection) { list_.push_back(std::move(connection)); }

 private:
  std::vector<QMetaObject::Connection> list_;
};

// Calls from a widget's signal into the code behind the ports (the pane),
// carried out later from the event loop, in the order posted. The pane may
// open a modal loop (an alert, a panel, a sheet's didEnd) or release the
// widget that called it; done inside the widget's handler, Qt code of the
// widget would go on running after a nested loop had deleted it. Posting
// makes that impossible by construction: when a posted call runs, no widget
// handler that led to it is still on the stack.
// Calls still waiting when the mailbox goes (with its adapter) are dropped,
// so they never reach an adapter or pane that is gone.
class Mailbox {
 public:
  Mailbox() = default;
  Mailbox(const Mailbox&) = delete;
  Mailbox& operator=(const Mailbox&) = delete;
  void post(std::function<void()> call) { postTo(&context_, std::move(call)); }
  // The mailbox as a weak address, for a sender that may outlive it.
  [[nodiscard]] QPointer<QObject> address() { return &context_; }
  // Posts `call` to the mailbox at `address`; nothing once that mailbox went.
  static void postTo(const QPointer<QObject>& address, std::function<void()> call) {
    if (address) QMetaObject::invokeMethod(address.data(), std::move(call), Qt::QueuedConnection);
  }

 private:
  QObject context_;
};

class QtWindow final : public Window, public QtWidgetHolder {
 public:
  QtWindow(QtToolkit& toolkit, QWidget* widget, std::int64_t number)
      : toolkit_(toolkit), widget_(widget), number_(number) {}

  [[nodiscard]] std::string objectName() const override;
  // A view of another window is refused; a view in a window not shown yet
  // gets the focus when the window is shown (see giveRequestedFocus).
  bool makeFirstResponder(View* view) override;
  [[nodiscard]] View* firstResponder() const override;
  void makeKeyAndOrderFront() override;
  void close() override;
  [[nodiscard]] std::int64_t windowNumber() const override { return number_; }
  [[nodiscard]] QWidget* heldWidget() const override { return widget_; }

  // Focuses the view last passed to makeFirstResponder, when it is still in the window.
  void giveRequestedFocus();

 private:
  QtToolkit& toolkit_;
  QPointer<QWidget> widget_;
  std::int64_t number_;
  QPointer<QWidget> requestedFocus_;
};

// The View part of every adapter.
template <class Base, class W>
class QtViewBase : public Base, public QtWidgetHolder {
 public:
  [[nodiscard]] std::string objectName() const override { return name_; }
  void display() override {
    if (widget_) widget_->repaint();
  }
  void setNeedsDisplay() override {
    if (widget_) widget_->update();
  }
  [[nodiscard]] Window* window() const override { return widget_ ? toolkit_.windowOf(widget_) : nullptr; }
  [[nodiscard]] QWidget* heldWidget() const override { return widget_; }
  // The nearest parent widget with a view of this toolkit; widgets in
  // between that have none (a scroll area's viewport) are passed over.
  [[nodiscard]] View* superview() const override {
    for (QWidget* parent = widget_ ? widget_->parentWidget() : nullptr; parent; parent = parent->parentWidget())
      if (View* view = toolkit_.viewOf(parent)) return view;
    return nullptr;
  }
  // Scroll areas and the item views built on them (a tree view scrolls itself).
  [[nodiscard]] bool isScrollView() const override {
    return qobject_cast<const QAbstractScrollArea*>(widget_.data()) != nullptr;
  }
  [[nodiscard]] Mailbox* mailbox() override { return &mailbox_; }

 protected:
  QtViewBase(QtToolkit& toolkit, W* widget) : toolkit_(toolkit), widget_(widget) {
    name_ = widget->objectName().toStdString();
  }
  ~QtViewBase() = default;

  QtToolkit& toolkit_;
  QPointer<W> widget_;
  // Declared before the connections, so that it goes after them: no signal
  // can post into a mailbox that is being destroyed.
  Mailbox mailbox_;
  Connections connections_;

 private:
  std::string name_;
};

class QtView final : public QtViewBase<View, QWidget> {
 public:
  QtView(QtToolkit& toolkit, QWidget* widget) : QtViewBase(toolkit, widget) {}
};

class QtButton final : public QtViewBase<Button, QAbstractButton> {
 public:
  QtButton(QtToolkit& toolkit, QAbstractButton* button);

  [[nodiscard]] std::int64_t tag() const override;
  void setEnabled(bool enabled) override;
  [[nodiscard]] bool isEnabled() const override;
  void setTargetAction(TargetAction targetAction) override { targetAction_ = std::move(targetAction); }
  [[nodiscard]] TargetAction targetAction() const override { return targetAction_; }
  void performClick() override;
  void setTitle(const std::string& title) override;
  [[nodiscard]] std::string title() const override;
  void setState(ButtonState state) override;
  [[nodiscard]] ButtonState state() const override { return state_; }

 private:
  TargetAction targetAction_;
  ButtonState state_ = ButtonState::Off;
};

// Over a QLineEdit (editable or not) or a QLabel. A label whose interface
// description sets the property "qorHidesWhenEmpty" takes no room while it
// has no text (a line shown only when it has something to say).
class QtTextField final : public QtViewBase<TextField, QWidget> {
 public:
  QtTextField(QtToolkit& toolkit, QLineEdit* edit);
  QtTextField(QtToolkit& toolkit, QLabel* label);

  void setStringValue(const std::string& text) override;
  [[nodiscard]] std::string stringValue() const override;
  void setTextColor(TextColor color) override;
  [[nodiscard]] TextColor textColor() const override { return color_; }
  void setDelegate(TextFieldDelegate* delegate) override { delegate_ = delegate; }
  void setToolTip(const std::string& text) override;

 private:
  QPointer<QLineEdit> edit_;
  QPointer<QLabel> label_;
  bool hidesWhenEmpty_ = false;
  TextColor color_ = TextColor::Black;
  TextFieldDelegate* delegate_ = nullptr;
};

class QtPopUpButtonBase;

class QtPopUpItem final : public PopUpItem {
 public:
  QtPopUpItem(QtPopUpButtonBase& owner, std::string title) : owner_(owner), title_(std::move(title)) {}

  [[nodiscard]] std::int64_t tag() const override { return tag_; }
  [[nodiscard]] std::string title() const override { return title_; }
  void setTitle(const std::string& title) override;
  void setTag(std::int64_t tag) override { tag_ = tag; }
  void setTargetAction(TargetAction targetAction) override { targetAction_ = std::move(targetAction); }
  [[nodiscard]] TargetAction targetAction() const override { return targetAction_; }

 private:
  QtPopUpButtonBase& owner_;
  std::string title_;
  std::int64_t tag_ = 0;
  TargetAction targetAction_;
};

// The items of a pop-up button; what shows them is up to the subclass.
class QtPopUpButtonBase : public PopUpButton {
 public:
  void removeAllItems() override;
  void addItemWithTitle(const std::string& title) override;
  [[nodiscard]] std::size_t numberOfItems() const override { return items_.size(); }
  [[nodiscard]] PopUpItem* itemAtIndex(std::size_t index) override;
  bool selectItemWithTag(std::int64_t tag) override;
  [[nodiscard]] std::int64_t indexOfSelectedItem() const override { return selected_; }

  // A copy of an item for a menu that outlives its holder.
  struct ItemCopy {
    std::string title;
    std::int64_t tag;
    TargetAction targetAction;
  };
  [[nodiscard]] std::vector<ItemCopy> itemCopies() const;
  void itemTitleChanged(const QtPopUpItem& item);

 protected:
  // The user chose item `index`: it becomes selected. Its action is sent
  // separately (sendActionOfItem), from the event loop.
  void chooseItem(std::size_t index);
  void sendActionOfItem(std::size_t index);
  virtual void showItemsCleared() {}
  virtual void showItemAdded(const std::string& /*title*/) {}
  virtual void showItemTitle(std::size_t /*index*/, const std::string& /*title*/) {}
  virtual void showSelection(std::int64_t /*index*/) {}

 private:
  std::vector<std::unique_ptr<QtPopUpItem>> items_;
  std::int64_t selected_ = -1;
};

class QtPopUpButton final : public QtViewBase<QtPopUpButtonBase, QComboBox> {
 public:
  QtPopUpButton(QtToolkit& toolkit, QComboBox* combo);

 private:
  void showItemsCleared() override;
  void showItemAdded(const std::string& title) override;
  void showItemTitle(std::size_t index, const std::string& title) override;
  void showSelection(std::int64_t index) override;
};

// A pop-up button that is never shown: it only holds items for a context menu.
class QtMenuHolder final : public QtPopUpButtonBase {
 public:
  explicit QtMenuHolder(Rect frame) : frame_(frame) {}
  [[nodiscard]] std::string objectName() const override { return {}; }
  void display() override {}
  void setNeedsDisplay() override {}
  [[nodiscard]] Window* window() const override { return nullptr; }
  [[nodiscard]] Rect frame() const { return frame_; }

 private:
  Rect frame_;
};

class QtTabView final : public QtViewBase<TabView, QTabWidget> {
 public:
  QtTabView(QtToolkit& toolkit, QTabWidget* tabs) : QtViewBase(toolkit, tabs) {}
  [[nodiscard]] std::string selectedTabViewItemIdentifier() const override;
  bool selectTabViewItemWithIdentifier(const std::string& identifier) override;
};

class OutlineModel;

class QtOutlineView final : public QtViewBase<OutlineView, QTreeView>, public Sender {
 public:
  // The columns when the tree names none (string-list property "columnIdentifiers").
  static constexpr std::array<const char*, 2> kColumns = {"title", "Key"};
  static constexpr int kKeyColumn = 1;

  QtOutlineView(QtToolkit& toolkit, QTreeView* tree);
  ~QtOutlineView();

  [[nodiscard]] std::int64_t tag() const override { return 0; }
  void setDataSource(OutlineDataSource* dataSource) override;
  // Keeps the selected row when it still exists, without telling the data
  // source, and the items the user collapsed collapsed.
  void reloadData() override;
  void tile() override;
  [[nodiscard]] std::int64_t selectedRow() const override;
  [[nodiscard]] OutlineItem itemAtRow(std::int64_t row) const override;
  [[nodiscard]] std::int64_t columnWithIdentifier(const std::string& identifier) const override;
  // Zero for a column or row that does not exist.
  [[nodiscard]] Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const override;
  [[nodiscard]] Rect convertRectToView(Rect rect, const View* view) const override;
  // Expands the item's collapsed ancestors (they count as the user's
  // expansion: a reload keeps them open) and selects it; nobody is told.
  bool selectItem(const OutlineItem& item) override;

  [[nodiscard]] OutlineDataSource* dataSource() const { return dataSource_; }
  // The identifiers of the columns, in order; "title" and "Key" first.
  [[nodiscard]] const std::vector<std::string>& columns() const { return columns_; }

 private:
  [[nodiscard]] QModelIndex indexAtRow(std::int64_t row) const;
  [[nodiscard]] std::int64_t rowOfIndex(const QModelIndex& index) const;
  void selectionChanged();
  void pressed();
  void clicked(const QModelIndex& index);

  OutlineDataSource* dataSource_ = nullptr;
  std::vector<std::string> columns_;
  std::unique_ptr<OutlineModel> model_;
  std::unique_ptr<QObject> pressWatcher_;
  bool reloading_ = false;
  // The row that was selected when the mouse button went down.
  std::int64_t rowSelectedAtPress_ = -1;
  // Items the user collapsed, by identity (menu item or node pointer).
  std::vector<const void*> collapsed_;
};

// The model of a QtOutlineView: the tree walked from the outline's data
// source at each reload; texts, tooltips, alignment and selectability asked
// live.
class OutlineModel final : public QAbstractItemModel {
 public:
  struct Node {
    OutlineItem item;
    Node* parent = nullptr;
    int row = 0;
    bool expandable = false;
    std::vector<std::unique_ptr<Node>> children;
  };
  // Deeper levels and further rows are not walked, so that a data source
  // whose tree never ends cannot hang the window.
  static constexpr int kMaximumDepth = 64;
  static constexpr std::size_t kMaximumRows = 100000;

  explicit OutlineModel(QtOutlineView& view);
  void rebuild(OutlineDataSource* dataSource);
  void setColumnTitles(QStringList titles) { titles_ = std::move(titles); }
  [[nodiscard]] const Node* nodeOf(const QModelIndex& index) const;
  [[nodiscard]] QModelIndex indexOfIdentity(const void* identity) const;

  QModelIndex index(int row, int column, const QModelIndex& parent) const override;
  QModelIndex parent(const QModelIndex& child) const override;
  int rowCount(const QModelIndex& parent) const override;
  int columnCount(const QModelIndex& parent) const override;
  bool hasChildren(const QModelIndex& parent) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  void appendChildren(OutlineDataSource& dataSource, Node& parent, int level, std::size_t& rows);

  QtOutlineView& view_;
  Node root_;
  QStringList titles_;
};

// The identity of an outline item, as the toolkit compares items.
[[nodiscard]] inline const void* identityOf(const OutlineItem& item) {
  return item.menuItem ? static_cast<const void*>(item.menuItem) : static_cast<const void*>(item.node.get());
}

}  // namespace qor
