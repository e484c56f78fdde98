#include "qor/pane_model/set_file_rules.h"

#include <gtest/gtest.h>

namespace qor {
namespace {

TEST(SetFileRules, FileNamesOfSets) {
  EXPECT_EQ(exportFileNameForSetName("Mine"), "Mine.QOR_shortcuts");
  EXPECT_EQ(exportFileNameForSetName(" "), " .QOR_shortcuts");
  EXPECT_EQ(exportFileNameForSetName("50% off"), "50% off.QOR_shortcuts");

  struct Case {
    const char* path;
    const char* fileName;
    const char* setName;
  };
  const Case cases[] = {
      {"/tmp/Mine.QOR_shortcuts", "Mine.QOR_shortcuts", "Mine"},
      {"/tmp/a.b.QOR_shortcuts", "a.b.QOR_shortcuts", "a.b"},  // only the last extension goes
      {"/tmp/Mine", "Mine", "Mine"},
      {"Mine.plist", "Mine.plist", "Mine"},
      {"/tmp/.QOR_shortcuts", ".QOR_shortcuts", ".QOR_shortcuts"},  // nothing would be left
      {"/tmp/dir.d/Mine", "Mine", "Mine"},                          // a dot in a folder is no extension
      {"", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(fileNameOfPath(c.path), c.fileName) << c.path;
    EXPECT_EQ(setNameFromFilePath(c.path), c.setName) << c.path;
  }
  EXPECT_EQ(quotedFileNames({"/a/x.QOR_shortcuts", "/b/y"}), "'x.QOR_shortcuts', 'y'");
  EXPECT_EQ(quotedFileNames({}), "");
}

TEST(SetFileRules, SetNameSheet) {
  EXPECT_FALSE(setNameCanBeConfirmed(""));
  EXPECT_TRUE(setNameCanBeConfirmed(" "));  // a blank counts
  EXPECT_TRUE(setNameCanBeConfirmed("Mine"));
}

}  // namespace
}  // namespace qor
