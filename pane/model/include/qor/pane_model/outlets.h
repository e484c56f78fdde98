/// @file
/// The outlets of the pane's interface description (KeyBindings.ui), written
/// once: the pane declares and connects them, the toolkits' interface tests
/// check the description against them. Constants only, safe from any thread.
#pragma once

#include <string_view>

namespace qor {

/// What kind of control an outlet is.
enum class OutletKind { View, TabView, PopUpButton, Button, Window, TextField, OutlineView };

/// One outlet: its object's name in the description, its kind, and the window
/// it sits in ("" for a window itself).
struct PaneOutlet {
  std::string_view name;
  OutletKind kind;
  std::string_view window;
};

/// The pane's main window, as the host shows the pane's view.
inline constexpr std::string_view kPreferencesWindow = "WIN_preferences";

/// Every outlet, in the order the pane declares them.
inline constexpr PaneOutlet kPaneOutlets[] = {
    {"VIEW_key_bindings", OutletKind::View, kPreferencesWindow},
    {"TABV_outlines", OutletKind::TabView, kPreferencesWindow},
    {"PUB_sets", OutletKind::PopUpButton, kPreferencesWindow},
    {"BTN_kb_del_set", OutletKind::Button, kPreferencesWindow},
    {"WIN_set_name", OutletKind::Window, ""},
    {"TEXT_set_name", OutletKind::TextField, "WIN_set_name"},
    {"BTN_set_name_OK", OutletKind::Button, "WIN_set_name"},
    {"BTN_kb_export_set", OutletKind::Button, kPreferencesWindow},
    {"WIN_key_configurator", OutletKind::Window, ""},
    {"TEXT_key_configurator", OutletKind::TextField, "WIN_key_configurator"},
    {"BTN_key_configurator_OK", OutletKind::Button, "WIN_key_configurator"},
    {"BTN_key_configurator_clear", OutletKind::Button, "WIN_key_configurator"},
    {"TEXT_kb_conflict", OutletKind::TextField, "WIN_key_configurator"},
    {"OLV_menu_key_bindings", OutletKind::OutlineView, kPreferencesWindow},
    {"OLV_editor_key_bindings", OutletKind::OutlineView, kPreferencesWindow},
    {"BTN_kb_duplicate_set", OutletKind::Button, kPreferencesWindow},
    {"BTN_kb_import_set", OutletKind::Button, kPreferencesWindow},
    {"BTN_set_name_cancel", OutletKind::Button, "WIN_set_name"},
    {"BTN_key_configurator_cancel", OutletKind::Button, "WIN_key_configurator"},
    {"TEXT_kb_ambiguity", OutletKind::TextField, "WIN_key_configurator"},
    {"BTN_key_configurator_fix", OutletKind::Button, "WIN_key_configurator"},
    {"BTN_kb_reset_command", OutletKind::Button, kPreferencesWindow},
    {"BTN_kb_reset_group", OutletKind::Button, kPreferencesWindow},
    {"BTN_kb_reset_set", OutletKind::Button, kPreferencesWindow},
    {"TEXT_kb_search", OutletKind::TextField, kPreferencesWindow},
    {"BTN_kb_all_conflicts", OutletKind::Button, kPreferencesWindow},
    {"BTN_kb_search_keys", OutletKind::Button, kPreferencesWindow},
    {"BTN_kb_cheat_sheet", OutletKind::Button, kPreferencesWindow},
};

}  // namespace qor
