// A process of its own for the log test: logs each argument after the first
// as a line to the daemon socket named by the first ("-": the system's), then
// returns from main, so that only the log's handling of exit() can deliver
// them.
#include <string_view>

#include "qor/log.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (std::string_view(argv[1]) != "-") qor::setSystemLogSocketPath(argv[1]);
  for (int i = 2; i < argc; ++i) qor::logLine(argv[i]);
  return 0;
}
