// What every toolkit promises the pane, checked once over the headless and
// the Qt implementation alike: the pane's interface, its outline views and
// the delayed calls.
#include <gtest/gtest.h>

#include <QTest>

#include "qor/headless/toolkit.h"
#include "qor/qt/toolkit.h"
#include "qor/testing/pane_fixtures.h"
#include "qor/testing/recorders.h"
#include "qor/testing/temporary_folder.h"
#include "qor/testing/tree_source.h"

namespace qor {
namespace {

using fixtures::paneOutlets;
using fixtures::ReceivedAction;
using fixtures::RecordingOwner;
using fixtures::RecordingTarget;

// Long enough for the Qt event loop to run a call that is due at once.
constexpr double kSettleSeconds = 0.05;
constexpr int kMillisecondsPerSecond = 1000;

struct Headless {
  using Kit = HeadlessToolkit;
  static void runFor(Kit& kit, double seconds) { kit.advance(seconds); }
  static std::size_t pending(const Kit& kit) { return kit.pendingRequests().size(); }
};

struct OnQt {
  using Kit = QtToolkit;
  static void runFor(Kit&, double seconds) { QTest::qWait(static_cast<int>(seconds * kMillisecondsPerSecond)); }
  static std::size_t pending(const Kit& kit) { return kit.pendingRequestCount(); }
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

template <class Platform>
class ToolkitContract : public testing::Test {};
using Platforms = testing::Types<Headless, OnQt>;
TYPED_TEST_SUITE(ToolkitContract, Platforms);

TYPED_TEST(ToolkitContract, AMissingDescriptionConnectsNothing) {
  typename TypeParam::Kit toolkit;
  fixtures::TemporaryFolder empty;
  RecordingOwner owner(paneOutlets());
  EXPECT_EQ(toolkit.loadInterface(Bundle(empty.path()), "KeyBindings", owner), nullptr);
  EXPECT_TRUE(owner.connected.empty());
}

TYPED_TEST(ToolkitContract, ThePaneInterfaceConnectsEveryOutletAsDeclared) {
  typename TypeParam::Kit toolkit;
  RecordingOwner owner(paneOutlets());
  auto interface = toolkit.loadInterface(Bundle(QOR_RESOURCES_DIR), "KeyBindings", owner);
  ASSERT_TRUE(interface);
  for (const auto& outlet : paneOutlets()) {
    UiObject* object = owner.connected[outlet.name];
    ASSERT_TRUE(object) << outlet.name;
    EXPECT_EQ(object->objectName(), outlet.name);
    EXPECT_TRUE(hasKind(object, outlet.kind)) << outlet.name;
  }
  EXPECT_EQ(owner.outlet<Button>("BTN_set_name_OK")->tag(), kReturnCodeOK);
  EXPECT_EQ(owner.outlet<Button>("BTN_key_configurator_OK")->tag(), kReturnCodeOK);
  EXPECT_NE(owner.outlet<Button>("BTN_key_configurator_cancel")->tag(), kReturnCodeOK);
  EXPECT_NE(owner.outlet<Button>("BTN_set_name_cancel")->tag(), kReturnCodeOK);

  auto* tabs = owner.outlet<TabView>("TABV_outlines");
  EXPECT_EQ(tabs->selectedTabViewItemIdentifier(), "menu");
  EXPECT_FALSE(tabs->selectTabViewItemWithIdentifier("Menu"));
  EXPECT_TRUE(tabs->selectTabViewItemWithIdentifier("editor"));
  EXPECT_EQ(tabs->selectedTabViewItemIdentifier(), "editor");

  // The sheets' fields sit in their sheets, which give the focus to their own views only.
  auto* configurator = owner.outlet<Window>("WIN_key_configurator");
  auto* keyField = owner.outlet<TextField>("TEXT_key_configurator");
  EXPECT_EQ(keyField->window(), configurator);
  EXPECT_EQ(owner.outlet<TextField>("TEXT_set_name")->window(), owner.connected["WIN_set_name"]);
  EXPECT_TRUE(configurator->makeFirstResponder(keyField));
  EXPECT_FALSE(owner.outlet<Window>("WIN_set_name")->makeFirstResponder(keyField)) << "a view of another window";
  EXPECT_NE(configurator->windowNumber(), owner.outlet<Window>("WIN_set_name")->windowNumber());

  auto* outline = owner.outlet<OutlineView>("OLV_menu_key_bindings");
  EXPECT_EQ(outline->columnWithIdentifier("title"), 0);
  EXPECT_EQ(outline->columnWithIdentifier("Key"), 1);
  EXPECT_EQ(outline->columnWithIdentifier("key"), -1);
}

TYPED_TEST(ToolkitContract, DelayedCallsRunOnceUnlessCancelled) {
  typename TypeParam::Kit toolkit;
  RecordingTarget first;
  RecordingTarget second;
  toolkit.performAfterDelay(first, "reloadOutlines", 0.01);
  toolkit.performAfterDelay(second, "later", 0.01);
  toolkit.performAfterDelay(first, "again", -5);  // a negative delay counts as 0
  EXPECT_EQ(TypeParam::pending(toolkit), 3u);
  toolkit.cancelPreviousPerformRequestsWithTarget(second);
  EXPECT_EQ(TypeParam::pending(toolkit), 2u);
  TypeParam::runFor(toolkit, kSettleSeconds);
  EXPECT_EQ(TypeParam::pending(toolkit), 0u);
  EXPECT_EQ(first.received, (std::vector<ReceivedAction>{{"again", -1, false}, {"reloadOutlines", -1, false}}));
  EXPECT_TRUE(second.received.empty());
  TypeParam::runFor(toolkit, kSettleSeconds);
  EXPECT_EQ(first.received.size(), 2u) << "each call runs once";
}

// The pane's interface with a command tree in its menu outline:
//   0 Edit (group)  1 copy:  2 paste:  3 undo:  4 Empty (group without items)
template <class Platform>
class OutlineContract : public testing::Test {
 protected:
  void SetUp() override {
    interface_ = toolkit_.loadInterface(Bundle(QOR_RESOURCES_DIR), "KeyBindings", owner_);
    ASSERT_TRUE(interface_);
    outline_ = owner_.outlet<OutlineView>("OLV_menu_key_bindings");
    outline_->setDataSource(&source_);
    outline_->reloadData();
  }
  std::vector<std::string> titles() {
    std::vector<std::string> shown;
    for (std::int64_t row = 0; !outline_->itemAtRow(row).isNone(); ++row)
      shown.push_back(source_.outlineViewObjectValueForTableColumnByItem(*outline_, "title", outline_->itemAtRow(row)));
    return shown;
  }

  typename Platform::Kit toolkit_;
  RecordingOwner owner_{paneOutlets()};
  std::unique_ptr<LoadedInterface> interface_;
  fixtures::TreeSource source_{Array::make({
      Dictionary::make({{"title", str("Edit")}, {"items", Array::make({str("copy:"), str("paste:")})}}),
      str("undo:"),
      Dictionary::make({{"title", str("Empty")}, {"items", Array::make()}}),
  })};
  OutlineView* outline_ = nullptr;
};
TYPED_TEST_SUITE(OutlineContract, Platforms);

TYPED_TEST(OutlineContract, RowsAreTheTreeWithEveryGroupExpanded) {
  EXPECT_EQ(this->titles(), (std::vector<std::string>{"Edit", "copy:", "paste:", "undo:", "Empty"}));
  EXPECT_TRUE(this->outline_->itemAtRow(-1).isNone());
}

TYPED_TEST(OutlineContract, ASelectedItemStaysSelectedThroughAReloadAndNobodyIsTold) {
  OutlineView& outline = *this->outline_;
  EXPECT_EQ(outline.selectedRow(), -1);
  EXPECT_TRUE(outline.selectItem(outline.itemAtRow(3)));
  EXPECT_FALSE(outline.selectItem(OutlineItem{}));
  outline.reloadData();
  TypeParam::runFor(this->toolkit_, kSettleSeconds);
  EXPECT_EQ(outline.selectedRow(), 3);
  EXPECT_TRUE(this->source_.selections.empty()) << "only a person's selection is told to the source";
}

}  // namespace
}  // namespace qor
