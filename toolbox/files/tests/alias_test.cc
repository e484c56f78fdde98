#include "qor/alias.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "fake_files.h"
#include "loop_volume.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

namespace fs = std::filesystem;
using fixtures::LoopVolume;
using fixtures::RealFilesWithoutHandles;
using fixtures::TemporaryFolder;
using fixtures::writeText;

// A scratch tree: a/p.png is the aliased file; b/ and a few bystanders
// give the search something to walk past.
struct Tree {
  TemporaryFolder folder;
  Tree() {
    fs::create_directories(folder.file("a/deep"));
    fs::create_directories(folder.file("b"));
    for (const char* name : {"a/x.txt", "a/deep/y.txt", "b/z.txt"}) writeText(folder.file(name), name);
    writeText(folder.file("a/p.png"), "picture");
  }
  [[nodiscard]] std::string path(const std::string& name) const { return folder.file(name); }
};

// A new file at `path` (not the aliased one): the inode may be reused, the
// birth time not.
void replaceWithImpostor(const std::string& path) {
  fs::remove(path);
  writeText(path, "impostor");
}

TEST(Alias, FindsTheItemOnEachRoadAndNeverAnImpostor) {
  struct Case {
    const char* what;
    std::function<void(const Tree&)> change;
    std::optional<std::string> found;  // relative to the tree
    AliasRoad withHandles;             // the road that finds it when handles may be used
  };
  const Case cases[] = {
      {"unchanged", [](const Tree&) {}, "a/p.png", AliasRoad::RecordedPath},
      {"renamed", [](const Tree& t) { fs::rename(t.path("a/p.png"), t.path("a/q.png")); }, "a/q.png",
       AliasRoad::FileHandle},
      {"moved to another folder", [](const Tree& t) { fs::rename(t.path("a/p.png"), t.path("b/p.png")); },
       "b/p.png", AliasRoad::FileHandle},
      {"moved deeper", [](const Tree& t) { fs::rename(t.path("a/p.png"), t.path("a/deep/p.png")); },
       "a/deep/p.png", AliasRoad::FileHandle},
      {"its folder renamed", [](const Tree& t) { fs::rename(t.path("a"), t.path("c")); }, "c/p.png",
       AliasRoad::FileHandle},
      {"replaced under the old name", [](const Tree& t) { replaceWithImpostor(t.path("a/p.png")); }, std::nullopt,
       AliasRoad::None},
      {"moved, an impostor in its place",
       [](const Tree& t) {
         fs::rename(t.path("a/p.png"), t.path("b/p.png"));
         writeText(t.path("a/p.png"), "impostor");
       },
       "b/p.png", AliasRoad::FileHandle},
      {"deleted", [](const Tree& t) { fs::remove(t.path("a/p.png")); }, std::nullopt, AliasRoad::None},
  };
  const bool handlesWork = geteuid() == 0;
  for (const auto& c : cases) {
    for (bool handles : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (handles ? ", with handles" : ", without handles"));
      Tree tree;
      RealFilesWithoutHandles calls;
      calls.handlesAllowed = handles;
      auto alias = aliasFromPath(tree.path("a/p.png"), calls);
      ASSERT_TRUE(alias);
      c.change(tree);
      auto resolution = resolveAlias(alias->bytes(), calls);
      EXPECT_EQ(resolution.path, c.found ? std::optional(tree.path(*c.found)) : std::nullopt);
      AliasRoad expected = c.withHandles;
      if (expected == AliasRoad::FileHandle && !(handles && handlesWork)) expected = AliasRoad::Search;
      EXPECT_EQ(resolution.road, expected);
      EXPECT_EQ(pathFromAlias(alias, calls), resolution.path);
    }
  }
}

TEST(Alias, FoldersHaveAliasesToo) {
  Tree tree;
  RealFilesWithoutHandles calls;
  calls.handlesAllowed = false;
  auto alias = aliasFromPath(tree.path("a/deep"), calls);
  fs::rename(tree.path("a/deep"), tree.path("b/shallow"));
  EXPECT_EQ(pathFromAlias(alias, calls), tree.path("b/shallow"));
  EXPECT_FALSE(aliasFromPath(tree.path("missing"), calls));
  EXPECT_FALSE(aliasFromPath("", calls));
}

// A search that can't find the file stops at the cap: of entries read, and
// of time (a clock that jumps a second at every look).
TEST(Alias, TheSearchStopsAtItsLimits) {
  Tree tree;
  for (int i = 0; i < 50; ++i) writeText(tree.path("b/filler" + std::to_string(i)), "");
  RealFilesWithoutHandles calls;
  calls.handlesAllowed = false;
  auto alias = aliasFromPath(tree.path("a/p.png"), calls);
  fs::remove(tree.path("a/p.png"));
  AliasSearchLimits limits;
  limits.maximumEntries = 20;
  auto resolution = resolveAlias(alias->bytes(), calls, limits);
  EXPECT_EQ(resolution.path, std::nullopt);
  EXPECT_EQ(resolution.entriesSearched, 20u);

  class JumpingClock : public RealFilesWithoutHandles {
   public:
    std::chrono::steady_clock::time_point now() override { return time += std::chrono::seconds(1); }
    std::chrono::steady_clock::time_point time{};
  } slow;
  slow.handlesAllowed = false;
  limits = {};
  limits.maximumTime = std::chrono::milliseconds(2500);  // start, then 2 folders' looks fit
  resolution = resolveAlias(alias->bytes(), slow, limits);
  EXPECT_EQ(resolution.path, std::nullopt);
  EXPECT_LT(resolution.entriesSearched, 60u);
}

TEST(AliasRecord, BytesRoundTripAndBrokenBytesGiveNothing) {
  AliasRecord record;
  record.path = "/home/u/p q.png";
  record.pathInFileSystem = "/u/p q.png";
  record.mountPoint = "/home";
  record.device = makedev(8, 2);
  record.inode = 1234567890123ULL;
  record.birth = BirthTime{-5, 999'999'999};
  record.handle = KernelFileHandle{1, {1, 2, 3, 4, 5, 6, 7, 8}};
  record.fileSystemUuid = "3f0b1616-49b2-4cdb-b846-356589debf0e";
  record.fileSystemSource = "/dev/sda2";
  record.fileSystemType = "ext4";
  auto bytes = encodeAliasRecord(record);
  EXPECT_EQ(decodeAliasRecord(bytes), record);

  // Every truncation is refused; so is a second version, a field twice, a
  // NUL in a path; an unknown field is stepped over.
  for (std::size_t length = 0; length < bytes.size(); ++length)
    EXPECT_EQ(decodeAliasRecord(std::span(bytes).first(length)), std::nullopt) << length;
  auto changed = [&](auto edit) {
    auto copy = bytes;
    edit(copy);
    return decodeAliasRecord(copy);
  };
  // Appends a field and counts it in the header's length (bytes 5 to 8).
  auto appended = [](std::vector<std::uint8_t> field) {
    return [field](std::vector<std::uint8_t>& b) {
      b.insert(b.end(), field.begin(), field.end());
      b[5] = static_cast<std::uint8_t>(b[5] + field.size());
    };
  };
  EXPECT_FALSE(changed([](auto& b) { b[4] = 2; }));
  EXPECT_FALSE(changed(appended({1, 1, 0, 0, 0, '/'})));
  EXPECT_FALSE(changed([](auto& b) { b[9 + 5 + 3] = 0; }));  // inside "/home/u/p q.png"
  EXPECT_FALSE(changed([](auto& b) { b.push_back(0); }));    // longer than the header says
  EXPECT_EQ(changed(appended({200, 2, 0, 0, 0, 'h', 'i'})), record);
  EXPECT_FALSE(changed(appended({200, 2})));  // a field header cut short
  // The fields in order: the path, then the path in its file system and the
  // mount point, then the device; each with a 5-byte tag and length.
  constexpr std::size_t kRecordHeader = 9, kFieldHeader = 5;
  constexpr std::uint8_t kUnknownTag = 200;
  const std::size_t device = kRecordHeader + 3 * kFieldHeader + record.path.size() +
                             record.pathInFileSystem.size() + record.mountPoint.size();
  EXPECT_FALSE(changed([](auto& b) { b[kRecordHeader] = kUnknownTag; }));  // no path
  auto deviceOfFourBytes = appended({4, 4, 0, 0, 0, 1, 2, 3, 4});
  EXPECT_FALSE(changed([&](auto& b) {
    b[device] = kUnknownTag;
    deviceOfFourBytes(b);
  }));
  AliasRecord relative = record;
  relative.path = "home/u/p q.png";
  EXPECT_EQ(decodeAliasRecord(encodeAliasRecord(relative)), std::nullopt);
  EXPECT_EQ(pathFromAlias(Data::make({'Q', 'A', 'L', 'R'}), FileCalls::real()), std::nullopt);
  EXPECT_EQ(pathFromAlias(nullptr, FileCalls::real()), std::nullopt);
}

TEST(MountTable, LinesWithEscapesAndBrokenLines) {
  auto mounts = parseMountTable(
      "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
      "40 27 7:1 /sub /mnt/my\\040disk rw shared:5 - ext4 /dev/loop1 rw\n"
      "broken line\n"
      "41 27 x:1 / /mnt/x rw - ext4 /dev/loop2 rw\n"
      "42 27 7 / /mnt/no-colon rw - ext4 /dev/loop3 rw\n"
      "43 27 7:1x / /mnt/bad-minor rw - ext4 /dev/loop4 rw\n"
      "44 27 7:2 / /mnt/short-tail rw - ext4\n");
  ASSERT_EQ(mounts.size(), 2u);
  EXPECT_EQ(mounts[1].device, makedev(7, 1));
  EXPECT_EQ(mounts[1].root, "/sub");
  EXPECT_EQ(mounts[1].mountPoint, "/mnt/my disk");
  EXPECT_EQ(mounts[1].fileSystemType, "ext4");
  EXPECT_EQ(mounts[1].source, "/dev/loop1");
}

// The recorded file system mounted whole and, bind-mounted, in part: the
// item is looked for in the whole mount, whichever the table lists first.
TEST(Alias, TheWholeFileSystemIsPreferredToABindMountOfPartOfIt) {
  class MountedTwice : public fixtures::InventedFiles {
   public:
    std::string table;
    std::optional<std::string> mountTable() override { return table; }
    bool listFolder(const std::string&, std::vector<FolderEntry>&) override { return false; }
  };
  const std::string whole = "30 1 8:1 / /media/disk rw - ext4 /dev/sdb1 rw\n";
  const std::string bind = "31 1 8:1 /pics /bind rw - ext4 /dev/sdb1 rw\n";
  const std::string expected = "/media/disk/pics/p.png";
  AliasRecord record;
  record.path = "/old/pics/p.png";
  record.pathInFileSystem = "/pics/p.png";
  record.mountPoint = "/old";
  record.device = makedev(8, 1);
  record.inode = std::hash<std::string>{}(expected);  // InventedFiles' inode of that path
  record.fileSystemSource = "/dev/sdb1";
  record.fileSystemType = "ext4";
  const auto bytes = encodeAliasRecord(record);
  for (const std::string& table : {whole + bind, bind + whole}) {
    MountedTwice calls;
    calls.existing = {expected, "/bind/p.png"};
    calls.table = table;
    AliasResolution resolution = resolveAlias(bytes, calls);
    EXPECT_EQ(resolution.path, expected) << table;
    EXPECT_EQ(resolution.road, AliasRoad::OtherMountPoint) << table;
  }
}

// A loop-mounted ext4 image, mounted again at another folder: the alias
// follows the file system by its UUID.
TEST(Alias, AVolumeMountedElsewhereIsFollowed) {
  TemporaryFolder folder;
  LoopVolume volume(folder.path());
  if (!volume.mountAt(folder.file("first"))) GTEST_SKIP() << fixtures::kNoLoopVolume;
  fs::create_directories(folder.file("first/pics"));
  writeText(folder.file("first/pics/p.png"), "picture");
  RealFilesWithoutHandles calls;
  auto alias = aliasFromPath(folder.file("first/pics/p.png"), calls);
  ASSERT_TRUE(volume.mountAt(folder.file("second")));
  for (bool handles : {false, true}) {
    calls.handlesAllowed = handles;
    auto resolution = resolveAlias(alias->bytes(), calls);
    EXPECT_EQ(resolution.path, folder.file("second/pics/p.png"));
    EXPECT_EQ(resolution.road, handles ? AliasRoad::FileHandle : AliasRoad::OtherMountPoint);
  }
  volume.unmount();
  EXPECT_EQ(pathFromAlias(alias, calls), std::nullopt) << "the volume is gone";
}

}  // namespace
}  // namespace qor
