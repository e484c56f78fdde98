#include "qor/log.h"

#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

namespace qor {

namespace {

// One lock for the captures and the connection to the log daemon. A host may
// log from helper threads of its own, and a forked child logs too (the
// command filter's writer does): the lock is held across fork so the child
// never inherits it locked by a thread it lacks.
std::mutex& logMutex();

std::vector<LogCapture*>& captures() {
  static std::vector<LogCapture*> list;
  return list;
}

// syslog() with LOG_USER and LOG_NOTICE: the system has no levels, so every
// line is a notice.
constexpr int kPriority = LOG_USER | LOG_NOTICE;
constexpr const char* kIdentity = "keybindings";
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// While no daemon listens, a connection is tried at most this often: trying
// for every line (socket, connect, close: about 15 us a line on a 2-core
// machine) made logging the command filter's two lines per 4 KiB chunk cost
// more than moving the bytes.
constexpr std::int64_t kProbeInterval = kNanosecondsPerSecond;
// After the daemon refused a line, lines are dropped without asking it for
// this long: it is behind, and asking costs the caller a system call a line
// and the daemon a wake-up.
constexpr std::int64_t kRetryInterval = 10'000'000;
// "Mmm dd hh:mm:ss " and its terminating zero.
constexpr std::size_t kTimestampSize = 17;
// Room for "<13>", the timestamp, the identity and "[<pid>]: ".
constexpr std::size_t kHeaderReserve = 64;

// A clock read from the vDSO, without a system call; its few milliseconds of
// resolution are plenty for the probe interval.
std::int64_t coarseNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::int64_t{now.tv_sec} * kNanosecondsPerSecond + now.tv_nsec;
}

// A client of the system log daemon that never waits for it. Lines go in the
// form glibc's syslog() writes them, "<13>Dec  7 09:05:01 keybindings[42]: "
// and the text, one datagram each (on a stream socket, each ends with a zero
// byte, as glibc frames them). A daemon that is behind refuses a datagram
// instead of blocking the sender (MSG_DONTWAIT); such lines are dropped and
// counted, the daemon is left alone for kRetryInterval, and the first line
// it takes again is preceded by one line that says how many were lost.
class SystemLog {
 public:
  enum class Sent { All, Refused, Lost };

  void send(std::string_view line);
  void setSocketPath(std::string path) {
    disconnect();
    path_ = std::move(path);
    nextProbe_ = 0;
    dropped_ = 0;
    retryAfter_ = 0;
  }
  // In a forked child: its own process id for the lines it writes. Drops
  // counted so far are the parent's to report. A stream with the parent's
  // unsent tail is left to the parent (the child's lines would land in the
  // middle of that message): the child connects on its own.
  void afterFork() {
    processId_ = ::getpid();
    dropped_ = 0;
    if (!pending_.empty()) {
      disconnect();
      nextProbe_ = 0;
    }
  }

 private:
  bool connectToDaemon();
  void disconnect();
  // Sends `bytes` whole or not at all (apart from a stream's unsent tail,
  // kept in pending_ and sent before anything else).
  Sent sendBytes(const std::string& bytes);
  std::string message(std::string_view text);
  // Counts a line that was not sent and holds off the next attempt. Result:
  // whether `sent` delivered the line.
  bool delivered(Sent sent);

  std::string path_ = _PATH_LOG;
  int socket_ = -1;
  int socketType_ = SOCK_DGRAM;
  std::int64_t nextProbe_ = 0;
  std::uint64_t dropped_ = 0;
  std::int64_t retryAfter_ = 0;
  std::string pending_;
  pid_t processId_ = ::getpid();
  time_t timestampSecond_ = -1;
  char timestamp_[kTimestampSize] = {};
};

SystemLog& systemLog() {
  static SystemLog log;
  return log;
}

std::mutex& logMutex() {
  static std::mutex mutex;
  static std::once_flag forkSafety;
  std::call_once(forkSafety, [] {
    pthread_atfork([] { mutex.lock(); }, [] { mutex.unlock(); },
                   [] {
                     systemLog().afterFork();
                     mutex.unlock();
                   });
  });
  return mutex;
}

bool SystemLog::connectToDaemon() {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path_.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path_.data(), path_.size());
  // EPROTOTYPE: the daemon listens on a stream socket, as syslog() also
  // accepts when the datagram connection is refused.
  for (int type : {SOCK_DGRAM, SOCK_STREAM}) {
    socket_ = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket_ < 0) return false;
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
      socketType_ = type;
      return true;
    }
    const bool otherType = errno == EPROTOTYPE;
    disconnect();
    if (!otherType) return false;
  }
  return false;
}

void SystemLog::disconnect() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  pending_.clear();
}

std::string SystemLog::message(std::string_view text) {
  // Local time, in the C locale's month names, as syslog() writes it; the
  // text is formatted once per second.
  const time_t now = ::time(nullptr);
  if (now != timestampSecond_) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    tm local{};
    ::localtime_r(&now, &local);
    std::snprintf(timestamp_, sizeof timestamp_, "%s %2d %02d:%02d:%02d ", kMonths[static_cast<std::size_t>(local.tm_mon) % std::size(kMonths)], local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    timestampSecond_ = now;
  }
  std::string bytes;
  bytes.reserve(kHeaderReserve + text.size());
  bytes.append("<").append(std::to_string(kPriority)).append(">").append(timestamp_).append(kIdentity);
  bytes.append("[").append(std::to_string(processId_)).append("]: ").append(text);
  if (socketType_ == SOCK_STREAM) bytes.push_back('\0');
  return bytes;
}

// What a failed send says about the daemon: busy (or the line too long for
// one datagram), or gone.
SystemLog::Sent failureOfSend() {
  return errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == EMSGSIZE ? SystemLog::Sent::Refused
                                                                                          : SystemLog::Sent::Lost;
}

SystemLog::Sent SystemLog::sendBytes(const std::string& bytes) {
  if (!pending_.empty()) {
    ssize_t sent = ::send(socket_, pending_.data(), pending_.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent < 0) return failureOfSend();
    pending_.erase(0, static_cast<std::size_t>(sent));
    if (!pending_.empty()) return Sent::Refused;
  }
  ssize_t sent = ::send(socket_, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
  if (sent < 0) return failureOfSend();
  // Only a stream takes part of a message; the rest must follow before any
  // other byte, or the daemon would read two lines run together.
  if (static_cast<std::size_t>(sent) < bytes.size()) pending_.assign(bytes, static_cast<std::size_t>(sent));
  return Sent::All;
}

void SystemLog::send(std::string_view line) {
  if (socket_ < 0) {
    const std::int64_t now = coarseNanoseconds();
    if (now < nextProbe_) return;
    nextProbe_ = now + kProbeInterval;
    if (!connectToDaemon()) return;
  }
  if (dropped_ > 0) {
    if (coarseNanoseconds() < retryAfter_) {
      ++dropped_;
      return;
    }
    const std::string notice = "*** " + std::to_string(dropped_) + (dropped_ == 1 ? " log line" : " log lines") +
                               " dropped while the system log was busy";
    if (!delivered(sendBytes(message(notice)))) return;
    dropped_ = 0;
  }
  static_cast<void>(delivered(sendBytes(message(line))));
}

bool SystemLog::delivered(Sent sent) {
  if (sent == Sent::All) return true;
  ++dropped_;
  retryAfter_ = coarseNanoseconds() + kRetryInterval;
  // The daemon went away (or restarted on a new socket): connect again at
  // the next probe.
  if (sent == Sent::Lost) disconnect();
  return false;
}

}  // namespace

void logLine(std::string_view line) {
  // Callers log right after a failed call; sending must not change the errno
  // they may still read.
  const int savedErrno = errno;
  std::lock_guard lock(logMutex());
  bool forward = true;
  for (LogCapture* capture : captures()) {
    capture->lines_.emplace_back(line);
    if (capture->syslog_ == LogCapture::Syslog::Silence) forward = false;
  }
  if (forward) systemLog().send(line);
  errno = savedErrno;
}

void setSystemLogSocketPath(std::string_view path) {
  std::lock_guard lock(logMutex());
  systemLog().setSocketPath(std::string(path));
}

LogCapture::LogCapture(Syslog syslog) : syslog_(syslog) {
  std::lock_guard lock(logMutex());
  captures().push_back(this);
}

LogCapture::~LogCapture() {
  std::lock_guard lock(logMutex());
  auto& list = captures();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard lock(logMutex());
  return lines_;
}

void LogCapture::clear() {
  std::lock_guard lock(logMutex());
  lines_.clear();
}

}  // namespace qor
