#include "qor/log.h"

#include <syslog.h>

#include <algorithm>
#include <mutex>

namespace qor {

namespace {

// Live captures, newest last. Guarded because the command filter's children
// are not threads, but a host may log from helper threads of its own.
std::mutex& captureMutex() {
  static std::mutex mutex;
  return mutex;
}

std::vector<LogCapture*>& captures() {
  static std::vector<LogCapture*> list;
  return list;
}

void openSystemLogOnce() {
  static std::once_flag once;
  std::call_once(once, [] { openlog("keybindings", LOG_PID, LOG_USER); });
}

}  // namespace

void logLine(std::string_view line) {
  bool forward = true;
  {
    std::lock_guard lock(captureMutex());
    for (LogCapture* capture : captures()) {
      capture->lines_.emplace_back(line);
      if (capture->syslog_ == LogCapture::Syslog::Silence) forward = false;
    }
  }
  if (!forward) return;
  openSystemLogOnce();
  // syslog needs a priority; the system has no levels, so every line is a notice.
  syslog(LOG_NOTICE, "%.*s", static_cast<int>(line.size()), line.data());
}

LogCapture::LogCapture(Syslog syslog) : syslog_(syslog) {
  std::lock_guard lock(captureMutex());
  captures().push_back(this);
}

LogCapture::~LogCapture() {
  std::lock_guard lock(captureMutex());
  auto& list = captures();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(captureMutex());
  return lines_;
}

void LogCapture::clear() {
  std::lock_guard lock(captureMutex());
  lines_.clear();
}

}  // namespace qor
