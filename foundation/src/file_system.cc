#include "qor/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "qor/log.h"

namespace qor {

namespace {

// Before the umask, as every program that creates a document asks.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr std::size_t kReadChunk = 65536;
// Attempts at a temporary name that no other file has.
constexpr int kTemporaryNameAttempts = 100;
// Process ids are at most 2^22 on Linux; a longer number is no pid of ours.
constexpr std::size_t kMaxPidDigits = 9;

// Retries a call interrupted by a signal.
template <typename Call>
auto retryOnInterrupt(Call call) {
  decltype(call()) result;
  do {
    result = call();
  } while (result < 0 && errno == EINTR);
  return result;
}

std::string folderOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Logs the failed step with the errno it left; keeps errno.
bool fail(const char* call, const std::string& path) {
  int saved = errno;
  logLine(std::string("*** cannot write ") + path + ": " + call + ": " + std::strerror(saved));
  errno = saved;
  return false;
}

// A new, empty file beside `path`, opened for writing and created with
// kNewFileMode less the umask: ".<name>.tmp-<pid>-<n>". Result: its
// descriptor and name, or a negative descriptor when none could be made.
struct Temporary {
  int fd = -1;
  std::string name;
};

constexpr const char* kTemporaryMark = ".tmp-";

// ".<name>.tmp-" for `path`'s file name, without the folder.
std::string temporaryNamePrefix(const std::string& path) {
  auto slash = path.rfind('/');
  return "." + (slash == std::string::npos ? path : path.substr(slash + 1)) + kTemporaryMark;
}

Temporary createTemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  auto slash = path.rfind('/');
  std::string prefix = (slash == std::string::npos ? "" : path.substr(0, slash + 1)) + temporaryNamePrefix(path);
  Temporary temporary;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary.name = prefix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    temporary.fd = retryOnInterrupt(
        [&] { return ::open(temporary.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode); });
    if (temporary.fd >= 0 || errno != EEXIST) return temporary;
  }
  return temporary;
}

// The process id in a temporary's name after its prefix ("<pid>-<n>"), or -1
// when the rest is not of that form.
pid_t writerOfTemporary(const std::string& rest) {
  auto dash = rest.find('-');
  if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size()) return -1;
  auto allDigits = [](std::string_view text) {
    return text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  std::string_view pid(rest.data(), dash);
  if (!allDigits(pid) || !allDigits(std::string_view(rest).substr(dash + 1)) || pid.size() > kMaxPidDigits) return -1;
  return static_cast<pid_t>(std::stol(std::string(pid)));
}

// The file that a symbolic link at `path` points to, so that a write
// replaces that file and keeps the link; `path` itself otherwise, and for a
// link that points nowhere.
std::string followSymbolicLink(const std::string& path) {
  struct stat link {};
  if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  return resolved ? std::string(resolved.get()) : path;
}

// Closes and removes the temporary after a failed step; keeps errno.
bool discard(Temporary& temporary, const char* call, const std::string& path) {
  int saved = errno;
  if (temporary.fd >= 0) ::close(temporary.fd);
  ::unlink(temporary.name.c_str());
  errno = saved;
  return fail(call, path);
}

// Sets errno as for a missing item when `path` would reach the system cut.
bool refused(const std::string& path) {
  if (reachesSystemWhole(path)) return false;
  errno = ENOENT;
  return true;
}

}  // namespace

bool reachesSystemWhole(std::string_view text) { return text.find('\0') == std::string_view::npos; }

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) {
  if (refused(path)) return std::nullopt;
  int fd = retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); });
  if (fd < 0) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  for (;;) {
    std::size_t used = bytes.size();
    bytes.resize(used + kReadChunk);
    ssize_t got = retryOnInterrupt([&] { return ::read(fd, bytes.data() + used, kReadChunk); });
    if (got < 0) {
      ::close(fd);
      return std::nullopt;
    }
    bytes.resize(used + static_cast<std::size_t>(got));
    if (got == 0) break;
  }
  ::close(fd);
  return bytes;
}

bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (refused(path)) return fail("open", path);
  std::string target = followSymbolicLink(path);
  Temporary temporary = createTemporaryBeside(target);
  if (temporary.fd < 0) return fail("open", path);
  std::size_t written = 0;
  while (written < bytes.size()) {
    ssize_t put = retryOnInterrupt(
        [&] { return ::write(temporary.fd, bytes.data() + written, bytes.size() - written); });
    if (put < 0) return discard(temporary, "write", path);
    if (put == 0) {
      errno = EIO;  // no progress and no error: give up rather than spin
      return discard(temporary, "write", path);
    }
    written += static_cast<std::size_t>(put);
  }
  // A replaced file keeps its permission bits; a new one has the mode it
  // was created with.
  struct stat existing {};
  if (::stat(target.c_str(), &existing) == 0 && ::fchmod(temporary.fd, existing.st_mode & kPermissionBits) != 0)
    return discard(temporary, "fchmod", path);
  if (retryOnInterrupt([&] { return ::fsync(temporary.fd); }) != 0) return discard(temporary, "fsync", path);
  int closed = ::close(temporary.fd);
  temporary.fd = -1;
  if (closed != 0) return discard(temporary, "close", path);
  if (::rename(temporary.name.c_str(), target.c_str()) != 0) return discard(temporary, "rename", path);
  // The rename is done; flushing the folder only makes it survive a crash,
  // so a failure here does not undo the write.
  int folder = retryOnInterrupt([&] { return ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (folder >= 0) {
    static_cast<void>(::fsync(folder));
    ::close(folder);
  }
  return true;
}

std::size_t removeAbandonedTemporaries(const std::string& path) {
  if (refused(path)) return 0;
  std::string target = followSymbolicLink(path);
  std::string folder = folderOf(target);
  std::string prefix = temporaryNamePrefix(target);
  struct CloseListing {
    void operator()(DIR* listing) const { ::closedir(listing); }
  };
  std::unique_ptr<DIR, CloseListing> listing(::opendir(folder.c_str()));
  if (!listing) return 0;
  std::vector<std::string> abandoned;
  while (const dirent* entry = ::readdir(listing.get())) {
    std::string name = entry->d_name;
    if (name.rfind(prefix, 0) != 0) continue;
    pid_t writer = writerOfTemporary(name.substr(prefix.size()));
    // kill with signal 0 only asks whether the process exists; EPERM means it
    // does, under another user.
    if (writer > 0 && ::kill(writer, 0) != 0 && errno == ESRCH) abandoned.push_back(folder + "/" + name);
  }
  std::size_t removed = 0;
  for (const auto& name : abandoned)
    if (::unlink(name.c_str()) == 0) ++removed;
  return removed;
}

}  // namespace qor
