#include "qor/testing/oracles.h"

#include <sys/wait.h>

#include <cstdio>

namespace qor::fixtures {

CommandRun runCommand(const std::string& command) {
  CommandRun result;
  std::FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, got);
  const int status = ::pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

CommandRun runPython(const TemporaryFolder& folder, const std::string& script,
                     const std::vector<std::string>& arguments) {
  const std::string path = folder.file("check.py");
  writeText(path, script);
  std::string command = "python3 " + shellQuoted(path);
  for (const auto& argument : arguments) command += " " + shellQuoted(argument);
  return runCommand(command);
}

}  // namespace qor::fixtures
