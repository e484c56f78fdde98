#include "qor/desktop/desktop_shortcuts.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "qor/log.h"

namespace qor {

namespace {

constexpr const char* kGnome = "GNOME";
constexpr const char* kIbus = "IBus";
constexpr const char* kKde = "KDE";
constexpr const char* kFcitx = "Fcitx";
constexpr std::string_view kFcitxFileName = "fcitx5/config";
constexpr std::string_view kFcitxHotkeyGroupPrefix = "Hotkey/";
constexpr char kFcitxJoiner = '+';
constexpr std::string_view kKdeFileName = "kglobalshortcutsrc";
constexpr std::string_view kKdeFriendlyNameKey = "_k_friendly_name";
constexpr std::string_view kKdeInternalPrefix = "_k_";
constexpr std::string_view kKdeNoKeys = "none";
constexpr std::string_view kKdeEscapedTab = "\\t";
constexpr std::string_view kComponentSeparator = ": ";
constexpr const char* kAcceleratorListType = "as";
constexpr const char* kAcceleratorType = "s";
// Keys the desktop keeps only for old settings and ignores.
constexpr std::string_view kDeprecatedSummaryPrefix = "DEPRECATED";
// A list of settings paths, not keys.
constexpr std::string_view kCustomKeybindingsKey = "custom-keybindings";

template <typename T, void (*Free)(T*)>
struct Freeing {
  void operator()(T* pointer) const { Free(pointer); }
};
using SchemaPtr = std::unique_ptr<GSettingsSchema, Freeing<GSettingsSchema, g_settings_schema_unref>>;
using KeyPtr = std::unique_ptr<GSettingsSchemaKey, Freeing<GSettingsSchemaKey, g_settings_schema_key_unref>>;
using VariantPtr = std::unique_ptr<GVariant, Freeing<GVariant, g_variant_unref>>;
using StrvPtr = std::unique_ptr<gchar*, Freeing<gchar*, g_strfreev>>;
void unrefObject(GSettings* settings) { g_object_unref(settings); }
using SettingsPtr = std::unique_ptr<GSettings, Freeing<GSettings, unrefObject>>;

void addAccelerators(const GSettingsShortcutSchema& wanted, GSettingsSchema& schema, std::vector<DesktopShortcut>& out) {
  SettingsPtr settings(g_settings_new_full(&schema, nullptr, nullptr));
  StrvPtr names(g_settings_schema_list_keys(&schema));
  for (gchar** name = names.get(); name && *name; ++name) {
    if (std::string_view(*name) == kCustomKeybindingsKey) continue;
    if (!wanted.keys.empty() &&
        std::none_of(wanted.keys.begin(), wanted.keys.end(), [&](const char* key) { return std::string_view(key) == *name; }))
      continue;
    KeyPtr key(g_settings_schema_get_key(&schema, *name));
    const GVariantType* type = g_settings_schema_key_get_value_type(key.get());
    const bool list = g_variant_type_equal(type, G_VARIANT_TYPE(kAcceleratorListType));
    if (!list && !g_variant_type_equal(type, G_VARIANT_TYPE(kAcceleratorType))) continue;
    const char* summary = g_settings_schema_key_get_summary(key.get());
    const std::string title = summary && *summary ? summary : *name;
    if (title.starts_with(kDeprecatedSummaryPrefix)) continue;
    VariantPtr value(g_settings_get_value(settings.get(), *name));
    if (!list) {
      out.push_back({wanted.desktop, title, g_variant_get_string(value.get(), nullptr),
                     DesktopShortcut::Notation::Accelerator});
      continue;
    }
    std::unique_ptr<const gchar*, Freeing<void, g_free>> accelerators(g_variant_get_strv(value.get(), nullptr));
    for (const gchar** accelerator = accelerators.get(); *accelerator; ++accelerator)
      out.push_back({wanted.desktop, title, *accelerator, DesktopShortcut::Notation::Accelerator});
  }
}

std::string trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

// The keys of a KDE value, tabs written raw or escaped as "\t".
std::vector<std::string> kdeKeys(std::string text) {
  for (std::size_t at; (at = text.find(kKdeEscapedTab)) != std::string::npos;) text.replace(at, kKdeEscapedTab.size(), "\t");
  std::vector<std::string> keys;
  std::size_t start = 0;
  for (;;) {
    const std::size_t tab = text.find('\t', start);
    std::string key = trimmed(std::string_view(text).substr(start, tab == std::string::npos ? tab : tab - start));
    if (!key.empty() && key != kKdeNoKeys) keys.push_back(std::move(key));
    if (tab == std::string::npos) return keys;
    start = tab + 1;
  }
}

struct KdeAction {
  std::string component;
  std::string keys;
  std::string name;
};

using TakeEntry = std::function<bool(const std::string& group, const std::string& key, const std::string& value)>;

// Hands each entry of the INI-style file `in` to `take` in order. Result: the
// number of the first line that is no group, entry, comment or blank (an
// entry outside any group counts), or that `take` refused; nullopt when every
// line was read.
std::optional<std::size_t> readEntries(std::istream& in, const TakeEntry& take) {
  std::optional<std::string> group;
  std::string line;
  for (std::size_t number = 1; std::getline(in, line); ++number) {
    const std::string text = trimmed(line);
    if (text.empty() || text.front() == '#') continue;
    if (text.front() == '[' && text.back() == ']') {
      group = text.substr(1, text.size() - 2);
      continue;
    }
    const std::size_t equals = text.find('=');
    if (!group || equals == std::string::npos || equals == 0 ||
        !take(*group, trimmed(std::string_view(text).substr(0, equals)), text.substr(equals + 1)))
      return number;
  }
  return std::nullopt;
}

void logMalformed(const std::string& path, std::size_t line) {
  logLine("Desktop shortcuts: " + path + " is malformed at line " + std::to_string(line) +
          "; no shortcuts are taken from it.");
}

// fcitx5 writes a key as its modifiers and an X keysym joined by "+"
// ("Control+space"): the same as the accelerator "<Control>space".
std::string acceleratorOfFcitxKey(std::string_view key) {
  std::string accelerator;
  for (std::size_t plus; (plus = key.find(kFcitxJoiner)) != std::string_view::npos && plus + 1 < key.size();) {
    accelerator += "<" + std::string(key.substr(0, plus)) + ">";
    key.remove_prefix(plus + 1);
  }
  return key.empty() ? std::string() : accelerator + std::string(key);
}

// The names fcitx5's configuration window gives its hot keys.
std::string fcitxHotkeyName(std::string_view group) {
  static constexpr std::pair<std::string_view, std::string_view> kNames[] = {
      {"TriggerKeys", "Trigger Input Method"},
      {"AltTriggerKeys", "Temporarily switch between first and current Input Method"},
      {"EnumerateForwardKeys", "Enumerate Input Method Forward"},
      {"EnumerateBackwardKeys", "Enumerate Input Method Backward"},
      {"EnumerateGroupForwardKeys", "Enumerate Input Method Group Forward"},
      {"EnumerateGroupBackwardKeys", "Enumerate Input Method Group Backward"},
      {"ActivateKeys", "Activate Input Method"},
      {"DeactivateKeys", "Deactivate Input Method"},
  };
  for (const auto& [id, name] : kNames)
    if (id == group) return std::string(name);
  return std::string(group);
}

}  // namespace

const std::vector<GSettingsShortcutSchema>& gsettingsShortcutSchemas() {
  static const std::vector<GSettingsShortcutSchema> schemas = {
      {"org.gnome.desktop.wm.keybindings", kGnome, {}},
      {"org.gnome.shell.keybindings", kGnome, {}},
      {"org.gnome.settings-daemon.plugins.media-keys", kGnome, {}},
      {"org.gnome.mutter.keybindings", kGnome, {}},
      {"org.gnome.mutter.wayland.keybindings", kGnome, {}},
      {"org.freedesktop.ibus.general.hotkey", kIbus, {"triggers"}},
      {"org.freedesktop.ibus.panel.emoji", kIbus, {"hotkey", "unicode-hotkey"}},
  };
  return schemas;
}

std::vector<DesktopShortcut> readGSettingsShortcuts(const std::vector<GSettingsShortcutSchema>& schemas) {
  std::vector<DesktopShortcut> shortcuts;
  std::string missing;
  GSettingsSchemaSource* source = g_settings_schema_source_get_default();  // not owned; null without schemas
  for (const GSettingsShortcutSchema& wanted : schemas) {
    SchemaPtr schema(source ? g_settings_schema_source_lookup(source, wanted.schema, TRUE) : nullptr);
    if (!schema) {
      missing += (missing.empty() ? "" : ", ") + std::string(wanted.schema);
      continue;
    }
    addAccelerators(wanted, *schema, shortcuts);
  }
  if (!missing.empty()) logLine("Desktop shortcuts: no settings schema " + missing + "; their shortcuts are not known.");
  return shortcuts;
}

std::vector<DesktopShortcut> readKdeShortcuts(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::vector<KdeAction> actions;
  std::vector<std::pair<std::string, std::string>> friendlyNames;  // component -> name
  const std::optional<std::size_t> malformed =
      readEntries(in, [&](const std::string& component, const std::string& key, const std::string& value) {
        if (key == kKdeFriendlyNameKey) {
          friendlyNames.emplace_back(component, value);
          return true;
        }
        if (key.starts_with(kKdeInternalPrefix)) return true;
        const std::size_t first = value.find(',');
        const std::size_t second = first == std::string::npos ? first : value.find(',', first + 1);
        if (second == std::string::npos) return false;
        std::string name = trimmed(std::string_view(value).substr(second + 1));
        actions.push_back({component, value.substr(0, first), name.empty() ? key : std::move(name)});
        return true;
      });
  if (malformed) {
    logMalformed(path, *malformed);
    return {};
  }
  std::vector<DesktopShortcut> shortcuts;
  for (const KdeAction& action : actions) {
    std::string component = action.component;
    for (const auto& [group, name] : friendlyNames)
      if (group == action.component && !name.empty()) component = name;
    for (std::string& keys : kdeKeys(action.keys))
      shortcuts.push_back({kKde, component + std::string(kComponentSeparator) + action.name, std::move(keys),
                           DesktopShortcut::Notation::Portable});
  }
  return shortcuts;
}

std::vector<DesktopShortcut> readFcitxShortcuts(const std::string& path) {
  std::ifstream in(path);
  if (!in) return {};
  std::vector<DesktopShortcut> shortcuts;
  const std::optional<std::size_t> malformed =
      readEntries(in, [&](const std::string& group, const std::string&, const std::string& value) {
        if (!group.starts_with(kFcitxHotkeyGroupPrefix)) return true;
        std::string accelerator = acceleratorOfFcitxKey(trimmed(value));
        if (!accelerator.empty())
          shortcuts.push_back({kFcitx, fcitxHotkeyName(std::string_view(group).substr(kFcitxHotkeyGroupPrefix.size())),
                               std::move(accelerator), DesktopShortcut::Notation::Accelerator});
        return true;
      });
  if (malformed) {
    logMalformed(path, *malformed);
    return {};
  }
  return shortcuts;
}

std::vector<DesktopShortcut> readDesktopShortcuts() {
  std::vector<DesktopShortcut> shortcuts = readGSettingsShortcuts(gsettingsShortcutSchemas());
  const char* configHome = std::getenv("XDG_CONFIG_HOME");
  const char* home = std::getenv("HOME");
  std::string folder = configHome && *configHome ? configHome : home ? std::string(home) + "/.config" : "";
  if (!folder.empty()) {
    for (std::vector<DesktopShortcut> more : {readKdeShortcuts(folder + "/" + std::string(kKdeFileName)),
                                              readFcitxShortcuts(folder + "/" + std::string(kFcitxFileName))})
      shortcuts.insert(shortcuts.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
  }
  return shortcuts;
}

}  // namespace qor
