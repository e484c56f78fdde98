#include "qor/keymaps/foreign_keymap.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "qor/pane_model/desktop_notation.h"

namespace qor {
namespace {

using Kind = KeymapKind;
constexpr KeymapPlatform kLinux = KeymapPlatform::Linux;
constexpr KeymapPlatform kMac = KeymapPlatform::Mac;

std::string sample(const std::string& path) {
  std::ifstream file(std::string(QOR_KEYMAP_SAMPLES) + "/" + path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

// The stored sequence in the desktop's words ("Ctrl+K, Ctrl+C"), written by
// the model's own notation, not by the code under test.
std::string desktop(const ArrayRef& sequence) { return sequence ? desktopNotationOfSequence(*sequence) : ""; }

TEST(ForeignKeyText, BothWays) {
  struct Case {
    Kind kind;
    KeymapPlatform platform;
    const char* text;
    const char* stored;  // in desktop words; empty: not representable
    const char* back;    // written again; nullptr: `text` itself
  };
  const Case cases[] = {
      {Kind::VSCode, kLinux, "ctrl+shift+k", "Ctrl+Shift+K", nullptr},
      {Kind::VSCode, kLinux, "ctrl+k ctrl+c", "Ctrl+K, Ctrl+C", nullptr},
      {Kind::VSCode, kLinux, "meta+f1", "Meta+F1", nullptr},
      {Kind::VSCode, kLinux, "win+up", "Meta+Up", "meta+up"},
      {Kind::VSCode, kLinux, "shift+alt+enter", "Alt+Shift+Return", nullptr},
      {Kind::VSCode, kLinux, "ctrl+/ escape", "Ctrl+/, Esc", nullptr},
      {Kind::VSCode, kLinux, "ctrl+pagedown", "Ctrl+PgDown", nullptr},
      // A Mac keymap: Cmd is Command and Ctrl is Control, as the glyphs say.
      {Kind::VSCode, kMac, "cmd+k", "Ctrl+K", nullptr},
      {Kind::VSCode, kMac, "ctrl+shift+alt+cmd+backspace", "Ctrl+Meta+Alt+Shift+Backspace", nullptr},
      {Kind::VSCode, kLinux, "ctrl+numpad1", "", nullptr},
      {Kind::VSCode, kLinux, "ctrl+oem_1", "", nullptr},
      {Kind::VSCode, kLinux, "ctrl+[Slash]", "", nullptr},
      {Kind::VSCode, kLinux, "hyper+k", "", nullptr},
      {Kind::VSCode, kLinux, "hy\nper+\n", "", nullptr},  // the reason stays one line
      {Kind::VSCode, kLinux, "ctrl+help", "", nullptr},     // Qt's name, none of VS Code's
      {Kind::JetBrains, kLinux, "control Enter", "", nullptr},
      {Kind::VSCode, kLinux, "ctrl+f36", "", nullptr},
      {Kind::VSCode, kLinux, "ctrl+", "", nullptr},
      {Kind::JetBrains, kLinux, "control shift K", "Ctrl+Shift+K", nullptr},
      {Kind::JetBrains, kLinux, "control K, control C", "Ctrl+K, Ctrl+C", nullptr},
      {Kind::JetBrains, kLinux, "meta BACK_SPACE", "Meta+Backspace", nullptr},
      {Kind::JetBrains, kLinux, "ctrl pressed SLASH", "Ctrl+/", "control SLASH"},
      {Kind::JetBrains, kLinux, "alt INSERT", "Alt+Ins", nullptr},
      {Kind::JetBrains, kMac, "meta C", "Ctrl+C", nullptr},
      {Kind::JetBrains, kLinux, "control NUMPAD1", "", nullptr},
      {Kind::KDE, kLinux, "Ctrl+K, Ctrl+C", "Ctrl+K, Ctrl+C", nullptr},
      {Kind::KDE, kLinux, "Meta+Ins", "Meta+Ins", nullptr},
      {Kind::KDE, kLinux, "Num+5", "", nullptr},
      {Kind::QtCreator, kLinux, "Alt+Shift+F4", "Alt+Shift+F4", nullptr},
      {Kind::QtCreator, kLinux, "Ctrl+Foo", "", nullptr},
      {Kind::Sublime, kLinux, "super+k", "Meta+K", nullptr},
      {Kind::Sublime, kLinux, "primary+k ctrl+,", "Ctrl+K, Ctrl+,", "ctrl+k ctrl+,"},
      {Kind::Sublime, kLinux, "keypad_enter", "", nullptr},
      {Kind::Sublime, kLinux, "shift+clear", "Shift+Clear", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string why;
    ArrayRef sequence = sequenceOfKeyText(c.text, c.kind, c.platform, &why);
    EXPECT_EQ(desktop(sequence), c.stored);
    EXPECT_EQ(why.empty(), sequence != nullptr) << why;
    EXPECT_EQ(why.find('\n'), std::string::npos) << why;
    if (sequence) {
      EXPECT_EQ(keyTextOfSequence(*sequence, c.kind, c.platform), c.back ? c.back : c.text);
    }
  }
}

// One line per entry: command, "-" for an unbinding, the key text, the
// stored keys in desktop words or "!" when not representable, the condition.
std::vector<std::string> summary(const ForeignKeymap& keymap) {
  std::vector<std::string> lines;
  for (const ForeignBinding& b : keymap.bindings)
    lines.push_back(b.command + (b.effect == BindingEffect::Unbind ? " -" : "") + " | " + b.keyText + " | " +
                    (b.unreadableKey.empty() ? desktop(b.sequence) : "!") + " | " + b.condition);
  return lines;
}

TEST(ForeignKeymap, SamplesAreRecognizedAndRead) {
  struct Case {
    const char* file;
    Kind kind;
    const char* parent;
    std::vector<std::string> bindings;
  };
  const Case cases[] = {
      {"vscode/keybindings.json", Kind::VSCode, "",
       {"editor.action.addCommentLine | ctrl+k ctrl+c | Ctrl+K, Ctrl+C | editorTextFocus",
        "editor.action.deleteLines - | ctrl+shift+k | Ctrl+Shift+K | ", "workbench.action.x | ctrl+oem_1 | ! | "}},
      {"jetbrains/keymap.xml", Kind::JetBrains, "Default for XWin",
       {"$Copy | control C | Ctrl+C | ", "CommentByLineComment | control K, control C | Ctrl+K, Ctrl+C | ",
        "EditorDeleteLine - |  |  | "}},
      {"kde/kate.shortcuts", Kind::KDE, "",
       {"file_save | Ctrl+S | Ctrl+S | ", "file_save | Ctrl+Shift+Num+5 | ! | ", "edit_undo - |  |  | "}},
      {"kde/katepartui.rc", Kind::KDE, "",
       {"tools_comment | Ctrl+K, Ctrl+C | Ctrl+K, Ctrl+C | ", "tools_comment | Meta+D | Meta+D | ",
        "edit_redo - |  |  | "}},
      {"qtcreator/mine.kms", Kind::QtCreator, "",
       {"QtCreator.Copy | Ctrl+C | Ctrl+C | ", "QtCreator.Copy | Ctrl+Ins | Ctrl+Ins | ",
        "TextEditor.DeleteLine - |  |  | "}},
      {"sublime/Default.sublime-keymap", Kind::Sublime, "",
       {"toggle_comment | ctrl+k ctrl+c | Ctrl+K, Ctrl+C | ",
        "find_under_expand | super+d | Meta+D | selection_empty equal false (all selections) && panel_visible"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string content = sample(c.file);
    EXPECT_EQ(recognizeKeymap(content, "keymap"), c.kind);
    KeymapReading read = readForeignKeymap(content, c.kind);
    ASSERT_TRUE(read.keymap) << read.error;
    EXPECT_EQ(read.keymap->parent, c.parent);
    EXPECT_EQ(summary(*read.keymap), c.bindings);
  }
}

// JetBrains' "meta" is Cmd in a keymap whose name or parent says Mac, Super elsewhere.
TEST(ForeignKeymap, JetBrainsPlatformFromNameAndParent) {
  struct Case {
    const char* attributes;
    const char* stored;
  };
  const Case cases[] = {{R"(name="Mine" parent="Mac OS X 10.5+")", "Ctrl+C"},
                        {R"(name="macOS copy")", "Ctrl+C"},
                        {R"(name="Mine" parent="Emacs")", "Meta+C"}};
  for (const Case& c : cases) {
    KeymapReading read = readForeignKeymap(std::string("<keymap ") + c.attributes +
                                               R"(><action id="a"><keyboard-shortcut first-keystroke="meta C"/></action></keymap>)",
                                           Kind::JetBrains);
    ASSERT_TRUE(read.keymap) << read.error;
    EXPECT_EQ(desktop(read.keymap->bindings.at(0).sequence), c.stored) << c.attributes;
  }
}

TEST(ForeignKeymap, KindFromContentThenName) {
  struct Case {
    std::string content;
    const char* fileName;
    std::optional<Kind> kind;
  };
  const Case cases[] = {
      {R"([{"command": "x", "context": [{"key": "a"}], "keys": ["a"]}])", "a.json", Kind::Sublime},
      {R"(// c
         [{"key": "a", "command": "x"}])", "a.sublime-keymap", Kind::VSCode},
      {"[]", "Default (Linux).sublime-keymap", Kind::Sublime},
      {"[ ]", "keybindings.json", Kind::VSCode},
      {"[]", "keys.txt", std::nullopt},
      {"<!-- x --><mapping/>", "a.xml", Kind::QtCreator},
      {"<kpartgui/>", "a.xml", Kind::KDE},
      {"<html/>", "a.kms", std::nullopt},
      {"<!-- broken", "a.kms", Kind::QtCreator},
      {"\xFF[]", "a.sublime-keymap", Kind::Sublime},
      {std::string(17U << 20U, ' '), "keybindings.json", Kind::VSCode},
      {"[Shortcuts]\nx=Ctrl+X\n", "a.json", Kind::KDE},
      {"key = value", "a.shortcuts", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(recognizeKeymap(c.content, c.fileName), c.kind) << c.content.substr(0, 80);
  for (Kind kind : {Kind::VSCode, Kind::JetBrains, Kind::KDE, Kind::QtCreator, Kind::Sublime})
    EXPECT_EQ(keymapKindNamed(keymapKindName(kind)), kind);
  EXPECT_EQ(keymapKindNamed("emacs"), std::nullopt);
}

std::string repeated(std::string_view part, std::size_t times) {
  std::string text;
  for (std::size_t i = 0; i < times; ++i) text += part;
  return text;
}

TEST(ForeignKeymap, HostileFilesGiveOneLineAndNothing) {
  const std::string laughs = R"(<?xml version="1.0"?><!DOCTYPE keymap [<!ENTITY a "aaaaaaaaaa">)" +
                             std::string(R"(<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">]><keymap name="&b;"/>)");
  struct Case {
    const char* name;
    Kind kind;
    std::string content;
    const char* line;  // a part of the one line
  };
  const Case cases[] = {
      // 16 MiB is 16,777,216 bytes: one more is too many.
      {"huge", Kind::VSCode, std::string((16U << 20U) + 1, ' '), "larger than 16 MiB"},
      {"deep JSON", Kind::Sublime, repeated("[", 65) + repeated("]", 65), "deeper than 64"},
      {"deep XML", Kind::QtCreator, "<mapping>" + repeated("<a>", 64) + repeated("</a>", 64) + "</mapping>",
       "deeper than 64"},
      {"a million entries", Kind::VSCode, "[" + repeated("{},", 500001) + "]", "more than 500000"},
      // "[Shortcuts]\n" is 12 bytes and "x=Ctrl+" 7: the bad one is byte 20.
      {"invalid UTF-8", Kind::KDE, "[Shortcuts]\nx=Ctrl+\xC3\x28\n", "not UTF-8 text (byte 20)"},
      {"overlong UTF-8", Kind::VSCode, "[\"\xC0\xAF\"]", "not UTF-8 text (byte 3)"},
      {"key not a string", Kind::VSCode, R"([{"key": 5, "command": "x"}])", "entry 1: \"key\" is not a string"},
      {"keys not a list", Kind::Sublime, R"([{"keys": "ctrl+k", "command": "x"}])", "entry 1: \"keys\""},
      {"context of numbers", Kind::Sublime, R"([{"keys": ["a"], "command": "x", "context": [1]}])", "\"context\""},
      {"entry not an object", Kind::VSCode, "[1]", "entry 1 is not an object"},
      {"not an array", Kind::VSCode, R"({"key": "a"})", "not a JSON array"},
      {"broken JSON", Kind::VSCode, "[{\"key\": \"a\"\n  \"command\": 1}]", "line 2"},
      {"open comment", Kind::VSCode, "[ /* ]", "comment that does not end"},
      {"entity expansion", Kind::JetBrains, laughs, "document type with declarations"},
      {"outside entity", Kind::QtCreator, R"(<!DOCTYPE m SYSTEM "file:///etc/passwd"><mapping/>)", "document type"},
      {"broken XML", Kind::JetBrains, "<keymap>\n<action id='a'>\n</keymap>", "line 3: mismatched tag"},
      {"other root", Kind::JetBrains, "<mapping/>", "not that of a jetbrains keymap"},
      {"action without id", Kind::JetBrains, "<keymap><action/></keymap>", "<action> without id"},
      {"shortcut without keystroke", Kind::JetBrains, "<keymap><action id='a'><keyboard-shortcut/></action></keymap>",
       "without first-keystroke"},
      {"stray line", Kind::KDE, "[Shortcuts]\nsave Ctrl+S\n", "line 2: neither"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    KeymapReading read = readForeignKeymap(c.content, c.kind);
    EXPECT_FALSE(read.keymap);
    EXPECT_NE(read.error.find(c.line), std::string::npos) << read.error;
    EXPECT_EQ(read.error.find('\n'), std::string::npos) << read.error;
  }
}

}  // namespace
}  // namespace qor
