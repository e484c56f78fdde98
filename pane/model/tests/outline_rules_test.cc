#include "qor/pane_model/outline_rules.h"

#include <gtest/gtest.h>

#include "qor/headless/menu.h"
#include "qor/key_masks.h"

namespace qor {
namespace {

ArrayRef plainKeys(std::initializer_list<char> keys) {
  std::vector<Ref> sequences;
  for (char key : keys)
    sequences.push_back(
        Array::make({Dictionary::make({{"key", str(std::string(1, key))}, {"modifiers", integer(0)}})}));
  return Array::make(std::move(sequences));
}

ArrayRef commandS() {
  return Array::make({Dictionary::make({{"modifiers", integer(kCommandKeyMask)}}),
                      Dictionary::make({{"key", str("s")}, {"modifiers", integer(kCommandKeyMask)}})});
}

TEST(OutlineRulesTest, KindsOfMenuItemsAndEditorNodes) {
  SimpleMenu menu("");
  menu.addSubmenu("File");
  SimpleMenuItem& own = menu.addItem("Export", "export:", std::nullopt, 0);
  own.setSubmenu(std::make_unique<SimpleMenu>("Export"));
  menu.addItem("Orphan", std::string(kSubmenuAction), std::nullopt, 0);
  menu.addItem("Save", "save:", std::nullopt, 0);
  menu.addItem("No action");
  menu.addSeparator();

  const RowKind expected[] = {RowKind::MenuSubmenuHolder, RowKind::MenuCommandHolder, RowKind::MenuSubmenuAction,
                              RowKind::MenuCommand,       RowKind::MenuCommand,       RowKind::MenuSeparator};
  ASSERT_EQ(menu.numberOfItems(), std::size(expected));
  for (std::size_t index = 0; index < menu.numberOfItems(); ++index)
    EXPECT_EQ(rowKindOfMenuItem(menu.itemAtIndex(index)), expected[index]) << index;
  EXPECT_EQ(rowKindOfMenuItem(nullptr), RowKind::Missing);

  EXPECT_EQ(rowKindOfEditorNode(Dictionary::make()), RowKind::EditorGroup);
  EXPECT_EQ(rowKindOfEditorNode(str("moveLeft:")), RowKind::EditorCommand);
  EXPECT_EQ(rowKindOfEditorNode(integer(3)), RowKind::EditorCommand);  // not a dictionary: a leaf
  EXPECT_EQ(rowKindOfEditorNode(nullptr), RowKind::Missing);
}

TEST(OutlineRulesTest, ShortcutsTextJoinsInStoredOrder) {
  EXPECT_EQ(shortcutsText(nullptr), " ");
  EXPECT_EQ(shortcutsText(Array::make()), " ");
  EXPECT_EQ(shortcutsText(plainKeys({'c', 'a'})), "C , A");
  EXPECT_EQ(shortcutsText(Array::make({commandS()})), "⌘S");
  // A stored element that is no sequence renders empty, in its place.
  EXPECT_EQ(shortcutsText(Array::make({commandS(), str("junk"), commandS()})), "⌘S ,  , ⌘S");
}

TEST(OutlineRulesTest, KeyCellsShowTheDesktopNotationAsTooltip) {
  struct Case {
    RowKind kind;
    std::string_view column;
    ArrayRef sequences;
    const char* toolTip;
  };
  const Case cases[] = {
      {RowKind::MenuCommand, kKeyColumn, Array::make({commandS()}), "Ctrl+S"},
      {RowKind::EditorCommand, kKeyColumn, plainKeys({'c', 'a'}), "C | A"},
      {RowKind::MenuCommandHolder, kKeyColumn, Array::make({commandS()}), "Ctrl+S"},
      {RowKind::MenuCommand, kKeyColumn, nullptr, ""},
      {RowKind::MenuCommand, kTitleColumn, Array::make({commandS()}), ""},
      {RowKind::MenuSubmenuAction, kKeyColumn, Array::make({commandS()}), ""},  // its cell stays blank
      {RowKind::EditorGroup, kKeyColumn, Array::make({commandS()}), ""},
      {RowKind::Missing, kKeyColumn, Array::make({commandS()}), ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(cellToolTip(c.kind, c.column, c.sequences), c.toolTip) << static_cast<int>(c.kind) << c.column;
}

TEST(OutlineRulesTest, SelectionChangeBySystemVersion) {
  // 10.3 (0x1030) up to 10.4.x (0x104x) stay quiet; 10.5 (0x1050) opens again.
  struct Case {
    std::int32_t version;
    SelectionChangeResponse response;
  };
  const Case cases[] = {
      {0, SelectionChangeResponse::OpenEditMenu},         {0x1028, SelectionChangeResponse::OpenEditMenu},
      {0x102F, SelectionChangeResponse::OpenEditMenu},    {0x1030, SelectionChangeResponse::Nothing},
      {0x1048, SelectionChangeResponse::Nothing},         {0x104F, SelectionChangeResponse::Nothing},
      {0x1050, SelectionChangeResponse::OpenEditMenu},    {0x610, SelectionChangeResponse::OpenEditMenu},
      {-1, SelectionChangeResponse::OpenEditMenu},        {0x99999, SelectionChangeResponse::OpenEditMenu},
  };
  for (const Case& c : cases) EXPECT_EQ(selectionChangeResponse(c.version), c.response) << std::hex << c.version;
}

TEST(OutlineRulesTest, EditMenuItems) {
  const std::vector<EditMenuItem> onlyAdd = {{"Add", 0, kAddShortcutAction}};
  EXPECT_EQ(editMenuItems(nullptr, "Add", "Remove '%@'"), onlyAdd);
  EXPECT_EQ(editMenuItems(Array::make(), "Add", "Remove '%@'"), onlyAdd);

  const std::vector<EditMenuItem> three = {{"Add", 0, kAddShortcutAction},
                                           {"Remove 'A'", 0, kRemoveShortcutAction},
                                           {"Remove 'B'", 1, kRemoveShortcutAction},
                                           {"Remove 'A'", 2, kRemoveShortcutAction}};
  EXPECT_EQ(editMenuItems(plainKeys({'a', 'b', 'a'}), "Add", "Remove '%@'"), three);
  // The format comes from the translation table.
  EXPECT_EQ(editMenuItems(Array::make({commandS()}), "Ajouter", "Supprimer « %@ »")[1].title, "Supprimer « ⌘S »");
}

}  // namespace
}  // namespace qor
