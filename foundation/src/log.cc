#include "qor/log.h"

#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>

namespace qor {

namespace {

// Live captures, newest last. Guarded because a host may log from helper
// threads of its own.
std::mutex& captureMutex() {
  static std::mutex mutex;
  // A forked child logs too (the command filter's writer does): hold the lock
  // across fork so the child never inherits it locked by a thread it lacks.
  static std::once_flag forkSafety;
  std::call_once(forkSafety, [] {
    pthread_atfork([] { mutex.lock(); }, [] { mutex.unlock(); }, [] { mutex.unlock(); });
  });
  return mutex;
}

std::vector<LogCapture*>& captures() {
  static std::vector<LogCapture*> list;
  return list;
}

// While no log daemon listens, syslog() tries to connect again for every
// line (socket, connect and close: about 15 us a line on a 2-core machine),
// which made logging the command filter's two lines per 4 KiB chunk cost more
// than moving the bytes. So the socket is probed at most once a second and
// lines reach syslog() only while a daemon listens; the others are dropped,
// as syslog() itself drops them when it cannot connect.
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
constexpr std::int64_t kProbeInterval = kNanosecondsPerSecond;

// A clock read from the vDSO, without a system call; its few milliseconds of
// resolution are plenty for the probe interval.
std::int64_t coarseNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::int64_t{now.tv_sec} * kNanosecondsPerSecond + now.tv_nsec;
}

bool daemonListens() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, _PATH_LOG, sizeof address.sun_path - 1);
  const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  // EPROTOTYPE: the daemon listens on a stream socket, which syslog() uses
  // when the datagram connection is refused.
  const bool listens =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
      errno == EPROTOTYPE;
  close(probe);
  return listens;
}

bool systemLogReachable() {
  // Threads racing past an expired probe time each probe once; harmless.
  static std::atomic<std::int64_t> nextProbe{0};
  static std::atomic<bool> reachable{false};
  const std::int64_t now = coarseNanoseconds();
  if (now >= nextProbe.load(std::memory_order_relaxed)) {
    reachable.store(daemonListens(), std::memory_order_relaxed);
    nextProbe.store(now + kProbeInterval, std::memory_order_relaxed);
  }
  return reachable.load(std::memory_order_relaxed);
}

void openSystemLogOnce() {
  static std::once_flag once;
  // LOG_NDELAY connects now, and the socket stays open for every later line.
  std::call_once(once, [] { openlog("keybindings", LOG_PID | LOG_NDELAY, LOG_USER); });
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
  // Callers log right after a failed call; the probe must not change the
  // errno they may still read (syslog() keeps it too).
  const int savedErrno = errno;
  if (systemLogReachable()) {
    openSystemLogOnce();
    // syslog needs a priority; the system has no levels, so every line is a notice.
    syslog(LOG_NOTICE, "%.*s", static_cast<int>(line.size()), line.data());
  }
  errno = savedErrno;
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
