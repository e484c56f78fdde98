/// @file
/// The menu-item port: what the pane and the toolbox read of a host menu.
///
/// The host's real menus (Qt), the headless host and tests all implement it.
/// Items are owned by their menu; a `MenuItem*` stays valid while the menu
/// lives.
///
/// Threads: menus are read and changed on the main thread only.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qor {

class Menu;

/// One item of a host menu.
class QOR_TOOLBOX_EXPORT MenuItem {
 public:
  virtual ~MenuItem() = default;
  /// The item's title; empty for a separator.
  [[nodiscard]] virtual std::string title() const = 0;
  /// The action's selector name, colon included ("saveDocument:"); nullopt
  /// when the item has no action.
  [[nodiscard]] virtual std::optional<std::string> actionName() const = 0;
  /// The class name of the item's target; nullopt when it has no target.
  [[nodiscard]] virtual std::optional<std::string> targetClassName() const = 0;
  /// The integer the host attached to the item; 0 unless set.
  [[nodiscard]] virtual std::int64_t tag() const = 0;
  /// True for a separator line.
  [[nodiscard]] virtual bool isSeparatorItem() const = 0;
  /// The item's submenu, or null.
  [[nodiscard]] virtual const Menu* submenu() const = 0;
};

/// A host menu: a title and its items in order.
class QOR_TOOLBOX_EXPORT Menu {
 public:
  virtual ~Menu() = default;
  /// The menu's title; the menu bar's is empty.
  [[nodiscard]] virtual std::string title() const = 0;
  /// The number of items, separators included.
  [[nodiscard]] virtual std::size_t numberOfItems() const = 0;
  /// The item at `index`, or null when `index` is not below numberOfItems().
  [[nodiscard]] virtual const MenuItem* itemAtIndex(std::size_t index) const = 0;
};

/// The action name of items that only open their submenu.
inline constexpr const char* kSubmenuAction = "submenuAction:";

}  // namespace qor
