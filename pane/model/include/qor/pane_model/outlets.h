/// @file
/// The outlets of the pane's interface description (KeyBindings.ui), written
/// once: the pane declares and connects them, and whoever needs the list (the
/// toolkits' interface tests) asks the pane. Constants only, safe from any
/// thread.
#pragma once

#include <string_view>

namespace qor {

/// What kind of control an outlet is.
enum class OutletKind { View, TabView, PopUpButton, Button, Window, TextField, OutlineView };

/// One outlet: its object's name in the description and its kind.
struct PaneOutlet {
  std::string_view name;
  OutletKind kind;
};

/// Every outlet, in the order the pane declares them.
inline constexpr PaneOutlet kPaneOutlets[] = {
    {"VIEW_key_bindings", OutletKind::View},
    {"TABV_outlines", OutletKind::TabView},
    {"PUB_sets", OutletKind::PopUpButton},
    {"BTN_kb_del_set", OutletKind::Button},
    {"WIN_set_name", OutletKind::Window},
    {"TEXT_set_name", OutletKind::TextField},
    {"BTN_set_name_OK", OutletKind::Button},
    {"BTN_kb_export_set", OutletKind::Button},
    {"WIN_key_configurator", OutletKind::Window},
    {"TEXT_key_configurator", OutletKind::TextField},
    {"BTN_key_configurator_OK", OutletKind::Button},
    {"BTN_key_configurator_clear", OutletKind::Button},
    {"TEXT_kb_conflict", OutletKind::TextField},
    {"OLV_menu_key_bindings", OutletKind::OutlineView},
    {"OLV_editor_key_bindings", OutletKind::OutlineView},
    {"BTN_kb_duplicate_set", OutletKind::Button},
    {"BTN_kb_import_set", OutletKind::Button},
    {"BTN_set_name_cancel", OutletKind::Button},
    {"BTN_key_configurator_cancel", OutletKind::Button},
    {"TEXT_kb_ambiguity", OutletKind::TextField},
    {"BTN_key_configurator_fix", OutletKind::Button},
    {"BTN_kb_reset_command", OutletKind::Button},
    {"BTN_kb_reset_group", OutletKind::Button},
    {"BTN_kb_reset_set", OutletKind::Button},
    {"TEXT_kb_search", OutletKind::TextField},
    {"BTN_kb_all_conflicts", OutletKind::Button},
    {"BTN_kb_search_keys", OutletKind::Button},
    {"BTN_kb_cheat_sheet", OutletKind::Button},
    {"TEXT_kb_layout", OutletKind::TextField},
    {"TEXT_kb_desktop", OutletKind::TextField},
    {"TEXT_kb_hot_key", OutletKind::TextField},
};

}  // namespace qor
