#include "command_line.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace qor {

namespace {

constexpr std::string_view kDefaultsOption = "--defaults";
constexpr std::string_view kDefaultsOptionWithValue = "--defaults=";
constexpr std::string_view kPerUserFile = "/qor/defaults.plist";
constexpr std::string_view kHomeConfigFolder = "/.config";

constexpr std::string_view kUsage =
    "usage: keybindings [--defaults FILE] COMMAND [ARGUMENTS...]\n"
    "\n"
    "  sets                              list the sets; * marks the current one\n"
    "  show menu|editor                  the commands and their shortcuts\n"
    "       [--changed]                  ... with * after commands changed from the default set\n"
    "       [--notation desktop]         ... with the shortcuts written as Ctrl+Shift+S\n"
    "  use N                             make set N current (0: the default set)\n"
    "  duplicate NAME                    copy the current set as NAME and make it current\n"
    "  remove                            remove the current set\n"
    "  export FILE                       write the current set to FILE\n"
    "  import FILE...                    add the sets in the files\n"
    "  import --dry-run FILE...          what each file would bring, importing nothing\n"
    "  import --from KIND FILE...        other editors' keymaps (vscode, jetbrains, kde, qtcreator,\n"
    "                                    sublime) as new sets; without --from the kind is read\n"
    "                                    from the content; --dry-run may come before or after\n"
    "  bind menu|editor COMMAND KEYS     add the shortcut KEYS to COMMAND\n"
    "  unbind menu|editor COMMAND INDEX  remove shortcut INDEX (from 0) of COMMAND\n"
    "  conflicts menu|editor KEYS        the commands that use KEYS (exit status 1 if any)\n"
    "  conflicts --all                   every shortcut that several commands hold, and --desktop's (exit status 1 if any)\n"
    "  conflicts --desktop               the desktop's shortcuts that commands hold (exit status 1 if any)\n"
    "  find TEXT                         commands whose title contains TEXT (any case, any accents)\n"
    "  find --keys KEYS                  commands whose shortcut is or starts with KEYS\n"
    "  reset menu|editor COMMAND         COMMAND's shortcuts back to those of the default set\n"
    "  reset menu|editor --group TITLE   the same for every command under the top-level row TITLE\n"
    "  reset --all                       the same for the whole set (its name and number stay)\n"
    "  cheatsheet [--format html|pdf] FILE\n"
    "                                    the current set's shortcuts as a printable page; without\n"
    "                                    --format, FILE ending in .pdf is PDF, any other HTML\n"
    "\n"
    "COMMAND: a menu item identifier (\"[saveDocument:] [] [0]\"), an editing command\n"
    "(\"moveLeft:\") or a title path (\"File/Save\").\n"
    "KEYS: Qt's portable text, chords separated by \", \": Ctrl+ is Command,\n"
    "Meta+ Control, Alt+ Option, Shift+ Shift (\"Ctrl+S\", \"Ctrl+K, Ctrl+Shift+F5\").\n"
    "FILE for the defaults: $XDG_CONFIG_HOME/qor/defaults.plist, else\n"
    "~/.config/qor/defaults.plist.\n";

struct CommandName {
  std::string_view name;
  Command command;
  std::size_t minimumArguments;
  std::size_t maximumArguments;  // kAny: no limit
};

constexpr std::size_t kAny = static_cast<std::size_t>(-1);

constexpr std::string_view kAllOption = "--all";
constexpr std::string_view kDesktopOption = "--desktop";
constexpr std::string_view kChangedOption = "--changed";
constexpr std::string_view kNotationOption = "--notation";
constexpr std::string_view kDesktopNotation = "desktop";
constexpr std::string_view kGlyphNotation = "glyphs";
constexpr std::string_view kKeysOption = "--keys";
constexpr std::string_view kGroupOption = "--group";
constexpr std::string_view kDryRunOption = "--dry-run";
constexpr std::string_view kFormatOption = "--format";
constexpr std::string_view kFromOption = "--from";

constexpr std::array<CommandName, 13> kCommands{{
    {"sets", Command::Sets, 0, 0},
    {"show", Command::Show, 1, 4},
    {"use", Command::Use, 1, 1},
    {"duplicate", Command::Duplicate, 1, 1},
    {"remove", Command::Remove, 0, 0},
    {"export", Command::Export, 1, 1},
    {"import", Command::Import, 1, kAny},
    {"find", Command::Find, 1, 2},
    {"reset", Command::Reset, 1, 3},
    {"bind", Command::Bind, 3, 3},
    {"unbind", Command::Unbind, 3, 3},
    {"conflicts", Command::Conflicts, 1, 2},
    {"cheatsheet", Command::CheatSheet, 1, 3},
}};

template <typename Number>
std::optional<Number> decimal(std::string_view text) {
  Number value{};
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<Group> groupNamed(std::string_view name) {
  if (name == "menu") return Group::Menu;
  if (name == "editor") return Group::Editor;
  return std::nullopt;
}

CommandLineParse failure(std::string error) {
  CommandLineParse parse;
  parse.error = std::move(error);
  return parse;
}

}  // namespace

std::string perUserDefaultsPath(const Environment& environment) {
  std::optional<std::string> config = environment("XDG_CONFIG_HOME");
  if (config && config->starts_with('/')) return *config + std::string(kPerUserFile);
  std::optional<std::string> home = environment("HOME");
  if (home && !home->empty()) return *home + std::string(kHomeConfigFolder) + std::string(kPerUserFile);
  return {};
}

CommandLineParse parseCommandLine(const std::vector<std::string>& arguments, const Environment& environment) {
  CommandLineParse parse;
  Invocation& invocation = parse.invocation;
  std::size_t at = 0;
  std::optional<std::string> defaultsPath;
  for (; at < arguments.size() && arguments[at].starts_with("-"); ++at) {
    const std::string& option = arguments[at];
    if (option == "--help" || option == "-h") {
      if (arguments.size() != 1) return failure("--help takes nothing else");
      return parse;
    }
    if (option == kDefaultsOption) {
      if (at + 1 >= arguments.size()) return failure("--defaults needs a file");
      defaultsPath = arguments[++at];
    } else if (option.starts_with(kDefaultsOptionWithValue)) {
      defaultsPath = option.substr(kDefaultsOptionWithValue.size());
    } else {
      return failure("unknown option '" + option + "'");
    }
    if (defaultsPath->empty()) return failure("--defaults needs a file");
  }
  if (at == arguments.size()) {
    if (defaultsPath) return failure("no command given");
    return parse;
  }

  const std::string& name = arguments[at];
  auto known = std::find_if(kCommands.begin(), kCommands.end(), [&](const CommandName& c) { return c.name == name; });
  if (known == kCommands.end()) return failure("unknown command '" + name + "'");
  std::vector<std::string> rest(arguments.begin() + static_cast<std::ptrdiff_t>(at) + 1, arguments.end());
  if (rest.size() < known->minimumArguments || rest.size() > known->maximumArguments)
    return failure("wrong number of arguments for '" + name + "' (see keybindings --help)");
  invocation.command = known->command;

  if (defaultsPath) {
    invocation.defaultsPath = *defaultsPath;
    invocation.location = DefaultsLocation::Given;
  } else {
    invocation.defaultsPath = perUserDefaultsPath(environment);
    if (invocation.defaultsPath.empty()) return failure("no HOME or XDG_CONFIG_HOME: give --defaults FILE");
  }

  switch (invocation.command) {
    case Command::Help:
    case Command::Sets:
    case Command::Remove:
      break;
    case Command::Use: {
      auto number = decimal<std::int32_t>(rest[0]);
      if (!number) return failure("not a set number: '" + rest[0] + "'");
      invocation.setNumber = *number;
      break;
    }
    case Command::Duplicate:
      invocation.name = rest[0];
      break;
    case Command::Export:
      invocation.files = rest;
      break;
    case Command::Import: {
      bool fromGiven = false;
      while (!rest.empty() && (rest.front() == kDryRunOption || rest.front() == kFromOption)) {
        if (rest.front() == kDryRunOption) {
          invocation.importMode = ImportMode::DryRun;
          rest.erase(rest.begin());
          continue;
        }
        if (rest.size() < 2 || !(invocation.keymapKind = keymapKindNamed(rest[1])))
          return failure("import --from takes vscode, jetbrains, kde, qtcreator or sublime");
        fromGiven = true;
        rest.erase(rest.begin(), rest.begin() + 2);
      }
      if (rest.empty())
        return failure(fromGiven ? "import --from needs at least one file" : "import --dry-run needs at least one file");
      invocation.files = rest;
      break;
    }
    case Command::CheatSheet:
      if (rest.size() == 3 && rest[0] == kFormatOption && (rest[1] == "html" || rest[1] == "pdf")) {
        invocation.format = rest[1] == "html" ? DocumentFormat::Html : DocumentFormat::Pdf;
      } else if (rest.size() != 1) {
        return failure("cheatsheet takes [--format html|pdf] FILE");
      }
      invocation.files = {rest.back()};
      break;
    case Command::Find:
      if (rest.size() == 2) {
        if (rest[0] != kKeysOption) return failure("find takes TEXT or --keys KEYS");
        invocation.findBy = FindBy::Keys;
      }
      invocation.keys = rest.back();
      break;
    case Command::Reset:
      if (rest.size() == 1 && rest[0] == kAllOption) {
        invocation.scope = Scope::WholeSet;
        break;
      }
      if (auto group = groupNamed(rest[0])) {
        invocation.group = *group;
      } else {
        return failure("not 'menu' or 'editor': '" + rest[0] + "'");
      }
      if (rest.size() == 3 && rest[1] == kGroupOption) {
        invocation.scope = Scope::OutlineGroup;
      } else if (rest.size() != 2) {
        return failure("reset takes menu|editor COMMAND, menu|editor --group TITLE or --all");
      }
      invocation.name = rest.back();
      break;
    case Command::Show:
    case Command::Bind:
    case Command::Unbind:
    case Command::Conflicts: {
      if (invocation.command == Command::Conflicts && rest.size() == 1) {
        if (rest[0] != kAllOption && rest[0] != kDesktopOption)
          return failure("conflicts takes menu|editor KEYS, --all or --desktop");
        invocation.scope = rest[0] == kAllOption ? Scope::WholeSet : Scope::Desktop;
        break;
      }
      if (invocation.command == Command::Show) {
        for (std::size_t i = 1; i < rest.size(); ++i) {
          if (rest[i] == kChangedOption) {
            invocation.changeMarks = ChangeMarks::Shown;
          } else if (rest[i] == kNotationOption && i + 1 < rest.size() &&
                     (rest[i + 1] == kDesktopNotation || rest[i + 1] == kGlyphNotation)) {
            invocation.notation = rest[++i] == kDesktopNotation ? Notation::Desktop : Notation::Glyphs;
          } else {
            return failure("show takes menu|editor, then --changed and --notation desktop|glyphs");
          }
        }
      } else if (rest.size() == 1) {
        return failure("wrong number of arguments for '" + name + "' (see keybindings --help)");
      }
      auto group = groupNamed(rest[0]);
      if (!group) return failure("not 'menu' or 'editor': '" + rest[0] + "'");
      invocation.group = *group;
      if (invocation.command == Command::Bind || invocation.command == Command::Unbind) invocation.name = rest[1];
      if (invocation.command == Command::Bind) invocation.keys = rest[2];
      if (invocation.command == Command::Conflicts) invocation.keys = rest[1];
      if (invocation.command == Command::Unbind) {
        auto index = decimal<std::int64_t>(rest[2]);
        if (!index || *index < 0) return failure("not a shortcut index: '" + rest[2] + "'");
        invocation.index = *index;
      }
      break;
    }
  }
  return parse;
}

std::string_view usageText() { return kUsage; }

}  // namespace qor
