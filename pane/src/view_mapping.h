// The model's answers in the toolkit's terms: what the pane's views show for
// a status colour or a cell alignment, and the return code a sheet's button
// closes it with. Shared by the pane's source files only.
#pragma once

#include <cstdint>
#include <limits>

#include "qor/pane_model/conflicts.h"
#include "qor/pane_model/outlets.h"
#include "qor/pane_model/outline_rules.h"
#include "qor/ports/toolkit.h"

namespace qor {

// The return code a sheet ends with when the button tagged `tag` closes it:
// the tag itself; a tag that no return code can carry cancels.
//   1 -> 1 (confirm)   0 -> 0   (1 << 32) + 1 -> 0
[[nodiscard]] inline int sheetReturnCodeForTag(std::int64_t tag) {
  using Limits = std::numeric_limits<int>;
  return tag < Limits::min() || tag > Limits::max() ? kReturnCodeCancel : static_cast<int>(tag);
}

[[nodiscard]] inline TextColor textColorOf(StatusColor color) {
  return color == StatusColor::Red ? TextColor::Red : TextColor::Black;
}

// The model's kinds of outlets are the toolkit's, in the toolkit's order, so
// that a kind converts by its value.
template <OutletKind model, UiKind toolkit>
constexpr bool kSameKind = static_cast<int>(model) == static_cast<int>(toolkit);
static_assert(kSameKind<OutletKind::View, UiKind::View> && kSameKind<OutletKind::TabView, UiKind::TabView> &&
              kSameKind<OutletKind::PopUpButton, UiKind::PopUpButton> && kSameKind<OutletKind::Button, UiKind::Button> &&
              kSameKind<OutletKind::Window, UiKind::Window> && kSameKind<OutletKind::TextField, UiKind::TextField> &&
              kSameKind<OutletKind::OutlineView, UiKind::OutlineView>);

[[nodiscard]] inline UiKind uiKindOf(OutletKind kind) { return static_cast<UiKind>(kind); }

[[nodiscard]] inline TextAlignment textAlignmentOf(CellAlignment alignment) {
  return alignment == CellAlignment::Center ? TextAlignment::Center : TextAlignment::Left;
}

}  // namespace qor
