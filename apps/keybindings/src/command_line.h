// The command line of the keybindings tool, read into data.
//
//   keybindings [--defaults FILE] COMMAND [ARGUMENTS...]
//
// Commands and their arguments:
//   sets                              list the sets, the current one marked
//   show menu|editor [--changed] [--notation desktop]
//                                     the outline as the pane shows it; changes
//                                     from the default set marked; shortcuts in
//                                     the desktop's notation
//   use N                             make set N current
//   duplicate NAME                    duplicate the current set as NAME
//   remove                            remove the current set
//   export FILE                       write the current set to FILE
//   import [--dry-run] [--from KIND] FILE...
//                                     add the sets in the files, or only say
//                                     what each would bring; other editors'
//                                     keymaps (of KIND, or of the kind their
//                                     content shows) become new sets
//   bind menu|editor COMMAND KEYS     add a shortcut to a command
//   unbind menu|editor COMMAND INDEX  remove a command's shortcut INDEX (from 0)
//   conflicts menu|editor KEYS        which commands use KEYS
//   conflicts --all                   every shortcut held twice, group by group, then --desktop's
//   conflicts --desktop               the desktop's shortcuts that commands hold
//   find TEXT | find --keys KEYS      commands by title, or by their shortcuts
//   reset menu|editor COMMAND         a command's shortcuts back to the default
//   reset menu|editor --group TITLE   those of a top-level group of the outline
//   reset --all                       those of the whole set
//   cheatsheet [--format html|pdf] FILE
//                                     the current set's shortcuts as a printable
//                                     page; without --format, a FILE ending in
//                                     .pdf is PDF, any other HTML
//
// Example:
//   auto parsed = qor::parseCommandLine({"--defaults", "/tmp/d.plist", "use", "0"}, environment);
//   parsed.invocation.command;   // Command::Use
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/keymaps/foreign_keymap.h"

namespace qor {

enum class Command { Help, Sets, Show, Use, Duplicate, Remove, Export, Import, Bind, Unbind, Conflicts, Find, Reset,
                     CheatSheet };

// Which outline a command works on.
enum class Group { Menu, Editor };

// Whether the defaults file was named on the command line or is the
// per-user default location (whose folder the tool may create).
enum class DefaultsLocation { Given, PerUser };

// How much of a set `conflicts` and `reset` look at.
enum class Scope { Command, OutlineGroup, WholeSet, Desktop };

// How `show` writes shortcuts, and whether it marks changes from the default set.
enum class Notation { Glyphs, Desktop };
enum class ChangeMarks { Hidden, Shown };

// What `find` looks for.
enum class FindBy { Title, Keys };

// Whether `import` adds the sets or only describes them.
enum class ImportMode { Add, DryRun };

// What `cheatsheet` writes.
enum class DocumentFormat { ByExtension, Html, Pdf };

struct Invocation {
  Command command = Command::Help;
  std::string defaultsPath;
  DefaultsLocation location = DefaultsLocation::PerUser;
  Group group = Group::Menu;         // show, bind, unbind, conflicts
  std::int32_t setNumber = 0;        // use
  std::string name;                  // duplicate: the set's name; bind, unbind, reset: the command or group
  std::vector<std::string> files;    // export, cheatsheet (one), import (one or more)
  std::string keys;                  // bind, conflicts
  std::int64_t index = 0;            // unbind
  Scope scope = Scope::Command;      // conflicts (Command, WholeSet or Desktop), reset
  Notation notation = Notation::Glyphs;      // show
  ChangeMarks changeMarks = ChangeMarks::Hidden;  // show
  FindBy findBy = FindBy::Title;     // find; the text or keys are in `keys`
  ImportMode importMode = ImportMode::Add;  // import
  std::optional<KeymapKind> keymapKind;     // import --from: read the files as this kind's keymaps
  DocumentFormat format = DocumentFormat::ByExtension;  // cheatsheet
};

struct CommandLineParse {
  Invocation invocation;
  std::string error;  // one line; empty on success
  [[nodiscard]] bool ok() const { return error.empty(); }
};

// Reads an environment variable; nullopt when it is not set.
using Environment = std::function<std::optional<std::string>(const char* name)>;

// The per-user defaults file: $XDG_CONFIG_HOME/qor/defaults.plist when that
// variable holds an absolute path, else $HOME/.config/qor/defaults.plist.
// Result: empty when neither variable helps.
[[nodiscard]] std::string perUserDefaultsPath(const Environment& environment);

// Parses the arguments after the program name. "--defaults FILE" (or
// "--defaults=FILE") may come before the command; "--help" or "-h" alone, or
// no arguments at all, ask for help. Failure (an `error`): an unknown option
// or command, a wrong number of arguments, a group other than "menu" and
// "editor", a set number that is no signed 32-bit decimal, an index that is
// no non-negative decimal, a cheat sheet format other than "html" and "pdf",
// an import --from kind that keymapKindNamed does not know, no per-user
// location without --defaults.
[[nodiscard]] CommandLineParse parseCommandLine(const std::vector<std::string>& arguments,
                                                const Environment& environment);

// The usage text printed for help and after a command-line error.
[[nodiscard]] std::string_view usageText();

}  // namespace qor
