// The shipped resources: the pane's editing-command table and its titles, and
// the host's main menu, shortcut table, menu layout and editing bindings,
// which together make the host's default set.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "qor/pane_model/conflicts.h"
#include "qor/command_trees.h"
#include "qor/defaults/defaults.h"
#include "qor/headless/host.h"
#include "qor/headless/menu.h"
#include "qor/headless/toolkit.h"
#include "qor/host/default_set.h"
#include "qor/key_bindings.h"
#include "qor/key_notation.h"
#include "qor/keymaps/keymap_import.h"
#include "qor/log.h"
#include "qor/plist_file.h"

namespace qor {
namespace {

const std::string kPaneBundle = QOR_RESOURCES_DIR;
const std::string kHostBundle = std::string(QOR_SOURCE_DIR) + "/apps/editor/resources";
constexpr std::size_t kMinimumCommands = 60;
constexpr std::size_t kMinimumGroups = 6;
constexpr std::size_t kMinimumMenuItems = 60;

struct EditorTable {
  std::vector<std::string> commands;
  std::vector<std::string> groups;
};

EditorTable readEditorTable() {
  EditorTable table;
  std::function<void(const ArrayRef&)> walk = [&](const ArrayRef& nodes) {
    if (!nodes) return;
    for (const Ref& node : nodes->elements()) {
      if (auto name = asString(node)) {
        table.commands.push_back(name->value());
      } else if (auto group = asDictionary(node)) {
        table.groups.push_back(group->stringForKey("title")->value());
        walk(group->arrayForKey("items"));
      } else {
        ADD_FAILURE() << "a node that is neither a command nor a group: " << describe(node);
      }
    }
  };
  walk(asArray(readPropertyListFile(kPaneBundle + "/" + kEditorTableResource)));
  return table;
}

std::unique_ptr<SimpleMenu> readMainMenu() {
  return menuFromPropertyList(readPropertyListFile(kHostBundle + "/" + kMainMenuResource));
}

void forEachItem(const Menu& menu, const std::function<void(const MenuItem&)>& visit) {
  for (std::size_t i = 0; i < menu.numberOfItems(); ++i) {
    const MenuItem* item = menu.itemAtIndex(i);
    visit(*item);
    if (item->submenu()) forEachItem(*item->submenu(), visit);
  }
}

TEST(ShippedResources, EditingCommandsHaveTitles) {
  EditorTable table = readEditorTable();
  EXPECT_GE(table.commands.size(), kMinimumCommands);
  EXPECT_GE(table.groups.size(), kMinimumGroups);
  EXPECT_EQ(std::set<std::string>(table.commands.begin(), table.commands.end()).size(), table.commands.size())
      << "a command is listed twice";

  auto bytes = FileSystem::real().readFile(kPaneBundle + "/locale/en/EditorMenuTitles.po");
  ASSERT_TRUE(bytes);
  auto titles = parsePoText(std::string(bytes->begin(), bytes->end()));
  for (const auto* names : {&table.commands, &table.groups})
    for (const std::string& name : *names) EXPECT_TRUE(titles.count(name)) << name << " has no English title";
  Bundle pane(kPaneBundle, std::vector<std::string>{"en"});
  EXPECT_EQ(pane.localizedStringForKeyValueTable("moveWordForward:", "", kEditorTitlesTable), "Move Word Forward");
}

TEST(ShippedResources, ExtrasTableHoldsTheAddedControlsTexts) {
  auto bytes = FileSystem::real().readFile(kPaneBundle + "/locale/en/Extras.po");
  ASSERT_TRUE(bytes);
  std::set<std::string> keys;
  for (const auto& [key, value] : parsePoText(std::string(bytes->begin(), bytes->end()))) {
    keys.insert(key);
    EXPECT_EQ(value, key);
  }
  for (const char* key : {kPrefixLongerFormat, kPrefixItemFormat, kPrefixShorterFormat, "Keys", "All Conflicts",
                          "No two commands share a shortcut."})
    EXPECT_TRUE(keys.contains(key)) << key;
  Bundle pane(kPaneBundle, std::vector<std::string>{"en"});
  EXPECT_EQ(pane.localizedStringForKeyValueTable(kPrefixItemFormat, "", kExtrasTable), kPrefixItemFormat);
}

TEST(ShippedResources, MainMenuHasTheHostsMenus) {
  auto menu = readMainMenu();
  ASSERT_TRUE(menu);
  std::vector<std::string> titles;
  for (std::size_t i = 0; i < menu->numberOfItems(); ++i) titles.push_back(menu->itemAtIndex(i)->title());
  EXPECT_EQ(titles, (std::vector<std::string>{"File", "Edit", "Format", "View", "Window", "Help"}));

  std::size_t items = 0, separators = 0, holders = 0, holdersWithCommand = 0, hotKeys = 0;
  forEachItem(*menu, [&](const MenuItem& item) {
    ++items;
    separators += item.isSeparatorItem();
    if (item.submenu()) (item.actionName() == kSubmenuAction ? holders : holdersWithCommand)++;
    hotKeys += item.actionName() == kHotKeyAction;
  });
  EXPECT_GE(items, kMinimumMenuItems);
  EXPECT_GT(separators, 0u);
  EXPECT_GT(holders, 0u);
  EXPECT_EQ(holdersWithCommand, 1u);
  EXPECT_EQ(hotKeys, 1u);
}

class DefaultSet : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(menu);
    LogCapture log;
    set = buildDefaultKeyBindingsSet(*menu, hostBundle);
    ASSERT_TRUE(set);
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();  // no menu key twice in the table
    menuPart = set->dictionaryForKey(kSetMenuKey);
    editorPart = set->dictionaryForKey(kSetEditorKey);
    ASSERT_TRUE(menuPart && editorPart);
  }

  std::unique_ptr<SimpleMenu> menu = readMainMenu();
  Bundle hostBundle{kHostBundle, std::vector<std::string>{"en"}};
  DictionaryRef set, menuPart, editorPart;
};

TEST_F(DefaultSet, EveryBindableMenuItemHasAnEntryWithItsTitle) {
  std::set<std::string> identifiers;
  forEachItem(*menu, [&](const MenuItem& item) {
    std::optional<std::string> identifier = identifierForMenuItem(&item);
    if (!identifier || !item.actionName()) return;
    identifiers.insert(*identifier);
    auto entry = menuPart->dictionaryForKey(*identifier);
    ASSERT_TRUE(entry) << *identifier;
    EXPECT_EQ(entry->stringForKey(kEntryTitleKey)->value(), item.title());
  });
  EXPECT_EQ(menuPart->count(), identifiers.size());
  EXPECT_EQ(set->stringForKey(kSetNameKey)->value(), "Default");
}

TEST_F(DefaultSet, ShortcutsAreTheDesktopOnes) {
  struct Case {
    const char* identifier;
    const char* shown;
  };
  const Case cases[] = {
      {"[saveDocument:] [] [0]", "\u2318S"},
      {"[saveDocumentAs:] [] [0]", "\u21E7\u2318S"},
      {"[undo:] [] [0]", "\u2318Z"},
      {"[redo:] [] [0]", "\u21E7\u2318Z"},
      {"[performFindPanelAction:] [] [2]", "\u2318G"},
      {"[orderFrontFontPanel:] [] [0]", "\u2318T"},  // the holder with a command of its own
      {"[bringQORtoFront:] [HotKeyController] [0]", "\u2303\u2325E"},
  };
  for (const Case& c : cases) {
    auto entry = menuPart->dictionaryForKey(c.identifier);
    ASSERT_TRUE(entry) << c.identifier;
    auto sequences = entry->arrayForKey(kKeySequencesKey);
    ASSERT_TRUE(sequences && sequences->count() == 1) << c.identifier;
    EXPECT_EQ(stringFromKeySequence(asArray(sequences->objectAtIndex(0))), c.shown);
  }
  // A command without a shortcut has a title only.
  EXPECT_FALSE(menuPart->dictionaryForKey("[revertDocumentToSaved:] [] [0]")->containsKey(kKeySequencesKey));
}

TEST_F(DefaultSet, EditorPartCoversTheTableInTheStoredForm) {
  EditorTable table = readEditorTable();
  EXPECT_EQ(editorPart->allKeys().size(), table.commands.size());
  for (const std::string& name : table.commands) {
    auto entry = editorPart->dictionaryForKey(name);
    ASSERT_TRUE(entry) << name;
    auto sequences = entry->arrayForKey(kKeySequencesKey);
    ASSERT_TRUE(sequences) << name;
    for (const Ref& value : sequences->elements()) {
      // A modifier-only stroke exactly when the key stroke has modifiers.
      auto sequence = asArray(value);
      ASSERT_TRUE(sequence && !sequence->empty()) << name;
      auto keyStroke = asDictionary(sequence->elements().back());
      ASSERT_TRUE(keyStroke->stringForKey(kStrokeKeyKey)) << name;
      std::int64_t modifiers = keyStroke->numberForKey(kStrokeModifiersKey)->integerValue();
      ASSERT_EQ(sequence->count(), modifiers ? 2u : 1u) << name;
      if (modifiers) {
        EXPECT_EQ(asDictionary(sequence->objectAtIndex(0))->numberForKey(kStrokeModifiersKey)->integerValue(),
                  modifiers)
            << name;
      }
    }
  }
}

TEST_F(DefaultSet, NoTwoCommandsShareAShortcutUnlessTheirContextsDiffer) {
  std::vector<Ref> contexts{nullptr};
  for (const auto& [name, value] : editorPart->entries())
    if (Ref context = asDictionary(value)->objectForKey(kEntryContextKey))
      if (std::none_of(contexts.begin(), contexts.end(), [&](const Ref& c) { return isEqual(c, context); }))
        contexts.push_back(context);

  std::size_t sharedAcrossContexts = 0;
  for (const DictionaryRef& group : {menuPart, editorPart}) {
    for (const auto& [key, value] : group->entries()) {
      auto entry = asDictionary(value);
      auto sequences = entry->arrayForKey(kKeySequencesKey);
      if (!sequences) continue;
      // Menu commands are searched without a context.
      Ref context = group == editorPart ? entry->objectForKey(kEntryContextKey) : nullptr;
      for (const Ref& sequence : sequences->elements()) {
        EXPECT_EQ(conflictingEntryKeys(group, *asArray(sequence), context), std::vector<std::string>{key})
            << key << " " << stringFromKeySequence(asArray(sequence));
        std::size_t holders = 0;
        for (const Ref& any : contexts) holders += conflictingEntryKeys(group, *asArray(sequence), any).size();
        sharedAcrossContexts += holders > 1;
      }
    }
  }
  EXPECT_GT(sharedAcrossContexts, 0u);
}

// Reads fail for the file whose name ends with `failing`.
class FailingFileSystem final : public FileSystem {
 public:
  explicit FailingFileSystem(std::string failing) : failing_(std::move(failing)) {}
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
    if (path.ends_with(failing_)) return std::nullopt;
    return FileSystem::real().readFile(path);
  }
  bool writeFileAtomically(const std::string&, const std::vector<std::uint8_t>&) override { return false; }

 private:
  std::string failing_;
};

TEST_F(DefaultSet, AMissingResourceGivesNoSet) {
  for (const char* resource : {kShortcutTableResource, kMenuLayoutResource, kDefaultEditorBindingsResource}) {
    LogCapture log;
    FailingFileSystem fs(resource);
    EXPECT_EQ(buildDefaultKeyBindingsSet(*menu, hostBundle, fs), nullptr) << resource;
    EXPECT_EQ(log.lines(), std::vector<std::string>{"*** buildDefaultKeyBindingsSet: cannot read " +
                                                    std::string(resource) + " from " + kHostBundle});
  }
  // The pane's bundle has none of them.
  LogCapture log;
  EXPECT_EQ(buildDefaultKeyBindingsSet(*menu, Bundle(kPaneBundle)), nullptr);
}

TEST_F(DefaultSet, KeymapCommandsNameTheHostsCommands) {
  DictionaryRef table = asDictionary(readPropertyListFile(kPaneBundle + "/" + kKeymapCommandsResource));
  ASSERT_TRUE(table);
  for (const char* kind : {"vscode", "jetbrains", "kde", "qtcreator", "sublime"}) {
    DictionaryRef commands = table->dictionaryForKey(kind);
    ASSERT_TRUE(commands && !commands->empty()) << kind;
    for (const auto& [foreign, ours] : commands->entries()) {
      StringRef name = asString(ours);
      EXPECT_TRUE(name && (menuPart->containsKey(name->value()) || editorPart->containsKey(name->value())))
          << kind << ": " << foreign << " -> " << describe(ours);
    }
  }
}

TEST_F(DefaultSet, ThePaneShowsTheShippedTables) {
  HeadlessToolkit toolkit;
  HeadlessApplication application(toolkit.journal());
  application.setMainMenu(readMainMenu());
  MemoryDefaults store;
  HeadlessPanel panel(store, set, toolkit.journal());
  PaneServices services;
  services.toolkit = &toolkit;
  services.application = &application;
  services.bundle = std::make_shared<const Bundle>(kPaneBundle, std::vector<std::string>{"en"});
  KeyBindings pane(std::move(services));
  ASSERT_NE(pane.initWithPanel(&panel), nullptr);
  toolkit.advance(1);

  EditorTable table = readEditorTable();
  const auto& rows = toolkit.find<HeadlessOutlineView>("OLV_editor_key_bindings")->rows();
  EXPECT_EQ(rows.size(), table.commands.size() + table.groups.size());
  bool shownWithShortcut = false;
  for (const OutlineRow& row : rows)
    shownWithShortcut |= row.title == "Move Word Right" && row.key == "\u2318\u2192";
  EXPECT_TRUE(shownWithShortcut);
}

}  // namespace
}  // namespace qor
