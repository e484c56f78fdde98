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
                                                   "switch-applications=['<Super>Tab']\n"
                                                   "panel-main-menu=['<Super>F9']\n");
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
  // A key GNOME keeps only for old settings and ignores takes nothing, even when set.
  EXPECT_TRUE(std::none_of(shortcuts.begin(), shortcuts.end(),
                           [](const DesktopShortcut& s) { return s.keys == "<Super>F9"; }));
  EXPECT_EQ(capture.lines(),
            std::vector<std::string>{
                "Desktop shortcuts: no settings schema org.gnome.shell.keybindings, "
                "org.gnome.settings-daemon.plugins.media-keys, org.gnome.mutter.keybindings, "
                "org.gnome.mutter.wayland.keybindings, org.freedesktop.ibus.general.hotkey, "
                "org.freedesktop.ibus.panel.emoji; their shortcuts are not known."});
}

TEST(DesktopShortcuts, KdeAndFcitxFiles) {
  fixtures::TemporaryFolder folder;
  using Reader = std::vector<DesktopShortcut> (*)(const std::string&);
  struct Case {
    const char* name;
    Reader read;
    const char* text;
    std::vector<DesktopShortcut> expected;
    std::size_t logLines;
  };
  const Case cases[] = {
      {"KDE: components, several keys, none", readKdeShortcuts,
       "[kwin]\n_k_friendly_name=KWin\nWalk Through Windows=Alt+Tab\\tMeta+Tab,Alt+Tab,Walk Through Windows\n"
       "Kill Window=none,Meta+Ctrl+Esc,Kill Window\n\n# a comment\n"
       "[org.kde.krunner.desktop]\n_launch=Alt+Space\tAlt+F2,Alt+Space,KRunner\n",
       {{"KDE", "KWin: Walk Through Windows", "Alt+Tab", Notation::Portable},
        {"KDE", "KWin: Walk Through Windows", "Meta+Tab", Notation::Portable},
        {"KDE", "org.kde.krunner.desktop: KRunner", "Alt+Space", Notation::Portable},
        {"KDE", "org.kde.krunner.desktop: KRunner", "Alt+F2", Notation::Portable}},
       0},
      {"KDE: an entry before any group", readKdeShortcuts, "Kill Window=none,none,Kill\n[kwin]\n", {}, 1},
      {"KDE: an entry of one field", readKdeShortcuts, "[kwin]\nShow Desktop=Meta+D\n", {}, 1},
      {"KDE: a line that is no entry", readKdeShortcuts, "[kwin]\nShow Desktop=Meta+D,none,Show\ngarbage\n", {}, 1},
      {"fcitx5: the hot-key groups only", readFcitxShortcuts,
       "[Hotkey]\nEnumerateWithTriggerKeys=True\n[Hotkey/TriggerKeys]\n0=Control+space\n1=Zenkaku_Hankaku\n"
       "[Hotkey/PrevPage]\n0=Up\n[Behavior]\nActiveByDefault=False\n",
       {{"Fcitx", "Trigger Input Method", "<Control>space", Notation::Accelerator},
        {"Fcitx", "Trigger Input Method", "Zenkaku_Hankaku", Notation::Accelerator},
        {"Fcitx", "PrevPage", "Up", Notation::Accelerator}},
       0},
      {"fcitx5: a line that is no entry", readFcitxShortcuts, "[Hotkey/TriggerKeys]\n0=Control+space\n[x\n", {}, 1},
  };
  for (const Case& c : cases) {
    folder.write("file", c.text);
    LogCapture capture;
    EXPECT_EQ(c.read(folder.file("file")), c.expected) << c.name;
    EXPECT_EQ(capture.lines().size(), c.logLines) << c.name;
  }
  LogCapture capture;
  EXPECT_TRUE(readKdeShortcuts(folder.file("missing")).empty());
  EXPECT_TRUE(readFcitxShortcuts(folder.file("missing")).empty());
  EXPECT_TRUE(capture.lines().empty());
}

}  // namespace
}  // namespace qor
