#include "qor/url.h"

#include <gtest/gtest.h>

#include "qor/plist_file.h"
#include "qor/testing/oracles.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using fixtures::readText;
using fixtures::runPython;
using fixtures::TemporaryFolder;
using fixtures::writeText;

// Paths that need escaping in a URL: blanks, "%", "#", "?", UTF-8, and a
// name that already looks escaped.
const char* const kAwkwardPaths[] = {
    "/",
    "/tmp/p.png",
    "/home/u/My Pictures/a b.png",
    "/home/u/100% sure#1?.png",
    "/home/u/caf\xc3\xa9/\xe2\x8c\x98.png",
    "/home/u/already%20escaped",
};

TEST(Url, FilePathsRoundTripAndPythonDecodesThemTheSame) {
  TemporaryFolder folder;
  std::string lines;
  for (const char* path : kAwkwardPaths) {
    SCOPED_TRACE(path);
    auto url = Url::fileURLWithPath(path);
    ASSERT_TRUE(url);
    EXPECT_EQ(url->absoluteString().rfind("file:///", 0), 0u);
    EXPECT_EQ(url->absoluteString().find(' '), std::string::npos);
    EXPECT_EQ(url->path(), path);
    lines += url->absoluteString() + "\n" + path + "\n";
  }
  writeText(folder.file("pairs"), lines);
  // The oracle: Python's own URL parser decodes our text to the same path.
  EXPECT_EQ(runPython(folder, R"(
import sys, urllib.parse
lines = open(sys.argv[1] + "/pairs", encoding="utf-8").read().split("\n")
for url, path in zip(lines[0::2], lines[1::2]):
    parts = urllib.parse.urlparse(url)
    if parts.scheme != "file" or urllib.parse.unquote(parts.path) != path:
        print("mismatch:", url, path, file=sys.stderr); sys.exit(1)
)",
                      {folder.path()}).status,
            0);
}

TEST(Url, WhatIsNotAnAbsoluteLocalFileGivesNothing) {
  for (const char* path : {"", "relative/p.png", "./p.png", "~/p.png"}) EXPECT_FALSE(Url::fileURLWithPath(path)) << path;
  EXPECT_FALSE(Url::fileURLWithPath(std::string_view("/a\0b", 4)));
  struct Case {
    const char* text;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {"file:///a%20b", "/a b"},
      {"file://localhost/a", "/a"},
      {"file://elsewhere/a", std::nullopt},
      {"http://example.org/a", std::nullopt},
      {"file:///a%00b", std::nullopt},
      {"file:///a%zz", std::nullopt},
      {"", std::nullopt},
      {"/just/a/path", std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(Url::make(c.text)->path(), c.path) << c.text;
}

TEST(Url, EqualityDescriptionAndKind) {
  Ref a = Url::fileURLWithPath("/x y");
  EXPECT_TRUE(a->isUrl());
  EXPECT_FALSE(a->isString());
  EXPECT_TRUE(isEqual(a, Url::make("file:///x%20y")));
  EXPECT_FALSE(isEqual(a, str("file:///x%20y")));
  EXPECT_EQ(describe(a), "<url file:///x%20y>");
  EXPECT_FALSE(asUrl(str("file:///x")));
}

// In files a URL is the one-entry dictionary {"$url": text}: XML and binary
// files written by Python read back as URLs, ours read in Python as that
// dictionary, and look-alikes with more keys or another type stay dictionaries.
TEST(Url, SurvivesPropertyListFilesAsADictionaryOfItsOwn) {
  TemporaryFolder folder;
  auto record = MutableDictionary::make();
  record->setObjectForKey(Url::fileURLWithPath("/home/u/a b%.png"), "url");
  record->setObjectForKey(str("/home/u/a b%.png"), "filename");
  ASSERT_TRUE(writePropertyListFile(record, folder.file("ours.plist")));
  EXPECT_TRUE(isEqual(readPropertyListFile(folder.file("ours.plist")), record));
  EXPECT_EQ(runPython(folder, R"(
import plistlib, sys
folder = sys.argv[1]
value = plistlib.load(open(folder + "/ours.plist", "rb"))
if value["url"] != {"$url": "file:///home/u/a%20b%25.png"}:
    print(value, file=sys.stderr); sys.exit(1)
value["two keys"] = {"$url": "file:///x", "other": 1}
value["not text"] = {"$url": 7}
for name, fmt in (("xml", plistlib.FMT_XML), ("binary", plistlib.FMT_BINARY)):
    plistlib.dump(value, open(folder + "/theirs." + name, "wb"), fmt=fmt)
)",
                      {folder.path()}).status,
            0);
  for (const char* name : {"theirs.xml", "theirs.binary"}) {
    SCOPED_TRACE(name);
    auto read = asDictionary(readPropertyListFile(folder.file(name)));
    ASSERT_TRUE(read);
    auto url = asUrl(read->objectForKey("url"));
    ASSERT_TRUE(url);
    EXPECT_EQ(url->path(), "/home/u/a b%.png");
    EXPECT_TRUE(read->dictionaryForKey("two keys"));
    EXPECT_TRUE(read->dictionaryForKey("not text"));
  }
}

}  // namespace
}  // namespace qor
