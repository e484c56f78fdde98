#include <algorithm>
#include <string>

#include "qor/headless/widgets.h"

namespace qor {

namespace {

constexpr std::size_t kTitleColumn = 0;
constexpr std::size_t kKeyColumn = 1;

Point originOf(const View* view) {
  auto* geometry = dynamic_cast<const HeadlessViewGeometry*>(view);
  return geometry ? geometry->originInWindow() : Point{};
}

}  // namespace

HeadlessOutlineView::HeadlessOutlineView(Journal& journal, std::string name, Window* window,
                                         std::vector<std::string> extraColumns)
    : HeadlessViewBase(journal, std::move(name), window), columns_(kColumns.begin(), kColumns.end()) {
  columns_.insert(columns_.end(), std::make_move_iterator(extraColumns.begin()),
                  std::make_move_iterator(extraColumns.end()));
}

void HeadlessOutlineView::setDataSource(OutlineDataSource* dataSource) {
  dataSource_ = dataSource;
  record(dataSource ? "setDataSource" : "setDataSource nil");
}

void HeadlessOutlineView::reloadData() {
  record("reloadData");
  rows_.clear();
  if (!dataSource_) {
    selected_ = -1;
    return;
  }
  appendChildren(OutlineItem{}, 0);
  for (auto& row : rows_) {
    row.title = dataSource_->outlineViewObjectValueForTableColumnByItem(*this, kColumns[kTitleColumn], row.item);
    row.key = dataSource_->outlineViewObjectValueForTableColumnByItem(*this, kColumns[kKeyColumn], row.item);
    HeadlessCell titleCell, keyCell;
    dataSource_->outlineViewWillDisplayCellForTableColumnItem(*this, titleCell, kColumns[kTitleColumn], row.item);
    dataSource_->outlineViewWillDisplayCellForTableColumnItem(*this, keyCell, kColumns[kKeyColumn], row.item);
    row.titleCell = titleCell.state();
    row.keyCell = keyCell.state();
    for (const std::string& column : columns_) {
      row.texts.push_back(dataSource_->outlineViewObjectValueForTableColumnByItem(*this, column, row.item));
      row.toolTips.push_back(dataSource_->outlineViewToolTipForTableColumnByItem(*this, column, row.item));
    }
  }
  // Like the platform, the selected index survives a reload when it still exists.
  if (!hasRow(selected_)) selected_ = -1;
}

void HeadlessOutlineView::appendChildren(const OutlineItem& parent, int level) {
  if (level >= kMaximumDepth) return;
  std::int64_t count = dataSource_->outlineViewNumberOfChildrenOfItem(*this, parent);
  for (std::int64_t index = 0; index < count && rows_.size() < kMaximumRows; ++index) {
    OutlineRow row;
    row.item = dataSource_->outlineViewChildOfItem(*this, index, parent);
    row.level = level;
    row.expandable = dataSource_->outlineViewIsItemExpandable(*this, row.item);
    OutlineItem child = row.item;
    bool expandable = row.expandable;
    rows_.push_back(std::move(row));
    if (expandable) appendChildren(child, level + 1);
  }
}

void HeadlessOutlineView::tile() { record("tile"); }

OutlineItem HeadlessOutlineView::itemAtRow(std::int64_t row) const {
  return hasRow(row) ? rows_[static_cast<std::size_t>(row)].item : OutlineItem{};
}

std::int64_t HeadlessOutlineView::columnWithIdentifier(const std::string& identifier) const {
  for (std::size_t column = 0; column < columns_.size(); ++column)
    if (identifier == columns_[column]) return static_cast<std::int64_t>(column);
  return -1;
}

Rect HeadlessOutlineView::frameOfCellAtColumnRow(std::int64_t column, std::int64_t row) const {
  bool columnExists = column >= 0 && column < static_cast<std::int64_t>(columns_.size());
  if (!columnExists || !hasRow(row)) return {};
  return {{static_cast<float>(column) * kColumnWidth, static_cast<float>(row) * kRowHeight},
          {kColumnWidth, kRowHeight}};
}

Rect HeadlessOutlineView::convertRectToView(Rect rect, const View* view) const {
  Point from = originInWindow();
  Point to = originOf(view);
  rect.origin.x += from.x - to.x;
  rect.origin.y += from.y - to.y;
  return rect;
}

bool HeadlessOutlineView::selectItem(const OutlineItem& item) {
  auto shown = std::find_if(rows_.begin(), rows_.end(), [&](const OutlineRow& row) { return row.item == item; });
  if (item.isNone() || shown == rows_.end()) {
    record("selectItem refused");
    return false;
  }
  record("selectItem " + shown->title);
  selected_ = shown - rows_.begin();
  return true;
}

bool HeadlessOutlineView::selectRow(std::int64_t row) {
  if (!hasRow(row) || !dataSource_) return false;
  if (!dataSource_->outlineViewShouldSelectItem(*this, rows_[static_cast<std::size_t>(row)].item)) return false;
  if (row == selected_) return true;
  selected_ = row;
  dataSource_->outlineViewSelectionDidChange(*this);
  return true;
}

void HeadlessOutlineView::deselectAll() {
  if (selected_ < 0) return;
  selected_ = -1;
  if (dataSource_) dataSource_->outlineViewSelectionDidChange(*this);
}

bool HeadlessOutlineView::clickKeyCell(std::int64_t row) {
  if (!hasRow(row) || !dataSource_) return false;
  HeadlessCell cell;
  dataSource_->outlineViewWillDisplayCellForTableColumnItem(*this, cell, kColumns[kKeyColumn],
                                                            rows_[static_cast<std::size_t>(row)].item);
  const auto& targetAction = cell.state().targetAction;
  if (!targetAction || !targetAction->target || targetAction->action.empty()) return false;
  targetAction->send(this);
  return true;
}

}  // namespace qor
