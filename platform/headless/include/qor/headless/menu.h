// Menus built in code or from a property-list description, for the headless
// host's main menu and for tests.
//
// Like the platform's, an item that holds a submenu answers the action
// "submenuAction:" unless it was given an action of its own.
//
// Example:
//   qor::SimpleMenu bar("");
//   auto& file = bar.addSubmenu("File");
//   file.addItem("Save", "saveDocument:", "Document", 0);
//   file.addSeparator();
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

class SimpleMenu;

class SimpleMenuItem final : public MenuItem {
 public:
  // A command. `action` and `targetClass` may be absent.
  SimpleMenuItem(std::string title, std::optional<std::string> action, std::optional<std::string> targetClass,
                 std::int64_t tag);
  ~SimpleMenuItem() override;
  // A separator: empty title, no action, no target, tag 0.
  [[nodiscard]] static std::unique_ptr<SimpleMenuItem> separator();

  [[nodiscard]] std::string title() const override { return title_; }
  [[nodiscard]] std::optional<std::string> actionName() const override;
  [[nodiscard]] std::optional<std::string> targetClassName() const override { return targetClass_; }
  [[nodiscard]] std::int64_t tag() const override { return tag_; }
  [[nodiscard]] bool isSeparatorItem() const override { return isSeparator_; }
  [[nodiscard]] const Menu* submenu() const override;

  // Gives the item `submenu` (null takes it away). Result: the submenu, or null.
  SimpleMenu* setSubmenu(std::unique_ptr<SimpleMenu> submenu);

 private:
  std::string title_;
  std::optional<std::string> action_;
  std::optional<std::string> targetClass_;
  std::int64_t tag_ = 0;
  bool isSeparator_ = false;
  std::unique_ptr<SimpleMenu> submenu_;
};

class SimpleMenu final : public Menu {
 public:
  explicit SimpleMenu(std::string title) : title_(std::move(title)) {}

  [[nodiscard]] std::string title() const override { return title_; }
  [[nodiscard]] std::size_t numberOfItems() const override { return items_.size(); }
  [[nodiscard]] const MenuItem* itemAtIndex(std::size_t index) const override;

  // Appends a command. Result: the new item, owned by the menu.
  SimpleMenuItem& addItem(std::string title, std::optional<std::string> action = std::nullopt,
                          std::optional<std::string> targetClass = std::nullopt, std::int64_t tag = 0);
  void addSeparator();
  // Appends an item `title` holding a new empty submenu of the same title,
  // with the action "submenuAction:". Result: the submenu.
  SimpleMenu& addSubmenu(const std::string& title);

 private:
  std::string title_;
  std::vector<std::unique_ptr<SimpleMenuItem>> items_;
};

// Builds a menu titled `title` from `description`: an array of item
// dictionaries with the optional keys "title" (string), "action" (string),
// "target" (string: the target's class name), "tag" (integer),
// "separator" (boolean; a separator ignores the other keys) and "submenu"
// (an array of the same form; the submenu takes the item's title). Missing
// keys give an empty title, no action, no target, tag 0. Result: null when
// `description` is null or malformed at any depth (not an array, an element
// that is not a dictionary, a key with a value of another type).
//   ({"title" = "File"; "submenu" = ({"title" = "Save"; "action" = "saveDocument:"})})
[[nodiscard]] std::unique_ptr<SimpleMenu> menuFromPropertyList(const Ref& description, std::string title = "");

}  // namespace qor
