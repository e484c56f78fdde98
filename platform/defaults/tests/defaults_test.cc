#include "qor/defaults/defaults.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "qor/log.h"
#include "qor/plist_file.h"

namespace qor {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// Files in memory; writes to the paths in `failing` fail and change nothing.
class FakeFileSystem final : public FileSystem {
 public:
  std::optional<Bytes> readFile(const std::string& path) override {
    auto found = files.find(path);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool writeFileAtomically(const std::string& path, const Bytes& bytes) override {
    ++writes[path];
    if (failing.count(path)) return false;
    files[path] = bytes;
    return true;
  }
  DictionaryRef dictionaryAt(const std::string& path) { return asDictionary(readPropertyListFile(path, *this)); }

  std::map<std::string, Bytes> files;
  std::map<std::string, int> writes;
  std::set<std::string> failing;
};

constexpr const char* kPath = "/home/u/defaults.plist";
constexpr const char* kBadPath = "/home/u/defaults.plist.bad";

bool hasMutableContainer(const Ref& value) {
  if (auto array = asArray(value)) {
    if (array->isMutable()) return true;
    for (const auto& element : array->elements())
      if (hasMutableContainer(element)) return true;
  }
  if (auto dictionary = asDictionary(value)) {
    if (dictionary->isMutable()) return true;
    for (const auto& [key, element] : dictionary->entries())
      if (hasMutableContainer(element)) return true;
  }
  return false;
}

class TemporaryFolder {
 public:
  TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qor-defaults-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TemporaryFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(PlistFileDefaults, EveryKindSurvivesTheFileAndReachesItAtOnce) {
  TemporaryFolder folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string path = folder.path() + "/defaults.plist";
  auto set = MutableDictionary::make({
      {"name", str("Mine")},
      {"menu", MutableDictionary::make({{"[save:] [] [0]", MutableArray::make({integer(0x100000)})}})},
  });
  const std::vector<Dictionary::Entry> stored = {
      {"global.keyBindingsSetNumber", integer(-1700000000)},
      {"global.keyBindingsSets", set},
      {"ratio", real(2.75)},
      {"flag", boolean(false)},
      {"icon", Data::make({0x00, 0xff})},
      {"when", Date::make(1234567890)},  // whole seconds: XML keeps no fraction
  };
  {
    PlistFileDefaults defaults(path);
    defaults.setIntegerForKey(0, "global.keyBindingsSetNumber");
    // "0 written at once": the file holds it before any other call.
    auto onDisk = asDictionary(readPropertyListFile(path));
    ASSERT_NE(onDisk, nullptr);
    EXPECT_TRUE(isEqual(onDisk->objectForKey("global.keyBindingsSetNumber"), integer(0)));
    for (const auto& [key, value] : stored) defaults.setObjectForKey(value, key);
    EXPECT_FALSE(defaults.hasUnsavedChanges());
  }
  PlistFileDefaults reread(path);
  for (const auto& [key, value] : stored) EXPECT_TRUE(isEqual(reread.objectForKey(key), value)) << key;
  EXPECT_TRUE(reread.objectForKey("flag") && asNumber(reread.objectForKey("flag"))->isBoolean());
  EXPECT_EQ(reread.dictionaryRepresentation()->allKeys(),
            (std::vector<std::string>{"global.keyBindingsSetNumber", "global.keyBindingsSets", "ratio", "flag",
                                      "icon", "when"}));
}

// Both stores keep copies that callers can change neither before nor after.
TEST(Defaults, StoredValuesAreFixedCopies) {
  FakeFileSystem fs;
  std::vector<std::pair<const char*, std::function<std::unique_ptr<DefaultsStore>()>>> stores = {
      {"memory", [] { return std::make_unique<MemoryDefaults>(); }},
      {"file", [&] { return std::make_unique<PlistFileDefaults>(kPath, fs); }},
  };
  for (const auto& [what, make] : stores) {
    auto defaults = make();
    auto sequences = MutableArray::make({str("A")});
    auto entry = MutableDictionary::make({{"key sequences", sequences}});
    defaults->setObjectForKey(entry, "entry");
    sequences->addObject(str("B"));
    entry->setObjectForKey(str("Save"), "title");

    auto back = defaults->objectForKey("entry");
    EXPECT_EQ(describe(back), R"({"key sequences" = ("A")})") << what;
    EXPECT_FALSE(hasMutableContainer(back)) << what;

    defaults->setObjectForKey(nullptr, "entry");
    EXPECT_EQ(defaults->objectForKey("entry"), nullptr) << what;
  }
  EXPECT_FALSE(fs.dictionaryAt(kPath)->containsKey("entry"));
}

TEST(PlistFileDefaults, MissingFileStartsEmptyAndSilent) {
  FakeFileSystem fs;
  LogCapture log;
  PlistFileDefaults defaults(kPath, fs);
  EXPECT_EQ(defaults.objectForKey("global.keyBindingsSets"), nullptr);
  EXPECT_EQ(defaults.integerForKey("global.keyBindingsSetNumber"), 0);
  EXPECT_TRUE(log.lines().empty());
  EXPECT_TRUE(fs.writes.empty());
}

TEST(PlistFileDefaults, FailedWriteKeepsOldFileAndValueThenNextWriteCarriesIt) {
  FakeFileSystem fs;
  fs.files[kPath] = bytesOf(xmlPropertyListFromValue(Dictionary::make({{"a", integer(1)}})));
  const Bytes before = fs.files[kPath];
  PlistFileDefaults defaults(kPath, fs);

  fs.failing.insert(kPath);
  LogCapture log;
  defaults.setIntegerForKey(2, "b");
  EXPECT_EQ(fs.files[kPath], before);
  EXPECT_EQ(defaults.integerForKey("b"), 2);
  EXPECT_TRUE(defaults.hasUnsavedChanges());
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0].rfind("***", 0), 0u) << log.lines()[0];

  fs.failing.clear();
  defaults.setIntegerForKey(3, "c");
  EXPECT_FALSE(defaults.hasUnsavedChanges());
  EXPECT_EQ(describe(fs.dictionaryAt(kPath)), R"({"a" = 1; "b" = 2; "c" = 3})");
}

TEST(PlistFileDefaults, UnusableFileIsKeptAsBadBeforeTheFirstWrite) {
  struct Case {
    const char* what;
    std::string contents;
  };
  const Case cases[] = {
      {"not a property list", "{ name = Mine; }"},
      {"array root", xmlPropertyListFromValue(Array::make({str("Mine")}))},
      {"empty file", ""},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    fs.files[kPath] = bytesOf(c.contents);
    LogCapture log;
    PlistFileDefaults defaults(kPath, fs);
    EXPECT_EQ(defaults.dictionaryRepresentation()->count(), 0u) << c.what;
    ASSERT_EQ(log.lines().size(), 1u) << c.what;
    EXPECT_EQ(log.lines()[0].rfind("***", 0), 0u) << c.what;
    EXPECT_TRUE(fs.writes.empty()) << c.what;

    defaults.setIntegerForKey(0, "global.keyBindingsSetNumber");
    defaults.setIntegerForKey(7, "global.keyBindingsSetNumber");
    EXPECT_EQ(fs.files[kBadPath], bytesOf(c.contents)) << c.what;
    EXPECT_EQ(fs.writes[kBadPath], 1) << c.what << ": kept once, not at every write";
    EXPECT_EQ(describe(fs.dictionaryAt(kPath)), R"({"global.keyBindingsSetNumber" = 7})") << c.what;
  }
}

TEST(PlistFileDefaults, UnusableFileIsNotReplacedWhileItCannotBeKept) {
  FakeFileSystem fs;
  fs.files[kPath] = bytesOf("garbage");
  PlistFileDefaults defaults(kPath, fs);
  fs.failing.insert(kBadPath);
  LogCapture log;
  defaults.setIntegerForKey(5, "n");
  EXPECT_EQ(fs.files[kPath], bytesOf("garbage"));
  EXPECT_EQ(fs.writes.count(kPath), 0u);
  EXPECT_EQ(defaults.integerForKey("n"), 5);
  EXPECT_TRUE(defaults.hasUnsavedChanges());
  EXPECT_EQ(log.lines().size(), 1u);

  fs.failing.clear();
  defaults.setIntegerForKey(6, "m");
  EXPECT_EQ(fs.files[kBadPath], bytesOf("garbage"));
  EXPECT_EQ(describe(fs.dictionaryAt(kPath)), R"({"n" = 5; "m" = 6})");
}

}  // namespace
}  // namespace qor
