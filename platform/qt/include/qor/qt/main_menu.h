// The host's main menu: Qt menus built from a menu description, read by the
// pane and the default set's builders through the Menu port.
//
// The description is the one qor/headless/menu.h reads: an array of item
// dictionaries with the optional keys "title", "action" (the selector name),
// "target" (the target's class name), "tag" (integer), "separator"
// (boolean) and "submenu" (an array of the same form). Every item becomes a
// QAction of the menu bar or of its menu; an item with a submenu becomes a
// QMenu, and answers the action "submenuAction:" unless it names one of its
// own. Titles are shown as they are ("&" is no mnemonic) and read back live
// from the QActions, without what a host adds after a tab (the shortcut
// QMenu then shows in its shortcut column).
//
// Example:
//   auto menu = qor::QtMainMenu::build(readPropertyListFile(path), *window.menuBar());
//   for (const auto& command : menu->commands()) connect(command.action, ...);
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "qor/ports/menu_item.h"
#include "qor/value.h"

class QAction;
class QMenuBar;

namespace qor {

class QtMenuEntry;

class QtMainMenu final : public Menu {
 public:
  // An empty menu bar; build() makes one with menus.
  QtMainMenu();
  // Adds the menus of `description` to `bar`. Result: null, and `bar`
  // unchanged, when the description is null or malformed at any depth (not
  // an array, an element that is not a dictionary, a key with a value of
  // another type).
  [[nodiscard]] static std::unique_ptr<QtMainMenu> build(const Ref& description, QMenuBar& bar);
  ~QtMainMenu() override;

  [[nodiscard]] std::string title() const override { return {}; }
  [[nodiscard]] std::size_t numberOfItems() const override;
  [[nodiscard]] const MenuItem* itemAtIndex(std::size_t index) const override;

  // An item of the menu and the QAction that shows it.
  struct Command {
    const MenuItem* item;
    QAction* action;
  };
  // Every item that is not a separator, menu titles included, depth first in
  // menu order.
  [[nodiscard]] std::vector<Command> commands() const;

  // Replaces the items of the submenu of `holder` (an item of this menu
  // that has one) by those of `description`, read as build() reads it: for
  // menus whose items change while the program runs. The replaced items'
  // actions go; the items stay, without a title, until this menu goes, since
  // a reader of the menu may still hold them. Result: the new items'
  // commands, in the order of commands(); nullopt, with nothing changed, for
  // a malformed description or a holder that is no submenu item of this menu.
  [[nodiscard]] std::optional<std::vector<Command>> replaceSubmenuItems(const MenuItem& holder,
                                                                      const Ref& description);

 private:
  std::unique_ptr<QtMenuEntry> bar_;
  QMenuBar* menuBar_ = nullptr;
  std::vector<std::unique_ptr<QtMenuEntry>> retired_;
};

}  // namespace qor
