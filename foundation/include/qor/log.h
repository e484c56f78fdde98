// The system log, without levels.
//
// Lines go to syslog (facility LOG_USER, identity "keybindings") and to every
// capture that is alive at the time, so tests can assert the exact lines.
// Whether a log daemon listens is checked at most once a second; while none
// does, a line costs no system call and reaches only the captures.
//
// Example:
//   qor::LogCapture capture;
//   qor::logLine("*** Remove bogus editor shortcuts. (1)");
//   capture.lines();   // {"*** Remove bogus editor shortcuts. (1)"}
#pragma once

#include "qor/toolbox_export.h"

#include <string>
#include <string_view>
#include <vector>

namespace qor {

// Writes one line. Embedded newlines are kept; an empty line is written too.
QOR_TOOLBOX_EXPORT void logLine(std::string_view line);

// While alive, records every line logged on any thread, in order. Captures
// nest: each live capture sees every line. Whether lines also reach syslog
// while a capture is alive is chosen per capture.
class QOR_TOOLBOX_EXPORT LogCapture {
 public:
  enum class Syslog { Silence, Forward };
  explicit LogCapture(Syslog syslog = Syslog::Silence);
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  [[nodiscard]] std::vector<std::string> lines() const;
  void clear();

 private:
  friend void logLine(std::string_view line);
  Syslog syslog_;
  std::vector<std::string> lines_;
};

}  // namespace qor
