#include "qor/qt/main_menu.h"

#include <optional>
#include <string>

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace qor {

namespace {

constexpr const char* kTitleKey = "title";
constexpr const char* kActionKey = "action";
constexpr const char* kTargetKey = "target";
constexpr const char* kTagKey = "tag";
constexpr const char* kSeparatorKey = "separator";
constexpr const char* kSubmenuKey = "submenu";

// One item of a description, checked before anything is built.
struct ItemDescription {
  std::string title;
  std::optional<std::string> action;
  std::optional<std::string> target;
  std::int64_t tag = 0;
  bool separator = false;
  std::optional<std::vector<ItemDescription>> submenu;
};

std::optional<std::vector<ItemDescription>> parseItems(const Ref& value) {
  auto array = asArray(value);
  if (!array) return std::nullopt;
  std::vector<ItemDescription> items;
  for (const Ref& element : array->elements()) {
    auto item = asDictionary(element);
    if (!item) return std::nullopt;
    ItemDescription description;
    auto stringAt = [&](const char* key, auto& field) {
      Ref present = item->objectForKey(key);
      if (!present) return true;
      auto text = asString(present);
      if (text) field = text->value();
      return text != nullptr;
    };
    if (!stringAt(kTitleKey, description.title) || !stringAt(kActionKey, description.action) ||
        !stringAt(kTargetKey, description.target))
      return std::nullopt;
    if (Ref tag = item->objectForKey(kTagKey)) {
      auto number = asNumber(tag);
      if (!number || number->type() != Number::Type::Integer) return std::nullopt;
      description.tag = number->integerValue();
    }
    if (Ref separator = item->objectForKey(kSeparatorKey)) {
      auto flag = asNumber(separator);
      if (!flag || !flag->isBoolean()) return std::nullopt;
      description.separator = flag->boolValue();
    }
    if (Ref submenu = item->objectForKey(kSubmenuKey)) {
      description.submenu = parseItems(submenu);
      if (!description.submenu) return std::nullopt;
    }
    items.push_back(std::move(description));
  }
  return items;
}

// "&" shows as itself, not as a mnemonic.
QString shownTitle(const std::string& title) { return QString::fromStdString(title).replace("&", "&&"); }

}  // namespace

// An item and, when it holds one, its submenu: the item's title() is the
// submenu's title too. The bar is an entry without an action.
class QtMenuEntry final : public MenuItem, public Menu {
 public:
  QtMenuEntry() = default;
  QtMenuEntry(QAction* action, const ItemDescription& description)
      : action_(action),
        actionName_(description.action),
        target_(description.target),
        tag_(description.tag),
        separator_(description.separator) {}

  // ---- MenuItem ----
  [[nodiscard]] std::string title() const override {
    // A host may show a shortcut after a tab, in the menu's shortcut column: no part of the title.
    return action_ ? action_->text().section(u'\t', 0, 0).replace("&&", "&").toStdString() : std::string();
  }
  [[nodiscard]] std::optional<std::string> actionName() const override {
    if (actionName_) return actionName_;
    if (hasSubmenu_) return std::string(kSubmenuAction);
    return std::nullopt;
  }
  [[nodiscard]] std::optional<std::string> targetClassName() const override { return target_; }
  [[nodiscard]] std::int64_t tag() const override { return tag_; }
  [[nodiscard]] bool isSeparatorItem() const override { return separator_; }
  [[nodiscard]] const Menu* submenu() const override { return hasSubmenu_ ? this : nullptr; }

  // ---- Menu (its submenu) ----
  [[nodiscard]] std::size_t numberOfItems() const override { return children_.size(); }
  [[nodiscard]] const MenuItem* itemAtIndex(std::size_t index) const override {
    return index < children_.size() ? children_[index].get() : nullptr;
  }

  [[nodiscard]] QAction* action() const { return action_; }

  // Builds `items` into `menu` (null: into `bar`).
  void addItems(const std::vector<ItemDescription>& items, QMenuBar& bar, QMenu* menu) {
    hasSubmenu_ = true;
    for (const auto& item : items) {
      if (item.separator) {
        QAction* separator = menu ? menu->addSeparator() : bar.addSeparator();
        children_.push_back(std::make_unique<QtMenuEntry>(separator, item));
      } else if (item.submenu) {
        QMenu* submenu = menu ? menu->addMenu(shownTitle(item.title)) : bar.addMenu(shownTitle(item.title));
        auto& entry = children_.emplace_back(std::make_unique<QtMenuEntry>(submenu->menuAction(), item));
        entry->addItems(*item.submenu, bar, submenu);
      } else {
        QAction* action = menu ? menu->addAction(shownTitle(item.title)) : bar.addAction(shownTitle(item.title));
        children_.push_back(std::make_unique<QtMenuEntry>(action, item));
      }
    }
  }

  // The entry of `item` at any depth below this one, or null.
  QtMenuEntry* find(const MenuItem* item) {
    for (const auto& child : children_) {
      if (child.get() == item) return child.get();
      if (QtMenuEntry* found = child->find(item)) return found;
    }
    return nullptr;
  }

  // Replaces the items of this entry's submenu by `items`; the entries
  // replaced go to `retired`, without their actions.
  void replaceItems(const std::vector<ItemDescription>& items, QMenuBar& bar,
                    std::vector<std::unique_ptr<QtMenuEntry>>& retired) {
    QMenu* menu = action_->menu();
    // clear() drops the sub-menus' items but not the sub-menus themselves.
    for (QMenu* old : menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
    menu->clear();
    for (auto& child : children_) retired.push_back(std::move(child));
    children_.clear();
    addItems(items, bar, menu);
  }

  void collectCommands(std::vector<QtMainMenu::Command>& commands) const {
    for (const auto& child : children_) {
      if (child->separator_) continue;
      commands.push_back({child.get(), child->action_});
      if (child->hasSubmenu_) child->collectCommands(commands);
    }
  }

 private:
  QPointer<QAction> action_;
  std::optional<std::string> actionName_;
  std::optional<std::string> target_;
  std::int64_t tag_ = 0;
  bool separator_ = false;
  bool hasSubmenu_ = false;
  std::vector<std::unique_ptr<QtMenuEntry>> children_;
};

QtMainMenu::QtMainMenu() : bar_(std::make_unique<QtMenuEntry>()) {}
QtMainMenu::~QtMainMenu() = default;

std::unique_ptr<QtMainMenu> QtMainMenu::build(const Ref& description, QMenuBar& bar) {
  std::optional<std::vector<ItemDescription>> items = parseItems(description);
  if (!items) return nullptr;
  auto menu = std::make_unique<QtMainMenu>();
  menu->bar_->addItems(*items, bar, nullptr);
  menu->menuBar_ = &bar;
  return menu;
}

std::optional<std::vector<QtMainMenu::Command>> QtMainMenu::replaceSubmenuItems(const MenuItem& holder,
                                                                              const Ref& description) {
  QtMenuEntry* entry = bar_->find(&holder);
  std::optional<std::vector<ItemDescription>> items = parseItems(description);
  if (!entry || !entry->submenu() || !entry->action() || !entry->action()->menu() || !items || !menuBar_)
    return std::nullopt;
  entry->replaceItems(*items, *menuBar_, retired_);
  std::vector<Command> commands;
  entry->collectCommands(commands);
  return commands;
}

std::size_t QtMainMenu::numberOfItems() const { return bar_->numberOfItems(); }

const MenuItem* QtMainMenu::itemAtIndex(std::size_t index) const { return bar_->itemAtIndex(index); }

std::vector<QtMainMenu::Command> QtMainMenu::commands() const {
  std::vector<Command> commands;
  bar_->collectCommands(commands);
  return commands;
}

}  // namespace qor
