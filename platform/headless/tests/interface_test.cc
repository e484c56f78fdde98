// What the headless toolkit adds to the toolkit's promises (which
// platform/tests checks over both toolkits): where the views sit, and the
// interface's objects are found by name while it lives.
#include <gtest/gtest.h>

#include "qor/headless/toolkit.h"
#include "qor/testing/pane_fixtures.h"
#include "qor/testing/recorders.h"

namespace qor {
namespace {

TEST(LoadInterface, WidgetsAreFoundByNameAndKindWhileTheInterfaceLives) {
  HeadlessToolkit toolkit;
  fixtures::RecordingOwner owner(fixtures::paneOutlets());
  auto interface = toolkit.loadInterface(Bundle(QOR_RESOURCES_DIR), "KeyBindings", owner);
  ASSERT_NE(interface, nullptr);
  for (const auto& [name, object] : owner.connected) EXPECT_EQ(toolkit.findObject(name), object) << name;
  EXPECT_EQ(toolkit.find<HeadlessButton>("BTN_kb_del_set")->tag(), 0);
  EXPECT_EQ(toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings")->originInWindow(), (Point{20, 40}));
  EXPECT_EQ(toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings")->window()->objectName(), "WIN_preferences");
  EXPECT_EQ(toolkit.find<HeadlessButton>("BTN_set_name_OK")->window()->objectName(), "WIN_set_name");
  EXPECT_EQ(toolkit.find<HeadlessButton>("PUB_sets"), nullptr) << "find checks the kind";

  interface.reset();
  EXPECT_EQ(toolkit.findObject("PUB_sets"), nullptr);
}

}  // namespace
}  // namespace qor
