#include "qor/command_filter.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "qor/file_system.h"
#include "qor/log.h"
#include "qor/seams/process_calls.h"

namespace qor {

int ProcessCalls::makePipe(std::array<int, 2>& descriptors) {
  return pipe2(descriptors.data(), O_CLOEXEC);
}
pid_t ProcessCalls::forkProcess() { return fork(); }
int ProcessCalls::executeProgram(const char* file, char* const arguments[]) {
  return execvp(file, arguments);
}

ProcessCalls& ProcessCalls::real() {
  static ProcessCalls calls;
  return calls;
}

namespace {

constexpr const char* kShell = "/bin/sh";
constexpr int kChildFailureStatus = 1;
constexpr std::size_t kReadChunkSize = 4096;
constexpr int kReadEnd = 0;
constexpr int kWriteEnd = 1;

// Child processes end with _exit: exit() would run the caller's atexit
// handlers and flush stdio buffers the caller still holds, a second time.
[[noreturn]] void endChildProcess() { _exit(kChildFailureStatus); }

void closeDescriptor(int descriptor) {
  if (descriptor >= 0) close(descriptor);
}

// execvp wants mutable strings; it does not change them. Built before the
// fork so that the new process does not allocate.
std::vector<char*> argumentPointers(const ShellArguments& arguments) {
  std::vector<char*> pointers;
  pointers.reserve(arguments.size() + 1);
  for (const std::string& argument : arguments)
    pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

// A caller whose standard streams are closed gets pipe ends numbered 0 to 2;
// moving them above 2 first keeps one dup2 from overwriting the other's
// source. Result: the descriptor to use, or -1.
int aboveStandardStreams(int descriptor) {
  if (descriptor > STDERR_FILENO) return descriptor;
  return fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
}

// In the new process: standard input from `input`, standard output to
// `output`, then the shell. Never returns.
[[noreturn]] void runCommand(int input, int output, char* const arguments[], ProcessCalls& calls) {
  input = aboveStandardStreams(input);
  output = aboveStandardStreams(output);
  if (input >= 0 && output >= 0 && dup2(input, STDIN_FILENO) >= 0 &&
      dup2(output, STDOUT_FILENO) >= 0) {
    close(input);
    close(output);
    calls.executeProgram(kShell, arguments);
  }
  logLine("failed to execute a command.");
  endChildProcess();
}

// Writes all of `bytes`, resuming after signals and short writes.
// Result: the number of bytes written (short when the reader went away).
std::size_t writeAll(int descriptor, std::span<const std::uint8_t> bytes) {
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t count = write(descriptor, bytes.data() + written, bytes.size() - written);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    written += static_cast<std::size_t>(count);
  }
  return written;
}

// Reads until `buffer` is full or the input ends, as a buffered stream read
// does. Result: the number of bytes read; short only at the end of the input
// or on an error.
std::size_t readFull(int descriptor, std::span<std::uint8_t> buffer) {
  std::size_t filled = 0;
  while (filled < buffer.size()) {
    const ssize_t count = read(descriptor, buffer.data() + filled, buffer.size() - filled);
    if (count < 0 && errno == EINTR) continue;
    if (count <= 0) break;
    filled += static_cast<std::size_t>(count);
  }
  return filled;
}

// Reaps a child so that none is left as a zombie; its status is of no
// interest. A process id of -1 (never started) is skipped: waitpid(-1) would
// reap any child of the caller.
void reap(pid_t processId) {
  if (processId <= 0) return;
  while (waitpid(processId, nullptr, 0) < 0 && errno == EINTR) {
  }
}

DataRef cipherFilter(const DataRef& data, const std::string& key, const char* direction) {
  // The key is the shell's $1, so no character of it is ever parsed by the
  // shell; "$0" is the name the shell gives itself in messages.
  const std::string commandLine =
      std::string("/bin/cat | /usr/bin/openssl enc ") + direction + " -des3 -k \"$1\"";
  return filterDataWithArguments(data, {kShell, "-c", commandLine, kShell, key});
}

}  // namespace

std::optional<CommandPipe> twoWayPipeWithCommand(const ShellArguments& arguments,
                                                 ProcessCalls& calls) {
  // execvp would pass an argument holding a NUL cut short: another command
  // line, another key.
  if (arguments.empty() || !std::all_of(arguments.begin(), arguments.end(),
                                        [](const std::string& argument) { return reachesSystemWhole(argument); }))
    return std::nullopt;
  const std::vector<char*> argv = argumentPointers(arguments);

  std::array<int, 2> output{};  // the command's standard output, to the caller
  if (calls.makePipe(output) < 0) {
    logLine("failed to create a pipe for parent.");
    return std::nullopt;
  }
  std::array<int, 2> input{};  // the caller and the writer to the command's input
  if (calls.makePipe(input) < 0) {
    logLine("failed to create a pipe for child.");
    closeDescriptor(output[kReadEnd]);
    closeDescriptor(output[kWriteEnd]);
    return std::nullopt;
  }
  const pid_t processId = calls.forkProcess();
  if (processId < 0) {
    logLine("failed to create a process.");
    for (const int descriptor :
         {input[kReadEnd], input[kWriteEnd], output[kReadEnd], output[kWriteEnd]}) {
      closeDescriptor(descriptor);
    }
    return std::nullopt;
  }
  if (processId == 0) {
    close(input[kWriteEnd]);
    close(output[kReadEnd]);
    runCommand(input[kReadEnd], output[kWriteEnd], argv.data(), calls);
  }
  close(input[kReadEnd]);
  close(output[kWriteEnd]);
  return CommandPipe{processId, output[kReadEnd], input[kWriteEnd]};
}

pid_t write_data_with_command(int writeDescriptor, const DataRef& data, ProcessCalls& calls) {
  const pid_t processId = calls.forkProcess();
  if (processId < 0) {
    logLine("failed to spone a command.");
    return -1;
  }
  if (processId == 0) {
    const std::span<const std::uint8_t> bytes =
        data ? std::span<const std::uint8_t>(data->bytes()) : std::span<const std::uint8_t>();
    logLine("\t----- before sending\t\t" + std::to_string(bytes.size()));
    const std::size_t written = writeAll(writeDescriptor, bytes);
    logLine("\t----- sent: " + std::to_string(written));
    endChildProcess();
  }
  return processId;
}

DataRef filterDataWithArguments(const DataRef& data, const ShellArguments& arguments,
                                ProcessCalls& calls) {
  logLine("filterDataWithArguments 0:");
  if (!data) return nullptr;
  logLine("filterDataWithArguments 1:\t\toriginal data length: " +
          std::to_string(data->bytes().size()));
  const std::optional<CommandPipe> command = twoWayPipeWithCommand(arguments, calls);
  if (!command) return nullptr;
  logLine("filterDataWithArguments 2:\tpid: " + std::to_string(command->processId));

  const pid_t writer = write_data_with_command(command->writeDescriptor, data, calls);
  // Only the writer may hold the command's input now, so the command sees
  // its end when the writer ends.
  close(command->writeDescriptor);

  std::vector<std::uint8_t> result;
  std::array<std::uint8_t, kReadChunkSize> chunk;
  // Asked once: getpid is a system call, and the loop logs it every 4 KiB.
  const std::string processIds = std::to_string(command->processId) + "\t" + std::to_string(getpid());
  for (;;) {
    logLine("\tbefore receiving\t" + processIds);
    const std::size_t count = readFull(command->readDescriptor, chunk);
    if (count == 0) break;
    result.insert(result.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
    logLine("\tgot: " + std::to_string(count) + "\t(" + std::to_string(result.size()) + ")");
    if (count < chunk.size()) break;
  }
  logLine("\treceived: " + std::to_string(result.size()));
  // Closed before reaping: a command still writing gets SIGPIPE instead of
  // blocking on a pipe nobody reads.
  close(command->readDescriptor);
  logLine("filterDataWithArguments 3:\t\tgot: " + std::to_string(result.size()));
  reap(command->processId);
  reap(writer);
  if (result.empty()) return nullptr;
  return Data::make(std::move(result));
}

DataRef encryptDataWithDataAndKey(const DataRef& data, const std::string& key) {
  return cipherFilter(data, key, "-e");
}

DataRef decryptDataWithDataAndKey(const DataRef& data, const std::string& key) {
  return cipherFilter(data, key, "-d");
}

std::optional<CommandPipe> twoWayPipeWithCommand(const ShellArguments& arguments) {
  return twoWayPipeWithCommand(arguments, ProcessCalls::real());
}

pid_t write_data_with_command(int writeDescriptor, const DataRef& data) {
  return write_data_with_command(writeDescriptor, data, ProcessCalls::real());
}

DataRef filterDataWithArguments(const DataRef& data, const ShellArguments& arguments) {
  return filterDataWithArguments(data, arguments, ProcessCalls::real());
}

}  // namespace qor
