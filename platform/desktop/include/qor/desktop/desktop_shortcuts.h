// The shortcuts the desktop takes for itself, read where the desktops keep
// them: GNOME's keybinding settings and IBus's hot keys through GSettings
// (the effective values: a key the user never changed counts with its schema
// default), KDE's global shortcuts file and fcitx5's configuration. Reading never fails: a missing
// schema or a malformed file gives no shortcuts from it and one log line.
//
// Threads: each call reads on the caller's thread; calls may run at once.
#pragma once

#include <string>
#include <vector>

#include "qor/ports/host.h"

namespace qor {

/// The GSettings schemas read, and the desktop each speaks for.
struct GSettingsShortcutSchema {
  const char* schema;
  const char* desktop;
  std::vector<const char*> keys;  // empty: every key holding accelerators
};

/// GNOME's window manager, shell, media-key and mutter keybindings, and
/// IBus's trigger, emoji and Unicode hot keys.
[[nodiscard]] const std::vector<GSettingsShortcutSchema>& gsettingsShortcutSchemas();

/// Every accelerator of the schemas of `schemas` that the default schema
/// source has (GSETTINGS_SCHEMA_DIR counts), through the default backend,
/// named by each key's summary (its name when it has none). Schemas the
/// source lacks are skipped; one log line names them all. Notation:
/// Accelerator.
[[nodiscard]] std::vector<DesktopShortcut> readGSettingsShortcuts(const std::vector<GSettingsShortcutSchema>& schemas);

/// The global shortcuts of KDE's kglobalshortcutsrc at `path`: per group (a
/// component, named by its "_k_friendly_name" entry, else the group's name),
/// each entry "action=current,default,Friendly name", its current keys
/// separated by tabs ("none" for none), named "Component: Friendly name".
/// Notation: Portable. Result: empty for a missing file; empty, with one log
/// line, for a malformed one.
[[nodiscard]] std::vector<DesktopShortcut> readKdeShortcuts(const std::string& path);

/// fcitx5's hot keys in its configuration file at `path`: each entry of a
/// group "Hotkey/<name>" ("0=Control+space") is a shortcut, named as fcitx5's
/// settings window names the group ("Trigger Input Method"). Notation:
/// Accelerator. Result: empty for a missing file; empty, with one log line,
/// for a malformed one.
[[nodiscard]] std::vector<DesktopShortcut> readFcitxShortcuts(const std::string& path);

/// What the readers give for this session: the schemas of
/// gsettingsShortcutSchemas(), then kglobalshortcutsrc and fcitx5/config
/// under $XDG_CONFIG_HOME (default ~/.config).
[[nodiscard]] std::vector<DesktopShortcut> readDesktopShortcuts();

}  // namespace qor
