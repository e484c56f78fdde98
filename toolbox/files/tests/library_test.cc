#include "qor/library.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/seams/file_calls.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

namespace fs = std::filesystem;
using fixtures::TemporaryFolder;
using fixtures::writeText;

// The real calls inside a scratch folder that stands for the root: "/x" is
// <scratch>/x, and the home folder is /home/u.
class RootedFiles : public FileCalls {
 public:
  explicit RootedFiles(std::string root) : root_(std::move(root)) {}
  bool exists(const std::string& path) override { return FileCalls::exists(root_ + path); }
  bool isFolder(const std::string& path) override { return FileCalls::isFolder(root_ + path); }
  bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override {
    return FileCalls::listFolder(root_ + path, entries);
  }
  std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
    return FileCalls::readFile(root_ + path);
  }
  bool createFolders(const std::string& path) override { return FileCalls::createFolders(root_ + path); }
  std::string homeFolder() override { return "/home/u"; }
  [[nodiscard]] std::string at(const std::string& path) const { return root_ + path; }

 private:
  std::string root_;
};

const std::string kUserStyles = "/home/u/Library/Application Support/z-phane/QOR/Named Styles";
const std::string kComputerStyles = "/Library/Application Support/z-phane/QOR/Named Styles";

void writeArchive(const std::string& path, const Ref& value) { ASSERT_TRUE(writePropertyListFile(value, path)); }

std::vector<std::string> pathsOf(const MutableArrayRef& entries) {
  std::vector<std::string> paths;
  for (const auto& entry : entries->elements()) paths.push_back(asDictionary(entry)->stringForKey("path")->value());
  return paths;
}

TEST(Library, NoFoldersNoEntriesNoLines) {
  TemporaryFolder folder;
  RootedFiles files(folder.path());
  LogCapture log;
  EXPECT_TRUE(getTagSetInLibrary(files)->empty());
  EXPECT_TRUE(getStylesheetsInLibrary(files)->empty());
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(libraryDir(), "Library/Application Support/z-phane/QOR");
}

TEST(Library, CollectsExactExtensionsUserFirstAndSkipsWhatIsNoArchive) {
  TemporaryFolder folder;
  RootedFiles files(folder.path());
  fs::create_directories(files.at(kUserStyles));
  fs::create_directories(files.at(kComputerStyles));
  writeArchive(files.at(kUserStyles + "/a.qor1_tag_set"), str("tag set a"));
  writeArchive(files.at(kUserStyles + "/b.QOR1_TAG_SET"), str("wrong case"));
  writeArchive(files.at(kUserStyles + "/c.qor1_tag_set.bak"), str("backup"));
  writeArchive(files.at(kUserStyles + "/.hidden.qor1_tag_set"), str("hidden"));
  writeText(files.at(kUserStyles + "/broken.qor1_tag_set"), "not an archive");
  writeArchive(files.at(kComputerStyles + "/a.qor1_tag_set"), Dictionary::make({{"name", str("shared")}}));

  LogCapture log;
  auto entries = getTagSetInLibrary(files);
  auto paths = pathsOf(entries);
  // The user's folder lists in the file system's order: compare as a set, then the computer's last.
  ASSERT_EQ(paths.size(), 3u);
  EXPECT_EQ(std::set<std::string>(paths.begin(), paths.begin() + 2),
            (std::set<std::string>{kUserStyles + "/a.qor1_tag_set", kUserStyles + "/.hidden.qor1_tag_set"}));
  EXPECT_EQ(paths[2], kComputerStyles + "/a.qor1_tag_set");
  auto shared = asDictionary(asDictionary(entries->objectAtIndex(2))->objectForKey("object"));
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->stringForKey("name")->value(), "shared");
  EXPECT_EQ(log.lines(), std::vector<std::string>{"Can't restore object: " + kUserStyles + "/broken.qor1_tag_set"});
  EXPECT_TRUE(getStylesheetsInLibrary(files)->empty());
}

TEST(Library, FailuresOfTheFolderAndItsFiles) {
  TemporaryFolder folder;
  RootedFiles files(folder.path());
  fs::create_directories(files.at("/styles"));
  writeText(files.at("/plain"), "");
  writeArchive(files.at("/styles/ok.qor1_stylesheet"), integer(1));
  writeArchive(files.at("/styles/locked.qor1_stylesheet"), integer(2));
  class Failing : public RootedFiles {
   public:
    using RootedFiles::RootedFiles;
    std::optional<std::vector<std::uint8_t>> readFile(const std::string& path) override {
      if (path.ends_with("locked.qor1_stylesheet")) return std::nullopt;
      return RootedFiles::readFile(path);
    }
    bool listFolder(const std::string& path, std::vector<FolderEntry>& entries) override {
      bool listed = RootedFiles::listFolder(path, entries);
      if (listFail) errno = EIO;
      return listed && !listFail;
    }
    bool listFail = false;
  } failing(folder.path());

  LogCapture log;
  EXPECT_TRUE(collectFilesInDirectoryWithExtension("/plain", "qor1_stylesheet", failing)->empty());
  EXPECT_EQ(pathsOf(collectFilesInDirectoryWithExtension("/styles/", "qor1_stylesheet", failing)),
            std::vector<std::string>{"/styles/ok.qor1_stylesheet"});
  failing.listFail = true;
  EXPECT_EQ(collectFilesInDirectoryWithExtension("/styles", "qor1_stylesheet", failing)->count(), 1u);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "Not a directory: /plain",
                             "Can't load data: /styles/locked.qor1_stylesheet",
                             "*** toolbox: cfidwe: contentsOfDirectoryAtPath: Input/output error",
                             "Can't load data: /styles/locked.qor1_stylesheet",
                         }));
}

TEST(Library, NativeExtensions) {
  const std::vector<std::string> expected = {"qor1", "qordoc", "qorcmp", "qorenc", "qorcpe",
                                             "qorbin", "qxdoc", "qxcmp", "qxenc", "qxcpe"};
  auto extensions = nativeFileExtensions();
  ASSERT_EQ(extensions->count(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(asString(extensions->objectAtIndex(i))->value(), expected[i]);
    EXPECT_TRUE(isNativeFileExtention(expected[i]));
  }
  for (const char* other : {"qor2", "QOR1", ".qor1", "qor1 ", "", "qor"}) EXPECT_FALSE(isNativeFileExtention(other)) << other;
}

TEST(Library, FoldersUnderHome) {
  TemporaryFolder folder;
  RootedFiles files(folder.path());
  fs::create_directories(files.at("/home/u"));
  LogCapture log;
  EXPECT_TRUE(createFolderUnderHome(libraryDir() + "/Named Styles", files));
  EXPECT_TRUE(fs::is_directory(files.at(kUserStyles)));
  EXPECT_TRUE(createFolderUnderHome(libraryDir() + "/Named Styles", files));

  // A plain file in the way counts as there and stays a plain file.
  writeText(files.at("/home/u/occupied"), "file");
  EXPECT_TRUE(createFolderUnderHome("occupied", files));
  EXPECT_TRUE(fs::is_regular_file(files.at("/home/u/occupied")));
  EXPECT_TRUE(log.lines().empty());

  // Below a plain file nothing can be made.
  EXPECT_FALSE(createFolderUnderHome("occupied/below", files));
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"*** can't create directory at /home/u/occupied/below",
                                                   "\tNot a directory"}));
}

}  // namespace
}  // namespace qor
