#include "qor/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "qor/log.h"

namespace qor {

namespace {

// Before the umask, as every program that creates a document asks.
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kPermissionBits = 07777;
constexpr std::size_t kReadChunk = 65536;
// Attempts at a temporary name that no other file has.
constexpr int kTemporaryNameAttempts = 100;

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

Temporary createTemporaryBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  auto slash = path.rfind('/');
  std::string prefix = slash == std::string::npos ? "." + path : path.substr(0, slash + 1) + "." + path.substr(slash + 1);
  Temporary temporary;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary.name = prefix + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
    temporary.fd = retryOnInterrupt(
        [&] { return ::open(temporary.name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kNewFileMode); });
    if (temporary.fd >= 0 || errno != EEXIST) return temporary;
  }
  return temporary;
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

class RealFileSystem final : public FileSystem {
 public:
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
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

  bool writeFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) override {
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
};

}  // namespace

FileSystem& FileSystem::real() {
  static RealFileSystem instance;
  return instance;
}

}  // namespace qor
