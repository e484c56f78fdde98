#include "qor/file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "qor/log.h"

namespace qor {

namespace {

constexpr mode_t kNewFileMode = 0644;

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

class RealFileSystem final : public FileSystem {
 public:
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
    int fd = retryOnInterrupt([&] { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); });
    if (fd < 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    constexpr std::size_t kChunk = 65536;
    for (;;) {
      std::size_t used = bytes.size();
      bytes.resize(used + kChunk);
      ssize_t got = retryOnInterrupt([&] { return ::read(fd, bytes.data() + used, kChunk); });
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
    std::string folder = folderOf(path);
    std::string pattern = folder + "/.tmp-XXXXXX";
    int fd = retryOnInterrupt([&] { return ::mkstemp(pattern.data()); });
    if (fd < 0) return fail("mkstemp", path);
    std::size_t written = 0;
    while (written < bytes.size()) {
      ssize_t put = retryOnInterrupt([&] { return ::write(fd, bytes.data() + written, bytes.size() - written); });
      if (put <= 0) return discard(fd, pattern, "write", path);
      written += static_cast<std::size_t>(put);
    }
    // A replaced file keeps its permissions; a new one gets rw-r--r--, not mkstemp's 0600.
    struct stat existing {};
    mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : kNewFileMode;
    if (::fchmod(fd, mode) != 0) return discard(fd, pattern, "fchmod", path);
    if (retryOnInterrupt([&] { return ::fsync(fd); }) != 0) return discard(fd, pattern, "fsync", path);
    if (::close(fd) != 0) {
      ::unlink(pattern.c_str());
      return fail("close", path);
    }
    if (::rename(pattern.c_str(), path.c_str()) != 0) {
      int saved = errno;
      ::unlink(pattern.c_str());
      errno = saved;
      return fail("rename", path);
    }
    return true;
  }

 private:
  static bool fail(const char* call, const std::string& path) {
    logLine(std::string("*** cannot write ") + path + ": " + call + ": " + std::strerror(errno));
    return false;
  }

  static bool discard(int fd, const std::string& temporary, const char* call, const std::string& path) {
    int saved = errno;
    ::close(fd);
    ::unlink(temporary.c_str());
    errno = saved;
    return fail(call, path);
  }
};

}  // namespace

FileSystem& FileSystem::real() {
  static RealFileSystem instance;
  return instance;
}

}  // namespace qor
