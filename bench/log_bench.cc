// The cost of one log line to the caller, against a line that reaches no
// daemon (the baseline: no system call at all), in the same run:
//   BM_LogLineNoDaemon        the socket path names nothing
//   BM_LogLineReadingDaemon   a thread reads every datagram as it comes
//   BM_LogLineStalledDaemon   nobody reads: the queue is full after a few
//                             lines, and lines are dropped and counted
// The line is one the command filter writes for every 4 KiB it reads.
//
//   log_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <syslog.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <string>
#include <thread>

#include "qor/log.h"

namespace {

constexpr const char* kFilterLine = "\tgot: 4096\t(1048576)";
constexpr int kPollMilliseconds = 50;
constexpr std::size_t kLargestDatagram = 65536;

enum class Daemon { None, Reading, Stalled };

// A daemon socket in a fresh folder, which the log points at while the object
// lives (Daemon::None: a path where nothing listens).
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
  [[nodiscard]] std::int64_t received() const { return received_; }

 private:
  void readUntilStopped() {
    std::array<char, kLargestDatagram> buffer;
    pollfd waiting{socket_, POLLIN, 0};
    while (!stop_) {
      if (poll(&waiting, 1, kPollMilliseconds) <= 0) continue;
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

void logLines(benchmark::State& state, Daemon kind) {
  BenchDaemon daemon(kind);
  if (!daemon.ready()) state.SkipWithError("no daemon socket");
  for (auto _ : state) qor::logLine(kFilterLine);
  state.counters["delivered_percent"] =
      state.iterations() ? 100.0 * static_cast<double>(daemon.received()) / static_cast<double>(state.iterations()) : 0;
}

void BM_LogLineNoDaemon(benchmark::State& state) { logLines(state, Daemon::None); }
void BM_LogLineReadingDaemon(benchmark::State& state) { logLines(state, Daemon::Reading); }
void BM_LogLineStalledDaemon(benchmark::State& state) { logLines(state, Daemon::Stalled); }

BENCHMARK(BM_LogLineNoDaemon)->UseRealTime();
BENCHMARK(BM_LogLineReadingDaemon)->UseRealTime();
BENCHMARK(BM_LogLineStalledDaemon)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
