// Moving to the trash, read back by an outside reader: Debian's trash-cli
// (trash-list, trash-restore) reads the same freedesktop.org trash as GIO.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "loop_volume.h"
#include "qor/alias.h"
#include "qor/file_system.h"
#include "qor/library.h"
#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/resource_location.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

namespace fs = std::filesystem;
using fixtures::LoopVolume;
using fixtures::readText;
using fixtures::TemporaryFolder;
using fixtures::writeText;

// GLib reads HOME and XDG_DATA_HOME once, at its first use: every test of
// this program shares one scratch home, set before any trash call.
struct ScratchHome {
  TemporaryFolder folder;
  ScratchHome() {
    fs::create_directories(folder.file("home/.local/share"));
    ::setenv("HOME", folder.file("home").c_str(), 1);
    ::setenv("XDG_DATA_HOME", folder.file("home/.local/share").c_str(), 1);
  }
  [[nodiscard]] std::string trash(const std::string& sub) const { return folder.file("home/.local/share/Trash/" + sub); }
  [[nodiscard]] std::string work(const std::string& name) const { return folder.file("work/" + name); }
};

const ScratchHome& home() {
  static ScratchHome instance;
  return instance;
}

constexpr auto run = fixtures::runCommand;
constexpr auto quoted = fixtures::shellQuoted;

bool haveTrashCli() { return run("command -v trash-list >/dev/null && command -v trash-restore >/dev/null").status == 0; }

// trash-list prints "DATE TIME /original/path", the path decoded.
bool listedByTrashCli(const std::string& path) {
  auto listing = run("trash-list 2>/dev/null").output;
  return listing.find(" " + path + "\n") != std::string::npos;
}

// trash-restore numbers what was trashed from PATH and asks which: 0.
bool restoredByTrashCli(const std::string& path) {
  return run("echo 0 | trash-restore " + quoted(path) + " >/dev/null 2>&1").status == 0 && fs::exists(path);
}

TEST(Trash, ListedWithTheOriginalPathAndRestored) {
  const auto& scratch = home();
  if (!haveTrashCli()) GTEST_SKIP() << "trash-cli is not installed (scripts/setup.sh lists it)";
  fs::create_directories(scratch.work(""));
  // Blanks, percent signs, UTF-8 and URL-reserved characters: the
  // .trashinfo percent-encodes them, trash-cli decodes them.
  for (std::string name : {"plain.txt", "a b%c.txt", "caf\xc3\xa9 \xe2\x8c\x98 100%.txt", "#?[x]&=.txt"}) {
    SCOPED_TRACE(name);
    std::string path = scratch.work(name);
    writeText(path, "contents of " + name);
    ASSERT_TRUE(moveFileToTrash(path));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(fs::exists(scratch.trash("files/" + name)));
    EXPECT_TRUE(listedByTrashCli(path));
    ASSERT_TRUE(restoredByTrashCli(path));
    EXPECT_EQ(readText(path), "contents of " + name);
    EXPECT_FALSE(listedByTrashCli(path));
  }
}

TEST(Trash, ALinkGoesItselfAndItsTargetStays) {
  const auto& scratch = home();
  fs::create_directories(scratch.work(""));
  writeText(scratch.work("target.txt"), "target");
  fs::create_symlink(scratch.work("target.txt"), scratch.work("link"));
  ASSERT_TRUE(moveFileToTrash(scratch.work("link")));
  EXPECT_TRUE(fs::is_symlink(scratch.trash("files/link")));
  EXPECT_EQ(readText(scratch.work("target.txt")), "target");
}

TEST(Trash, NothingToTrash) {
  home();
  LogCapture log;
  EXPECT_FALSE(moveFileToTrash(""));
  EXPECT_TRUE(log.lines().empty());
  TrashOutcome missing = moveFileToTrash("/nonexistent/qor/p.png");
  EXPECT_FALSE(missing);
  // 1 is GIO's G_IO_ERROR_NOT_FOUND; its reason is what the caller shows.
  EXPECT_EQ(log.lines(), std::vector<std::string>{"*** Failed to trash document: [1] /nonexistent/qor/p.png"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.message, "Error trashing file /nonexistent/qor/p.png: No such file or directory");
}

// The system reads a path only up to a NUL: each call below would act on
// victim.txt (or the folder, or ~/x) if the NUL reached it. Each answers as
// for a missing item and leaves the disk as it was.
TEST(PathsHoldingANul, NameNothingAndTouchNothing) {
  const auto& scratch = home();
  const std::string nul(1, '\0');
  TemporaryFolder work;
  fs::create_directories(work.file("folder"));
  const std::string victim = work.file("victim.txt"), folder = work.file("folder");
  ASSERT_TRUE(writePropertyListFile(str("tags"), folder + "/a.qor1_tag_set"));
  struct Case {
    const char* name;
    std::function<bool()> answersAsForAMissingItem;
  };
  const Case cases[] = {
      {"moveFileToTrash", [&] { return !moveFileToTrash(victim + nul + "other"); }},
      {"createFolderUnderHome", [&] { return !createFolderUnderHome("x" + nul + "y"); }},
      {"aliasFromPath", [&] { return !aliasFromPath(victim + nul + "other"); }},
      {"resourceLocationDictionaryWithPathAndBasePath",
       [&] { return resourceLocationDictionaryWithPathAndBasePath(victim + nul + "other", work.file("doc"))->count() == 1; }},
      {"collectFilesInDirectoryWithExtension",
       [&] { return collectFilesInDirectoryWithExtension(folder + nul + "junk", "qor1_tag_set")->count() == 0; }},
      {"readFile", [&] { return !readFile(victim + nul + "other"); }},
      {"writeFileAtomically", [&] { return !writeFileAtomically(victim + nul + "other", {'x'}); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    writeText(victim, "victim");
    EXPECT_TRUE(c.answersAsForAMissingItem());
    EXPECT_EQ(readText(victim), "victim");
    EXPECT_EQ(work.entries(), (std::set<std::string>{"folder", "victim.txt"}));
    EXPECT_FALSE(fs::exists(scratch.folder.file("home/x")));
    EXPECT_FALSE(fs::exists(scratch.trash("files/victim.txt")));
  }
}

// A file on another file system goes to that volume's own trash folder
// (.Trash-<uid> at its top), not across devices into the home's.
TEST(Trash, AFileOnAnotherVolumeGoesToThatVolumesTrash) {
  const auto& scratch = home();
  TemporaryFolder folder;
  LoopVolume volume(folder.path());
  if (!volume.mountAt(folder.file("volume"))) GTEST_SKIP() << fixtures::kNoLoopVolume;
  std::string path = folder.file("volume/on the volume.txt");
  writeText(path, "far away");
  ASSERT_TRUE(moveFileToTrash(path));
  EXPECT_FALSE(fs::exists(path));
  EXPECT_TRUE(fs::exists(folder.file("volume/.Trash-" + std::to_string(::getuid()) + "/files/on the volume.txt")));
  EXPECT_FALSE(fs::exists(scratch.trash("files/on the volume.txt")));
  if (!haveTrashCli()) return;
  EXPECT_TRUE(listedByTrashCli(path));
  EXPECT_TRUE(restoredByTrashCli(path));
}

}  // namespace
}  // namespace qor
