/// @file
/// The system log, without levels.
///
/// Lines go to the system log daemon (facility LOG_USER, priority notice,
/// the program's name as identity with the process id, in the form syslog()
/// writes for a program that never called openlog(): "qor-editor[42]")
/// and to every capture that is alive at the time, so tests can assert the
/// exact lines.
///
/// Logging never waits for the daemon. The caller only queues the line; a
/// sender thread of the log, started by the first line, hands each burst of
/// lines to the daemon together, 10 ms after its first line, one datagram a
/// line. While no daemon listens, a connection is tried at most
/// once a second, and lines in between reach only the captures. A daemon
/// that is behind makes the sender drop lines rather than wait, and lines
/// logged in the next 100 ms are dropped without asking it; so are lines that
/// find 1024 lines still waiting. The first
/// line queued after drops is preceded by "*** <n> log lines dropped while
/// the system log was busy" ("log line" for one).
///
/// A forked child has no sender thread: it sends each of its lines itself,
/// without waiting either, and leaves the lines its parent queued to the
/// parent. At exit() the sender offers what is queued, then lines are sent
/// directly.
///
/// Example:
/// @code
///   qor::LogCapture capture;
///   qor::logLine("*** Remove bogus editor shortcuts. (1)");
///   capture.lines();   // {"*** Remove bogus editor shortcuts. (1)"}
/// @endcode
///
/// Threads: every function may be called from several threads at once; the
/// lines of one thread keep their order.
#pragma once

#include "qor/toolbox_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

/// Writes one line. Embedded newlines are kept; an empty line is written too.
QOR_TOOLBOX_EXPORT void logLine(std::string_view line);

/// Waits until every line logged so far has been offered to the daemon
/// (sent, or dropped and counted), at most a second. Result: whether all
/// were. Needed only by whoever reads the daemon's side, such as tests.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool flushSystemLog();

/// Points the log at the daemon socket `path` (an AF_UNIX datagram or stream
/// socket) instead of "/dev/log", for tests and benchmarks that run a daemon
/// of their own. Lines logged before go to the old path first (as
/// flushSystemLog() does); then the connection is closed and dropped lines
/// are forgotten. The new path is tried at the next line. A path too long for a socket address
/// (107 bytes and more) is never reached: lines then go to the captures only.
QOR_TOOLBOX_EXPORT void setSystemLogSocketPath(std::string_view path);

/// While alive, records every line logged on any thread, in order. Captures
/// nest: each live capture sees every line. Whether lines also reach syslog
/// while a capture is alive is chosen per capture.
class QOR_TOOLBOX_EXPORT LogCapture {
 public:
  /// Whether lines logged while the capture lives also reach the system log:
  /// Silence keeps them from it; Forward lets them through unless another live
  /// capture silences them.
  enum class Syslog { Silence, Forward };
  /// Starts recording; see Syslog for `syslog`.
  explicit LogCapture(Syslog syslog = Syslog::Silence);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  /// The lines recorded so far, oldest first.
  [[nodiscard]] std::vector<std::string> lines() const;
  /// Forgets the lines recorded so far; recording goes on.
  void clear();

 private:
  friend void logLine(std::string_view line);
  Syslog syslog_;
  std::vector<std::string> lines_;
};

}  // namespace qor
