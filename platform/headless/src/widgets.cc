#include "qor/headless/widgets.h"

#include <algorithm>

namespace qor {

namespace {

const char* colorName(TextColor color) { return color == TextColor::Red ? "red" : "black"; }

const char* enabledName(bool enabled) { return enabled ? "true" : "false"; }

std::string actionName(const TargetAction& targetAction) {
  return targetAction.target ? targetAction.action : targetAction.action + " (no target)";
}

}  // namespace

// ---- HeadlessWindow ----

bool HeadlessWindow::makeFirstResponder(View* view) {
  std::string line = name_ + " makeFirstResponder " + (view ? view->objectName() : "nil");
  if (view && view->window() != this) {
    journal_.record(line + " refused");
    return false;
  }
  firstResponder_ = view;
  journal_.record(line);
  return true;
}

void HeadlessWindow::makeKeyAndOrderFront() { journal_.record(name_ + " makeKeyAndOrderFront"); }

void HeadlessWindow::close() { journal_.record(name_ + " close"); }

// ---- HeadlessButton ----

void HeadlessButton::setEnabled(bool enabled) {
  enabled_ = enabled;
  record(std::string("setEnabled ") + enabledName(enabled));
}

void HeadlessButton::setTargetAction(TargetAction targetAction) {
  targetAction_ = std::move(targetAction);
  record("setTargetAction " + actionName(targetAction_));
}

void HeadlessButton::performClick() {
  if (!enabled_) {
    record("performClick refused");
    return;
  }
  record("performClick");
  targetAction_.send(this);
}

void HeadlessButton::setTitle(const std::string& title) {
  title_ = title;
  record("setTitle " + quoted(title));
}

void HeadlessButton::setState(ButtonState state) {
  state_ = state;
  record(std::string("setState ") + (state == ButtonState::On ? "on" : "off"));
}

// ---- HeadlessTextField ----

void HeadlessTextField::setStringValue(const std::string& text) {
  text_ = text;
  record("setStringValue " + quoted(text));
}

void HeadlessTextField::setTextColor(TextColor color) {
  color_ = color;
  record(std::string("setTextColor ") + colorName(color));
}

void HeadlessTextField::setDelegate(TextFieldDelegate* delegate) {
  delegate_ = delegate;
  record(delegate ? "setDelegate" : "setDelegate nil");
}

void HeadlessTextField::typeText(std::string text) {
  text_ = std::move(text);
  if (delegate_) delegate_->controlTextDidChange(*this);
}

// ---- HeadlessPopUpItem ----

void HeadlessPopUpItem::setTitle(const std::string& title) {
  title_ = title;
  owner_.recordItem(*this, "setTitle " + quoted(title));
}

void HeadlessPopUpItem::setTag(std::int64_t tag) {
  tag_ = tag;
  owner_.recordItem(*this, "setTag " + std::to_string(tag));
}

void HeadlessPopUpItem::setTargetAction(TargetAction targetAction) {
  targetAction_ = std::move(targetAction);
  owner_.recordItem(*this, "setTargetAction " + actionName(targetAction_));
}

// ---- HeadlessPopUpButton ----

void HeadlessPopUpButton::removeAllItems() {
  items_.clear();
  selected_ = -1;
  record("removeAllItems");
}

void HeadlessPopUpButton::addItemWithTitle(const std::string& title) {
  bool taken = std::any_of(items_.begin(), items_.end(), [&](const auto& item) { return item->title() == title; });
  if (taken) {
    record("addItemWithTitle " + quoted(title) + " refused");
    return;
  }
  items_.push_back(std::make_unique<HeadlessPopUpItem>(*this, title));
  if (selected_ < 0) selected_ = 0;
  record("addItemWithTitle " + quoted(title));
}

PopUpItem* HeadlessPopUpButton::itemAtIndex(std::size_t index) {
  return index < items_.size() ? items_[index].get() : nullptr;
}

bool HeadlessPopUpButton::selectItemWithTag(std::int64_t tag) {
  auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item->tag() == tag; });
  std::string line = "selectItemWithTag " + std::to_string(tag);
  if (found == items_.end()) {
    record(line + " refused");
    return false;
  }
  selected_ = found - items_.begin();
  record(line);
  return true;
}

std::vector<ItemState> HeadlessPopUpButton::items() const {
  std::vector<ItemState> states;
  states.reserve(items_.size());
  for (const auto& item : items_) states.push_back({item->title(), item->tag(), item->targetAction()});
  return states;
}

bool HeadlessPopUpButton::chooseItem(std::size_t index) {
  if (index >= items_.size()) return false;
  selected_ = static_cast<std::int64_t>(index);
  HeadlessPopUpItem& item = *items_[index];
  item.targetAction().send(&item);
  return true;
}

void HeadlessPopUpButton::recordItem(const HeadlessPopUpItem& item, std::string_view call) const {
  auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& mine) { return mine.get() == &item; });
  record("item " + std::to_string(found - items_.begin()) + " " + std::string(call));
}

// ---- HeadlessTabView ----

HeadlessTabView::HeadlessTabView(Journal& journal, std::string name, Window* window,
                                 std::vector<std::string> identifiers)
    : HeadlessViewBase(journal, std::move(name), window), identifiers_(std::move(identifiers)) {
  if (!identifiers_.empty()) selected_ = identifiers_.front();
}

bool HeadlessTabView::selectTabViewItemWithIdentifier(const std::string& identifier) {
  bool known = std::find(identifiers_.begin(), identifiers_.end(), identifier) != identifiers_.end();
  record("selectTabViewItemWithIdentifier " + identifier + (known ? "" : " refused"));
  if (known) selected_ = identifier;
  return known;
}

}  // namespace qor
