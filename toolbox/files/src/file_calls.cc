#include "qor/seams/file_calls.h"

#include <blkid/blkid.h>
#include <dirent.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "qor/file_system.h"

namespace qor {

namespace {

// The largest handle the kernel gives (MAX_HANDLE_SZ in the kernel's headers).
constexpr unsigned kMaximumHandleSize = 128;
constexpr std::string_view kDeletedSuffix = " (deleted)";
constexpr std::size_t kPasswordBufferSize = 16384;
constexpr const char* kNotFoundMessage = "No such file or directory";

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  [[nodiscard]] int get() const { return fd_; }

 private:
  int fd_;
};

// struct file_handle ends in a flexible array; this gives it room.
class HandleBuffer {
 public:
  HandleBuffer() { header()->handle_bytes = kMaximumHandleSize; }
  file_handle* header() { return reinterpret_cast<file_handle*>(storage_); }

 private:
  alignas(file_handle) unsigned char storage_[sizeof(file_handle) + kMaximumHandleSize] = {};
};

struct FolderCloser {
  void operator()(DIR* folder) const { ::closedir(folder); }
};

FolderEntry::Type entryType(unsigned char type) {
  switch (type) {
    case DT_DIR: return FolderEntry::Type::Folder;
    case DT_LNK: return FolderEntry::Type::SymbolicLink;
    case DT_UNKNOWN: return FolderEntry::Type::Unknown;
    default: return FolderEntry::Type::Other;
  }
}

class RealFileCalls final : public FileCalls {};

// A path holding a NUL names nothing: the call would act on the path before
// it. Sets errno as for a missing item.
bool refused(const std::string& path) {
  if (reachesSystemWhole(path)) return false;
  errno = ENOENT;
  return true;
}

}  // namespace

bool FileCalls::exists(const std::string& path) {
  struct stat status {};
  return !path.empty() && !refused(path) && ::stat(path.c_str(), &status) == 0;
}

bool FileCalls::isFolder(const std::string& path) {
  struct stat status {};
  return !path.empty() && !refused(path) && ::stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<ItemIdentity> FileCalls::identify(const std::string& path, LinkHandling links) {
  struct statx status {};
  const int flags = links == LinkHandling::Follow ? 0 : AT_SYMLINK_NOFOLLOW;
  if (path.empty() || refused(path) || ::statx(AT_FDCWD, path.c_str(), flags, STATX_BASIC_STATS | STATX_BTIME, &status) != 0) {
    if (path.empty()) errno = ENOENT;
    return std::nullopt;
  }
  ItemIdentity identity;
  identity.device = makedev(status.stx_dev_major, status.stx_dev_minor);
  identity.inode = status.stx_ino;
  identity.isFolder = S_ISDIR(status.stx_mode);
  if (status.stx_mask & STATX_BTIME)
    identity.birth = BirthTime{status.stx_btime.tv_sec, status.stx_btime.tv_nsec};
  return identity;
}

std::optional<std::string> FileCalls::realPath(const std::string& path) {
  if (refused(path)) return std::nullopt;
  std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get());
}

std::optional<KernelFileHandle> FileCalls::handleForPath(const std::string& path) {
  HandleBuffer buffer;
  file_handle* header = buffer.header();
  int mountId = 0;
  if (refused(path)) return std::nullopt;
  if (::name_to_handle_at(AT_FDCWD, path.c_str(), header, &mountId, AT_SYMLINK_FOLLOW) != 0) return std::nullopt;
  const unsigned char* bytes = header->f_handle;
  return KernelFileHandle{header->handle_type, std::vector<std::uint8_t>(bytes, bytes + header->handle_bytes)};
}

std::optional<std::string> FileCalls::pathForHandle(const std::string& mountPoint, const KernelFileHandle& handle) {
  if (refused(mountPoint)) return std::nullopt;
  if (handle.bytes.size() > kMaximumHandleSize) {
    errno = EINVAL;
    return std::nullopt;
  }
  Descriptor mount(::open(mountPoint.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (mount.get() < 0) return std::nullopt;
  HandleBuffer buffer;
  file_handle* header = buffer.header();
  header->handle_bytes = static_cast<unsigned>(handle.bytes.size());
  header->handle_type = handle.type;
  std::copy(handle.bytes.begin(), handle.bytes.end(), header->f_handle);
  Descriptor item(::open_by_handle_at(mount.get(), header, O_PATH | O_CLOEXEC));
  if (item.get() < 0) return std::nullopt;
  std::string link = "/proc/self/fd/" + std::to_string(item.get());
  std::string target(PATH_MAX, '\0');
  ssize_t length = ::readlink(link.c_str(), target.data(), target.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= target.size()) return std::nullopt;
  target.resize(static_cast<std::size_t>(length));
  if (target.front() != '/' || target.ends_with(kDeletedSuffix)) {
    errno = ENOENT;
    return std::nullopt;
  }
  return target;
}

std::optional<std::string> FileCalls::mountTable() {
  auto bytes = readFile("/proc/self/mountinfo");
  if (!bytes) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

std::string FileCalls::fileSystemUuid(const std::string& device) {
  if (refused(device)) return {};
  std::unique_ptr<char, decltype(&std::free)> uuid(blkid_get_tag_value(nullptr, "UUID", device.c_str()), &std::free);
  return uuid ? std::string(uuid.get()) : std::string();
}

bool FileCalls::listFolder(const std::string& path, std::vector<FolderEntry>& entries) {
  if (refused(path)) return false;
  std::unique_ptr<DIR, FolderCloser> folder(::opendir(path.c_str()));
  if (!folder) return false;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(folder.get());
    if (!entry) return errno == 0;
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    entries.push_back({std::string(name), entry->d_ino, entryType(entry->d_type)});
  }
}

std::optional<std::vector<std::uint8_t>> FileCalls::readFile(const std::string& path) {
  return ::qor::readFile(path);
}

bool FileCalls::createFolders(const std::string& path) {
  if (refused(path)) return false;
  std::error_code error;
  std::filesystem::create_directories(path, error);
  if (!error) return true;
  errno = error.value();
  return false;
}

std::string FileCalls::homeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  passwd entry{};
  passwd* found = nullptr;
  std::string buffer(kPasswordBufferSize, '\0');
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    return found->pw_dir;
  return "/";
}

TrashOutcome FileCalls::trash(const std::string& path) {
  // As GIO answers for a path where nothing is.
  if (refused(path)) return {G_IO_ERROR_NOT_FOUND, kNotFoundMessage};
  std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(path.c_str()), &g_object_unref);
  GError* error = nullptr;
  if (g_file_trash(file.get(), nullptr, &error)) return {};
  TrashOutcome outcome{error ? error->code : -1, error ? error->message : "unknown error"};
  if (error) g_error_free(error);
  return outcome;
}

std::chrono::steady_clock::time_point FileCalls::now() { return std::chrono::steady_clock::now(); }

FileCalls& FileCalls::real() {
  static RealFileCalls instance;
  return instance;
}

}  // namespace qor
