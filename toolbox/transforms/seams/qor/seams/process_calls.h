// A seam for the process calls of qor/command_filter.h; not installed, not
// exported: the tests link the static parts.
#pragma once

#include <sys/types.h>

#include <array>
#include <optional>

#include "qor/command_filter.h"

namespace qor {

// The process calls that can fail, so that tests can inject the failures.
// Each method forwards to the system call of the same role.
class ProcessCalls {
 public:
  virtual ~ProcessCalls() = default;
  // pipe2 with O_CLOEXEC: `descriptors` receives the read and the write end.
  // Result: 0, or -1 with errno set.
  virtual int makePipe(std::array<int, 2>& descriptors);
  // fork. Result: 0 in the new process, its id in the caller, -1 on failure.
  virtual pid_t forkProcess();
  // execvp. Returns only on failure, with -1.
  virtual int executeProgram(const char* file, char* const arguments[]);
  // The process-wide instance that makes the real calls.
  static ProcessCalls& real();
};

// twoWayPipeWithCommand, write_data_with_command and filterDataWithArguments
// (qor/command_filter.h) with the process calls going through `calls`.
[[nodiscard]] std::optional<CommandPipe> twoWayPipeWithCommand(const ShellArguments& arguments, ProcessCalls& calls);
pid_t write_data_with_command(int writeDescriptor, const DataRef& data, ProcessCalls& calls);
[[nodiscard]] DataRef filterDataWithArguments(const DataRef& data, const ShellArguments& arguments,
                                              ProcessCalls& calls);

}  // namespace qor
