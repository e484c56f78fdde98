#include "qor/file_system.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <random>

#include "qor/log.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::readText;
using fixtures::TemporaryFolder;
using fixtures::writeText;

std::vector<std::uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

mode_t permissionBits(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

TEST(FileSystem, ReadsWholeFilesAndNothingElse) {
  TemporaryFolder folder;
  // More than the 64 KiB read chunk, and not a multiple of it.
  std::mt19937 random(7);
  std::vector<std::uint8_t> large(3 * 65536 + 17);
  for (auto& byte : large) byte = static_cast<std::uint8_t>(random());
  ASSERT_TRUE(writeFileAtomically(folder.file("large"), large));
  EXPECT_EQ(readFile(folder.file("large")), large);
  writeText(folder.file("empty"), "");
  EXPECT_EQ(readFile(folder.file("empty")), std::vector<std::uint8_t>{});
  EXPECT_EQ(readFile(folder.file("absent")), std::nullopt);
  EXPECT_EQ(readFile(folder.path()), std::nullopt);  // a folder
}

// Sets the umask for one scope.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : previous_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(previous_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t previous_;
};

TEST(FileSystem, NewFilesFollowTheUmaskAndReplacedFilesKeepTheirBits) {
  struct NewCase {
    mode_t umask;
    mode_t mode;  // 0666 less the umask
  };
  for (const NewCase c : {NewCase{022, 0644}, NewCase{077, 0600}, NewCase{0, 0666}, NewCase{027, 0640}}) {
    TemporaryFolder folder;
    ScopedUmask umask(c.umask);
    ASSERT_TRUE(writeFileAtomically(folder.file("new"), bytesOf("x")));
    EXPECT_EQ(permissionBits(folder.file("new")), c.mode) << std::oct << "umask " << c.umask;
  }
  for (mode_t mode : {0600, 0640, 0755, 0444, 04750}) {
    TemporaryFolder folder;
    std::string path = folder.file("kept");
    writeText(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
    ASSERT_TRUE(writeFileAtomically(path, bytesOf("new")));
    EXPECT_EQ(readText(path), "new");
    EXPECT_EQ(permissionBits(path), mode) << std::oct << mode;
    EXPECT_EQ(folder.entries(), std::set<std::string>{"kept"});
  }
}

// Makes writes beyond `limit` bytes fail with EFBIG (and SIGXFSZ ignored)
// for one scope: a full disk that root cannot fake otherwise.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit lowered = previous_;
    lowered.rlim_cur = limit;
    ::setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

TEST(FileSystem, FailedWritesLeaveTheOldFileAndNoTemporary) {
  constexpr rlim_t kSmallLimit = 1024;
  struct Case {
    const char* name;
    std::string relativePath;  // where the write goes, under the folder
    std::string failedCall;
    int error;
    std::size_t bytes;
    std::function<void(const TemporaryFolder&)> prepare;
  };
  const Case cases[] = {
      {"folder does not exist", "missing/set.plist", "open", ENOENT, 10, {}},
      {"folder is a regular file", "old.plist/set.plist", "open", ENOTDIR, 10, {}},
      {"target is a folder that is not empty", "taken", "rename", EISDIR, 10,
       [](const TemporaryFolder& folder) {
         std::filesystem::create_directory(folder.file("taken"));
         writeText(folder.file("taken/inside"), "x");
       }},
      // 4 KiB against a 1 KiB limit: the second write(2) fails.
      {"disk full", "old.plist", "write", EFBIG, 4 * kSmallLimit, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TemporaryFolder folder;
    writeText(folder.file("old.plist"), "old contents");
    if (c.prepare) c.prepare(folder);
    auto before = folder.entries();
    std::string path = folder.file(c.relativePath);
    LogCapture capture;
    bool written;
    {
      std::optional<FileSizeLimit> limit;
      if (c.error == EFBIG) limit.emplace(kSmallLimit);
      written = writeFileAtomically(path, std::vector<std::uint8_t>(c.bytes, 'n'));
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(readText(folder.file("old.plist")), "old contents");
    EXPECT_EQ(folder.entries(), before);
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"*** cannot write " + path + ": " + c.failedCall + ": " + std::strerror(c.error)});
  }
}

TEST(FileSystem, ReplacesInPlaceWithoutLeftovers) {
  TemporaryFolder folder;
  std::string path = folder.file("set.plist");
  for (const char* contents : {"first, a longer text", "second", ""}) {
    ASSERT_TRUE(writeFileAtomically(path, bytesOf(contents)));
    EXPECT_EQ(readText(path), contents);
  }
  EXPECT_EQ(folder.entries(), std::set<std::string>{"set.plist"});
}

TEST(FileSystem, WritesThroughASymbolicLinkToTheFileItPointsTo) {
  TemporaryFolder folder;
  std::filesystem::create_directory(folder.file("dotfiles"));
  std::string target = folder.file("dotfiles/set.plist");
  writeText(target, "old");
  ASSERT_EQ(::chmod(target.c_str(), 0640), 0);
  std::filesystem::create_symlink("dotfiles/set.plist", folder.file("link.plist"));
  std::filesystem::create_symlink("nowhere", folder.file("dangling.plist"));

  ASSERT_TRUE(writeFileAtomically(folder.file("link.plist"), bytesOf("new")));
  EXPECT_TRUE(std::filesystem::is_symlink(folder.file("link.plist")));
  EXPECT_EQ(readText(target), "new");
  EXPECT_EQ(permissionBits(target), 0640u);
  EXPECT_EQ(folder.entries(), (std::set<std::string>{"dotfiles", "link.plist", "dangling.plist"}));
  EXPECT_EQ(fixtures::TemporaryFolder::entriesOf(folder.file("dotfiles")), std::set<std::string>{"set.plist"});

  ASSERT_TRUE(writeFileAtomically(folder.file("dangling.plist"), bytesOf("own")));
  EXPECT_FALSE(std::filesystem::is_symlink(folder.file("dangling.plist")));
  EXPECT_EQ(readText(folder.file("dangling.plist")), "own");
}

// A process id that no process has any longer: a child that has exited and
// been reaped (the kernel hands ids out in rising order, so it is not
// reused within the test).
pid_t goneProcessId() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

TEST(FileSystem, RemovesOnlyTemporariesWhoseWriterIsGone) {
  TemporaryFolder folder;
  const std::string gone = std::to_string(goneProcessId());
  const std::string alive = std::to_string(::getpid());
  struct Case {
    std::string name;
    bool removed;
  };
  const Case cases[] = {
      {".set.plist.tmp-" + gone + "-0", true},
      {".set.plist.tmp-" + gone + "-17", true},
      {".set.plist.tmp-" + alive + "-0", false},   // a write in progress
      {".set.plist.tmp-" + gone, false},           // not our pattern
      {".set.plist.tmp-" + gone + "-", false},
      {".set.plist.tmp-x" + gone + "-0", false},
      {".set.plist.tmp-" + gone + "-0.bak", false},
      {".set.plist.tmp-9999999999999-0", false},   // no pid is that long
      {".other.plist.tmp-" + gone + "-0", false},  // another file's
      {"set.plist.tmp-" + gone + "-0", false},
      {"set.plist", false},
  };
  std::set<std::string> kept;
  std::size_t expected = 0;
  for (const auto& c : cases) {
    writeText(folder.file(c.name), "x");
    if (c.removed)
      ++expected;
    else
      kept.insert(c.name);
  }
  std::filesystem::create_symlink("set.plist", folder.file("link.plist"));
  kept.insert("link.plist");
  // Through the link: the temporaries sit beside the file it points to.
  EXPECT_EQ(removeAbandonedTemporaries(folder.file("link.plist")), expected);
  EXPECT_EQ(folder.entries(), kept);
  EXPECT_EQ(removeAbandonedTemporaries(folder.file("set.plist")), 0u);
  EXPECT_EQ(removeAbandonedTemporaries(folder.file("absent/set.plist")), 0u);
}

}  // namespace
}  // namespace qor
