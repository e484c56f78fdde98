// The system's own tools (python3, ImageMagick, libtiff's tools, trash-cli)
// run as independent oracles for the tests.
#pragma once

#include <string>
#include <vector>

#include "qor/testing/temporary_folder.h"

namespace qor::fixtures {

struct CommandRun {
  int status = -1;  // the exit status; -1 when the command did not start or exit normally
  std::string output;  // its standard output
};

// Runs `command` with /bin/sh.
CommandRun runCommand(const std::string& command);

// `text` as one word for /bin/sh.
std::string shellQuoted(const std::string& text);

// Writes `script` into `folder` and runs it with python3 and `arguments`.
CommandRun runPython(const TemporaryFolder& folder, const std::string& script,
                     const std::vector<std::string>& arguments);

}  // namespace qor::fixtures
