#include "command_line.h"

#include <gtest/gtest.h>

#include <map>

#include "defaults_file.h"
#include "qor/plist_file.h"
#include "qor/testing/memory_file_system.h"

namespace qor {
namespace {

Environment environmentOf(std::map<std::string, std::string> values) {
  return [values](const char* name) -> std::optional<std::string> {
    auto found = values.find(name);
    return found == values.end() ? std::nullopt : std::optional(found->second);
  };
}

const Environment kHome = environmentOf({{"HOME", "/home/ann"}});

TEST(CommandLineTest, PerUserDefaultsFollowXdg) {
  struct Case {
    std::map<std::string, std::string> environment;
    const char* path;
  };
  const Case cases[] = {
      {{{"HOME", "/home/ann"}}, "/home/ann/.config/qor/defaults.plist"},
      {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg"}}, "/cfg/qor/defaults.plist"},
      // A relative or empty XDG_CONFIG_HOME is ignored, as the XDG rules say.
      {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}}, "/home/ann/.config/qor/defaults.plist"},
      {{{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}}, "/home/ann/.config/qor/defaults.plist"},
      {{{"XDG_CONFIG_HOME", "/cfg"}}, "/cfg/qor/defaults.plist"},
      {{}, ""},
      {{{"HOME", ""}}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(perUserDefaultsPath(environmentOf(c.environment)), c.path);
}

TEST(CommandLineTest, CommandsAndTheirArguments) {
  auto parse = [](std::vector<std::string> arguments) { return parseCommandLine(arguments, kHome); };

  CommandLineParse sets = parse({"sets"});
  ASSERT_TRUE(sets.ok()) << sets.error;
  EXPECT_EQ(sets.invocation.command, Command::Sets);
  EXPECT_EQ(sets.invocation.defaultsPath, "/home/ann/.config/qor/defaults.plist");
  EXPECT_EQ(sets.invocation.location, DefaultsLocation::PerUser);

  for (auto arguments : {std::vector<std::string>{"--defaults", "/tmp/d.plist", "use", "-5"},
                         std::vector<std::string>{"--defaults=/tmp/d.plist", "use", "-5"}}) {
    CommandLineParse use = parse(arguments);
    ASSERT_TRUE(use.ok()) << use.error;
    EXPECT_EQ(use.invocation.command, Command::Use);
    EXPECT_EQ(use.invocation.setNumber, -5);
    EXPECT_EQ(use.invocation.defaultsPath, "/tmp/d.plist");
    EXPECT_EQ(use.invocation.location, DefaultsLocation::Given);
  }

  CommandLineParse bind = parse({"bind", "editor", "moveLeft:", "Meta+B"});
  ASSERT_TRUE(bind.ok());
  EXPECT_EQ(bind.invocation.group, Group::Editor);
  EXPECT_EQ(bind.invocation.name, "moveLeft:");
  EXPECT_EQ(bind.invocation.keys, "Meta+B");

  CommandLineParse unbind = parse({"unbind", "menu", "File/Save", "2"});
  ASSERT_TRUE(unbind.ok());
  EXPECT_EQ(unbind.invocation.index, 2);

  CommandLineParse conflicts = parse({"conflicts", "menu", "Ctrl+S"});
  ASSERT_TRUE(conflicts.ok());
  EXPECT_EQ(conflicts.invocation.keys, "Ctrl+S");

  // After the command, arguments are taken as they are, dashes included.
  CommandLineParse import = parse({"import", "a.QOR_shortcuts", "-b.QOR_shortcuts"});
  ASSERT_TRUE(import.ok());
  EXPECT_EQ(import.invocation.files, (std::vector<std::string>{"a.QOR_shortcuts", "-b.QOR_shortcuts"}));
  EXPECT_EQ(parse({"duplicate", "--help"}).invocation.name, "--help");
  EXPECT_EQ(parse({"duplicate", " "}).invocation.name, " ");

  // Beyond the pane's own controls; unnamed fields keep the plain defaults.
  struct Option {
    std::vector<std::string> arguments;
    Command command;
    Scope scope = Scope::Command;
    Notation notation = Notation::Glyphs;
    ChangeMarks marks = ChangeMarks::Hidden;
    FindBy findBy = FindBy::Title;
    ImportMode importMode = ImportMode::Add;
    std::string text{};  // `keys`, `name` or the first file
  };
  const Option options[] = {
      {.arguments = {"conflicts", "--all"}, .command = Command::Conflicts, .scope = Scope::WholeSet},
      {.arguments = {"show", "menu", "--notation", "desktop", "--changed"}, .command = Command::Show,
       .notation = Notation::Desktop, .marks = ChangeMarks::Shown},
      {.arguments = {"show", "menu", "--notation", "glyphs"}, .command = Command::Show},
      {.arguments = {"find", "save as"}, .command = Command::Find, .text = "save as"},
      {.arguments = {"find", "--keys", "Ctrl+K"}, .command = Command::Find, .findBy = FindBy::Keys, .text = "Ctrl+K"},
      {.arguments = {"reset", "menu", "File/Save"}, .command = Command::Reset, .text = "File/Save"},
      {.arguments = {"reset", "editor", "--group", "Moving"}, .command = Command::Reset, .scope = Scope::OutlineGroup,
       .text = "Moving"},
      {.arguments = {"reset", "--all"}, .command = Command::Reset, .scope = Scope::WholeSet},
      {.arguments = {"import", "--dry-run", "a", "b"}, .command = Command::Import, .importMode = ImportMode::DryRun,
       .text = "a"},
  };
  for (const Option& o : options) {
    CommandLineParse parsed = parse(o.arguments);
    ASSERT_TRUE(parsed.ok()) << parsed.error;
    const Invocation& i = parsed.invocation;
    EXPECT_EQ(i.command, o.command) << o.arguments[1];
    EXPECT_EQ(i.scope, o.scope) << o.arguments[1];
    EXPECT_EQ(i.notation, o.notation) << o.arguments[1];
    EXPECT_EQ(i.changeMarks, o.marks) << o.arguments[1];
    EXPECT_EQ(i.findBy, o.findBy) << o.arguments[1];
    EXPECT_EQ(i.importMode, o.importMode) << o.arguments[1];
    EXPECT_EQ(o.command == Command::Find ? i.keys : o.command == Command::Import ? i.files.front() : i.name, o.text);
  }
  EXPECT_EQ(parse({"reset", "editor", "--group", "Moving"}).invocation.group, Group::Editor);
  // --from and --dry-run in either order; without --from no kind.
  for (auto arguments : {std::vector<std::string>{"import", "--from", "kde", "--dry-run", "a"},
                         std::vector<std::string>{"import", "--dry-run", "--from", "kde", "a"}}) {
    const Invocation i = parse(arguments).invocation;
    EXPECT_EQ(i.keymapKind, KeymapKind::KDE);
    EXPECT_EQ(i.importMode, ImportMode::DryRun);
    EXPECT_EQ(i.files, std::vector<std::string>{"a"});
  }
  EXPECT_FALSE(parse({"import", "a"}).invocation.keymapKind);

  for (auto help : {std::vector<std::string>{}, std::vector<std::string>{"--help"}, std::vector<std::string>{"-h"}}) {
    CommandLineParse parsed = parse(help);
    EXPECT_TRUE(parsed.ok());
    EXPECT_EQ(parsed.invocation.command, Command::Help);
  }
}

TEST(CommandLineTest, BadCommandLinesSayWhy) {
  struct Case {
    std::vector<std::string> arguments;
    const char* error;
  };
  const Case cases[] = {
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"--verbose", "sets"}, "unknown option '--verbose'"},
      {{"--defaults"}, "--defaults needs a file"},
      {{"--defaults="}, "--defaults needs a file"},
      {{"--defaults", "/tmp/d"}, "no command given"},
      {{"--help", "sets"}, "--help takes nothing else"},
      {{"sets", "extra"}, "wrong number of arguments for 'sets' (see keybindings --help)"},
      {{"show"}, "wrong number of arguments for 'show' (see keybindings --help)"},
      {{"import"}, "wrong number of arguments for 'import' (see keybindings --help)"},
      {{"bind", "menu", "File/Save"}, "wrong number of arguments for 'bind' (see keybindings --help)"},
      {{"show", "toolbar"}, "not 'menu' or 'editor': 'toolbar'"},
      {{"use", "x"}, "not a set number: 'x'"},
      {{"use", "2147483648"}, "not a set number: '2147483648'"},  // 2^31: beyond the signed 32-bit numbers
      {{"use", "+1"}, "not a set number: '+1'"},
      {{"unbind", "menu", "File/Save", "-1"}, "not a shortcut index: '-1'"},
      {{"unbind", "menu", "File/Save", "one"}, "not a shortcut index: 'one'"},
      {{"conflicts", "menu"}, "conflicts takes menu|editor KEYS, --all or --desktop"},
      {{"conflicts", "--all", "x"}, "not 'menu' or 'editor': '--all'"},
      {{"show", "menu", "--notation"}, "show takes menu|editor, then --changed and --notation desktop|glyphs"},
      {{"show", "menu", "--notation", "emacs"}, "show takes menu|editor, then --changed and --notation desktop|glyphs"},
      {{"find", "--key", "Ctrl+K"}, "find takes TEXT or --keys KEYS"},
      {{"find"}, "wrong number of arguments for 'find' (see keybindings --help)"},
      {{"reset", "menu"}, "reset takes menu|editor COMMAND, menu|editor --group TITLE or --all"},
      {{"reset", "menu", "--all", "x"}, "reset takes menu|editor COMMAND, menu|editor --group TITLE or --all"},
      {{"reset", "--group", "File"}, "not 'menu' or 'editor': '--group'"},
      {{"import", "--dry-run"}, "import --dry-run needs at least one file"},
      {{"import", "--from", "vscode"}, "import --from needs at least one file"},
      {{"import", "--from", "emacs", "a"}, "import --from takes vscode, jetbrains, kde, qtcreator or sublime"},
  };
  for (const Case& c : cases) {
    CommandLineParse parsed = parseCommandLine(c.arguments, kHome);
    EXPECT_EQ(parsed.error, c.error) << c.arguments.front();
  }
  EXPECT_EQ(parseCommandLine({"sets"}, environmentOf({})).error, "no HOME or XDG_CONFIG_HOME: give --defaults FILE");
  EXPECT_TRUE(parseCommandLine({"--defaults", "d.plist", "sets"}, environmentOf({})).ok());
}

TEST(CommandLineTest, CheatSheetTakesAFormatAndOneFile) {
  constexpr const char* kUsage = "cheatsheet takes [--format html|pdf] FILE";
  const struct {
    std::vector<std::string> arguments;
    DocumentFormat format;
    const char* error;
  } cases[] = {
      {{"cheatsheet", "keys"}, DocumentFormat::ByExtension, ""},
      {{"cheatsheet", "--format", "html", "keys"}, DocumentFormat::Html, ""},
      {{"cheatsheet", "--format", "pdf", "keys"}, DocumentFormat::Pdf, ""},
      {{"cheatsheet", "--format", "odt", "keys"}, DocumentFormat::ByExtension, kUsage},
      {{"cheatsheet", "--format", "pdf"}, DocumentFormat::ByExtension, kUsage},
      {{"cheatsheet"}, DocumentFormat::ByExtension,
       "wrong number of arguments for 'cheatsheet' (see keybindings --help)"},
  };
  for (const auto& c : cases) {
    CommandLineParse parsed = parseCommandLine(c.arguments, kHome);
    EXPECT_EQ(parsed.error, c.error) << c.arguments.size();
    if (!parsed.ok()) continue;
    EXPECT_EQ(parsed.invocation.command, Command::CheatSheet);
    EXPECT_EQ(parsed.invocation.format, c.format);
    EXPECT_EQ(parsed.invocation.files, std::vector<std::string>{"keys"});
  }
}

TEST(DefaultsFileTest, ReadsDictionariesAndRefusesAnythingElse) {
  fixtures::MemoryFileSystem fs;
  std::string xml = xmlPropertyListFromValue(Dictionary::make({{"global.keyBindingsSetNumber", integer(7)}}));
  fs.files["/ok"] = std::vector<std::uint8_t>(xml.begin(), xml.end());
  std::string array = xmlPropertyListFromValue(Array::make());
  fs.files["/array"] = std::vector<std::uint8_t>(array.begin(), array.end());
  fs.files["/empty"] = {};

  DefaultsFileRead ok = readDefaultsFile("/ok", fs);
  ASSERT_TRUE(ok.ok());
  EXPECT_TRUE(isEqual(ok.contents->objectForKey("global.keyBindingsSetNumber"), integer(7)));
  DefaultsFileRead missing = readDefaultsFile("/nonexistent/defaults.plist", fs);
  EXPECT_TRUE(missing.ok());
  EXPECT_EQ(missing.contents, nullptr);
  EXPECT_EQ(readDefaultsFile("/array", fs).error,
            "the defaults file '/array' holds no property-list dictionary; left as it is");
  EXPECT_FALSE(readDefaultsFile("/empty", fs).ok());
  // Present on disk, yet the file system cannot read it.
  EXPECT_EQ(readDefaultsFile("/", fs).error, "cannot read the defaults file '/'");

  EXPECT_FALSE(defaultsChanged(nullptr, Dictionary::make()));
  EXPECT_FALSE(defaultsChanged(ok.contents, Dictionary::make({{"global.keyBindingsSetNumber", integer(7)}})));
  EXPECT_TRUE(defaultsChanged(ok.contents, Dictionary::make({{"global.keyBindingsSetNumber", integer(8)}})));
  EXPECT_TRUE(defaultsChanged(nullptr, ok.contents));
}

}  // namespace
}  // namespace qor
