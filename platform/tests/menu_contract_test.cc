// What every main menu promises the pane, checked once over the headless
// menu and the Qt menu bar alike: both read a description the same way.
#include <gtest/gtest.h>

#include <QMenuBar>

#include "qor/headless/menu.h"
#include "qor/qt/main_menu.h"

namespace qor {
namespace {

struct HeadlessMenus {
  std::unique_ptr<Menu> build(const Ref& description) { return menuFromPropertyList(description); }
};

struct QtMenus {
  QMenuBar bar;
  std::unique_ptr<Menu> build(const Ref& description) { return QtMainMenu::build(description, bar); }
};

template <class Menus>
class MenuFromPropertyList : public testing::Test {
 protected:
  Menus menus;
};
using MenuKinds = testing::Types<HeadlessMenus, QtMenus>;
TYPED_TEST_SUITE(MenuFromPropertyList, MenuKinds);

Ref item(std::vector<Dictionary::Entry> entries) { return Dictionary::make(std::move(entries)); }

TYPED_TEST(MenuFromPropertyList, BuildsNestedMenus) {
  auto description = Array::make({
      item({{"title", str("File")},
            {"submenu", Array::make({
                            item({{"title", str("Save")}, {"action", str("saveDocument:")},
                                  {"target", str("Document")}, {"tag", integer(-2)}}),
                            item({{"separator", boolean(true)}, {"title", str("ignored")}}),
                            item({{"title", str("Recent")},
                                  {"action", str("openRecent:")},
                                  {"submenu", Array::make({item({{"title", str("a.txt")}})})}}),
                        })}}),
      item({{"title", str("Help")}, {"separator", boolean(false)}}),
  });
  auto menu = this->menus.build(description);
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->numberOfItems(), 2u);

  const MenuItem* file = menu->itemAtIndex(0);
  EXPECT_EQ(file->actionName(), kSubmenuAction) << "a submenu holder without an action of its own";
  ASSERT_NE(file->submenu(), nullptr);
  EXPECT_EQ(file->submenu()->title(), "File");
  const MenuItem* save = file->submenu()->itemAtIndex(0);
  EXPECT_EQ(save->title(), "Save");
  EXPECT_EQ(save->actionName(), "saveDocument:");
  EXPECT_EQ(save->targetClassName(), "Document");
  EXPECT_EQ(save->tag(), -2);
  const MenuItem* separator = file->submenu()->itemAtIndex(1);
  EXPECT_TRUE(separator->isSeparatorItem());
  EXPECT_EQ(separator->title(), "");
  const MenuItem* recent = file->submenu()->itemAtIndex(2);
  EXPECT_EQ(recent->actionName(), "openRecent:") << "a holder with a command of its own keeps it";
  EXPECT_EQ(recent->submenu()->itemAtIndex(0)->title(), "a.txt");

  const MenuItem* help = menu->itemAtIndex(1);
  EXPECT_FALSE(help->isSeparatorItem());
  EXPECT_EQ(help->actionName(), std::nullopt);
  EXPECT_EQ(help->targetClassName(), std::nullopt);
  EXPECT_EQ(help->submenu(), nullptr);
  EXPECT_EQ(menu->itemAtIndex(2), nullptr);
}

TYPED_TEST(MenuFromPropertyList, MalformedDescriptionsGiveNull) {
  struct Case {
    const char* what;
    Ref description;
  };
  const Case cases[] = {
      {"null", nullptr},
      {"not an array", item({{"title", str("File")}})},
      {"element not a dictionary", Array::make({str("File")})},
      {"title not a string", Array::make({item({{"title", integer(1)}})})},
      {"action not a string", Array::make({item({{"action", boolean(true)}})})},
      {"target not a string", Array::make({item({{"target", Array::make()}})})},
      {"tag a string", Array::make({item({{"tag", str("3")}})})},
      {"tag a boolean", Array::make({item({{"tag", boolean(true)}})})},
      {"tag a real", Array::make({item({{"tag", real(1.5)}})})},
      {"separator an integer", Array::make({item({{"separator", integer(1)}})})},
      {"submenu not an array", Array::make({item({{"submenu", item({})}})})},
      {"malformed two levels down",
       Array::make({item({{"submenu", Array::make({item({{"submenu", Array::make({str("x")})}})})}})})},
  };
  for (const auto& c : cases) EXPECT_EQ(this->menus.build(c.description), nullptr) << c.what;
  EXPECT_NE(this->menus.build(Array::make()), nullptr) << "an empty menu is fine";
}

}  // namespace
}  // namespace qor
