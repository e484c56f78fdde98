// The readers against a private GSettings world (GNOME's installed schema
// compiled into a folder of the test's own, the keyfile backend holding the
// user's changes) and KDE files written here.
#include "qor/desktop/desktop_shortcuts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "qor/log.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"

namespace qor {

void PrintTo(const DesktopShortcut& s, std::ostream* os) { *os << s.desktop << " '" << s.name << "' " << s.keys; }

namespace {

using Notation = DesktopShortcut::Notation;

bool holds(const std::vector<DesktopShortcut>& all, const DesktopShortcut& wanted) {
  return std::find(all.begin(), all.end(), wanted) != all.end();
}

constexpr const char* kWmSchema = "org.gnome.desktop.wm.keybindings";

TEST(DesktopShortcuts, GSettingsEffectiveValues) {
  // GIO reads its schema folders once per process: this is the one test here
  // that asks GSettings.
  fixtures::TemporaryFolder folder;
  const std::string schemas = folder.file("schemas");
  const auto copied = fixtures::runCommand("mkdir -p " + schemas + " && cp /usr/share/glib-2.0/schemas/" + kWmSchema +
                                           ".gschema.xml " + schemas + " && glib-compile-schemas " + schemas);
  ASSERT_EQ(copied.status, 0) << copied.output;
  folder.write("config/glib-2.0/settings/keyfile", "[org/gnome/desktop/wm/keybindings]\n"
                                                   "switch-applications=['<Super>Tab']\n");
  setenv("GSETTINGS_SCHEMA_DIR", schemas.c_str(), 1);
  setenv("XDG_DATA_DIRS", folder.file("no-data").c_str(), 1);  // no system schemas
  setenv("GSETTINGS_BACKEND", "keyfile", 1);
  setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);

  LogCapture capture;
  const auto shortcuts = readGSettingsShortcuts(gsettingsShortcutSchemas());
  // Never changed: the schema's default.
  EXPECT_TRUE(holds(shortcuts, {"GNOME", "Show the run command prompt", "<Alt>F2", Notation::Accelerator}));
  // Changed in the keyfile: the user's value only.
  EXPECT_TRUE(holds(shortcuts, {"GNOME", "Switch applications", "<Super>Tab", Notation::Accelerator}));
  EXPECT_FALSE(holds(shortcuts, {"GNOME", "Switch applications", "<Alt>Tab", Notation::Accelerator}));
  // Keys GNOME ignores take nothing.
  EXPECT_TRUE(std::none_of(shortcuts.begin(), shortcuts.end(),
                           [](const DesktopShortcut& s) { return s.name.starts_with("DEPRECATED"); }));
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{
                "Desktop shortcuts: no settings schema org.gnome.shell.keybindings, "
                "org.gnome.settings-daemon.plugins.media-keys, org.gnome.mutter.keybindings, "
                "org.gnome.mutter.wayland.keybindings, org.freedesktop.ibus.general.hotkey, "
                "org.freedesktop.ibus.panel.emoji; their shortcuts are not known."});
}

TEST(DesktopShortcuts, KdeFiles) {
  fixtures::TemporaryFolder folder;
  struct Case {
    const char* name;
    const char* text;
    std::vector<DesktopShortcut> expected;
    std::size_t logLines;
  };
  const Case cases[] = {
      {"components, several keys, none",
       "[kwin]\n_k_friendly_name=KWin\nWalk Through Windows=Alt+Tab\\tMeta+Tab,Alt+Tab,Walk Through Windows\n"
       "Kill Window=none,Meta+Ctrl+Esc,Kill Window\n\n# a comment\n"
       "[org.kde.krunner.desktop]\n_launch=Alt+Space\tAlt+F2,Alt+Space,KRunner\n",
       {{"KDE", "KWin: Walk Through Windows", "Alt+Tab", Notation::Portable},
        {"KDE", "KWin: Walk Through Windows", "Meta+Tab", Notation::Portable},
        {"KDE", "org.kde.krunner.desktop: KRunner", "Alt+Space", Notation::Portable},
        {"KDE", "org.kde.krunner.desktop: KRunner", "Alt+F2", Notation::Portable}},
       0},
      {"an entry before any group", "Kill Window=none,none,Kill\n[kwin]\n", {}, 1},
      {"an entry of one field", "[kwin]\nShow Desktop=Meta+D\n", {}, 1},
      {"a line that is no entry", "[kwin]\nShow Desktop=Meta+D,none,Show\ngarbage\n", {}, 1},
  };
  for (const Case& c : cases) {
    folder.write("kglobalshortcutsrc", c.text);
    LogCapture capture;
    EXPECT_EQ(readKdeShortcuts(folder.file("kglobalshortcutsrc")), c.expected) << c.name;
    EXPECT_EQ(capture.lines().size(), c.logLines) << c.name;
  }
  LogCapture capture;
  EXPECT_TRUE(readKdeShortcuts(folder.file("missing")).empty());
  EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
}  // namespace qor
