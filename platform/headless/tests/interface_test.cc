#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "qor/headless/toolkit.h"
#include "qor/pane_model/outlets.h"

namespace qor {
namespace {

// An owner that declares the outlets it is given and keeps what it receives.
class FakeOwner final : public InterfaceOwner {
 public:
  explicit FakeOwner(std::vector<OutletSpec> outlets) : outlets_(std::move(outlets)) {}
  std::vector<OutletSpec> interfaceOutlets() const override { return outlets_; }
  void connectOutlet(const std::string& name, UiObject* object) override { connected[name] = object; }
  std::map<std::string, UiObject*> connected;

 private:
  std::vector<OutletSpec> outlets_;
};

class BundleFolder {
 public:
  explicit BundleFolder(const std::vector<std::string>& resources) {
    std::string pattern = (std::filesystem::temp_directory_path() / "qor-bundle-XXXXXX").string();
    if (::mkdtemp(pattern.data())) path_ = pattern;
    for (const auto& name : resources) std::ofstream(path_ + "/" + name) << "<ui/>";
  }
  ~BundleFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

bool hasKind(UiObject* object, UiKind kind) {
  switch (kind) {
    case UiKind::View: return dynamic_cast<View*>(object) != nullptr;
    case UiKind::TabView: return dynamic_cast<TabView*>(object) != nullptr;
    case UiKind::PopUpButton: return dynamic_cast<PopUpButton*>(object) != nullptr;
    case UiKind::Button: return dynamic_cast<Button*>(object) != nullptr;
    case UiKind::Window: return dynamic_cast<Window*>(object) != nullptr;
    case UiKind::TextField: return dynamic_cast<TextField*>(object) != nullptr;
    case UiKind::OutlineView: return dynamic_cast<OutlineView*>(object) != nullptr;
  }
  return false;
}

// The model's kinds are the toolkit's, in the same order (the pane checks it).
UiKind uiKindOf(OutletKind kind) { return static_cast<UiKind>(kind); }

// The pane's outlets, the last first: the loader must not depend on a
// window being declared before its controls.
std::vector<OutletSpec> paneOutlets() {
  std::vector<OutletSpec> outlets;
  for (auto outlet = std::rbegin(kPaneOutlets); outlet != std::rend(kPaneOutlets); ++outlet)
    outlets.push_back({std::string(outlet->name), uiKindOf(outlet->kind)});
  return outlets;
}

TEST(LoadInterface, MissingDescriptionConnectsNothing) {
  BundleFolder folder({"Other.ui"});
  HeadlessToolkit toolkit;
  FakeOwner owner(paneOutlets());
  EXPECT_EQ(toolkit.loadInterface(Bundle(folder.path()), "KeyBindings", owner), nullptr);
  EXPECT_TRUE(owner.connected.empty());
  EXPECT_EQ(toolkit.findObject("VIEW_key_bindings"), nullptr);
}

TEST(LoadInterface, ConnectsEveryOutletByNameKindAndWindow) {
  BundleFolder folder({"KeyBindings.ui"});
  HeadlessToolkit toolkit;
  FakeOwner owner(paneOutlets());
  auto interface = toolkit.loadInterface(Bundle(folder.path()), "KeyBindings", owner);
  ASSERT_NE(interface, nullptr);
  ASSERT_EQ(owner.connected.size(), std::size(kPaneOutlets));
  for (const PaneOutlet& outlet : kPaneOutlets) {
    const std::string name(outlet.name);
    UiObject* object = owner.connected[name];
    ASSERT_NE(object, nullptr) << name;
    EXPECT_EQ(object->objectName(), name);
    EXPECT_TRUE(hasKind(object, uiKindOf(outlet.kind))) << name;
    EXPECT_EQ(toolkit.findObject(name), object) << name;
    if (outlet.window.empty()) continue;
    Window* shownIn = dynamic_cast<View*>(object)->window();
    ASSERT_NE(shownIn, nullptr) << name;
    EXPECT_EQ(shownIn->objectName(), outlet.window) << name;
  }
}

TEST(LoadInterface, WidgetsStartAsTheDescriptionMakesThem) {
  BundleFolder folder({"KeyBindings.ui"});
  HeadlessToolkit toolkit;
  FakeOwner owner(paneOutlets());
  auto interface = toolkit.loadInterface(Bundle(folder.path()), "KeyBindings", owner);
  ASSERT_NE(interface, nullptr);
  for (const auto& [name, tag] : std::vector<std::pair<const char*, int>>{
           {"BTN_set_name_OK", 1}, {"BTN_key_configurator_OK", 1}, {"BTN_set_name_cancel", 0},
           {"BTN_key_configurator_cancel", 0}, {"BTN_kb_del_set", 0}})
    EXPECT_EQ(toolkit.find<HeadlessButton>(name)->tag(), tag) << name;
  auto* tabs = toolkit.find<HeadlessTabView>("TABV_outlines");
  EXPECT_EQ(tabs->selectedTabViewItemIdentifier(), "menu");
  EXPECT_FALSE(tabs->selectTabViewItemWithIdentifier("Menu"));
  EXPECT_TRUE(tabs->selectTabViewItemWithIdentifier("editor"));
  EXPECT_EQ(toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings")->originInWindow(), (Point{20, 40}));
  EXPECT_EQ(toolkit.find<HeadlessButton>("PUB_sets"), nullptr) << "find checks the kind";

  // A window takes the focus only for its own views.
  auto* sheet = toolkit.find<HeadlessWindow>("WIN_set_name");
  EXPECT_TRUE(sheet->makeFirstResponder(toolkit.find<HeadlessTextField>("TEXT_set_name")));
  EXPECT_FALSE(sheet->makeFirstResponder(toolkit.find<HeadlessOutlineView>("OLV_menu_key_bindings")));
  EXPECT_EQ(sheet->firstResponder(), toolkit.findObject("TEXT_set_name"));
  EXPECT_NE(sheet->windowNumber(), toolkit.find<HeadlessWindow>("WIN_preferences")->windowNumber());

  interface.reset();
  EXPECT_EQ(toolkit.findObject("PUB_sets"), nullptr);
}

}  // namespace
}  // namespace qor
