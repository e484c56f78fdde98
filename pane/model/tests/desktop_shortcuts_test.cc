#include "qor/pane_model/desktop_shortcuts.h"

#include <gtest/gtest.h>

#include "qor/pane_model/desktop_notation.h"
#include "qor/pane_model/set_format.h"

namespace qor {
namespace {

// The converted sequence in the desktop's words, "-" for none: the words
// name keys and modifiers the way a reader checks them against the source.
std::string words(const ArrayRef& sequence) { return sequence ? desktopNotationOfSequence(*sequence) : "-"; }

TEST(DesktopShortcuts, Accelerators) {
  const std::pair<const char*, const char*> cases[] = {
      {"<Alt>F2", "Alt+F2"},
      {"<Super>a", "Meta+A"},
      {"<Primary><Shift>u", "Ctrl+Shift+U"},
      {"<Control><Alt>Delete", "Ctrl+Alt+Del"},
      {"<ctrl><MOD1>Page_Down", "Ctrl+Alt+PgDown"},
      {"<Meta>bracketleft", "Meta+["},
      {"<Shift><Super>Return", "Meta+Shift+Return"},
      {"<Super>space", "Meta+Space"},
      {"<Super>F35", "Meta+F35"},
      {"XF86AudioMute", "-"},         // media keys: no stroke of ours
      {"<Super>Print", "-"},          // nor Print
      {"<Super>", "-"},               // modifiers alone
      {"<Hyper>a", "-"},              // a modifier we do not map
      {"<Alt", "-"},                  // unclosed
      {"disabled", "-"},
      {"", "-"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(words(sequenceOfAccelerator(text)), expected) << text;
}

TEST(DesktopShortcuts, PortableText) {
  const std::pair<const char*, const char*> cases[] = {
      {"Ctrl+F1", "Ctrl+F1"}, {"Meta+A", "Meta+A"}, {"Alt+Shift+Tab", "Alt+Shift+Tab"},
      {"Volume Up", "-"},     {"none", "-"},        {"", "-"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(words(sequenceOfPortableKeys(text)), expected) << text;
}

TEST(DesktopShortcuts, HoldersLineAndConflicts) {
  const std::vector<DesktopBinding> bindings = {
      {"GNOME", "Show the run command prompt", sequenceOfAccelerator("<Alt>F2")},
      {"KDE", "Run Command", sequenceOfPortableKeys("Alt+F2")},
      {"GNOME", "Lock screen", sequenceOfAccelerator("<Super>l")},
      {"GNOME", "Unreadable", nullptr},
  };
  // Captured keys carry a code and Caps Lock; neither takes part.
  const auto altF2 = Array::make({Dictionary::make({{kStrokeModifiersKey, integer(0x80000)}}),
                                  Dictionary::make({{kStrokeKeyKey, str("\uF705")},
                                                    {kStrokeCodeKey, integer(999)},
                                                    {kStrokeModifiersKey, integer(0x80000 | 0x10000)}})});
  const auto holders = desktopBindingsHolding(bindings, *altF2);
  const auto same = [](const std::string& text) { return text; };
  EXPECT_EQ(takenByDesktopLine(holders, "⌥[F2]", same),
            "'⌥[F2]' is taken by the desktop: 'Show the run command prompt' (GNOME). "
            "'⌥[F2]' is taken by the desktop: 'Run Command' (KDE).");
  EXPECT_EQ(takenByDesktopLine(desktopBindingsHolding(bindings, *Array::make()), "", same), "");

  const auto group = Dictionary::make({
      {"Run", Dictionary::make({{kKeySequencesKey, Array::make({altF2, altF2})}})},
      {"Save", Dictionary::make({{kKeySequencesKey, Array::make({sequenceOfPortableKeys("Ctrl+S")})}})},
      {"Lock", Dictionary::make({{kEntryContextKey, str("text")},
                                 {kKeySequencesKey, Array::make({sequenceOfPortableKeys("Meta+L")})}})},
  });
  const auto conflicts = desktopConflicts(group, bindings);
  ASSERT_EQ(conflicts.size(), 3u);
  EXPECT_EQ(conflicts[0].entryKeys, std::vector<std::string>{"Run"});  // held twice, named once
  EXPECT_EQ(conflicts[1].binding.desktop, "KDE");
  EXPECT_EQ(conflicts[2].entryKeys, std::vector<std::string>{"Lock"});  // whatever its context
  EXPECT_TRUE(desktopConflicts(nullptr, bindings).empty());
}

}  // namespace
}  // namespace qor
