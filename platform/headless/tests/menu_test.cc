#include "qor/headless/menu.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(SimpleMenu, SubmenusBuiltInCodeUseSubmenuActionUnlessGivenOne) {
  SimpleMenu bar("");
  SimpleMenu& file = bar.addSubmenu("File");
  file.addItem("Save", "saveDocument:", "Document", 0);
  file.addSeparator();
  SimpleMenuItem& find = file.addItem("Find", "performFindPanelAction:");
  find.setSubmenu(std::make_unique<SimpleMenu>("Find"))->addItem("Find Next");
  EXPECT_EQ(bar.itemAtIndex(0)->actionName(), kSubmenuAction);
  EXPECT_EQ(bar.itemAtIndex(0)->submenu(), &file);
  EXPECT_EQ(file.numberOfItems(), 3u);
  EXPECT_TRUE(file.itemAtIndex(1)->isSeparatorItem());
  EXPECT_EQ(file.itemAtIndex(2)->actionName(), "performFindPanelAction:");
  EXPECT_EQ(file.itemAtIndex(2)->submenu()->numberOfItems(), 1u);
  EXPECT_EQ(menuFromPropertyList(Array::make(), "Main")->title(), "Main");
}

}  // namespace
}  // namespace qor
