// The system-log client against daemons made here: AF_UNIX sockets in a
// temporary folder, reached through setSystemLogSocketPath.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "qor/log.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::TemporaryFolder;

// The probe interval of the log, and a margin for a loaded machine.
constexpr auto kAfterProbeInterval = std::chrono::milliseconds(1100);
// The pause after a refused line, with the same margin.
constexpr auto kAfterRetryInterval = std::chrono::milliseconds(130);
constexpr std::size_t kLargestMessage = 65536;

sockaddr_un addressOf(const std::string& path) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  return address;
}

// A daemon's socket bound at `path`; reads never wait.
class Daemon {
 public:
  Daemon(const std::string& path, int type) : path_(path) {
    ::unlink(path.c_str());
    socket_ = ::socket(AF_UNIX, type | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address = addressOf(path);
    EXPECT_EQ(::bind(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0) << path;
    if (type == SOCK_STREAM) {
      EXPECT_EQ(::listen(socket_, 1), 0);
    }
  }
  ~Daemon() {
    ::close(socket_);
    ::unlink(path_.c_str());
  }
  Daemon(const Daemon&) = delete;
  Daemon& operator=(const Daemon&) = delete;

  // Every datagram waiting, in order.
  std::vector<std::string> receiveAll() {
    std::vector<std::string> messages;
    std::string buffer(kLargestMessage, '\0');
    for (;;) {
      ssize_t got = ::recv(socket_, buffer.data(), buffer.size(), 0);
      if (got < 0) break;
      messages.emplace_back(buffer.data(), static_cast<std::size_t>(got));
    }
    return messages;
  }
  // The bytes a stream client sent, after accepting it.
  std::string acceptAndRead() {
    int client = ::accept4(socket_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return "(no client)";
    std::string bytes(kLargestMessage, '\0');
    ssize_t got = ::recv(client, bytes.data(), bytes.size(), MSG_DONTWAIT);
    ::close(client);
    return got < 0 ? "(nothing)" : bytes.substr(0, static_cast<std::size_t>(got));
  }

 private:
  std::string path_;
  int socket_ = -1;
};

// The text after "<13>Mmm dd hh:mm:ss <program>[<pid>]: ", or nullopt when
// the message has another form, program name or process id.
std::optional<std::string> textOf(const std::string& message, pid_t pid = ::getpid(),
                                  std::string_view program = program_invocation_short_name) {
  static const std::regex header(R"(<13>(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) [ 123][0-9] )"
                                 R"([0-2][0-9]:[0-5][0-9]:[0-6][0-9] ([^ \[]+)\[([0-9]+)\]: )");
  std::smatch match;
  if (!std::regex_search(message, match, header, std::regex_constants::match_continuous)) return std::nullopt;
  if (match[2].str() != program || match[3].str() != std::to_string(pid)) return std::nullopt;
  return message.substr(static_cast<std::size_t>(match.length(0)));
}

std::vector<std::string> textsOf(const std::vector<std::string>& messages) {
  std::vector<std::string> texts;
  for (const auto& message : messages) texts.push_back(textOf(message).value_or("(malformed) " + message));
  return texts;
}

// Each test points the log at its own daemon and back at nothing afterwards.
class SystemLogTest : public testing::Test {
 protected:
  void TearDown() override { setSystemLogSocketPath(folder_.file("none")); }
  std::string socketPath() const { return folder_.file("log"); }
  TemporaryFolder folder_;
};

TEST_F(SystemLogTest, LinesArriveAsSyslogWritesThemAndKeepErrno) {
  Daemon daemon(socketPath(), SOCK_DGRAM);
  setSystemLogSocketPath(socketPath());
  errno = ENOENT;
  logLine("*** Remove bogus editor shortcuts. (1)");
  EXPECT_EQ(errno, ENOENT);
  logLine("two\nlines, kept");
  logLine("");
  {
    LogCapture silent;  // a silencing capture keeps lines from the daemon
    logLine("captured only");
  }
  {
    LogCapture forwarding(LogCapture::Syslog::Forward);
    logLine("captured and sent");
    EXPECT_EQ(forwarding.lines(), std::vector<std::string>{"captured and sent"});
  }
  // A forked child writes its own process id, itself: the parent's sender
  // thread is not in the child.
  ASSERT_TRUE(flushSystemLog());
  pid_t child = ::fork();
  if (child == 0) {
    logLine("from the child");
    ::_exit(0);
  }
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);

  auto messages = daemon.receiveAll();
  ASSERT_EQ(messages.size(), 5u);
  EXPECT_EQ(textsOf({messages.begin(), messages.begin() + 4}),
            (std::vector<std::string>{"*** Remove bogus editor shortcuts. (1)", "two\nlines, kept", "",
                                      "captured and sent"}));
  EXPECT_EQ(textOf(messages[4], child), "from the child");
}

TEST_F(SystemLogTest, StreamDaemonGetsZeroTerminatedMessages) {
  Daemon daemon(socketPath(), SOCK_STREAM);
  setSystemLogSocketPath(socketPath());
  logLine("first");
  logLine("second");
  ASSERT_TRUE(flushSystemLog());
  std::string bytes = daemon.acceptAndRead();
  auto zero = bytes.find('\0');
  ASSERT_NE(zero, std::string::npos) << bytes;
  EXPECT_EQ(textOf(bytes.substr(0, zero)), "first");
  ASSERT_EQ(bytes.back(), '\0');
  EXPECT_EQ(textOf(bytes.substr(zero + 1, bytes.size() - zero - 2)), "second");
}

// A daemon that reads nothing: its queue fills (net.unix.max_dgram_qlen
// datagrams, or the sender's buffer), then the rest of the burst is dropped.
// When it has read its queue, the next line is preceded by the count.
TEST_F(SystemLogTest, BusyDaemonLosesLinesWithoutStallingThenHearsTheirCount) {
  constexpr int kLines = 2000;  // far more than any queue holds
  Daemon daemon(socketPath(), SOCK_DGRAM);
  setSystemLogSocketPath(socketPath());
  auto started = std::chrono::steady_clock::now();
  for (int i = 0; i < kLines; ++i) logLine("line " + std::to_string(i));
  // Generous: a blocked caller would wait here forever.
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
  ASSERT_TRUE(flushSystemLog());

  auto texts = textsOf(daemon.receiveAll());
  ASSERT_GE(texts.size(), 1u);
  ASSERT_LT(texts.size(), static_cast<std::size_t>(kLines));
  for (std::size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i], "line " + std::to_string(i));
  const std::size_t dropped = kLines - texts.size();

  // A child forked now leaves the count to its parent.
  pid_t child = ::fork();
  if (child == 0) {
    logLine("from the child");
    ::_exit(0);
  }
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  auto fromChild = daemon.receiveAll();
  ASSERT_EQ(fromChild.size(), 1u);
  EXPECT_EQ(textOf(fromChild[0], child), "from the child");

  // Lines are dropped without asking for 100 ms after the refusal.
  std::this_thread::sleep_for(kAfterRetryInterval);
  logLine("after");
  logLine("and once more");
  ASSERT_TRUE(flushSystemLog());
  EXPECT_EQ(textsOf(daemon.receiveAll()),
            (std::vector<std::string>{"*** " + std::to_string(dropped) + " log lines dropped while the system log was busy",
                                      "after", "and once more"}));
}

// A line longer than a datagram may be (the sender's buffer, about 208 KiB
// by default) is dropped and counted like a refused one; the connection stays.
TEST_F(SystemLogTest, LineTooLongForADatagramIsCountedAsDropped) {
  constexpr std::size_t kHugeLine = 4 << 20;
  Daemon daemon(socketPath(), SOCK_DGRAM);
  setSystemLogSocketPath(socketPath());
  logLine(std::string(kHugeLine, 'x'));
  ASSERT_TRUE(flushSystemLog());  // the count is known once the line was offered
  logLine("next");
  ASSERT_TRUE(flushSystemLog());
  EXPECT_EQ(textsOf(daemon.receiveAll()),
            (std::vector<std::string>{"*** 1 log line dropped while the system log was busy", "next"}));
}

// No daemon at first: a connection is tried at once after the path is set,
// then at most once a second. A daemon that goes away loses the lines sent
// meanwhile, and its successor hears how many.
TEST_F(SystemLogTest, AbsentDaemonIsProbedOnceASecondAndARestartIsNoticed) {
  setSystemLogSocketPath(socketPath());
  logLine("nobody listens");  // the probe fails here
  ASSERT_TRUE(flushSystemLog());
  std::optional<Daemon> daemon;
  daemon.emplace(socketPath(), SOCK_DGRAM);
  logLine("too early: within the second of the failed probe");
  ASSERT_TRUE(flushSystemLog());
  std::this_thread::sleep_for(kAfterProbeInterval);
  logLine("heard");
  ASSERT_TRUE(flushSystemLog());
  EXPECT_EQ(textsOf(daemon->receiveAll()), std::vector<std::string>{"heard"});

  daemon.reset();
  logLine("lost with the old daemon");
  ASSERT_TRUE(flushSystemLog());
  daemon.emplace(socketPath(), SOCK_DGRAM);
  std::this_thread::sleep_for(kAfterProbeInterval);
  logLine("heard by the new one");
  ASSERT_TRUE(flushSystemLog());
  EXPECT_EQ(textsOf(daemon->receiveAll()),
            (std::vector<std::string>{"*** 1 log line dropped while the system log was busy", "heard by the new one"}));
}

// Lines still queued when the process ends reach the daemon: a process of
// its own, since a forked child has no sender thread to flush.
TEST_F(SystemLogTest, LinesQueuedAtExitReachTheDaemon) {
  Daemon daemon(socketPath(), SOCK_DGRAM);
  const std::string path = socketPath();
  const pid_t child = ::fork();
  if (child == 0) {
    ::execl(QOR_LOG_EXIT_HELPER, QOR_LOG_EXIT_HELPER, path.c_str(), "first", "last words", nullptr);
    ::_exit(127);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  auto messages = daemon.receiveAll();
  ASSERT_EQ(messages.size(), 2u);
  // Under the helper's own name: each program logs as itself.
  const std::string helper = std::filesystem::path(QOR_LOG_EXIT_HELPER).filename();
  EXPECT_EQ(textOf(messages[0], child, helper), "first");
  EXPECT_EQ(textOf(messages[1], child, helper), "last words");
}

// Children forked while another thread logs as fast as it can: the lock is
// never inherited held, whatever the sender was doing. A child stuck on it
// would end by its alarm instead of exiting.
TEST_F(SystemLogTest, ChildrenForkedWhileAThreadLogsNeverHang) {
  constexpr int kChildren = 50;
  constexpr unsigned kChildDeadlineSeconds = 5;
  Daemon daemon(socketPath(), SOCK_DGRAM);
  setSystemLogSocketPath(socketPath());
  std::atomic<bool> stop{false};
  std::thread busy([&stop] {
    while (!stop) logLine("busy");
  });
  for (int i = 0; i < kChildren; ++i) {
    const pid_t child = ::fork();
    if (child == 0) {
      ::alarm(kChildDeadlineSeconds);
      logLine("from a child");
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << i << ": " << status;
  }
  stop = true;
  busy.join();
  EXPECT_TRUE(flushSystemLog());
}

// The oracle: glibc's syslog() and logLine write to a daemon at /dev/log in a
// mount namespace of a child process of their own (a fresh /dev there), and
// the two messages must be the same bytes. A fresh process that never sets a
// path reaches the same daemon through its sender thread. Needs the right to
// make a mount namespace; skipped without it.
TEST(SystemLogOracle, MessagesAreTheBytesGlibcSyslogWrites) {
  constexpr int kSkipped = 2;
  constexpr int kDiffer = 3;
  constexpr int kDefaultPathUnheard = 4;
  constexpr int kAttempts = 3;  // the two timestamps may straddle a second
  pid_t child = ::fork();
  if (child == 0) {
    if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("tmpfs", "/dev", "tmpfs", 0, nullptr) != 0)
      ::_exit(kSkipped);
    Daemon daemon("/dev/log", SOCK_DGRAM);
    const pid_t fresh = ::fork();
    if (fresh == 0) {
      ::execl(QOR_LOG_EXIT_HELPER, QOR_LOG_EXIT_HELPER, "-", "by default", nullptr);
      ::_exit(127);
    }
    if (::waitpid(fresh, nullptr, 0) != fresh) ::_exit(kDefaultPathUnheard);
    const auto heard = daemon.receiveAll();
    const std::string helper = std::filesystem::path(QOR_LOG_EXIT_HELPER).filename();
    if (heard.size() != 1 || textOf(heard[0], fresh, helper) != "by default") ::_exit(kDefaultPathUnheard);

    setSystemLogSocketPath("/dev/log");
    openlog(nullptr, LOG_PID, LOG_USER);  // glibc's identity: the program's name
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
      syslog(LOG_NOTICE, "%s", "*** toolbox: cfidwe fork failed");
      logLine("*** toolbox: cfidwe fork failed");
      if (!flushSystemLog()) ::_exit(kDiffer);
      auto messages = daemon.receiveAll();
      if (messages.size() == 2 && messages[0] == messages[1]) ::_exit(0);
    }
    ::_exit(kDiffer);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == kSkipped) GTEST_SKIP() << "no mount namespace for a private /dev/log";
  EXPECT_NE(WEXITSTATUS(status), kDefaultPathUnheard) << "a process logging to /dev/log was not heard there";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "logLine and syslog() wrote different messages";
}

}  // namespace
}  // namespace qor
