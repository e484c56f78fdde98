// keybindings: the Key Bindings pane from the command line, over the host's
// defaults file. See command_line.h for the commands.
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "command_line.h"
#include "defaults_file.h"
#include "pdf_output.h"
#include "qor/defaults/defaults.h"
#include "qor/desktop/desktop_shortcuts.h"
#include "qor/plist_file.h"
#include "session.h"

namespace {

constexpr const char* kProgram = "keybindings: ";

std::optional<std::string> environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::optional<std::string>(value) : std::nullopt;
}

// The bundles: the environment's choice, else where the build found them.
qor::BundleFolders bundleFolders() {
  return {environmentValue("QOR_PANE_RESOURCES").value_or(QOR_PANE_RESOURCES_DIR),
          environmentValue("QOR_HOST_RESOURCES").value_or(QOR_HOST_RESOURCES_DIR)};
}

int fail(const std::string& line, int status = qor::kExitFailure) {
  std::cerr << kProgram << line << '\n';
  return status;
}

// Writes the whole store at once; the per-user folder is made when missing.
bool writeDefaults(const qor::Invocation& invocation, const qor::DictionaryRef& contents) {
  if (invocation.location == qor::DefaultsLocation::PerUser) {
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(invocation.defaultsPath).parent_path(), ignored);
  }
  return qor::writePropertyListFile(contents, invocation.defaultsPath);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> arguments(argv + 1, argv + argc);
  qor::CommandLineParse parsed = qor::parseCommandLine(arguments, environmentValue);
  if (!parsed.ok()) return fail(parsed.error);
  const qor::Invocation& invocation = parsed.invocation;
  if (invocation.command == qor::Command::Help) {
    std::cout << qor::usageText();
    return qor::kExitSuccess;
  }

  qor::DefaultsFileRead read = qor::readDefaultsFile(invocation.defaultsPath, qor::FileSystem::real());
  if (!read.ok()) return fail(read.error);
  qor::MemoryDefaults store(read.contents);
  qor::Outcome outcome;
  {
    qor::KeyBindingsSession session(store, bundleFolders(), qor::pdfWriterOfThisBuild());
    if (std::string error = session.start(); !error.empty()) return fail(error);
    // Read only when asked about: GSettings and KDE's file are the desktop's, not the set's.
    if (invocation.command == qor::Command::Conflicts && invocation.scope != qor::Scope::Command)
      session.setDesktopShortcuts(qor::readDesktopShortcuts());
    outcome = session.run(invocation);
  }
  if (outcome.status != qor::kExitSuccess) {
    std::cout << outcome.output;
    return outcome.error.empty() ? outcome.status : fail(outcome.error, outcome.status);
  }
  qor::DictionaryRef after = store.dictionaryRepresentation();
  if (qor::defaultsChanged(read.contents, after) && !writeDefaults(invocation, after))
    return fail("cannot write the defaults file '" + invocation.defaultsPath + "'; it is left as it was");
  std::cout << outcome.output;
  return qor::kExitSuccess;
}
