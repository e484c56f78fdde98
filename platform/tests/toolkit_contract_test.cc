// What every toolkit promises the pane, checked once over the headless and
// the Qt implementation alike: the pane's interface, its pop-up, its sheets,
// its outline views and the delayed calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include <QComboBox>
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
  static void choose(PopUpButton& popUp, std::size_t index) { static_cast<HeadlessPopUpButton&>(popUp).chooseItem(index); }
  static bool isOpen(const Kit& kit, const Window& sheet) { return kit.isSheetOpen(sheet); }
};

struct OnQt {
  using Kit = QtToolkit;
  static void runFor(Kit&, double seconds) { QTest::qWait(static_cast<int>(seconds * kMillisecondsPerSecond)); }
  static std::size_t pending(const Kit& kit) { return kit.pendingRequestCount(); }
  // As a person's choice arrives: the combo box's signal, then the event loop.
  static void choose(PopUpButton& popUp, std::size_t index) {
    Q_EMIT qobject_cast<QComboBox*>(QtToolkit::widgetOf(&popUp))->activated(static_cast<int>(index));
    QCoreApplication::sendPostedEvents();
  }
  static bool isOpen(const Kit& kit, const Window& sheet) {
    auto names = kit.openSheetNames();
    return std::find(names.begin(), names.end(), sheet.objectName()) != names.end();
  }
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

// The pane's interface as the toolkit under test loads it.
template <class Platform>
class PaneContract : public testing::Test {
 protected:
  void SetUp() override {
    interface_ = toolkit_.loadInterface(Bundle(QOR_RESOURCES_DIR), "KeyBindings", owner_);
    ASSERT_TRUE(interface_);
  }
  typename Platform::Kit toolkit_;
  RecordingOwner owner_{paneOutlets()};
  std::unique_ptr<LoadedInterface> interface_;
};
TYPED_TEST_SUITE(PaneContract, Platforms);

TYPED_TEST(PaneContract, ThePaneInterfaceConnectsEveryOutletAsDeclared) {
  RecordingOwner& owner = this->owner_;
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

// Items retitled after they were added may share a title; adding one an
// item has is refused. Selecting in code sends nothing; a choice sends the
// item's action.
TYPED_TEST(PaneContract, APopUpRefusesATitleItHasAndAChoiceSendsTheItemsAction) {
  auto* sets = this->owner_.template outlet<PopUpButton>("PUB_sets");
  RecordingTarget pane;
  sets->addItemWithTitle("Default");
  sets->addItemWithTitle("Default");
  ASSERT_EQ(sets->numberOfItems(), 1u);
  EXPECT_EQ(sets->indexOfSelectedItem(), 0) << "the first item is selected";
  for (std::int64_t tag : {10, 9}) {
    sets->addItemWithTitle("");
    sets->lastItem()->setTitle("Mine");
    sets->lastItem()->setTag(tag);
    sets->lastItem()->setTargetAction({&pane, "loadKeyBindingsSet:"});
  }
  ASSERT_EQ(sets->numberOfItems(), 3u);
  EXPECT_TRUE(sets->selectItemWithTag(9));
  EXPECT_FALSE(sets->selectItemWithTag(7));
  EXPECT_EQ(sets->indexOfSelectedItem(), 2);
  TypeParam::choose(*sets, 1);
  EXPECT_EQ(sets->indexOfSelectedItem(), 1);
  EXPECT_EQ(pane.received, (std::vector<ReceivedAction>{{"loadKeyBindingsSet:", 10, true}}));
  sets->removeAllItems();
  EXPECT_EQ(sets->indexOfSelectedItem(), -1);
}

// A second begin while a sheet is open and a second end are ignored: didEnd
// runs once, with the first code, and may open the sheet again.
TYPED_TEST(PaneContract, ASheetEndsOnceWithItsCodeAndDidEndMayOpenItAgain) {
  auto& kit = this->toolkit_;
  auto& sheet = *this->owner_.template outlet<Window>("WIN_set_name");
  std::vector<int> ended;
  kit.beginSheet(sheet, nullptr, [&](int code) { ended.push_back(code); });
  kit.beginSheet(sheet, nullptr, [&](int) { ended.push_back(-1); });
  EXPECT_TRUE(TypeParam::isOpen(kit, sheet));
  kit.endSheet(sheet, kReturnCodeOK);
  kit.endSheet(sheet, kReturnCodeCancel);
  TypeParam::runFor(kit, kSettleSeconds);
  EXPECT_EQ(ended, std::vector<int>{kReturnCodeOK});
  EXPECT_FALSE(TypeParam::isOpen(kit, sheet));

  std::function<void(int)> reopenOnce = [&](int code) {
    ended.push_back(code);
    if (ended.size() == 2) kit.beginSheet(sheet, nullptr, reopenOnce);
  };
  kit.beginSheet(sheet, nullptr, reopenOnce);
  kit.endSheet(sheet, kReturnCodeOK);
  TypeParam::runFor(kit, kSettleSeconds);
  EXPECT_TRUE(TypeParam::isOpen(kit, sheet)) << "opened again by didEnd";
  kit.endSheet(sheet, kReturnCodeCancel);
  TypeParam::runFor(kit, kSettleSeconds);
  EXPECT_EQ(ended, (std::vector<int>{kReturnCodeOK, kReturnCodeOK, kReturnCodeCancel}));
  EXPECT_FALSE(TypeParam::isOpen(kit, sheet));
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
class OutlineContract : public PaneContract<Platform> {
 protected:
  void SetUp() override {
    PaneContract<Platform>::SetUp();
    outline_ = this->owner_.template outlet<OutlineView>("OLV_menu_key_bindings");
    outline_->setDataSource(&source_);
    outline_->reloadData();
  }
  std::vector<std::string> titles() {
    std::vector<std::string> shown;
    for (std::int64_t row = 0; !outline_->itemAtRow(row).isNone(); ++row)
      shown.push_back(source_.outlineViewObjectValueForTableColumnByItem(*outline_, "title", outline_->itemAtRow(row)));
    return shown;
  }

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
