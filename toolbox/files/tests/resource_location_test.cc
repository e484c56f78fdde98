#include "qor/resource_location.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "fake_files.h"
#include "qor/log.h"
#include "qor/testing/temporary_folder.h"
#include "qor/url.h"

namespace qor {
namespace {

using fixtures::InventedFiles;
using fixtures::TemporaryFolder;
using fixtures::writeText;

constexpr const char* kBase = "/Users/u/docs/a.qordoc";

TEST(RelativePath, ThePartsNotationFromTheDocumentsFolder) {
  struct Case {
    const char* path;
    const char* base;
    const char* relative;
  };
  // B = /Users/u/docs/a.qordoc has 5 components ("/" counts); "../" is
  // written 5 - shared - 1 times and its last "/" dropped.
  const Case cases[] = {
      {"/Users/u/docs/pics/p.png", kBase, "/pics/p.png"},           // shared 4: no climb
      {"/Users/u/pics/p.png", kBase, "../pics/p.png"},              // shared 3: one climb
      {kBase, kBase, "/a.qordoc"},                                   // the base itself
      {"/Users/u/docs", kBase, "../docs"},                           // its own folder
      {"/Volumes/X/p.png", kBase, "../../../Volumes/X/p.png"},       // shared 1: three climbs
      {"/p.png", "/a.qordoc", "/p.png"},                             // both at the root
      {"/Users/u/docs/pics/", kBase, "/pics//"},                     // a final "/" is a component
      {"/Users/u/docs/p.png", "/Users/u/docs/", "/p.png"},           // a final "/" stands for the file name
      {"", kBase, "../../../.."},                                    // nothing shared, nothing to append
      {"/x", "", "///x"},  // no base: every component behind a "/", the root's too (tidying folds them)
  };
  for (const auto& c : cases)
    EXPECT_EQ(relativePathWithPathAndBasePath(c.path, c.base), c.relative) << c.path << " from " << c.base;
}

TEST(PathTidying, StandardizingAndComponents) {
  const std::pair<const char*, const char*> tidy[] = {
      {"~", "/home/u"},
      {"~/pics/p.png", "/home/u/pics/p.png"},
      {"~other/p.png", "~other/p.png"},
      {"/Users/u/docs//pics/p.png", "/Users/u/docs/pics/p.png"},
      {"/Users/u/docs/../pics/./p.png", "/Users/u/pics/p.png"},
      {"/a/b/", "/a/b"},
      {"/../..", "/"},
      {"a/../../b", "../b"},
      // A folder named "~" that comes first once "a/.." goes stays a folder
      // when tidied again (found by toolbox_relative_path_fuzz).
      {"a/../~/b", "./~/b"},
      {"./~", "./~"},
      {"/a/../~", "/~"},
      {"", ""},
  };
  for (const auto& [path, expected] : tidy) EXPECT_EQ(stringByStandardizingPath(path, "/home/u"), expected) << path;

  EXPECT_EQ(pathComponents("/a/b/"), (std::vector<std::string>{"/", "a", "b", "/"}));
  EXPECT_EQ(pathComponents("a//b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(pathComponents("").empty());
  const std::pair<const char*, const char*> parents[] = {
      {"/a/b", "/a"}, {"/a", "/"}, {"a", ""}, {"/", "/"}, {"/a/b/", "/a"}};
  for (const auto& [path, parent] : parents) EXPECT_EQ(stringByDeletingLastPathComponent(path), parent) << path;
}

std::vector<std::string> keysOf(const MutableDictionaryRef& record) { return record->allKeys(); }

TEST(ResourceLocationRecord, WhichKeysAreWritten) {
  InventedFiles files;
  files.existing = {"/Users/u/docs/pics/p.png"};
  const std::vector<std::string> all = {"filename", "relative path", "url", "file system number",
                                        "file system file number", "alias"};
  struct Case {
    const char* path;
    const char* base;
    std::vector<std::string> keys;
  };
  const Case cases[] = {
      {"", kBase, {}},
      {"/Users/u/docs/pics/gone.png", kBase, {"filename"}},
      {"/Users/u/docs/pics/p.png", "", {"filename", "url", "file system number", "file system file number", "alias"}},
      {"/Users/u/docs/pics/p.png", kBase, all},
  };
  for (const auto& c : cases) EXPECT_EQ(keysOf(resourceLocationDictionaryWithPathAndBasePath(c.path, c.base, files)), c.keys) << c.path;

  auto record = resourceLocationDictionaryWithPathAndBasePath("/Users/u/docs/pics/p.png", kBase, files);
  EXPECT_EQ(record->stringForKey("relative path")->value(), "/pics/p.png");
  EXPECT_EQ(asUrl(record->objectForKey("url"))->path(), "/Users/u/docs/pics/p.png");
  // Device 8:1 in 32 bits: minor 1 | major 8 << 8 = 0x801.
  EXPECT_EQ(record->numberForKey("file system number")->integerValue(), 0x801);
}

TEST(ResourceLocationRecord, UnreadableAttributesGiveZerosAndTheLogLine) {
  InventedFiles files;
  files.existing = {"/Users/u/p.png"};
  files.attributesFail = true;
  LogCapture log;
  auto record = resourceLocationDictionaryWithPathAndBasePath("/Users/u/p.png", "", files);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"*** toolbox: rldwpabp: attributesOfItemAtPath: Permission denied"});
  EXPECT_EQ(record->numberForKey("file system number")->integerValue(), 0);
  EXPECT_EQ(record->numberForKey("file system file number")->integerValue(), 0);
  EXPECT_FALSE(record->containsKey("alias"));
}

// The invented tree after the documents folder moved from /Users/u to
// /Users/v with its pictures.
TEST(ResourceLocationRecord, AMovedBaseFindsTheItemAndRewritesTheRecord) {
  InventedFiles files;
  files.existing = {kBase, "/Users/u/docs/pics/p.png"};
  auto record = resourceLocationDictionaryWithPathAndBasePath("/Users/u/docs/pics/p.png", kBase, files);
  auto before = MutableDictionary::make(record->entries());

  // Resolved in place, with or without a base: found by "filename", unchanged.
  for (const char* base : {kBase, ""}) {
    EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, base, files), "/Users/u/docs/pics/p.png");
    EXPECT_TRUE(isEqual(record, before));
  }

  files.existing = {"/Users/v/docs/a.qordoc", "/Users/v/docs/pics/p.png"};
  // Without the base nothing leads there: null, and the record stays.
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, "", files), std::nullopt);
  EXPECT_TRUE(isEqual(record, before));

  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, "/Users/v/docs/a.qordoc", files),
            "/Users/v/docs/pics/p.png");
  EXPECT_EQ(record->stringForKey("filename")->value(), "/Users/v/docs/pics/p.png");
  EXPECT_EQ(record->stringForKey("relative path")->value(), "/pics/p.png");
  EXPECT_EQ(asUrl(record->objectForKey("url"))->path(), "/Users/v/docs/pics/p.png");
}

// Each row: which candidates name an existing item, and which path wins.
TEST(ResourceLocationRecord, CandidatesInTheirFixedOrder) {
  auto record = [] {
    auto r = MutableDictionary::make();
    r->setObjectForKey(str("/pics/p.png"), "relative path");
    r->setObjectForKey(str("/abs/p.png"), "filename");
    r->setObjectForKey(Url::fileURLWithPath("/url/p.png"), "url");
    return r;
  };
  struct Case {
    std::set<std::string> existing;
    std::optional<std::string> found;
    bool rewritten;
  };
  const Case cases[] = {
      {{"/Users/u/docs/pics/p.png", "/abs/p.png", "/url/p.png"}, "/Users/u/docs/pics/p.png", true},
      {{"/abs/p.png", "/url/p.png"}, "/abs/p.png", false},
      {{"/url/p.png"}, "/url/p.png", false},
      {{}, std::nullopt, false},  // no alias either
  };
  for (const auto& c : cases) {
    InventedFiles files;
    files.existing = c.existing;
    auto r = record();
    EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(r, kBase, files), c.found);
    EXPECT_EQ(r->stringForKey("filename")->value() != "/abs/p.png", c.rewritten);
  }
}

TEST(ResourceLocationRecord, AMissingVolumeEndsTheSearchBeforeTheAlias) {
  InventedFiles files;
  files.existing = {"/tmp/y.png"};
  auto alias = aliasFromPath("/tmp/y.png", files);
  ASSERT_TRUE(alias);
  auto record = MutableDictionary::make();
  record->setObjectForKey(str("/Volumes/Gone/x/y.png"), "filename");
  record->setObjectForKey(Url::fileURLWithPath("/tmp/y.png"), "url");
  record->setObjectForKey(alias, "alias");
  files.mountTableReads = 0;
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, kBase, files), std::nullopt);
  EXPECT_EQ(files.mountTableReads, 0) << "the alias was resolved";

  // With the volume there, the URL wins.
  files.existing.insert("//Volumes/Gone");
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, kBase, files), "/tmp/y.png");

  // A relative candidate on a missing network volume ends it too.
  files.existing = {"/tmp/y.png"};
  record->setObjectForKey(str("../../../Network/Gone/y.png"), "relative path");
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, kBase, files), std::nullopt);

  // Three components are the mount point itself: no test, it only has to exist.
  auto volume = MutableDictionary::make();
  volume->setObjectForKey(str("/Volumes/Gone"), "filename");
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(volume, kBase, files), std::nullopt);
  files.existing = {"/Volumes/Gone"};
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(volume, kBase, files), "/Volumes/Gone");
}

TEST(ResourceLocationRecord, WrongTypesAndEmptyRecordsGiveNull) {
  InventedFiles files;
  files.existing = {"/abs/p.png"};
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(nullptr, kBase, files), std::nullopt);
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(MutableDictionary::make(), kBase, files), std::nullopt);
  auto record = MutableDictionary::make();
  record->setObjectForKey(integer(7), "filename");
  record->setObjectForKey(str("file:///abs/p.png"), "url");
  record->setObjectForKey(str("not data"), "alias");
  record->setObjectForKey(Data::make({1, 2, 3}), "relative path");
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, kBase, files), std::nullopt);
  record->setObjectForKey(Data::make({1, 2, 3}), "alias");
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, kBase, files), std::nullopt);
}

// On disk: the picture moved away from the document's tree, found through
// its alias, and the record rebuilt in full for the new place.
TEST(ResourceLocationRecord, FoundThroughTheAliasTheRecordIsRewrittenInFull) {
  TemporaryFolder folder;
  std::filesystem::create_directories(folder.file("docs/pics"));
  std::filesystem::create_directories(folder.file("elsewhere"));
  writeText(folder.file("docs/a.qordoc"), "doc");
  writeText(folder.file("docs/pics/p.png"), "picture");
  auto record = resourceLocationDictionaryWithPathAndBasePath(folder.file("docs/pics/p.png"), folder.file("docs/a.qordoc"));
  ASSERT_TRUE(record->containsKey("alias"));
  ASSERT_TRUE(record->containsKey("relative path"));
  std::filesystem::rename(folder.file("docs/pics/p.png"), folder.file("elsewhere/q.png"));

  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, "", FileCalls::real()), folder.file("elsewhere/q.png"));
  EXPECT_EQ(record->stringForKey("filename")->value(), folder.file("elsewhere/q.png"));
  EXPECT_FALSE(record->containsKey("relative path")) << "made again without a base";
  EXPECT_TRUE(record->containsKey("alias"));
  // The next resolution takes "filename" directly.
  auto after = MutableDictionary::make(record->entries());
  EXPECT_EQ(pathFromResourceLocationDictionaryWithBasePath(record, "", FileCalls::real()), folder.file("elsewhere/q.png"));
  EXPECT_TRUE(isEqual(record, after));
}

TEST(MemoryHandle, CopiesBothWaysAndKeepsTheLockState) {
  EXPECT_FALSE(DataToHandle(nullptr));
  EXPECT_FALSE(HandleToData(nullptr));
  auto empty = DataToHandle(Data::make({}));
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->size(), 0u);
  EXPECT_TRUE(HandleToData(empty.get())->bytes().empty());

  auto handle = DataToHandle(Data::make({1, 2, 3}));
  ASSERT_TRUE(handle);
  EXPECT_FALSE(handle->state().locked) << "unlocked after the copy in";
  for (bool locked : {false, true}) {
    handle->setState({locked});
    auto data = HandleToData(handle.get());
    EXPECT_EQ(data->bytes(), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(handle->state().locked, locked);
  }
}

}  // namespace
}  // namespace qor
