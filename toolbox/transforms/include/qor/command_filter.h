/// @file
/// Filtering bytes through shell commands, and a Triple DES cipher filter
/// through the system's openssl command.
///
/// One filtering uses three processes: the caller, the command (/bin/sh
/// running a command line) and a writer process that feeds the data to the
/// command's standard input while the caller reads the command's standard
/// output, so neither side waits for the other. The command's standard error
/// is the caller's. The caller blocks until the command's output has ended and
/// the two processes have been reaped; there is no time-out. The command's
/// exit status is never read: a failing command that wrote nothing gives null,
/// one that wrote something gives what it wrote.
///
/// The filter and the writer log every step to the system log. The writer and
/// a command that cannot start log from their own processes.
///
/// Example:
/// @code
///   auto upper = qor::filterDataWithArguments(
///       data, {"/bin/sh", "-c", "tr a-z A-Z"});
///   auto secret = qor::encryptDataWithDataAndKey(data, "pass phrase");
/// @endcode
///
/// Threads: every function may be called from several threads at once; each
/// call starts processes of its own.
#pragma once

#include "qor/toolbox_export.h"

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

#include "qor/value.h"

namespace qor {

/// The argument vector of /bin/sh: "/bin/sh", "-c", the command line, then the
/// shell's $0, $1, ... Each element reaches the shell unchanged; one holding a
/// NUL byte, which an argument cannot carry, starts nothing.
using ShellArguments = std::vector<std::string>;

/// A running command and the caller's ends of its two pipes. The caller owns
/// both descriptors (close them) and the process (wait for it).
struct QOR_TOOLBOX_EXPORT CommandPipe {
  pid_t processId = -1;      ///< the shell's process id
  int readDescriptor = -1;   ///< the command's standard output
  int writeDescriptor = -1;  ///< the command's standard input
};

/// Starts /bin/sh with `arguments`, its standard input and output connected to
/// two new pipes. The caller's pipe ends are close-on-exec, so commands started
/// elsewhere do not inherit them.
/// Result: the command and the caller's pipe ends; nullopt when `arguments` is
/// empty or an element holds a NUL byte (nothing is started, nothing logged) or a pipe or the process cannot be made (with
/// the log line "failed to create a pipe for parent.", "failed to create a pipe
/// for child." or "failed to create a process."; no descriptor is left open).
/// When the shell itself cannot start, the new process logs "failed to execute
/// a command." and ends with status 1, so its output is empty.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<CommandPipe> twoWayPipeWithCommand(const ShellArguments& arguments);

/// Starts a writer process that writes all of `data` (nothing for null data)
/// to `writeDescriptor` and ends with status 1, and returns at once. The
/// caller keeps its own copy of the descriptor: close it so that the reader
/// sees the end of the input when the writer ends. The writer logs
/// `\t----- before sending\t\t<length>` and `\t----- sent: <count>`.
/// Result: the writer's process id, to be waited for; -1, with the log line
/// "failed to spone a command.", when the process cannot be made.
QOR_TOOLBOX_EXPORT pid_t write_data_with_command(int writeDescriptor, const DataRef& data);

/// Runs `data` through the command of `arguments` (see ShellArguments):
/// the bytes go to its standard input, its whole standard output comes back.
/// Result: new data with the output; null when `data` is null (no process is
/// started), when the command cannot be started, or when it wrote nothing.
/// If the writer cannot be started the command sees an empty input.
/// @code
///   filterDataWithArguments(Data::make({'h', 'i'}), {"/bin/sh", "-c", "/bin/cat"})
///     -> `<6869>`
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef filterDataWithArguments(const DataRef& data, const ShellArguments& arguments);

/// Encrypts or decrypts `data` with Triple DES through the command line
/// `/bin/cat | /usr/bin/openssl enc -e -des3 -k <key>` ("-d" to decrypt), the
/// key being the cipher's password. The key reaches openssl as one argument,
/// byte for byte, whatever characters it holds (it goes to the shell as a
/// positional parameter, never into the command line's text).
/// Result: whatever openssl wrote; null when `data` is null, when the key
/// holds a NUL byte (an argument cannot carry it; nothing is started) or when
/// openssl wrote nothing. A wrong key usually gives null, but openssl may also
/// write garbage: a cipher failure is not detected as such.
///@{
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef encryptDataWithDataAndKey(const DataRef& data, const std::string& key);
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef decryptDataWithDataAndKey(const DataRef& data, const std::string& key);
///@}

}  // namespace qor
