// The Qt main menu against the headless menu built from the same description.
#include "qor/qt/main_menu.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include "qor/headless/menu.h"
#include "qor/key_notation.h"
#include "qor/plist_file.h"

namespace qor {
namespace {

// Both menus describe the same items, at every depth.
void expectSameMenus(const Menu& actual, const Menu& expected, const std::string& path) {
  ASSERT_EQ(actual.numberOfItems(), expected.numberOfItems()) << path;
  for (std::size_t index = 0; index < expected.numberOfItems(); ++index) {
    const MenuItem* a = actual.itemAtIndex(index);
    const MenuItem* e = expected.itemAtIndex(index);
    const std::string here = path + "/" + e->title();
    EXPECT_EQ(a->title(), e->title()) << here;
    EXPECT_EQ(a->actionName(), e->actionName()) << here;
    EXPECT_EQ(a->targetClassName(), e->targetClassName()) << here;
    EXPECT_EQ(a->tag(), e->tag()) << here;
    EXPECT_EQ(a->isSeparatorItem(), e->isSeparatorItem()) << here;
    EXPECT_EQ(identifierForMenuItem(a), identifierForMenuItem(e)) << here;
    ASSERT_EQ(a->submenu() != nullptr, e->submenu() != nullptr) << here;
    if (e->submenu()) expectSameMenus(*a->submenu(), *e->submenu(), here);
  }
  EXPECT_EQ(actual.itemAtIndex(expected.numberOfItems()), nullptr) << path;
}

TEST(QtMainMenu, ReadsTheHostsMenuDescriptionAsTheHeadlessMenuDoes) {
  Ref description = readPropertyListFile(QOR_SOURCE_DIR "/apps/editor/resources/MainMenu.plist");
  ASSERT_TRUE(description);
  QMenuBar bar;
  auto menu = QtMainMenu::build(description, bar);
  auto expected = menuFromPropertyList(description);
  ASSERT_TRUE(menu);
  ASSERT_TRUE(expected);
  expectSameMenus(*menu, *expected, "");
  EXPECT_EQ(bar.actions().size(), static_cast<qsizetype>(expected->numberOfItems()));

  // Every item but separators has its action, in menu order; the titles of
  // menus are commands of their own.
  std::vector<QtMainMenu::Command> commands = menu->commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.front().item->title(), "File");
  EXPECT_EQ(commands.front().action, bar.actions().front());
  for (const auto& command : commands) {
    EXPECT_FALSE(command.item->isSeparatorItem());
    ASSERT_TRUE(command.action);
    EXPECT_EQ(command.action->text().replace("&&", "&").toStdString(), command.item->title());
  }
}

// How items, separators and submenus are read is the menu contract's; here,
// that Qt's mnemonic marker never shows in a title, nor the shortcut a host
// shows after a tab.
TEST(QtMainMenu, TitlesShowAmpersands) {
  QMenuBar bar;
  auto menu = QtMainMenu::build(
      Array::make({Dictionary::make({{"title", str("Find & Replace")},
                                     {"submenu", Array::make({Dictionary::make({{"title", str("R&D")}})})}})}),
      bar);
  ASSERT_TRUE(menu);
  EXPECT_EQ(menu->itemAtIndex(0)->title(), "Find & Replace");
  EXPECT_EQ(menu->itemAtIndex(0)->submenu()->itemAtIndex(0)->title(), "R&D");
  EXPECT_EQ(bar.actions().front()->text(), "Find && Replace");
  bar.actions().front()->setText("Find && Replace\tCtrl+F");
  EXPECT_EQ(menu->itemAtIndex(0)->title(), "Find & Replace");

  // A description that fails below its first level leaves no menu behind.
  QMenuBar untouched;
  EXPECT_FALSE(QtMainMenu::build(Array::make({Dictionary::make({{"submenu", Array::make({integer(1)})}})}), untouched));
  EXPECT_TRUE(untouched.actions().isEmpty());
}

}  // namespace
}  // namespace qor
