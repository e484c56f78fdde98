#include "qor/log.h"

#include <pthread.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace qor {

namespace {

// One lock for the captures, the queue of lines and the sender's hand-over.
// A host may log from helper threads of its own, and a forked child logs too
// (the command filter's writer does): the lock is held across fork so the
// child never inherits it locked by a thread it lacks.
std::mutex& logMutex();

std::vector<LogCapture*>& captures() {
  static std::vector<LogCapture*> list;
  return list;
}

// syslog() with LOG_USER and LOG_NOTICE: the system has no levels, so every
// line is a notice.
constexpr int kPriority = LOG_USER | LOG_NOTICE;

// Each program logs under its own name ("qor-editor", "keybindings"), as
// syslog() does for a program that never called openlog().
const char* identity() { return program_invocation_short_name; }
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;
// While no daemon listens, a connection is tried at most this often: trying
// for every line (socket, connect, close: about 15 us a line on a 2-core
// machine) made logging the command filter's two lines per 4 KiB chunk cost
// more than moving the bytes.
constexpr std::int64_t kProbeInterval = kNanosecondsPerSecond;
// After the daemon refused a line, it is not asked again for this long: it
// is behind, and every burst offered to it costs the daemon a wake-up per
// few lines while it drains its queue. Under a flood (the command filter's
// two lines per 4 KiB), asking every 10 ms still took about 7% of the
// filter's time on a 2-core machine; every 100 ms, about 1%.
constexpr std::int64_t kRetryInterval = 100'000'000;
// How long the sender lets a burst of lines gather before handing them to
// the daemon. A line sent the moment it is logged wakes the daemon once per
// line: with the command filter's two lines per 4 KiB, those wake-ups took
// the two cores from the processes moving the bytes.
constexpr auto kGatherDelay = std::chrono::milliseconds(10);
// Lines waiting for the sender at most (about 80 KiB of the filter's lines,
// a rate of 100,000 lines a second over the gathering delay); more are
// dropped and counted. Kept small because the pages the caller writes while
// a forked child shares them are copied: the filter's writer lives as long
// as the transfer.
constexpr std::size_t kQueueLimit = 1024;
// Datagrams handed to the kernel per sendmmsg call.
constexpr std::size_t kMessagesPerCall = 64;
// The longest flushSystemLog() waits. The sender never waits for a daemon
// beyond kRetryInterval, so this is reached only when it gets no processor.
constexpr auto kFlushLimit = std::chrono::seconds(1);
// "Mmm dd hh:mm:ss " and its terminating zero.
constexpr std::size_t kTimestampSize = 17;

// A clock read from the vDSO, without a system call; its few milliseconds of
// resolution are plenty for the probe interval and the pause.
std::int64_t coarseNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return std::int64_t{now.tv_sec} * kNanosecondsPerSecond + now.tv_nsec;
}

std::string droppedNotice(std::uint64_t count) {
  return "*** " + std::to_string(count) + (count == 1 ? " log line" : " log lines") +
         " dropped while the system log was busy";
}

// Whole messages back to back in one buffer, so that queuing a line
// allocates nothing once the buffers have grown. A message may be a notice
// of dropped lines; it then stands for the lines it reports.
class Batch {
 public:
  void add(std::string_view header, std::string_view text, std::uint64_t reportsDropped = 0) {
    bytes_.append(header).append(text);
    ends_.push_back(bytes_.size());
    if (reportsDropped > 0) notices_.emplace_back(ends_.size() - 1, reportsDropped);
  }
  [[nodiscard]] std::size_t size() const { return ends_.size(); }
  [[nodiscard]] bool empty() const { return ends_.empty(); }
  [[nodiscard]] std::string_view message(std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return {bytes_.data() + begin, ends_[index] - begin};
  }
  // The lines lost if messages [from, to) never reach a daemon: each line
  // counts one, each notice the lines it reports.
  [[nodiscard]] std::uint64_t linesIn(std::size_t from, std::size_t to) const {
    std::uint64_t lines = to - from;
    for (const auto& [index, reported] : notices_) {
      if (index >= from && index < to) lines += reported - 1;
    }
    return lines;
  }
  // The lines the notices in the batch report.
  [[nodiscard]] std::uint64_t reported() const {
    std::uint64_t lines = 0;
    for (const auto& notice : notices_) lines += notice.second;
    return lines;
  }
  void clear() {
    bytes_.clear();
    ends_.clear();
    notices_.clear();
  }
  void swap(Batch& other) noexcept {
    bytes_.swap(other.bytes_);
    ends_.swap(other.ends_);
    notices_.swap(other.notices_);
  }

 private:
  std::string bytes_;
  std::vector<std::size_t> ends_;
  std::vector<std::pair<std::size_t, std::uint64_t>> notices_;
};

// What became of a batch offered to the daemon.
struct Offered {
  // Lines refused by a busy daemon or lost with a daemon that went away:
  // counted, and reported to the daemon once it takes lines again.
  std::uint64_t lost = 0;
  // What the batch's notices reported, when no daemon listened to hear it:
  // carried to the next notice. (Lines themselves are not counted while no
  // daemon listens: there is nobody to tell.)
  std::uint64_t unreported = 0;
  // The daemon whose socket was tried does not exist.
  bool absent = false;
};

// A connection to the system log daemon that never waits for it. Messages
// go in the form glibc's syslog() writes them, one datagram each (on a
// stream socket, each ends with a zero byte, as glibc frames them). A daemon
// that is behind refuses a datagram instead of blocking the sender
// (MSG_DONTWAIT); the rest of the batch is then lost, and the daemon is left
// alone for kRetryInterval.
class Channel {
 public:
  enum class Sent { All, Refused, TooLong, Lost };
  // Offers `batch`, in order, to the daemon at `path`, connecting first when
  // the probe interval allows.
  Offered offer(const Batch& batch, const std::string& path);
  // A new daemon path: connect at the next offer.
  void reset() {
    disconnect();
    nextProbe_ = 0;
    retryAfter_ = 0;
  }
  // In a forked child: a stream with the parent's unsent tail is left to the
  // parent (the child's lines would land in the middle of that message), so
  // the child connects on its own.
  void afterFork() {
    if (!pending_.empty()) reset();
  }
  // When the next connection may be tried, while there is none.
  [[nodiscard]] std::int64_t nextProbe() const { return nextProbe_; }
  // When the pause after a refusal ends (coarse nanoseconds; past when
  // there is none).
  [[nodiscard]] std::int64_t pausedUntil() const { return retryAfter_; }

 private:
  bool connect(const std::string& path);
  void disconnect();
  // The number of the batch's messages the daemon took from `first` on, and
  // what stopped it (Sent::All when nothing did).
  std::pair<std::size_t, Sent> sendDatagrams(const Batch& batch, std::size_t first);
  std::pair<std::size_t, Sent> sendStream(const Batch& batch, std::size_t first);
  // Sends `bytes` whole or not at all (apart from a stream's unsent tail,
  // kept in pending_ and sent before anything else).
  Sent sendBytes(const std::string& bytes);

  int socket_ = -1;
  int socketType_ = SOCK_DGRAM;
  std::int64_t nextProbe_ = 0;
  std::int64_t retryAfter_ = 0;
  std::string pending_;
  std::string framed_;
};

// What a failed send says about the daemon: busy, the message too long for
// one datagram, or gone.
Channel::Sent failureOfSend() {
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS) return Channel::Sent::Refused;
  return errno == EMSGSIZE ? Channel::Sent::TooLong : Channel::Sent::Lost;
}

bool Channel::connect(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.data(), path.size());
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

void Channel::disconnect() {
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
  pending_.clear();
}

Channel::Sent Channel::sendBytes(const std::string& bytes) {
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

std::pair<std::size_t, Channel::Sent> Channel::sendDatagrams(const Batch& batch, std::size_t first) {
  std::array<mmsghdr, kMessagesPerCall> headers{};
  std::array<iovec, kMessagesPerCall> pieces{};
  std::size_t next = first;
  while (next < batch.size()) {
    const std::size_t count = std::min(kMessagesPerCall, batch.size() - next);
    for (std::size_t i = 0; i < count; ++i) {
      const std::string_view message = batch.message(next + i);
      // sendmsg only reads what the vector points at.
      pieces[i] = {const_cast<char*>(message.data()), message.size()};
      headers[i] = {};
      headers[i].msg_hdr.msg_iov = &pieces[i];
      headers[i].msg_hdr.msg_iovlen = 1;
    }
    // A failure after the first message shows as a short count; the next
    // call, starting at the failed message, reports its error.
    const int sent = ::sendmmsg(socket_, headers.data(), static_cast<unsigned>(count), MSG_DONTWAIT | MSG_NOSIGNAL);
    if (sent > 0) {
      next += static_cast<std::size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    return {next - first, sent < 0 ? failureOfSend() : Sent::Refused};
  }
  return {next - first, Sent::All};
}

std::pair<std::size_t, Channel::Sent> Channel::sendStream(const Batch& batch, std::size_t first) {
  for (std::size_t next = first; next < batch.size(); ++next) {
    const std::string_view message = batch.message(next);
    framed_.assign(message).push_back('\0');
    const Sent sent = sendBytes(framed_);
    if (sent != Sent::All) return {next - first, sent};
  }
  return {batch.size() - first, Sent::All};
}

Offered Channel::offer(const Batch& batch, const std::string& path) {
  Offered offered;
  if (batch.empty()) return offered;
  const std::int64_t now = coarseNanoseconds();
  if (socket_ < 0) {
    const bool probeDue = now >= nextProbe_;
    if (probeDue) nextProbe_ = now + kProbeInterval;
    if (!probeDue || !connect(path)) {
      offered.unreported = batch.reported();
      offered.absent = true;
      return offered;
    }
  }
  if (now < retryAfter_) {
    offered.lost = batch.linesIn(0, batch.size());
    return offered;
  }
  std::size_t next = 0;
  while (next < batch.size()) {
    const auto [taken, stop] =
        socketType_ == SOCK_STREAM ? sendStream(batch, next) : sendDatagrams(batch, next);
    next += taken;
    if (stop == Sent::All) break;
    if (stop == Sent::TooLong) {  // only that message is lost
      offered.lost += batch.linesIn(next, next + 1);
      ++next;
      continue;
    }
    offered.lost += batch.linesIn(next, batch.size());
    if (stop == Sent::Refused) {
      retryAfter_ = coarseNanoseconds() + kRetryInterval;
    } else {
      // The daemon went away (or restarted on a new socket): connect again
      // at the next probe.
      disconnect();
    }
    break;
  }
  return offered;
}

// The process's log: lines are formatted by the caller and queued; a sender
// thread, started by the first line, hands each burst to the daemon at once.
// The caller never makes a system call for the daemon and never waits for
// the sender. A forked child (which has no sender thread) and a process past
// exit() send each line themselves, without waiting either.
//
// A line that finds the queue full is dropped and counted, as is one the
// daemon refuses or loses; the first line queued after drops is preceded by
// a notice of how many.
class SystemLog {
 public:
  void log(std::string_view line);
  // Waits (with `lock` held on logMutex) until every queued line has been
  // offered to the daemon, or kFlushLimit. Result: whether all were.
  bool flush(std::unique_lock<std::mutex>& lock);
  void setSocketPath(std::string path, std::unique_lock<std::mutex>& lock);
  void afterForkInChild();
  // At exit: the sender offers what is queued and ends; later lines are sent
  // directly.
  void stop();

 private:
  enum class Sending { Queued, Direct };
  void startSender();
  void runSender();
  void sendDirectly(std::string_view line);
  // "<13>Dec  7 09:05:01 qor-editor[42]: ", formatted again only when the
  // second or the process changes.
  std::string_view header();

  Sending sending_ = Sending::Queued;
  std::string path_ = _PATH_LOG;
  std::uint64_t pathVersion_ = 0;
  Batch queue_;
  std::uint64_t dropped_ = 0;
  // Until quietUntil_ (coarse nanoseconds), lines are not even queued: the
  // sender found no daemon and will not try again before (Absent: the lines
  // reach only the captures), or the daemon refused lines and is left alone
  // (Busy: the lines are counted as dropped).
  enum class Quiet { No, Absent, Busy };
  Quiet quiet_ = Quiet::No;
  std::int64_t quietUntil_ = 0;
  std::thread sender_;
  bool senderIdle_ = false;
  bool offering_ = false;
  bool hurry_ = false;
  bool stopping_ = false;
  std::condition_variable wake_;     // the sender waits for lines
  std::condition_variable offered_;  // flushers wait for the sender
  // Used by forked children and after exit(), under the lock.
  Channel directChannel_;
  Batch directBatch_;

  pid_t processId_ = ::getpid();
  time_t headerSecond_ = -1;
  std::string header_;
};

// Never destroyed: objects destroyed at exit may still log, after this one's
// destructor would have run.
SystemLog& systemLog() {
  static SystemLog* const log = std::make_unique<SystemLog>().release();
  return *log;
}

std::mutex& logMutex() {
  static std::mutex mutex;
  static std::once_flag forkSafety;
  std::call_once(forkSafety, [] {
    pthread_atfork([] { mutex.lock(); }, [] { mutex.unlock(); },
                   [] {
                     systemLog().afterForkInChild();
                     mutex.unlock();
                   });
  });
  return mutex;
}

std::string_view SystemLog::header() {
  // Local time, in the C locale's month names, as syslog() writes it.
  const time_t now = ::time(nullptr);
  if (now != headerSecond_) {
    static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    tm local{};
    ::localtime_r(&now, &local);
    char timestamp[kTimestampSize] = {};
    std::snprintf(timestamp, sizeof timestamp, "%s %2d %02d:%02d:%02d ",
                  kMonths[static_cast<std::size_t>(local.tm_mon) % std::size(kMonths)], local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    header_.assign("<").append(std::to_string(kPriority)).append(">").append(timestamp).append(identity());
    header_.append("[").append(std::to_string(processId_)).append("]: ");
    headerSecond_ = now;
  }
  return header_;
}

void SystemLog::log(std::string_view line) {
  if (sending_ == Sending::Direct) {
    sendDirectly(line);
    return;
  }
  if (quiet_ != Quiet::No && coarseNanoseconds() < quietUntil_) {
    if (quiet_ == Quiet::Busy) ++dropped_;
    return;
  }
  if (queue_.size() >= kQueueLimit) {
    ++dropped_;
    return;
  }
  if (dropped_ > 0) {
    queue_.add(header(), droppedNotice(dropped_), dropped_);
    dropped_ = 0;
  }
  queue_.add(header(), line);
  if (!sender_.joinable()) {
    startSender();
  } else if (senderIdle_) {
    senderIdle_ = false;
    wake_.notify_one();
  }
}

void SystemLog::sendDirectly(std::string_view line) {
  directBatch_.clear();
  if (dropped_ > 0) directBatch_.add(header(), droppedNotice(dropped_), dropped_);
  directBatch_.add(header(), line);
  const Offered offered = directChannel_.offer(directBatch_, path_);
  dropped_ = offered.lost + offered.unreported;
}

void SystemLog::startSender() {
  try {
    sender_ = std::thread([this] { runSender(); });
  } catch (const std::system_error&) {
    // No thread to be had: this process sends its lines itself.
    sending_ = Sending::Direct;
    Batch queued;
    queued.swap(queue_);
    const Offered offered = directChannel_.offer(queued, path_);
    dropped_ += offered.lost + offered.unreported;
    return;
  }
  std::atexit([] { systemLog().stop(); });
}

void SystemLog::runSender() {
  Channel channel;
  // The path version the channel was set up for; none before the first burst.
  std::optional<std::uint64_t> channelVersion;
  Batch batch;
  std::string path;
  std::unique_lock lock(logMutex());
  for (;;) {
    senderIdle_ = queue_.empty() && !stopping_;
    wake_.wait(lock, [this] { return !queue_.empty() || stopping_; });
    senderIdle_ = false;
    if (queue_.empty()) break;  // stopping, and all offered
    if (!stopping_ && !hurry_) wake_.wait_for(lock, kGatherDelay, [this] { return stopping_ || hurry_; });
    if (channelVersion != pathVersion_) {  // a new daemon path: connect afresh
      channel.reset();
      path = path_;
      channelVersion = pathVersion_;
    }
    // Lines queued just before a refusal wait out its pause. It is measured
    // on the coarse clock, which may lag the one the wait uses: wait until
    // the channel itself sees it over.
    for (std::int64_t now = coarseNanoseconds(); now < channel.pausedUntil(); now = coarseNanoseconds()) {
      wake_.wait_for(lock, std::chrono::nanoseconds(channel.pausedUntil() - now));
    }
    hurry_ = false;
    batch.swap(queue_);
    const std::uint64_t version = *channelVersion;
    offering_ = true;
    lock.unlock();

    const Offered offered = channel.offer(batch, path);
    batch.clear();

    lock.lock();
    offering_ = false;
    // Counts for a daemon the log no longer points at are forgotten.
    if (version == pathVersion_) {
      dropped_ += offered.lost + offered.unreported;
      if (offered.absent) {
        quiet_ = Quiet::Absent;
        quietUntil_ = channel.nextProbe();
      } else {
        quiet_ = Quiet::Busy;
        quietUntil_ = channel.pausedUntil();
      }
    }
    offered_.notify_all();
  }
  sending_ = Sending::Direct;
  offered_.notify_all();
}

bool SystemLog::flush(std::unique_lock<std::mutex>& lock) {
  if (sending_ == Sending::Direct) return true;
  hurry_ = true;
  wake_.notify_one();
  const bool done = offered_.wait_for(lock, kFlushLimit, [this] { return queue_.empty() && !offering_; });
  hurry_ = false;
  return done;
}

void SystemLog::setSocketPath(std::string path, std::unique_lock<std::mutex>& lock) {
  // Lines logged so far go where they were meant to.
  static_cast<void>(flush(lock));
  path_ = std::move(path);
  ++pathVersion_;
  dropped_ = 0;
  quiet_ = Quiet::No;
  directChannel_.reset();
}

void SystemLog::afterForkInChild() {
  // The sender thread is not in the child, and whatever it was doing is the
  // parent's: the queued lines and the drops counted so far are the parent's
  // to send and report.
  sending_ = Sending::Direct;
  queue_.clear();
  dropped_ = 0;
  processId_ = ::getpid();
  headerSecond_ = -1;
  directChannel_.afterFork();
}

void SystemLog::stop() {
  std::unique_lock lock(logMutex());
  if (sending_ == Sending::Direct || !sender_.joinable()) return;
  stopping_ = true;
  wake_.notify_one();
  lock.unlock();
  sender_.join();
}

}  // namespace

void logLine(std::string_view line) {
  // Callers log right after a failed call; logging must not change the errno
  // they may still read.
  const int savedErrno = errno;
  {
    std::lock_guard lock(logMutex());
    bool forward = true;
    for (LogCapture* capture : captures()) {
      capture->lines_.emplace_back(line);
      if (capture->syslog_ == LogCapture::Syslog::Silence) forward = false;
    }
    if (forward) systemLog().log(line);
  }
  errno = savedErrno;
}

bool flushSystemLog() {
  std::unique_lock lock(logMutex());
  return systemLog().flush(lock);
}

void setSystemLogSocketPath(std::string_view path) {
  std::unique_lock lock(logMutex());
  systemLog().setSocketPath(std::string(path), lock);
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
