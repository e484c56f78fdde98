// libFuzzer target for importing a set file through the pane, as
// `keybindings import FILE` does it: the input is written to a set file, the
// pane's import button reads it on the headless platform, and the result is
// stored; `import --dry-run` goes first in the same session. Then, in a
// fresh session over the store (as a later run of the tool; one session for
// all, as the pane is slow to load), what a person trying the set does:
// `use` the new set, `show` both outlines with changes marked in the desktop
// notation, `conflicts --all` and `reset --all`.
//
// Any bytes must give either one new set that every later command works on
// (never a crash, a hang or a sanitizer report), or, when they are not a
// property-list dictionary, the pane's alert with the store left as it was.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "command_line.h"
#include "qor/defaults/defaults.h"
#include "qor/key_bindings.h"
#include "qor/log.h"
#include "qor/plist_file.h"
#include "session.h"

namespace {

const qor::BundleFolders kFolders{QOR_PANE_RESOURCES_DIR, QOR_HOST_RESOURCES_DIR};

// A folder of this process's own for the set file, removed at exit.
class SetFile {
 public:
  SetFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qor-set-import-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    folder_ = pattern;
    path_ = folder_ + "/Imported.QOR_shortcuts";
  }
  ~SetFile() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  SetFile(const SetFile&) = delete;
  SetFile& operator=(const SetFile&) = delete;

  [[nodiscard]] const std::string& path() const { return path_; }
  void write(const std::uint8_t* data, std::size_t size) const {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) std::abort();
  }

 private:
  std::string folder_;
  std::string path_;
};

[[noreturn]] void fail(const std::vector<std::string>& arguments, const qor::Outcome& outcome) {
  std::string line;
  for (const std::string& argument : arguments) line += argument + " ";
  std::fprintf(stderr, "keybindings %s-> %d\n%s%s\n", line.c_str(), outcome.status, outcome.output.c_str(),
               outcome.error.c_str());
  std::abort();
}

// A session of the tool over `store`.
class Tool {
 public:
  explicit Tool(qor::MemoryDefaults& store) : session_(store, kFolders) {
    if (!session_.start().empty()) std::abort();
  }
  qor::Outcome run(const std::vector<std::string>& arguments) {
    qor::CommandLineParse parsed =
        qor::parseCommandLine(arguments, [](const char*) { return std::optional<std::string>("/nowhere"); });
    if (!parsed.ok()) std::abort();
    return session_.run(parsed.invocation);
  }

 private:
  qor::KeyBindingsSession session_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The pane logs refusals; kept in memory and dropped, not sent to syslog.
  static qor::LogCapture quiet;
  quiet.clear();
  static const SetFile file;
  file.write(data, size);

  qor::MemoryDefaults store;
  Tool importing(store);
  const qor::DictionaryRef set = qor::asDictionary(qor::propertyListFromBytes(std::span(data, size)));
  const bool isDictionary = set != nullptr;
  // Reset refuses to replace a part of the set that is there but is no
  // dictionary: it would lose what the user kept there.
  bool malformedPart = false;
  for (const char* part : {qor::kSetMenuKey, qor::kSetEditorKey})
    if (set && set->objectForKey(part) && !set->dictionaryForKey(part)) malformedPart = true;
  const std::vector<std::string> dryRun = {"import", "--dry-run", file.path()};
  const qor::Outcome previewed = importing.run(dryRun);
  if ((previewed.status == qor::kExitSuccess) != isDictionary) fail(dryRun, previewed);
  const std::vector<std::string> import = {"import", file.path()};
  const qor::Outcome imported = importing.run(import);
  if (!isDictionary) {
    if (imported.status == qor::kExitSuccess || !store.dictionaryRepresentation()->empty()) fail(import, imported);
    return 0;
  }
  // One line: the new set's number, a tab, its name (which may hold anything).
  const std::string& line = imported.output;
  const std::size_t tab = line.find('\t');
  if (imported.status != qor::kExitSuccess || tab == std::string::npos || tab == 0) fail(import, imported);
  const std::string number = line.substr(0, tab);

  Tool trying(store);
  const std::vector<std::vector<std::string>> commands = {
      {"use", number},
      {"show", "menu", "--changed", "--notation", "desktop"},
      {"show", "editor", "--changed", "--notation", "desktop"},
      {"conflicts", "--all"},
      {"reset", "--all"},
  };
  for (const auto& arguments : commands) {
    const qor::Outcome outcome = trying.run(arguments);
    // `conflicts` says it found some with its own status.
    const bool expected = outcome.status == qor::kExitSuccess ||
                          (arguments.front() == "conflicts" && outcome.status == qor::kExitConflict) ||
                          (arguments.front() == "reset" && malformedPart);
    if (!expected) fail(arguments, outcome);
  }
  return 0;
}
