// The keybindings binary, run against temporary defaults files; python3's
// plistlib reads and writes the files it exchanges.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>

#include "qor/plist_file.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::readText;
using fixtures::shellQuoted;

struct ToolRun {
  int status = -1;
  std::string out;
  std::string err;
  bool operator==(const ToolRun&) const = default;
};
void PrintTo(const ToolRun& run, std::ostream* os) {
  *os << "{status " << run.status << ", out \"" << run.out << "\", err \"" << run.err << "\"}";
}
// A run that succeeds printing `out`, and one refused with its one line.
ToolRun printed(const std::string& out) { return {0, out, ""}; }
ToolRun refused(const std::string& error, int status = 2) { return {status, "", "keybindings: " + error + "\n"}; }

class ToolTest : public ::testing::Test {
 protected:
  // Runs the tool with `arguments` under `environment` (shell assignments).
  ToolRun tool(const std::vector<std::string>& arguments, const std::string& environment = "") {
    std::string command = environment + " " + shellQuoted(KEYBINDINGS_TOOL);
    for (const std::string& argument : arguments) command += " " + shellQuoted(argument);
    command += " >" + shellQuoted(folder + "/out") + " 2>" + shellQuoted(folder + "/err");
    int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readText(folder + "/out"), readText(folder + "/err")};
  }
  // The same against the test's defaults file, on a desktop of the test's
  // own: no settings schemas, and a kglobalshortcutsrc only if it writes one.
  ToolRun kb(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"--defaults", defaults});
    return tool(arguments, "XDG_CONFIG_HOME=" + shellQuoted(folder + "/config") + " XDG_DATA_DIRS=" +
                               shellQuoted(folder + "/no-data") + " XDG_DATA_HOME=" + shellQuoted(folder + "/no-data"));
  }
  // Makes a set of one's own and returns its number.
  std::string duplicate(const std::string& name) {
    ToolRun run = kb({"duplicate", name});
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out.substr(0, run.out.find('\t'));
  }
  std::string python(const std::string& script, const std::vector<std::string>& arguments) {
    fixtures::CommandRun run = fixtures::runPython(scratch, script, arguments);
    EXPECT_EQ(run.status, 0) << script;
    return run.output;
  }

  fixtures::TemporaryFolder scratch;
  const std::string folder = scratch.path();
  const std::string defaults = folder + "/defaults.plist";
};

// The key sequences of a command in the current set, as plistlib sees them.
constexpr const char* kSequencesOf = R"(
import json, plistlib, sys
d = plistlib.load(open(sys.argv[1], "rb"))
current = d["global.keyBindingsSets"][str(d["global.keyBindingsSetNumber"])]
entry = current[sys.argv[2]][sys.argv[3]]
print(json.dumps(entry.get("key sequences"), sort_keys=True))
)";

TEST_F(ToolTest, ReadingLeavesNoFileBehind) {
  EXPECT_EQ(kb({"sets"}), printed("*0\tDefault\n"));
  ToolRun show = kb({"show", "menu"});
  EXPECT_EQ(show.status, 0);
  EXPECT_NE(show.out.find("File\t \n  New\t⌘N\n"), std::string::npos) << show.out;
  EXPECT_NE(show.out.find("\n  ─────────\t \n"), std::string::npos);
  ToolRun editor = kb({"show", "editor"});
  EXPECT_NE(editor.out.find("Moving\t \n  Move Forward\t"), std::string::npos) << editor.out;
  EXPECT_FALSE(std::filesystem::exists(defaults));
}

TEST_F(ToolTest, BindingStoresTheStrokesTheConfiguratorCaptures) {
  std::string number = duplicate("Mine");
  EXPECT_EQ(kb({"sets"}), printed(" 0\tDefault\n*" + number + "\tMine\n"));
  ASSERT_EQ(kb({"bind", "menu", "File/Save", "Ctrl+K, Meta+Shift+F5"}), printed("Save\t⌘S , ⌘K⌃⇧[F5]\n"));
  // One chord per flags-changed event and key-down; F5 is 0xF708 = 63240.
  EXPECT_EQ(python(kSequencesOf, {defaults, "menu", "[saveDocument:] [] [0]"}),
            R"([[{"modifiers": 1048576}, {"key": "s", "modifiers": 1048576, "unichar": 115}], )"
            R"([{"modifiers": 1048576}, {"code": 45, "key": "k", "modifiers": 1048576, "unichar": 107}, )"
            R"({"modifiers": 393216}, {"code": 71, "key": "\uf708", "modifiers": 393216, "unichar": 63240}]])"
            "\n");

  EXPECT_EQ(kb({"bind", "editor", "moveForward:", "Meta+Alt+F"}), printed("Move Forward\t⌃⌥F\n"));
  EXPECT_EQ(kb({"unbind", "menu", "File/Save", "0"}), printed("Save\t⌘K⌃⇧[F5]\n"));
  EXPECT_EQ(kb({"unbind", "menu", "File/Save", "1"}),
            refused("'File/Save' has no shortcut 1 (it has 1, counted from 0)"));
}

TEST_F(ToolTest, ConflictsAreReportedAsThePaneWordsThem) {
  duplicate("Mine");
  std::string before = readText(defaults);
  EXPECT_EQ(kb({"conflicts", "menu", "Ctrl+S"}), (ToolRun{1, "'⌘S' is currently bound to 'Save'.\n", ""}));
  EXPECT_EQ(kb({"conflicts", "menu", "Ctrl+Alt+Shift+K"}), printed("Type keys for shortcut.\n"));
  // Binding a taken shortcut is refused with the same line.
  EXPECT_EQ(kb({"bind", "menu", "File/Open...", "Ctrl+S"}), refused("'⌘S' is currently bound to 'Save'.", 1));
  EXPECT_EQ(readText(defaults), before);
  // The default set can be asked, but not changed.
  EXPECT_EQ(kb({"use", "0"}).status, 0);
  EXPECT_EQ(kb({"conflicts", "menu", "Ctrl+S"}).status, 1);
}

TEST_F(ToolTest, BadInputIsOneLineAndChangesNothing) {
  duplicate("Mine");
  std::string before = readText(defaults);
  struct Case {
    std::vector<std::string> arguments;
    const char* error;
  };
  const Case cases[] = {
      // A key text the parser refuses, as it words it.
      {{"bind", "menu", "File/Save", "Ctrl+Foo"}, "unknown key 'Foo' in 'Ctrl+Foo'"},
      {{"bind", "menu", "File/Nope", "Ctrl+L"}, "no menu command 'File/Nope' (see keybindings show menu)"},
      {{"bind", "menu", "File", "Ctrl+L"}, "'File' takes no shortcuts"},
      {{"bind", "editor", "Moving", "Ctrl+L"}, "'Moving' takes no shortcuts"},
      {{"use", "12"}, "no key bindings set 12 (see keybindings sets)"},
      {{"duplicate", ""}, "a set needs a name of at least one character"},
      {{"import", "/nonexistent.QOR_shortcuts"},
       "Can't import key bindings sets: Not a key bindings set: 'nonexistent.QOR_shortcuts'."},
      {{"export", "/nonexistent/Mine.QOR_shortcuts"}, "cannot write '/nonexistent/Mine.QOR_shortcuts'"},
  };
  auto expectAllRefused = [&](const auto& refusals) {
    for (const Case& c : refusals) {
      SCOPED_TRACE(c.arguments.front());
      EXPECT_EQ(kb(c.arguments), refused(c.error));
      EXPECT_EQ(readText(defaults), before);
    }
  };
  expectAllRefused(cases);
  // Changes of the default set.
  ASSERT_EQ(kb({"use", "0"}).status, 0);
  before = readText(defaults);
  const Case ofTheDefaultSet[] = {
      {{"remove"}, "the default set cannot be removed"},
      {{"export", folder + "/x"}, "the default set cannot be exported; duplicate it first"},
      {{"bind", "menu", "File/Save", "Ctrl+L"},
       "Can't change default key bindings set: To customize shortcuts, duplicate an existing key bindings set."},
  };
  expectAllRefused(ofTheDefaultSet);
}

TEST_F(ToolTest, TheHotKeyTakesOneShortcutOfOneChord) {
  duplicate("Mine");
  const std::string hotKey = "Window/Bring QOR to Front";
  EXPECT_EQ(kb({"bind", "menu", hotKey, "Ctrl+K"}),
            refused("Can't bind more than one shortcut to the hot key: To bind different shortcut, remove the "
                    "existing one."));
  ASSERT_EQ(kb({"unbind", "menu", hotKey, "0"}), printed("Bring QOR to Front\t \n"));
  EXPECT_EQ(kb({"bind", "menu", hotKey, "Ctrl+K, Ctrl+J"}),  // four strokes
            refused("the hot key takes one chord or two plain keys"));
  EXPECT_EQ(kb({"bind", "menu", hotKey, "Ctrl+Alt+J"}), printed("Bring QOR to Front\t⌥⌘J\n"));
}

TEST_F(ToolTest, ExportAndImportThroughPlistlib) {
  std::string number = duplicate("Mine");
  ASSERT_EQ(kb({"bind", "menu", "File/Save", "Ctrl+L"}).status, 0);
  std::string exported = folder + "/Mine.QOR_shortcuts";
  ASSERT_EQ(kb({"export", exported}), printed(""));
  // plistlib sees exactly the set the defaults hold.
  EXPECT_EQ(python(R"(
import plistlib, sys
exported = plistlib.loads(open(sys.argv[1], "rb").read(), fmt=plistlib.FMT_XML)
stored = plistlib.load(open(sys.argv[2], "rb"))["global.keyBindingsSets"][sys.argv[3]]
print(exported == stored, exported["name"], len(exported["menu"]) > 60)
)",
                   {exported, defaults, number}),
            "True Mine True\n");

  // A binary file of plistlib's, and one without a name.
  python(R"(
import plistlib, sys
stroke = [{"modifiers": 0x100000}, {"key": "j", "unichar": 106, "modifiers": 0x100000}]
save = {"title": "Save", "key sequences": [stroke]}
value = {"name": "Binary", "menu": {"[saveDocument:] [] [0]": save}, "editor": {}}
open(sys.argv[1], "wb").write(plistlib.dumps(value, fmt=plistlib.FMT_BINARY))
open(sys.argv[2], "wb").write(plistlib.dumps({"menu": {}, "editor": {}}))
)",
         {folder + "/binary.QOR_shortcuts", folder + "/Nameless.QOR_shortcuts"});
  ToolRun imported = kb({"import", exported, folder + "/binary.QOR_shortcuts", folder + "/Nameless.QOR_shortcuts"});
  ASSERT_EQ(imported.status, 0) << imported.err;
  // Three new numbers from the clock, one line each in file order.
  std::smatch numbers;
  ASSERT_TRUE(std::regex_match(imported.out, numbers, std::regex("(-?\\d+)\tMine\n(-?\\d+)\tBinary\n-?\\d+\tNameless\n")))
      << imported.out;
  EXPECT_NE(numbers[1], number);

  const std::string binaryNumber = numbers[2];
  ASSERT_EQ(kb({"use", binaryNumber}).status, 0);
  ToolRun show = kb({"show", "menu"});
  EXPECT_NE(show.out.find("\n  Save\t⌘J\n"), std::string::npos) << show.out;
  // The current set is still the one chosen; the other sets are all listed.
  std::string sets = kb({"sets"}).out;
  EXPECT_EQ(std::count(sets.begin(), sets.end(), '\n'), 5) << sets;
  EXPECT_NE(sets.find("*" + binaryNumber + "\tBinary\n"), std::string::npos) << sets;
}

TEST_F(ToolTest, TheDefaultsFileIsWrittenWholeOrNotAtAll) {
  // Other keys of the host survive.
  ASSERT_TRUE(writePropertyListFile(Dictionary::make({{"other.key", str("kept")}}), defaults));
  duplicate("Mine");
  auto read = asDictionary(readPropertyListFile(defaults));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->stringForKey("other.key")->value(), "kept");
  EXPECT_NE(read->objectForKey("global.keyBindingsSets"), nullptr);

  // A file that holds no dictionary is left alone.
  std::string broken = folder + "/broken.plist";
  std::ofstream(broken) << "not a property list";
  EXPECT_EQ(tool({"--defaults", broken, "duplicate", "Mine"}),
            refused("the defaults file '" + broken + "' holds no property-list dictionary; left as it is"));
  EXPECT_EQ(readText(broken), "not a property list");

  // A file that cannot be written: the change is reported and nothing is left behind.
  EXPECT_EQ(tool({"--defaults", folder + "/missing folder/defaults.plist", "duplicate", "Mine"}),
            refused("cannot write the defaults file '" + folder + "/missing folder/defaults.plist'; it is left as it was"));
  EXPECT_FALSE(std::filesystem::exists(folder + "/missing folder"));
}

TEST_F(ToolTest, PerUserDefaultsLiveUnderXdgConfigHome) {
  std::string config = folder + "/config";
  ToolRun run = tool({"duplicate", "Mine"}, "XDG_CONFIG_HOME=" + shellQuoted(config));
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(config + "/qor/defaults.plist"));
  ToolRun home = tool({"duplicate", "Mine"}, "env -u XDG_CONFIG_HOME HOME=" + shellQuoted(folder));
  ASSERT_EQ(home.status, 0) << home.err;
  EXPECT_TRUE(std::filesystem::exists(folder + "/.config/qor/defaults.plist"));
  ToolRun help = tool({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("usage: keybindings [--defaults FILE] COMMAND")) << help.out;
}

// A copy of the current set named Clash whose Save takes Open's ⌘O, with an
// entry the host does not know holding ⌘O as well.
constexpr const char* kClashingSet = R"(
import plistlib, sys
d = plistlib.load(open(sys.argv[1], "rb"))
current = d["global.keyBindingsSets"][str(d["global.keyBindingsSetNumber"])]
stroke = [{"modifiers": 0x100000}, {"key": "o", "unichar": 111, "modifiers": 0x100000}]
menu = dict(current["menu"])
menu["[saveDocument:] [] [0]"] = {"title": "Save", "key sequences": [stroke]}
menu["[bogus:] [] [0]"] = {"title": "Bogus", "key sequences": [stroke]}
value = {"name": "Clash", "menu": menu, "editor": current["editor"]}
open(sys.argv[2], "wb").write(plistlib.dumps(value))
)";

TEST_F(ToolTest, AllConflictsAndTheImportPreview) {
  duplicate("Mine");
  EXPECT_EQ(kb({"conflicts", "--all"}), printed(""));
  std::string clash = folder + "/Clash.QOR_shortcuts";
  python(kClashingSet, {defaults, clash});

  // The preview names the set, counts Save as the one command that differs
  // and finds the one conflict; the unknown entry is left out, as choosing
  // the set prunes it. Nothing is imported.
  std::string before = readText(defaults);
  const std::string preview = clash + "\tClash\tcommands that differ from the current set: 1\tconflicts: 1\n"
                                      "  menu\t⌘O\tFile/Open…, File/Save\n";
  EXPECT_EQ(kb({"import", "--dry-run", clash}), printed(preview));
  EXPECT_EQ(kb({"import", "--dry-run", clash, folder + "/none.QOR_shortcuts"}),
            (ToolRun{2, preview, "keybindings: not a key bindings set: 'none.QOR_shortcuts'\n"}));
  EXPECT_EQ(readText(defaults), before);

  ToolRun imported = kb({"import", clash});
  ASSERT_EQ(imported.status, 0) << imported.err;
  ASSERT_EQ(kb({"use", imported.out.substr(0, imported.out.find('\t'))}).status, 0);
  EXPECT_EQ(kb({"conflicts", "--all"}), (ToolRun{1, "menu\t⌘O\tFile/Open…, File/Save\n", ""}));
  // The one-sequence search agrees.
  EXPECT_EQ(kb({"conflicts", "menu", "Ctrl+O"}).out, "'⌘O' is currently bound to 'Open…', 'Save'.\n");
}

TEST_F(ToolTest, DesktopConflictsNameTheDesktopsShortcut) {
  duplicate("Mine");
  EXPECT_EQ(kb({"conflicts", "--desktop"}), printed(""));
  scratch.write("config/kglobalshortcutsrc", "[kwin]\n_k_friendly_name=KWin\n"
                                             "Save Window=Ctrl+S\tMeta+F12,none,Save the Window\n");
  const ToolRun taken{1, "menu\t⌘S\tFile/Save\tKDE: KWin: Save the Window\n", ""};
  EXPECT_EQ(kb({"conflicts", "--desktop"}), taken);
  EXPECT_EQ(kb({"conflicts", "--all"}), taken);
}

TEST_F(ToolTest, AnotherEditorsKeymapPreviewedAndImported) {
  duplicate("Mine");
  const std::string keymap = folder + "/keybindings.json";
  std::ofstream(keymap) << R"(// comments are allowed
[
  { "key": "ctrl+n", "command": "workbench.action.files.save" },
  { "key": "ctrl+shift+z", "command": "no.such.command" },
  { "key": "ctrl+e", "command": "actions.find", "when": "terminalFocus" },
  { "key": "ctrl+numpad1", "command": "cursorWordLeft" },
  { "key": "ctrl+k", "command": "-no.such.command" },
  { "key": "alt+left", "command": "cursorWordLeft", "when": "textInputFocus" }
])";
  std::string before = readText(defaults);
  // Save takes ⌘N from New; Move Word Left ⌥←; four entries left out.
  const std::string preview =
      keymap + "\tkeybindings\tcommands that differ from the current set: 2\tconflicts: 1\n"
               "  menu\t⌘N\tFile/New, File/Save\n"
               "  changes\tmenu\tFile/Save\n"
               "  changes\teditor\tMoving/Move Word Left\n"
               "  not imported\tno.such.command\tctrl+shift+z\tunknown command\n"
               "  not imported\tactions.find\tctrl+e\ta condition this editor has no context for (terminalFocus)\n"
               "  not imported\tcursorWordLeft\tctrl+numpad1\ta key it cannot represent (a key of the numeric keypad, "
               "which this editor does not tell apart from the main keys)\n"
               "  not imported\tno.such.command\tctrl+k\tan unbinding of a command it does not have\n";
  EXPECT_EQ(kb({"import", "--dry-run", keymap}), printed(preview));
  EXPECT_EQ(kb({"import", "--from", "vscode", "--dry-run", keymap}), printed(preview));
  // A file that is not of the kind asked, or hostile: one line, nothing imported.
  const std::string wrongTypes = folder + "/wrong.json";
  std::ofstream(wrongTypes) << R"([{"key": 5, "command": "undo"}])";
  EXPECT_EQ(kb({"import", "--from", "jetbrains", keymap}),
            refused("cannot import 'keybindings.json': line 1: not well-formed (invalid token)"));
  EXPECT_EQ(kb({"import", keymap, wrongTypes}), refused("cannot import 'wrong.json': entry 1: \"key\" is not a string"));
  EXPECT_EQ(readText(defaults), before);

  ToolRun imported = kb({"import", keymap});
  ASSERT_EQ(imported.status, 0) << imported.err;
  EXPECT_EQ(imported.out.substr(imported.out.find('\t')), "\tkeybindings\n");
}

TEST_F(ToolTest, FindByTitleOrByKeys) {
  duplicate("Mine");
  ASSERT_EQ(kb({"bind", "menu", "File/Open...", "Ctrl+K, Ctrl+C"}).status, 0);
  struct Case {
    std::vector<std::string> arguments;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {{"find", "SAVE"}, 0,
       "menu\tFile/Save\t⌘S\nmenu\tFile/Save As…\t⇧⌘S\nmenu\tFile/Save All\t⌥⌘S\n"
       "menu\tFile/Revert to Saved\t \nmenu\tFormat/Save Style…\t \n"},
      {{"find", "move word forw"}, 0, "editor\tMoving/Move Word Forward\t \n"},
      {{"find", "nothing like this"}, 1, ""},
      {{"find", "--keys", "Ctrl+K"}, 0, "menu\tFile/Open…\t⌘O , ⌘K⌘C\n"},
      {{"find", "--keys", "Ctrl+Alt+Shift+Meta+J"}, 1, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(kb(c.arguments), (ToolRun{c.status, c.out, ""})) << c.arguments.back();
}

TEST_F(ToolTest, ChangesAreMarkedAndResetToTheDefault) {
  std::string number = duplicate("Mine");
  ASSERT_EQ(kb({"bind", "menu", "File/Open...", "Ctrl+K, Meta+Shift+F5"}).status, 0);
  ASSERT_EQ(kb({"unbind", "menu", "File/Save", "0"}).status, 0);
  ASSERT_EQ(kb({"bind", "editor", "moveForward:", "Meta+Alt+F"}).status, 0);

  ToolRun marked = kb({"show", "menu", "--changed"});
  EXPECT_NE(marked.out.find("File\t \t2 changed\n  New\t⌘N\n  Open…\t⌘O , ⌘K⌃⇧[F5]\t*\n"),
            std::string::npos)
      << marked.out;
  EXPECT_NE(marked.out.find("\n  Save\t \t*\n"), std::string::npos);
  EXPECT_NE(marked.out.find("\nEdit\t \n"), std::string::npos);  // no change: no count
  // The desktop's notation reads back as the keys that were bound.
  ToolRun desktop = kb({"show", "menu", "--notation", "desktop"});
  EXPECT_NE(desktop.out.find("\n  Open…\tCtrl+O | Ctrl+K, Meta+Shift+F5\n"), std::string::npos) << desktop.out;
  EXPECT_NE(desktop.out.find("\n  Save As…\tCtrl+Shift+S\n"), std::string::npos);

  ASSERT_EQ(kb({"reset", "menu", "File/Open..."}), printed("Open…\t⌘O\n"));
  std::string before = readText(defaults);
  EXPECT_EQ(kb({"reset", "menu", "File/Open..."}), printed(""));  // nothing differs: nothing written
  EXPECT_EQ(readText(defaults), before);

  EXPECT_EQ(kb({"reset", "menu", "--group", "File"}), printed("Save\t⌘S\n"));
  EXPECT_EQ(kb({"reset", "--all"}), printed("Move Forward\t \n"));  // as the default set has it: no shortcut
  EXPECT_EQ(kb({"show", "editor", "--changed"}).out, kb({"show", "editor"}).out);
  // The set keeps its name and number.
  EXPECT_EQ(kb({"sets"}).out, " 0\tDefault\n*" + number + "\tMine\n");

  struct Refusal {
    std::vector<std::string> arguments;
    const char* error;
  };
  const Refusal refusals[] = {
      {{"reset", "menu", "File/Nope"}, "no menu command 'File/Nope' (see keybindings show menu)"},
      {{"reset", "menu", "File"}, "'File' takes no shortcuts"},
      {{"reset", "editor", "--group", "Nope"}, "no group 'Nope' at the top of the editor outline"},
  };
  for (const Refusal& r : refusals) EXPECT_EQ(kb(r.arguments), refused(r.error));
  ASSERT_EQ(kb({"use", "0"}).status, 0);
  EXPECT_EQ(kb({"reset", "--all"}), refused("the default set cannot be changed; duplicate it first"));
}

// The text of a PDF as Qt writes it: each font's ToUnicode map, then the
// glyph codes of the page streams, a line per text object.
constexpr const char* kPdfText = R"py(
import re, sys, zlib
d = open(sys.argv[1], "rb").read()
objects = {int(n): b for n, b in re.findall(rb"(\d+) 0 obj(.*?)endobj", d, re.S)}
def content(body):
    s = re.search(rb"stream\r?\n(.*?)endstream", body, re.S).group(1)
    return zlib.decompress(s) if b"FlateDecode" in body else s
maps = {}
for number, body in objects.items():
    u = re.search(rb"/ToUnicode (\d+) 0 R", body)
    if not u: continue
    cmap, m = content(objects[int(u.group(1))]), {}
    for code, to in re.findall(rb"^<(\w+)> <(\w+)>$", cmap, re.M): m[int(code, 16)] = bytes.fromhex(to.decode()).decode("utf-16-be")
    for lo, hi, to in re.findall(rb"^<(\w+)> <(\w+)> <(\w+)>$", cmap, re.M):
        for c in range(int(lo, 16), int(hi, 16) + 1): m[c] = chr(int(to, 16) + c - int(lo, 16))
    for lo, hi, targets in re.findall(rb"<(\w+)> <(\w+)> \[([^\]]*)\]", cmap):
        for c, to in zip(range(int(lo, 16), int(hi, 16) + 1), re.findall(rb"<(\w+)>", targets)):
            m[c] = bytes.fromhex(to.decode()).decode("utf-16-be")
    maps[number] = m
text, font = [], {}
for body in objects.values():
    if b"stream" not in body or b"/ToUnicode" in body: continue
    try: s = content(body)
    except Exception: continue
    for t in re.finditer(rb"/F(\d+) [\d.]+ Tf|<([0-9A-Fa-f]+)> Tj|(ET)", s):
        if t.group(1): font = maps.get(int(t.group(1)), {})
        elif t.group(2): text += [font.get(int(t.group(2)[i:i + 4], 16), "?") for i in range(0, len(t.group(2)), 4)]
        else: text.append("\n")
print("".join(text).replace("\t", " "))
)py";

TEST_F(ToolTest, CheatSheetAsHtmlAndAsPdf) {
  duplicate("Mine & Co");
  const std::string html = folder + "/keys.html";
  ToolRun run = kb({"cheatsheet", "--format", "html", html});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string page = readText(html);
  for (const char* part : {"<title>Mine &amp; Co</title>", "<h2>File</h2>",
                           "<tr><td>Save As…</td><td class=\"keys\">⇧⌘S</td><td class=\"keys\">Ctrl+Shift+S</td></tr>"})
    EXPECT_NE(page.find(part), std::string::npos) << part;

  // Without --format the name decides; no display is needed, nor a session.
  const std::string pdf = folder + "/keys.pdf";
  run = tool({"--defaults", defaults, "cheatsheet", pdf},
             "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM -u XDG_RUNTIME_DIR");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.err, "");
  EXPECT_TRUE(readText(pdf).starts_with("%PDF-"));
  const std::string text = python(kPdfText, {pdf});
  EXPECT_NE(text.find("Mine & Co\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Save As…\n⇧⌘S\nCtrl+Shift+S\n"), std::string::npos) << text;

  run = kb({"cheatsheet", "--format", "pdf", folder + "/none/keys"});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("keybindings: cannot write '" + folder + "/none/keys'"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace qor
