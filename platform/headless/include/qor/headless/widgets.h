// The recording widgets of the headless toolkit.
//
// Each widget answers the toolkit ports like the platform's own, journals
// every port call that changes its state (see journal.h), and adds typed
// accessors and "as the user would" helpers for tests. The helpers are not
// journaled. Widgets keep a reference to the journal, which must outlive them.
//
// Example:
//   auto* sets = toolkit.find<qor::HeadlessPopUpButton>("PUB_sets");
//   sets->items()[1].title;    // "Mine"
//   sets->chooseItem(1);       // sends loadKeyBindingsSet: with the item as sender
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "qor/geometry.h"
#include "qor/headless/journal.h"
#include "qor/ports/toolkit.h"

namespace qor {

// The title, tag, target and action of a pop-up item or a context-menu item.
struct ItemState {
  std::string title;
  std::int64_t tag = 0;
  TargetAction targetAction;
  friend bool operator==(const ItemState&, const ItemState&) = default;
};

class HeadlessWindow final : public Window {
 public:
  // `number` is what windowNumber() answers.
  HeadlessWindow(Journal& journal, std::string name, std::int64_t number)
      : journal_(journal), name_(std::move(name)), number_(number) {}

  [[nodiscard]] std::string objectName() const override { return name_; }
  // Refuses (journaled with " refused") a view whose window() is another one.
  bool makeFirstResponder(View* view) override;
  [[nodiscard]] View* firstResponder() const override { return firstResponder_; }
  void makeKeyAndOrderFront() override;
  void close() override;
  [[nodiscard]] std::int64_t windowNumber() const override { return number_; }

 private:
  Journal& journal_;
  std::string name_;
  std::int64_t number_;
  View* firstResponder_ = nullptr;
};

// Where a headless view sits in its window, for coordinate conversions.
class HeadlessViewGeometry {
 public:
  // The view's top-left corner in its window's coordinates (y grows
  // downward, as in the views; no flipping anywhere).
  [[nodiscard]] Point originInWindow() const { return origin_; }
  void setOriginInWindow(Point origin) { origin_ = origin; }

 protected:
  HeadlessViewGeometry() = default;
  ~HeadlessViewGeometry() = default;

 private:
  Point origin_;
};

// The View part of every headless view kind.
template <class Base>
class HeadlessViewBase : public Base, public HeadlessViewGeometry {
 public:
  [[nodiscard]] std::string objectName() const override { return name_; }
  void display() override {
    needsDisplay_ = false;
    record("display");
  }
  void setNeedsDisplay() override {
    needsDisplay_ = true;
    record("setNeedsDisplay");
  }
  [[nodiscard]] Window* window() const override { return window_; }
  [[nodiscard]] View* superview() const override { return superview_; }
  // Puts the view inside `superview` (null: at the top).
  void setSuperview(View* superview) { superview_ = superview; }

  // True after setNeedsDisplay until the next display.
  [[nodiscard]] bool needsDisplay() const { return needsDisplay_; }

 protected:
  // `window`: the window showing the view, or null.
  HeadlessViewBase(Journal& journal, std::string name, Window* window)
      : journal_(journal), name_(std::move(name)), window_(window) {}

  // Journals "<name> <call>".
  void record(std::string_view call) const {
    journal_.record((name_.empty() ? std::string("(unnamed)") : name_) + " " + std::string(call));
  }

 private:
  Journal& journal_;
  std::string name_;
  Window* window_;
  View* superview_ = nullptr;
  bool needsDisplay_ = false;
};

class HeadlessView final : public HeadlessViewBase<View> {
 public:
  HeadlessView(Journal& journal, std::string name, Window* window)
      : HeadlessViewBase(journal, std::move(name), window) {}
};

// A view that scrolls what is inside it.
class HeadlessScrollView final : public HeadlessViewBase<View> {
 public:
  HeadlessScrollView(Journal& journal, std::string name, Window* window)
      : HeadlessViewBase(journal, std::move(name), window) {}
  [[nodiscard]] bool isScrollView() const override { return true; }
};

// Enabled when made; `tag` comes from the interface description.
class HeadlessButton final : public HeadlessViewBase<Button> {
 public:
  HeadlessButton(Journal& journal, std::string name, Window* window, std::int64_t tag)
      : HeadlessViewBase(journal, std::move(name), window), tag_(tag) {}

  [[nodiscard]] std::int64_t tag() const override { return tag_; }
  void setEnabled(bool enabled) override;
  [[nodiscard]] bool isEnabled() const override { return enabled_; }
  void setTargetAction(TargetAction targetAction) override;
  [[nodiscard]] TargetAction targetAction() const override { return targetAction_; }
  // Journals "performClick" (" refused" while disabled, sending nothing).
  void performClick() override;
  // Journals "setTitle <quoted title>" and "setState on|off".
  void setTitle(const std::string& title) override;
  [[nodiscard]] std::string title() const override { return title_; }
  void setState(ButtonState state) override;
  [[nodiscard]] ButtonState state() const override { return state_; }

 private:
  std::int64_t tag_;
  bool enabled_ = true;
  TargetAction targetAction_;
  std::string title_;
  ButtonState state_ = ButtonState::Off;
};

// Empty and black when made.
class HeadlessTextField final : public HeadlessViewBase<TextField> {
 public:
  HeadlessTextField(Journal& journal, std::string name, Window* window)
      : HeadlessViewBase(journal, std::move(name), window) {}

  void setStringValue(const std::string& text) override;
  [[nodiscard]] std::string stringValue() const override { return text_; }
  void setTextColor(TextColor color) override;
  [[nodiscard]] TextColor textColor() const override { return color_; }
  void setDelegate(TextFieldDelegate* delegate) override;
  // Kept, not journaled: a tooltip changes nothing the user can do.
  void setToolTip(const std::string& text) override { toolTip_ = text; }

  [[nodiscard]] TextFieldDelegate* delegate() const { return delegate_; }
  // The last setToolTip's text; empty when none was set.
  [[nodiscard]] const std::string& toolTip() const { return toolTip_; }
  // The user replaces the text with `text`: the delegate, when there is one,
  // is told once.
  void typeText(std::string text);

 private:
  std::string text_;
  TextColor color_ = TextColor::Black;
  TextFieldDelegate* delegate_ = nullptr;
  std::string toolTip_;
};

class HeadlessPopUpButton;

// An item of a headless pop-up button; owned by it.
class HeadlessPopUpItem final : public PopUpItem {
 public:
  HeadlessPopUpItem(HeadlessPopUpButton& owner, std::string title) : owner_(owner), title_(std::move(title)) {}

  [[nodiscard]] std::int64_t tag() const override { return tag_; }
  [[nodiscard]] std::string title() const override { return title_; }
  void setTitle(const std::string& title) override;
  void setTag(std::int64_t tag) override;
  void setTargetAction(TargetAction targetAction) override;
  [[nodiscard]] TargetAction targetAction() const override { return targetAction_; }

 private:
  HeadlessPopUpButton& owner_;
  std::string title_;
  std::int64_t tag_ = 0;
  TargetAction targetAction_;
};

// Item calls are journaled as "<name> item <index> <call>". The first item
// added to an empty pop-up becomes the selected one, as on the platform.
class HeadlessPopUpButton final : public HeadlessViewBase<PopUpButton> {
 public:
  // `frame`: the frame it was made with (zero for one from an interface).
  HeadlessPopUpButton(Journal& journal, std::string name, Window* window, Rect frame = {})
      : HeadlessViewBase(journal, std::move(name), window), frame_(frame) {}

  void removeAllItems() override;
  // Refuses a title that an item already has (journaled with " refused").
  void addItemWithTitle(const std::string& title) override;
  [[nodiscard]] std::size_t numberOfItems() const override { return items_.size(); }
  [[nodiscard]] PopUpItem* itemAtIndex(std::size_t index) override;
  bool selectItemWithTag(std::int64_t tag) override;
  [[nodiscard]] std::int64_t indexOfSelectedItem() const override { return selected_; }

  [[nodiscard]] std::vector<ItemState> items() const;
  [[nodiscard]] Rect frame() const { return frame_; }
  // The user chooses item `index`: it becomes selected and sends its action
  // with itself as sender. Result: false (nothing happens) for a bad index.
  bool chooseItem(std::size_t index);

 private:
  friend class HeadlessPopUpItem;
  void recordItem(const HeadlessPopUpItem& item, std::string_view call) const;

  Rect frame_;
  std::vector<std::unique_ptr<HeadlessPopUpItem>> items_;
  std::int64_t selected_ = -1;
};

// The first tab is selected when made.
class HeadlessTabView final : public HeadlessViewBase<TabView> {
 public:
  HeadlessTabView(Journal& journal, std::string name, Window* window, std::vector<std::string> identifiers);

  [[nodiscard]] std::string selectedTabViewItemIdentifier() const override { return selected_; }
  bool selectTabViewItemWithIdentifier(const std::string& identifier) override;
  [[nodiscard]] const std::vector<std::string>& identifiers() const { return identifiers_; }

 private:
  std::vector<std::string> identifiers_;
  std::string selected_;
};

// What a delegate did to a cell about to be drawn; nullopt: left alone.
struct CellState {
  std::optional<TextAlignment> alignment;
  std::optional<TargetAction> targetAction;
  friend bool operator==(const CellState&, const CellState&) = default;
};

// A fresh cell for each drawing, so that a setting the delegate forgot shows
// as nullopt instead of leaking from another row.
class HeadlessCell final : public Cell {
 public:
  void setAlignment(TextAlignment alignment) override { state_.alignment = alignment; }
  void setTargetAction(TargetAction targetAction) override { state_.targetAction = targetAction; }
  [[nodiscard]] const CellState& state() const { return state_; }

 private:
  CellState state_;
};

// One visible row as reloadData found it.
struct OutlineRow {
  OutlineItem item;
  int level = 0;  // 0 for the root's children
  bool expandable = false;
  std::string title;  // the text of the "title" column
  std::string key;    // the text of the "Key" column
  CellState titleCell;
  CellState keyCell;
  // The text and the tooltip of every column, in the order of columns().
  std::vector<std::string> texts;
  std::vector<std::string> toolTips;
};

// The columns "title" (0) and "Key" (1), then any further columns it was
// made with, on a fixed grid: rows 20 px high, columns 200 px wide, so the
// cell at column c and row r has its frame at (200 c, 20 r). Every
// expandable item is shown expanded.
//
// reloadData walks the data source from the root, and for each visible row
// asks the text and the tooltip of every column and lets the delegate
// prepare the "title" and "Key" cells, as a drawing pass would; rows() keeps
// what it found until the next reload.
// The outline is the sender (tag 0) of its cells' actions.
class HeadlessOutlineView final : public HeadlessViewBase<OutlineView>, public Sender {
 public:
  static constexpr float kRowHeight = 20;
  static constexpr float kColumnWidth = 200;
  static constexpr std::array<const char*, 2> kColumns = {"title", "Key"};
  // Deeper levels and further rows are not walked, so that a data source
  // whose tree never ends fails a test instead of hanging it.
  static constexpr int kMaximumDepth = 64;
  static constexpr std::size_t kMaximumRows = 100000;

  // `extraColumns`: identifiers of the columns after "title" and "Key".
  HeadlessOutlineView(Journal& journal, std::string name, Window* window, std::vector<std::string> extraColumns = {});

  [[nodiscard]] std::int64_t tag() const override { return 0; }
  void setDataSource(OutlineDataSource* dataSource) override;
  void reloadData() override;
  void tile() override;
  [[nodiscard]] std::int64_t selectedRow() const override { return selected_; }
  [[nodiscard]] OutlineItem itemAtRow(std::int64_t row) const override;
  [[nodiscard]] std::int64_t columnWithIdentifier(const std::string& identifier) const override;
  // Zero for a column or row that does not exist.
  [[nodiscard]] Rect frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const override;
  // Adds this view's origin in its window, then takes away `view`'s (null:
  // the window's coordinates; a view that is not headless counts as origin 0).
  [[nodiscard]] Rect convertRectToView(Rect rect, const View* view) const override;
  // Every item is shown expanded already: selects the first row showing
  // `item`. Journals "selectItem <title>" (" refused" when no row shows it).
  bool selectItem(const OutlineItem& item) override;

  [[nodiscard]] OutlineDataSource* dataSource() const { return dataSource_; }
  [[nodiscard]] const std::vector<OutlineRow>& rows() const { return rows_; }
  // The identifiers of the columns, "title" and "Key" first.
  [[nodiscard]] const std::vector<std::string>& columns() const { return columns_; }
  // The user clicks row `row`: the data source is asked whether it may be
  // selected; when it may and the row was not selected, it becomes selected
  // and the data source hears outlineViewSelectionDidChange. Result: false
  // for a row that does not exist or may not be selected (selection kept).
  bool selectRow(std::int64_t row);
  // The user clears the selection; the data source hears of the change when
  // a row was selected.
  void deselectAll();
  // The user clicks the "Key" cell of row `row`, without changing the
  // selection: the delegate prepares a fresh cell, whose action is then sent
  // with the outline as sender. Result: true when an action was sent.
  bool clickKeyCell(std::int64_t row);

 private:
  void appendChildren(const OutlineItem& parent, int level);
  [[nodiscard]] bool hasRow(std::int64_t row) const { return row >= 0 && row < static_cast<std::int64_t>(rows_.size()); }

  OutlineDataSource* dataSource_ = nullptr;
  std::vector<std::string> columns_;
  std::vector<OutlineRow> rows_;
  std::int64_t selected_ = -1;
};

}  // namespace qor
