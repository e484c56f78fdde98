// Choosing, duplicating, removing, exporting and importing sets, on the
// headless platform; python3's plistlib is the oracle for the files.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "headless_pane.h"
#include "view_mapping.h"
#include "qor/collections.h"
#include "qor/testing/oracles.h"

namespace qor::pane_test {
namespace {

using fixtures::runPython;

// Reads an XML property list with plistlib (refusing any other format) and
// writes it back in plistlib's binary format.
constexpr const char* kReadXmlWriteBinary = R"(
import plistlib, sys
data = open(sys.argv[1], "rb").read()
value = plistlib.loads(data, fmt=plistlib.FMT_XML)
open(sys.argv[2], "wb").write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY))
print(value["name"])
)";

// Writes a binary set file with plistlib: a name, one menu entry holding
// Command-Option-K, and an empty "editor".
constexpr const char* kWriteBinarySet = R"(
import plistlib, sys
stroke = [{"modifiers": 0x180000}, {"key": "k", "unichar": 107, "code": 45, "modifiers": 0x180000}]
save = {"title": "Save", "key sequences": [stroke]}
value = {"name": "From Python", "menu": {"[saveDocument:] [Document] [0]": save}, "editor": {}}
open(sys.argv[1], "wb").write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY))
)";

DictionaryRef pythonSet() {
  auto strokes = Array::make({Dictionary::make({{"modifiers", integer(0x180000)}}),
                              Dictionary::make({{"key", str("k")},
                                                {"unichar", integer(107)},
                                                {"code", integer(45)},
                                                {"modifiers", integer(0x180000)}})});
  auto save = Dictionary::make({{"title", str("Save")}, {"key sequences", Array::make({strokes})}});
  return Dictionary::make(
      {{"name", str("From Python")}, {"menu", Dictionary::make({{kSaveId, save}})}, {"editor", Dictionary::make()}});
}

class SetManagementTest : public ::testing::Test {
 protected:
  // One field of every item of the sets pop-up: its title or its tag.
  template <class Field>
  std::vector<Field> popUp(Field ItemState::*field) {
    std::vector<Field> values;
    for (const ItemState& item : host.sets().items()) values.push_back(item.*field);
    return values;
  }
  DictionaryRef storedSet(std::int64_t number) {
    return asDictionary(host.pane->keyBindingsSets()->objectForKey(std::to_string(number)));
  }
  void importFiles(std::vector<std::string> paths) {
    host.toolkit.scriptOpenPanel({kReturnCodeOK, std::move(paths)});
    host.button("BTN_kb_import_set").performClick();
  }
  std::string writeSetFile(const std::string& name, const DictionaryRef& set) {
    std::string path = files.file(name);
    EXPECT_TRUE(writePropertyListFile(set, path));
    return path;
  }

  HeadlessPane host;
  TemporaryFolder files;
};

TEST_F(SetManagementTest, DuplicatingTheDefaultSetUnderABlankName) {
  host.button("BTN_kb_duplicate_set").performClick();
  Window* sheet = host.pane->WIN_set_name;
  ASSERT_TRUE(host.toolkit.isSheetOpen(*sheet));
  EXPECT_EQ(host.toolkit.openSheets()[0].parent, host.pane->VIEW_key_bindings->window());
  EXPECT_EQ(sheet->firstResponder(), host.pane->TEXT_set_name);
  HeadlessButton& ok = host.button("BTN_set_name_OK");
  EXPECT_FALSE(ok.isEnabled());

  // Enabled exactly while the name is not empty; a blank counts.
  struct Step {
    const char* text;
    bool enabled;
  };
  for (Step step : {Step{" ", true}, Step{"", false}, Step{"x", true}, Step{"", false}, Step{" ", true}}) {
    host.field("TEXT_set_name").typeText(step.text);
    EXPECT_EQ(ok.isEnabled(), step.enabled) << "'" << step.text << "'";
  }
  // Other fields do not count.
  host.field("TEXT_key_configurator").typeText("");
  EXPECT_TRUE(ok.isEnabled());

  ok.performClick();
  EXPECT_FALSE(host.toolkit.isSheetOpen(*sheet));
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
  DictionaryRef copy = storedSet(kClock);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy, host.pane->currentKeyBindingsSet());
  EXPECT_EQ(copy->stringForKey(kSetNameKey)->value(), " ");  // as typed, not trimmed
  DictionaryRef defaults = makeDefaultSet();
  EXPECT_TRUE(isEqual(copy->objectForKey(kSetMenuKey), defaults->objectForKey(kSetMenuKey)));
  EXPECT_TRUE(isEqual(copy->objectForKey(kSetEditorKey), defaults->objectForKey(kSetEditorKey)));
  // Deep and mutable down to the sequences, and sharing nothing with the host's set.
  auto save = asDictionary(copy->dictionaryForKey(kSetMenuKey)->objectForKey(kSaveId));
  EXPECT_NE(asMutableArray(save->objectForKey(kKeySequencesKey)), nullptr);
  EXPECT_NE(save.get(), host.panel.defaultMenuDictionary()->dictionaryForKey(kSetMenuKey)->objectForKey(kSaveId).get());

  EXPECT_TRUE(host.button("BTN_kb_del_set").isEnabled());
  EXPECT_TRUE(host.button("BTN_kb_export_set").isEnabled());
  EXPECT_EQ(popUp(&ItemState::title), (std::vector<std::string>{"Default", " "}));
  EXPECT_EQ(host.sets().indexOfSelectedItem(), 1);
  EXPECT_EQ(host.panel.okNotices().size(), 1u);
  EXPECT_TRUE(host.changeFlagIsSet());
}

TEST_F(SetManagementTest, TwoDuplicatesWithinOneSecondKeepBoth) {
  host.duplicateAs("Mine");
  host.duplicateAs("Mine");
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock + 1);
  EXPECT_NE(storedSet(kClock), nullptr);
  EXPECT_NE(storedSet(kClock), storedSet(kClock + 1));
  // Same title twice, each item with its own tag.
  EXPECT_EQ(popUp(&ItemState::title), (std::vector<std::string>{"Default", "Mine", "Mine"}));
  EXPECT_EQ(popUp(&ItemState::tag), (std::vector<std::int64_t>{0, kClock, kClock + 1}));
}

TEST_F(SetManagementTest, CancellingTheSheetChangesNothing) {
  host.button("BTN_kb_duplicate_set").performClick();
  host.field("TEXT_set_name").typeText("Mine");
  host.button("BTN_set_name_cancel").performClick();
  EXPECT_FALSE(host.toolkit.isSheetOpen(*host.pane->WIN_set_name));
  EXPECT_TRUE(host.pane->keyBindingsSets()->empty());
  EXPECT_EQ(host.pane->keyBindingsNumber(), 0);
  EXPECT_TRUE(host.panel.okNotices().empty());
  EXPECT_FALSE(host.changeFlagIsSet());
  auto& lines = host.toolkit.journal().lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), "WIN_set_name close"), lines.end());
}

TEST_F(SetManagementTest, ChoosingASetFromThePopUp) {
  host.duplicateAs("First");
  host.clock += 1;
  host.duplicateAs("Second");
  host.panel.changedAttributesDictionary()->removeAllObjects();
  host.toolkit.journal().clear();

  ASSERT_TRUE(host.sets().chooseItem(1));
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
  EXPECT_EQ(host.pane->currentKeyBindingsSet(), storedSet(kClock));
  EXPECT_TRUE(host.changeFlagIsSet());
  EXPECT_EQ(host.panel.okNotices().size(), 3u);
  // The number reaches the store only when the host applies the change.
  for (const std::string& line : host.toolkit.journal().lines()) EXPECT_FALSE(line.starts_with("defaults")) << line;
  ASSERT_TRUE(host.sets().chooseItem(0));
  EXPECT_EQ(host.pane->currentKeyBindingsSet(), host.panel.defaultMenuDictionary());
  EXPECT_FALSE(host.button("BTN_kb_del_set").isEnabled());
}

TEST_F(SetManagementTest, RemovingTheCurrentSet) {
  host.duplicateAs("Keep");
  host.clock += 1;
  host.duplicateAs("Gone");
  host.pane->writeToPrefs();
  host.toolkit.journal().clear();

  host.button("BTN_kb_del_set").performClick();
  EXPECT_EQ(host.pane->keyBindingsNumber(), 0);
  EXPECT_EQ(storedSet(kClock + 1), nullptr);
  EXPECT_NE(storedSet(kClock), nullptr);
  EXPECT_EQ(host.pane->currentKeyBindingsSet(), host.panel.defaultMenuDictionary());
  EXPECT_FALSE(host.button("BTN_kb_del_set").isEnabled());
  EXPECT_FALSE(host.button("BTN_kb_export_set").isEnabled());
  EXPECT_EQ(popUp(&ItemState::title), (std::vector<std::string>{"Default", "Keep"}));
  // 0 is stored at once; the stored collection keeps the set until the next write.
  EXPECT_EQ(host.store.integerForKey(kSetNumberDefaultsKey), 0);
  auto stored = asDictionary(host.store.objectForKey(kSetsDefaultsKey));
  EXPECT_TRUE(stored->containsKey(std::to_string(kClock + 1)));
  const auto& lines = host.toolkit.journal().lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "defaults setObjectForKey global.keyBindingsSetNumber");  // after the click
  EXPECT_EQ(lines.back(), "VIEW_key_bindings setNeedsDisplay");
  EXPECT_EQ(host.panel.okNotices().size(), 3u);

  // On the default set, nothing at all.
  host.toolkit.journal().clear();
  host.pane->removeKeyBindingsSet(nullptr);
  EXPECT_TRUE(host.toolkit.journal().lines().empty());
  EXPECT_NE(storedSet(kClock), nullptr);
}

TEST_F(SetManagementTest, ExportWritesTheSetAsPlistlibReadsItAndItImportsAgain) {
  host.duplicateAs("Mine");
  auto save = asMutableDictionary(
      asDictionary(host.pane->currentKeyBindingsSet())->dictionaryForKey(kSetMenuKey)->objectForKey(kSaveId));
  save->setObjectForKey(MutableArray::make({chord(kCommandKeyMask, 's'), plainKey('x')}), kKeySequencesKey);
  std::string path = files.file("Mine.QOR_shortcuts");
  host.toolkit.scriptSavePanel({kReturnCodeOK, path});
  host.button("BTN_kb_export_set").performClick();

  ASSERT_EQ(host.toolkit.savePanelCalls().size(), 1u);
  const SavePanelCall& call = host.toolkit.savePanelCalls()[0];
  EXPECT_EQ(call.directory, "");
  EXPECT_EQ(call.fileName, "Mine.QOR_shortcuts");
  EXPECT_EQ(call.windowName, "WIN_preferences");

  std::string binary = files.file("again.plist");
  EXPECT_EQ(runPython(files, kReadXmlWriteBinary, {path, binary}).output, "Mine\n");
  Ref readBack = readPropertyListFile(binary);
  EXPECT_TRUE(isEqual(readBack, host.pane->currentKeyBindingsSet())) << describe(readBack);
  EXPECT_EQ(host.toolkit.beepCount(), 0);

  // The file imports again as a second set of the same name.
  host.clock += 5;
  importFiles({path});
  EXPECT_EQ(popUp(&ItemState::title), (std::vector<std::string>{"Default", "Mine", "Mine"}));
  EXPECT_TRUE(isEqual(storedSet(kClock + 5), storedSet(kClock)));
}

TEST_F(SetManagementTest, ExportThatCannotBeWrittenBeeps) {
  host.duplicateAs("Mine");
  host.toolkit.scriptSavePanel({kReturnCodeOK, files.file("no such folder/Mine.QOR_shortcuts")});
  host.button("BTN_kb_export_set").performClick();
  EXPECT_EQ(host.toolkit.beepCount(), 1);
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);

  host.toolkit.scriptSavePanel({kReturnCodeCancel, files.file("Mine.QOR_shortcuts")});
  host.button("BTN_kb_export_set").performClick();
  EXPECT_EQ(host.toolkit.beepCount(), 1);
  EXPECT_FALSE(std::filesystem::exists(files.file("Mine.QOR_shortcuts")));
}

TEST_F(SetManagementTest, ImportingThreeFilesNumbersThemFromTheClock) {
  host.duplicateAs("Current");
  host.clock = kClock + 100;
  ASSERT_EQ(runPython(files, kWriteBinarySet, {files.file("python.QOR_shortcuts")}).status, 0);
  auto unnamed = Dictionary::make({{kSetMenuKey, Dictionary::make()}});
  std::string first = writeSetFile("First.QOR_shortcuts", pythonSet());
  std::string nameless = writeSetFile("No Name.QOR_shortcuts", unnamed);
  importFiles({first, files.file("python.QOR_shortcuts"), nameless});

  EXPECT_EQ(host.toolkit.openPanelCalls(), (std::vector<std::vector<std::string>>{
                                              {"QOR_shortcuts", "json", "sublime-keymap", "xml", "shortcuts", "kksrc", "rc", "kms"}}));
  EXPECT_TRUE(isEqual(storedSet(kClock + 100), pythonSet()));
  EXPECT_TRUE(isEqual(storedSet(kClock + 101), pythonSet()));  // the binary file of plistlib
  EXPECT_EQ(storedSet(kClock + 102)->stringForKey(kSetNameKey)->value(), "No Name");
  EXPECT_NE(asMutableDictionary(storedSet(kClock + 101)->objectForKey(kSetMenuKey)), nullptr);
  // The current set stays; the new ones join the pop-up in text order of their numbers.
  EXPECT_EQ(host.pane->keyBindingsNumber(), kClock);
  EXPECT_EQ(popUp(&ItemState::tag), (std::vector<std::int64_t>{0, kClock, kClock + 100, kClock + 101, kClock + 102}));
  EXPECT_EQ(host.sets().indexOfSelectedItem(), 1);
  EXPECT_TRUE(host.toolkit.alerts().empty());
  EXPECT_EQ(host.panel.okNotices().size(), 2u);
}

TEST_F(SetManagementTest, ImportNeverReplacesASet) {
  host.duplicateAs("Taken");  // kClock
  host.clock = kClock - 1;
  host.duplicateAs("Also taken");  // kClock - 1
  host.clock = kClock - 1;
  std::string path = writeSetFile("Mine.QOR_shortcuts", pythonSet());
  importFiles({path, path, path});
  // T - 1 and T are taken, so the first takes T + 1; each later one asks for
  // T - 1 + its position, finds it taken and moves on: T + 2, T + 3.
  EXPECT_EQ(storedSet(kClock - 1)->stringForKey(kSetNameKey)->value(), "Also taken");
  EXPECT_EQ(storedSet(kClock)->stringForKey(kSetNameKey)->value(), "Taken");
  for (std::int64_t number : {kClock + 1, kClock + 2, kClock + 3}) EXPECT_TRUE(isEqual(storedSet(number), pythonSet()));
  EXPECT_EQ(host.pane->keyBindingsSets()->count(), 5u);
}

TEST_F(SetManagementTest, BadFilesAreSkippedAndNamedInOneAlert) {
  host.duplicateAs("Current");
  DictionaryRef before = asDictionary(MakePlistMutable(host.pane->keyBindingsSets()));
  host.clock = kClock + 10;
  files.write("garbage.QOR_shortcuts", "this is no property list");
  std::string array = files.file("array.QOR_shortcuts");
  ASSERT_TRUE(writePropertyListFile(Array::make({str("name")}), array));
  std::string good = writeSetFile("good.QOR_shortcuts", pythonSet());
  importFiles({good, files.file("garbage.QOR_shortcuts"), files.file("missing.QOR_shortcuts"), array, good});

  EXPECT_TRUE(isEqual(storedSet(kClock + 10), pythonSet()));
  EXPECT_TRUE(isEqual(storedSet(kClock + 14), pythonSet()));  // still T + its position
  EXPECT_EQ(host.pane->keyBindingsSets()->count(), 3u);
  EXPECT_TRUE(isEqual(storedSet(kClock), before->objectForKey(std::to_string(kClock))));
  ASSERT_EQ(host.toolkit.alerts().size(), 1u);
  EXPECT_EQ(host.toolkit.alerts()[0].title, "Can't import key bindings sets");
  EXPECT_EQ(host.toolkit.alerts()[0].message,
            "Not a key bindings set: 'garbage.QOR_shortcuts', 'missing.QOR_shortcuts', 'array.QOR_shortcuts'.");
  EXPECT_EQ(host.toolkit.alerts()[0].defaultButton, "OK");
  EXPECT_EQ(host.panel.okNotices().size(), 2u);
}

TEST_F(SetManagementTest, NothingReadableOrNothingChosenChangesNothing) {
  files.write("garbage.QOR_shortcuts", "");
  importFiles({files.file("garbage.QOR_shortcuts")});
  EXPECT_EQ(host.toolkit.alerts().size(), 1u);
  host.toolkit.scriptOpenPanel({kReturnCodeCancel, {writeSetFile("good.QOR_shortcuts", pythonSet())}});
  host.button("BTN_kb_import_set").performClick();
  EXPECT_TRUE(host.pane->keyBindingsSets()->empty());
  EXPECT_TRUE(host.panel.okNotices().empty());
  EXPECT_FALSE(host.changeFlagIsSet());
  EXPECT_EQ(host.toolkit.alerts().size(), 1u);
}

// A sheet's button closes it with its tag as the return code, unless the tag
// cannot be one.
TEST(SheetButtons, TagIsTheReturnCode) {
  struct Case {
    std::int64_t tag;
    int returnCode;
  };
  constexpr std::int64_t kAboveInt = std::int64_t{std::numeric_limits<int>::max()} + 1;
  const Case cases[] = {{1, kReturnCodeOK}, {0, 0}, {2, 2}, {-1, -1}, {kAboveInt + 1, kReturnCodeCancel},
                        {std::int64_t{1} << 32 | 1, kReturnCodeCancel}};  // would read as 1 when cut to 32 bits
  for (const Case& c : cases) EXPECT_EQ(sheetReturnCodeForTag(c.tag), c.returnCode) << c.tag;
}

// The cheat sheet's page itself is the model's; here only where it goes.
TEST(CheatSheetButton, SavesHtmlOrPdfByTheChosenNameAndAlertsOnFailure) {
  HeadlessPane pane;
  TemporaryFolder folder;
  const std::string page = pane.pane->cheatSheetPage();
  ASSERT_NE(page.find("<h1>Default</h1>"), std::string::npos);
  const struct {
    const char* name;
    SavePanelAnswer answer;
    std::string written;  // the file that holds the page afterwards; empty: none
    std::size_t pdfCalls;
    std::size_t alerts;
  } cases[] = {
      {"html", {kReturnCodeOK, folder.file("keys.html")}, folder.file("keys.html"), 0, 0},
      {"other extension", {kReturnCodeOK, folder.file("keys.txt")}, folder.file("keys.txt.html"), 0, 0},
      {"pdf", {kReturnCodeOK, folder.file("keys.pdf")}, folder.file("keys.pdf"), 1, 0},
      {"cancel", {kReturnCodeCancel, folder.file("cancelled.html")}, "", 1, 0},
      {"html in no folder", {kReturnCodeOK, folder.file("none/keys.html")}, "", 1, 1},
      {"pdf in no folder", {kReturnCodeOK, folder.file("none/keys.pdf")}, "", 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    pane.toolkit.scriptSavePanel(c.answer);
    pane.button("BTN_kb_cheat_sheet").performClick();
    EXPECT_EQ(pane.toolkit.savePanelCalls().back().fileName, "Default.html");
    EXPECT_EQ(pane.toolkit.savePanelCalls().back().types, (std::vector<std::string>{"html", "pdf"}));
    if (!c.written.empty()) {
      EXPECT_EQ(fixtures::readText(c.written), page);
    }
    EXPECT_EQ(pane.toolkit.pdfDocuments().size(), c.pdfCalls);
    EXPECT_EQ(pane.toolkit.alerts().size(), c.alerts);
  }
  EXPECT_FALSE(std::filesystem::exists(folder.file("cancelled.html")));
  EXPECT_EQ(pane.toolkit.pdfDocuments().front().path, folder.file("keys.pdf"));
  EXPECT_EQ(pane.toolkit.pdfDocuments().front().html, page);
  const AlertCall& alert = pane.toolkit.alerts().back();
  EXPECT_EQ(alert.title, "Can't save the cheat sheet");
  EXPECT_EQ(alert.message, "'keys.pdf' could not be written.");
  EXPECT_FALSE(pane.changeFlagIsSet()) << "saving a cheat sheet changes no set";
}

}  // namespace
}  // namespace qor::pane_test
