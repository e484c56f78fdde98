// The outline data source of the toolkit tests: a tree of groups
// ({"title": ..., "items": (...)}) and commands (strings). Commands alone can
// be selected and their "Key" cells send "edit:" to `target`; groups show a
// blank key and a centred title.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "qor/ports/toolkit.h"
#include "qor/testing/recorders.h"
#include "qor/value.h"

namespace qor::fixtures {

class TreeSource final : public OutlineDataSource {
 public:
  explicit TreeSource(ArrayRef root) : root_(std::move(root)) {}

  std::int64_t outlineViewNumberOfChildrenOfItem(OutlineView&, const OutlineItem& item) override {
    ArrayRef children = childrenOf(item);
    return children ? static_cast<std::int64_t>(children->count()) : 0;
  }
  OutlineItem outlineViewChildOfItem(OutlineView&, std::int64_t index, const OutlineItem& item) override {
    ArrayRef children = childrenOf(item);
    return {nullptr, children ? children->objectAtIndex(static_cast<std::size_t>(index)) : nullptr};
  }
  bool outlineViewIsItemExpandable(OutlineView& view, const OutlineItem& item) override {
    return outlineViewNumberOfChildrenOfItem(view, item) > 0;
  }
  std::string outlineViewObjectValueForTableColumnByItem(OutlineView&, const std::string& column,
                                                          const OutlineItem& item) override {
    if (column == "title") return nameOf(item);
    return asString(item.node) ? "key of " + nameOf(item) : " ";
  }
  bool outlineViewShouldSelectItem(OutlineView&, const OutlineItem& item) override {
    return asString(item.node) != nullptr;
  }
  bool outlineViewShouldEditTableColumnItem(OutlineView&, const std::string&, const OutlineItem&) override {
    return false;
  }
  void outlineViewWillDisplayCellForTableColumnItem(OutlineView&, Cell& cell, const std::string& column,
                                                    const OutlineItem& item) override {
    const bool command = asString(item.node) != nullptr;
    if (column == "title" && !command) cell.setAlignment(TextAlignment::Center);
    if (column == "Key") cell.setTargetAction(command ? TargetAction{&target, "edit:"} : TargetAction{});
  }
  void outlineViewSelectionDidChange(OutlineView& view) override { selections.push_back(view.selectedRow()); }

  void setRoot(ArrayRef root) { root_ = std::move(root); }

  RecordingTarget target;
  std::vector<std::int64_t> selections;  // the selected row at each change

 private:
  ArrayRef childrenOf(const OutlineItem& item) const {
    if (item.isNone()) return root_;
    auto group = asDictionary(item.node);
    return group ? group->arrayForKey("items") : nullptr;
  }
  static std::string nameOf(const OutlineItem& item) {
    if (auto name = asString(item.node)) return name->value();
    auto group = asDictionary(item.node);
    auto title = group ? group->stringForKey("title") : nullptr;
    return title ? title->value() : std::string();
  }

  ArrayRef root_;
};

}  // namespace qor::fixtures
