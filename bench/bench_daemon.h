// A log daemon of a benchmark's own, shared by the benchmarks that measure
// what logging costs: a datagram socket in a fresh folder, which the log
// points at while the object lives. None: a path where nothing listens;
// Reading: a thread receives every datagram as it comes; Stalled: nobody
// reads, so the queue is full after a few lines.
#pragma once

#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "qor/log.h"

namespace qor::bench {

inline constexpr int kDaemonPollMilliseconds = 50;
inline constexpr std::size_t kLargestDatagram = 65536;

enum class Daemon { None, Reading, Stalled };

class BenchDaemon {
 public:
  explicit BenchDaemon(Daemon kind) {
    char folder[] = "/tmp/qor-log-bench-XXXXXX";
    if (!mkdtemp(folder)) return;
    folder_ = folder;
    path_ = folder_ + "/log";
    if (kind != Daemon::None) {
      socket_ = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      path_.copy(address.sun_path, sizeof address.sun_path - 1);
      if (bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return;
    }
    qor::setSystemLogSocketPath(path_);
    if (kind == Daemon::Reading) reader_ = std::thread([this] { readUntilStopped(); });
    ready_ = true;
  }
  ~BenchDaemon() {
    qor::setSystemLogSocketPath(_PATH_LOG);  // back to the system's
    stop_ = true;
    if (reader_.joinable()) reader_.join();
    if (socket_ >= 0) close(socket_);
    unlink(path_.c_str());
    rmdir(folder_.c_str());
  }
  BenchDaemon(const BenchDaemon&) = delete;
  BenchDaemon& operator=(const BenchDaemon&) = delete;

  [[nodiscard]] bool ready() const { return ready_; }
  // The lines received so far, once the log has offered what it queued.
  [[nodiscard]] std::int64_t received() const {
    static_cast<void>(qor::flushSystemLog());
    return received_;
  }

 private:
  void readUntilStopped() {
    std::array<char, kLargestDatagram> buffer;
    pollfd waiting{socket_, POLLIN, 0};
    while (!stop_) {
      if (poll(&waiting, 1, kDaemonPollMilliseconds) <= 0) continue;
      while (recv(socket_, buffer.data(), buffer.size(), MSG_DONTWAIT) >= 0) ++received_;
    }
  }

  std::string folder_;
  std::string path_;
  int socket_ = -1;
  bool ready_ = false;
  std::thread reader_;
  std::atomic<bool> stop_{false};
  std::atomic<std::int64_t> received_{0};
};

}  // namespace qor::bench
