#include "qor/headless/menu.h"

namespace qor {

SimpleMenuItem::SimpleMenuItem(std::string title, std::optional<std::string> action,
                               std::optional<std::string> targetClass, std::int64_t tag)
    : title_(std::move(title)), action_(std::move(action)), targetClass_(std::move(targetClass)), tag_(tag) {}

SimpleMenuItem::~SimpleMenuItem() = default;

std::unique_ptr<SimpleMenuItem> SimpleMenuItem::separator() {
  auto item = std::make_unique<SimpleMenuItem>("", std::nullopt, std::nullopt, 0);
  item->isSeparator_ = true;
  return item;
}

std::optional<std::string> SimpleMenuItem::actionName() const {
  if (!action_ && submenu_) return std::string(kSubmenuAction);
  return action_;
}

const Menu* SimpleMenuItem::submenu() const { return submenu_.get(); }

SimpleMenu* SimpleMenuItem::setSubmenu(std::unique_ptr<SimpleMenu> submenu) {
  submenu_ = std::move(submenu);
  return submenu_.get();
}

const MenuItem* SimpleMenu::itemAtIndex(std::size_t index) const {
  return index < items_.size() ? items_[index].get() : nullptr;
}

SimpleMenuItem& SimpleMenu::addItem(std::string title, std::optional<std::string> action,
                                    std::optional<std::string> targetClass, std::int64_t tag) {
  items_.push_back(std::make_unique<SimpleMenuItem>(std::move(title), std::move(action), std::move(targetClass), tag));
  return *items_.back();
}

void SimpleMenu::addSeparator() { items_.push_back(SimpleMenuItem::separator()); }

SimpleMenu& SimpleMenu::addSubmenu(const std::string& title) {
  return *addItem(title, std::string(kSubmenuAction)).setSubmenu(std::make_unique<SimpleMenu>(title));
}

namespace {

// Reads the string under `key` into `out`, left alone when the key is absent.
// Result: false when the value is not a string.
bool readString(const Dictionary& item, const char* key, std::optional<std::string>& out) {
  Ref value = item.objectForKey(key);
  if (!value) return true;
  auto text = asString(value);
  if (!text) return false;
  out = text->value();
  return true;
}

}  // namespace

std::unique_ptr<SimpleMenu> menuFromPropertyList(const Ref& description, std::string title) {
  auto array = asArray(description);
  if (!array) return nullptr;
  auto menu = std::make_unique<SimpleMenu>(std::move(title));
  for (const auto& element : array->elements()) {
    auto item = asDictionary(element);
    if (!item) return nullptr;

    if (Ref separator = item->objectForKey("separator")) {
      auto flag = asNumber(separator);
      if (!flag || !flag->isBoolean()) return nullptr;
      if (flag->boolValue()) {
        menu->addSeparator();
        continue;
      }
    }
    std::optional<std::string> itemTitle, action, target;
    if (!readString(*item, "title", itemTitle) || !readString(*item, "action", action) ||
        !readString(*item, "target", target))
      return nullptr;
    std::int64_t tag = 0;
    if (Ref value = item->objectForKey("tag")) {
      auto number = asNumber(value);
      if (!number || number->type() != Number::Type::Integer) return nullptr;
      tag = number->integerValue();
    }
    std::unique_ptr<SimpleMenu> submenu;
    if (Ref value = item->objectForKey("submenu")) {
      submenu = menuFromPropertyList(value, itemTitle.value_or(""));
      if (!submenu) return nullptr;
    }
    SimpleMenuItem& added = menu->addItem(itemTitle.value_or(""), std::move(action), std::move(target), tag);
    if (submenu) added.setSubmenu(std::move(submenu));
  }
  return menu;
}

}  // namespace qor
