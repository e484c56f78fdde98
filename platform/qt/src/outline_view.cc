#include <algorithm>

#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QTreeView>

#include "widgets.h"

namespace qor {

namespace {

constexpr int kInitialKeyColumnWidth = 220;
// Columns after "Key" hold short marks and counts.
constexpr int kInitialExtraColumnWidth = 72;

// The tree's "columnIdentifiers" when it names "title" and "Key" first, the
// two standard columns otherwise.
std::vector<std::string> columnsOf(const QTreeView& tree) {
  std::vector<std::string> columns(QtOutlineView::kColumns.begin(), QtOutlineView::kColumns.end());
  const QStringList named = tree.property("columnIdentifiers").toStringList();
  if (named.size() < static_cast<qsizetype>(columns.size())) return columns;
  for (std::size_t column = 0; column < columns.size(); ++column)
    if (named[static_cast<qsizetype>(column)].toStdString() != columns[column]) return columns;
  for (qsizetype column = static_cast<qsizetype>(columns.size()); column < named.size(); ++column)
    columns.push_back(named[column].toStdString());
  return columns;
}

// The cell the delegate prepares; asked afresh for every use, so that a
// setting the delegate leaves out does not leak from another row.
class QtCell final : public Cell {
 public:
  void setAlignment(TextAlignment alignment) override { alignment_ = alignment; }
  void setTargetAction(TargetAction targetAction) override { targetAction_ = std::move(targetAction); }
  [[nodiscard]] const std::optional<TextAlignment>& alignment() const { return alignment_; }
  [[nodiscard]] const std::optional<TargetAction>& targetAction() const { return targetAction_; }

 private:
  std::optional<TextAlignment> alignment_;
  std::optional<TargetAction> targetAction_;
};

Qt::Alignment qtAlignment(const std::optional<TextAlignment>& alignment) {
  Qt::Alignment horizontal = Qt::AlignLeft;
  if (alignment == TextAlignment::Right) horizontal = Qt::AlignRight;
  if (alignment == TextAlignment::Center) horizontal = Qt::AlignHCenter;
  return horizontal | Qt::AlignVCenter;
}

// Calls `onPress` before the view handles a mouse press.
class PressWatcher final : public QObject {
 public:
  explicit PressWatcher(std::function<void()> onPress) : onPress_(std::move(onPress)) {}
  bool eventFilter(QObject* /*watched*/, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) onPress_();
    return false;
  }

 private:
  std::function<void()> onPress_;
};

// Refuses a selection of rows that may not be selected, as a click on one
// does in the platform's outlines: the selection stays where it was (Qt's
// own would clear it).
class GuardedSelectionModel final : public QItemSelectionModel {
 public:
  using QItemSelectionModel::QItemSelectionModel;
  void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override {
    const bool selects = command & (QItemSelectionModel::Select | QItemSelectionModel::Toggle);
    const bool selectable =
        std::any_of(selection.begin(), selection.end(), [](const QItemSelectionRange& range) { return !range.isEmpty(); });
    if (selects && !selection.isEmpty() && !selectable) return;
    QItemSelectionModel::select(selection, command);
  }
  using QItemSelectionModel::select;
};

}  // namespace

// ---- OutlineModel ----

OutlineModel::OutlineModel(QtOutlineView& view) : view_(view) {}

void OutlineModel::rebuild(OutlineDataSource* dataSource) {
  beginResetModel();
  root_.children.clear();
  std::size_t rows = 0;
  if (dataSource) appendChildren(*dataSource, root_, 0, rows);
  endResetModel();
}

void OutlineModel::appendChildren(OutlineDataSource& dataSource, Node& parent, int level, std::size_t& rows) {
  if (level >= kMaximumDepth) return;
  const OutlineItem parentItem = &parent == &root_ ? OutlineItem{} : parent.item;
  const std::int64_t count = dataSource.outlineViewNumberOfChildrenOfItem(view_, parentItem);
  for (std::int64_t index = 0; index < count && rows < kMaximumRows; ++index) {
    auto node = std::make_unique<Node>();
    node->item = dataSource.outlineViewChildOfItem(view_, index, parentItem);
    node->parent = &parent;
    node->row = static_cast<int>(parent.children.size());
    node->expandable = dataSource.outlineViewIsItemExpandable(view_, node->item);
    ++rows;
    Node& added = *parent.children.emplace_back(std::move(node));
    if (added.expandable) appendChildren(dataSource, added, level + 1, rows);
  }
}

const OutlineModel::Node* OutlineModel::nodeOf(const QModelIndex& index) const {
  return index.isValid() ? static_cast<const Node*>(index.internalPointer()) : &root_;
}

QModelIndex OutlineModel::indexOfIdentity(const void* identity) const {
  std::vector<const Node*> pending = {&root_};
  while (!pending.empty()) {
    const Node* node = pending.back();
    pending.pop_back();
    for (const auto& child : node->children) {
      if (identityOf(child->item) == identity) return createIndex(child->row, 0, child.get());
      pending.push_back(child.get());
    }
  }
  return {};
}

QModelIndex OutlineModel::index(int row, int column, const QModelIndex& parent) const {
  const Node* node = nodeOf(parent);
  if (row < 0 || column < 0 || column >= static_cast<int>(view_.columns().size()) ||
      static_cast<std::size_t>(row) >= node->children.size())
    return {};
  return createIndex(row, column, node->children[static_cast<std::size_t>(row)].get());
}

QModelIndex OutlineModel::parent(const QModelIndex& child) const {
  const Node* node = child.isValid() ? nodeOf(child) : nullptr;
  if (!node || !node->parent || node->parent == &root_) return {};
  return createIndex(node->parent->row, 0, node->parent);
}

int OutlineModel::rowCount(const QModelIndex& parent) const {
  if (parent.column() > 0) return 0;
  return static_cast<int>(nodeOf(parent)->children.size());
}

int OutlineModel::columnCount(const QModelIndex& /*parent*/) const {
  return static_cast<int>(view_.columns().size());
}

bool OutlineModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant OutlineModel::data(const QModelIndex& index, int role) const {
  OutlineDataSource* dataSource = view_.dataSource();
  if (!index.isValid() || !dataSource) return {};
  const Node* node = nodeOf(index);
  const std::string& column = view_.columns()[static_cast<std::size_t>(index.column())];
  switch (role) {
    case Qt::DisplayRole:
      return QString::fromStdString(dataSource->outlineViewObjectValueForTableColumnByItem(view_, column, node->item));
    case Qt::ToolTipRole: {
      const std::string tip = dataSource->outlineViewToolTipForTableColumnByItem(view_, column, node->item);
      return tip.empty() ? QVariant() : QVariant(QString::fromStdString(tip));
    }
    case Qt::TextAlignmentRole: {
      QtCell cell;
      dataSource->outlineViewWillDisplayCellForTableColumnItem(view_, cell, column, node->item);
      return QVariant::fromValue(qtAlignment(cell.alignment()));
    }
    default:
      return {};
  }
}

QVariant OutlineModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= static_cast<int>(view_.columns().size()))
    return {};
  if (section < titles_.size()) return titles_[section];
  return QString::fromStdString(view_.columns()[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags OutlineModel::flags(const QModelIndex& index) const {
  OutlineDataSource* dataSource = view_.dataSource();
  if (!index.isValid() || !dataSource) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsEnabled;
  if (dataSource->outlineViewShouldSelectItem(view_, nodeOf(index)->item)) flags |= Qt::ItemIsSelectable;
  return flags;
}

// ---- QtOutlineView ----

QtOutlineView::QtOutlineView(QtToolkit& toolkit, QTreeView* tree)
    : QtViewBase(toolkit, tree), columns_(columnsOf(*tree)), model_(std::make_unique<OutlineModel>(*this)) {
  model_->setColumnTitles(tree->property("columnTitles").toStringList());
  tree->setModel(model_.get());
  // A QObject child of the tree, which owns it from here on.
  auto guarded = std::make_unique<GuardedSelectionModel>(model_.get(), tree);
  tree->setSelectionModel(guarded.release());
  tree->setSelectionMode(QAbstractItemView::SingleSelection);
  tree->setSelectionBehavior(QAbstractItemView::SelectRows);
  tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
  tree->setAllColumnsShowFocus(true);
  tree->setUniformRowHeights(true);
  tree->header()->setStretchLastSection(false);
  tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  tree->header()->setSectionResizeMode(kKeyColumn, QHeaderView::Interactive);
  tree->header()->resizeSection(kKeyColumn, kInitialKeyColumnWidth);
  for (int column = kKeyColumn + 1; column < static_cast<int>(columns_.size()); ++column) {
    tree->header()->setSectionResizeMode(column, QHeaderView::Interactive);
    tree->header()->resizeSection(column, kInitialExtraColumnWidth);
  }

  pressWatcher_ = std::make_unique<PressWatcher>([this] { rowSelectedAtPress_ = selectedRow(); });
  tree->viewport()->installEventFilter(pressWatcher_.get());
  connections_.add(QObject::connect(tree->selectionModel(), &QItemSelectionModel::selectionChanged, tree,
                                    [this] { selectionChanged(); }));
  connections_.add(QObject::connect(tree, &QAbstractItemView::clicked, tree,
                                    [this](const QModelIndex& index) { clicked(index); }));
  connections_.add(QObject::connect(tree, &QTreeView::collapsed, tree, [this](const QModelIndex& index) {
    if (reloading_) return;
    if (const auto* node = model_->nodeOf(index); node && index.isValid()) collapsed_.push_back(identityOf(node->item));
  }));
  connections_.add(QObject::connect(tree, &QTreeView::expanded, tree, [this](const QModelIndex& index) {
    if (reloading_ || !index.isValid()) return;
    std::erase(collapsed_, identityOf(model_->nodeOf(index)->item));
  }));
}

QtOutlineView::~QtOutlineView() {
  // The view may outlive this adapter for a moment; it must not keep a model that is going.
  if (widget_) widget_->setModel(nullptr);
}

void QtOutlineView::setDataSource(OutlineDataSource* dataSource) { dataSource_ = dataSource; }

void QtOutlineView::reloadData() {
  if (!widget_) return;
  const std::int64_t selected = selectedRow();
  reloading_ = true;
  model_->rebuild(dataSource_);
  widget_->expandAll();
  for (const void* identity : collapsed_) {
    QModelIndex index = model_->indexOfIdentity(identity);
    if (index.isValid()) widget_->collapse(index);
  }
  if (QModelIndex index = indexAtRow(selected); index.isValid())
    widget_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  reloading_ = false;
}

void QtOutlineView::tile() {
  if (widget_) widget_->doItemsLayout();
}

std::int64_t QtOutlineView::selectedRow() const {
  if (!widget_ || !widget_->selectionModel()) return -1;
  QModelIndexList rows = widget_->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rowOfIndex(rows.first());
}

OutlineItem QtOutlineView::itemAtRow(std::int64_t row) const {
  QModelIndex index = indexAtRow(row);
  return index.isValid() ? model_->nodeOf(index)->item : OutlineItem{};
}

std::int64_t QtOutlineView::columnWithIdentifier(const std::string& identifier) const {
  for (std::size_t column = 0; column < columns_.size(); ++column)
    if (identifier == columns_[column]) return static_cast<std::int64_t>(column);
  return -1;
}

Rect QtOutlineView::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const {
  QModelIndex index = indexAtRow(row);
  if (!widget_ || !index.isValid() || column < 0 || column >= static_cast<std::int64_t>(columns_.size())) return {};
  QRect cell = widget_->visualRect(index.siblingAtColumn(static_cast<int>(column)));
  cell.translate(widget_->viewport()->mapTo(widget_, QPoint(0, 0)));
  return {{static_cast<float>(cell.x()), static_cast<float>(cell.y())},
          {static_cast<float>(cell.width()), static_cast<float>(cell.height())}};
}

Rect QtOutlineView::convertRectToView(Rect rect, const View* view) const {
  if (!widget_) return rect;
  QWidget* target = view ? QtToolkit::widgetOf(view) : widget_->window();
  if (!target) return rect;
  QPoint origin(static_cast<int>(rect.origin.x), static_cast<int>(rect.origin.y));
  QPoint converted = target->mapFromGlobal(widget_->mapToGlobal(origin));
  rect.origin = {static_cast<float>(converted.x()), static_cast<float>(converted.y())};
  return rect;
}

bool QtOutlineView::selectItem(const OutlineItem& item) {
  if (!widget_ || item.isNone()) return false;
  const QModelIndex index = model_->indexOfIdentity(identityOf(item));
  if (!index.isValid()) return false;
  // A program's selection, as during a reload: the data source hears nothing.
  reloading_ = true;
  for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
    widget_->expand(parent);
    std::erase(collapsed_, identityOf(model_->nodeOf(parent)->item));
  }
  widget_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  reloading_ = false;
  widget_->scrollTo(index);
  return selectedRow() == rowOfIndex(index);
}

QModelIndex QtOutlineView::indexAtRow(std::int64_t row) const {
  if (!widget_ || row < 0) return {};
  QModelIndex index = model_->index(0, 0, {});
  for (std::int64_t current = 0; index.isValid() && current < row; ++current) index = widget_->indexBelow(index);
  return index;
}

std::int64_t QtOutlineView::rowOfIndex(const QModelIndex& target) const {
  const QModelIndex wanted = target.siblingAtColumn(0);
  std::int64_t row = 0;
  for (QModelIndex index = model_->index(0, 0, {}); index.isValid(); index = widget_->indexBelow(index), ++row)
    if (index == wanted) return row;
  return -1;
}

void QtOutlineView::selectionChanged() {
  if (reloading_ || !widget_) return;
  mailbox_.post([this] {
    if (dataSource_) dataSource_->outlineViewSelectionDidChange(*this);
  });
}

void QtOutlineView::clicked(const QModelIndex& index) {
  if (!widget_ || !dataSource_ || index.column() != kKeyColumn) return;
  const std::int64_t row = rowOfIndex(index);
  if (row < 0 || row != rowSelectedAtPress_) return;
  QtCell cell;
  dataSource_->outlineViewWillDisplayCellForTableColumnItem(*this, cell, kColumns[kKeyColumn], itemAtRow(row));
  if (!cell.targetAction()) return;
  TargetAction action = *cell.targetAction();
  mailbox_.post([this, action] { action.send(this); });
}

}  // namespace qor
