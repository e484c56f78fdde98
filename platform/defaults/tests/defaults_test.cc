#include "qor/defaults/defaults.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <chrono>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>

#include "qor/log.h"
#include "qor/plist_file.h"
#include "qor/testing/memory_file_system.h"
#include "qor/testing/temporary_folder.h"

namespace qor {
namespace {

using Bytes = std::vector<std::uint8_t>;
using fixtures::TemporaryFolder;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

using FakeFileSystem = fixtures::MemoryFileSystem;

DictionaryRef dictionaryAt(FakeFileSystem& fs, const std::string& path) {
  return asDictionary(readPropertyListFile(path, fs));
}

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

TEST(PlistFileDefaults, EveryKindSurvivesTheFileAndReachesItAtOnce) {
  TemporaryFolder folder;
  const std::string path = folder.file("defaults.plist");
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
  EXPECT_FALSE(dictionaryAt(fs, kPath)->containsKey("entry"));
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
  EXPECT_EQ(describe(dictionaryAt(fs, kPath)), R"({"a" = 1; "b" = 2; "c" = 3})");
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
    EXPECT_EQ(describe(dictionaryAt(fs, kPath)), R"({"global.keyBindingsSetNumber" = 7})") << c.what;
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
  EXPECT_EQ(describe(dictionaryAt(fs, kPath)), R"({"n" = 5; "m" = 6})");
}

TEST(Defaults, BatchIsOneChangeAndOneWrite) {
  FakeFileSystem fs;
  fs.files[kPath] = bytesOf(xmlPropertyListFromValue(Dictionary::make({{"gone", integer(1)}, {"n", integer(1)}})));
  PlistFileDefaults file(kPath, fs);
  MemoryDefaults memory(Dictionary::make({{"gone", integer(1)}, {"n", integer(1)}}));

  DefaultsBatch batch;
  batch.setIntegerForKey(2, "n");
  batch.setObjectForKey(Dictionary::make({{"2", str("Mine")}}), "sets");
  batch.setObjectForKey(nullptr, "gone");
  batch.setIntegerForKey(3, "n");  // replaces in place: "n" stays first
  ASSERT_EQ(batch.entries().size(), 3u);
  EXPECT_EQ(batch.entries()[0].first, "n");

  for (DefaultsStore* store : {static_cast<DefaultsStore*>(&file), static_cast<DefaultsStore*>(&memory)}) {
    store->applyBatch(DefaultsBatch{});
    store->applyBatch(batch);
  }
  EXPECT_EQ(fs.writes[kPath], 1) << "one write for the batch, none for the empty one";
  EXPECT_EQ(describe(dictionaryAt(fs, kPath)), R"({"n" = 3; "sets" = {"2" = "Mine"}})");
  EXPECT_EQ(describe(memory.dictionaryRepresentation()), R"({"n" = 3; "sets" = {"2" = "Mine"}})");

  // A failed write keeps the batch in memory; the next write carries it.
  fs.failing.insert(kPath);
  LogCapture log;
  DefaultsBatch next;
  next.setIntegerForKey(4, "n");
  file.applyBatch(next);
  EXPECT_TRUE(file.hasUnsavedChanges());
  EXPECT_EQ(file.integerForKey("n"), 4);
  EXPECT_EQ(log.lines().size(), 1u);
}

// What writeToPrefs stores at generation `g`: the number g and a collection
// holding the one set "g", whose entries all carry g in their titles. The
// set is large enough (about 40 KB of XML) that a write takes a while.
constexpr const char* kNumberKey = "global.keyBindingsSetNumber";
constexpr const char* kSetsKey = "global.keyBindingsSets";
constexpr int kEntriesPerSet = 100;

DefaultsBatch generation(std::int64_t g) {
  auto menu = MutableDictionary::make();
  for (int entry = 0; entry < kEntriesPerSet; ++entry) {
    auto stroke = Dictionary::make({{"key", str("s")}, {"unichar", integer('s')}, {"modifiers", integer(0x100000)}});
    menu->setObjectForKey(Dictionary::make({{"title", str("Command " + std::to_string(g))},
                                            {"key sequences", Array::make({Array::make({stroke})})}}),
                          "[command" + std::to_string(entry) + ":] [] [0]");
  }
  DefaultsBatch batch;
  batch.setIntegerForKey(g, kNumberKey);
  batch.setObjectForKey(
      Dictionary::make({{std::to_string(g), Dictionary::make({{"name", str("Generation")}, {"menu", menu}})}}),
      kSetsKey);
  return batch;
}

// The generation that a store read from the file holds, or nullopt when the
// file was unreadable (the store is empty) or a mix: a number beside the set
// of another number, or entries of different generations.
std::optional<std::int64_t> generationOf(const DefaultsStore& store) {
  auto number = asNumber(store.objectForKey(kNumberKey));
  auto sets = asDictionary(store.objectForKey(kSetsKey));
  if (!number || !sets || sets->count() != 1) return std::nullopt;
  std::int64_t g = number->integerValue();
  auto set = sets->dictionaryForKey(std::to_string(g));
  auto menu = set ? set->dictionaryForKey("menu") : nullptr;
  if (!menu || menu->count() != static_cast<std::size_t>(kEntriesPerSet)) return std::nullopt;
  for (const auto& [key, entry] : menu->entries()) {
    auto title = asDictionary(entry) ? asDictionary(entry)->stringForKey("title") : nullptr;
    if (!title || title->value() != "Command " + std::to_string(g)) return std::nullopt;
  }
  return g;
}

// A writer process applies one generation after another to the file, as
// writeToPrefs does at every apply, until it is killed at a random moment:
// before its first write, while it serialises, writes, syncs or renames.
// After each kill the file holds a whole generation, never older than the
// one seen before, and the next store opened on it (the editor's next start)
// reads that generation and leaves nothing beside the file.
TEST(PlistFileDefaults, KilledWriterLeavesOldOrNewStateAndNoTemporary) {
  constexpr int kKills = 250;
  // Kill moments spread over three writer cycles (open the store, write
  // once), whatever the build's speed: most kills land after at least one
  // write and many in the middle of one.
  constexpr int kCyclesOfDelay = 3;
  TemporaryFolder folder;
  const std::string path = folder.file("defaults.plist");
  auto started = std::chrono::steady_clock::now();
  {
    PlistFileDefaults initial(path);
    initial.applyBatch(generation(0));
    PlistFileDefaults again(path);
    again.applyBatch(generation(0));
  }
  auto cycle = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started) / 2;

  std::mt19937 random(20261207);
  std::uniform_int_distribution<std::int64_t> delay(0, kCyclesOfDelay * cycle.count());
  std::int64_t seen = 0;
  int advanced = 0;
  int temporariesLeft = 0;
  LogCapture log;
  for (int kill = 0; kill < kKills; ++kill) {
    pid_t writer = ::fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
      ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive a failed test
      PlistFileDefaults store(path);
      for (std::int64_t g = store.integerForKey(kNumberKey) + 1;; ++g) store.applyBatch(generation(g));
    }
    ::usleep(static_cast<useconds_t>(delay(random)));
    ASSERT_EQ(::kill(writer, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";

    bool temporary = folder.entries().size() > 1;
    if (temporary) ++temporariesLeft;
    log.clear();
    PlistFileDefaults reopened(path);
    std::optional<std::int64_t> g = generationOf(reopened);
    ASSERT_TRUE(g.has_value()) << "kill " << kill << ": the file is unreadable or mixed";
    ASSERT_GE(*g, seen) << "kill " << kill << ": the file went back";
    if (*g > seen) ++advanced;
    seen = *g;
    EXPECT_EQ(folder.entries(), std::set<std::string>{"defaults.plist"}) << "kill " << kill;
    EXPECT_EQ(log.lines().size(), temporary ? 1u : 0u) << "kill " << kill;
  }
  // Kills must have hit both between writes and inside them, or the test
  // proves nothing.
  EXPECT_GT(advanced, 0);
  EXPECT_GT(temporariesLeft, 0);
  std::cout << kKills << " kills (writer cycle " << cycle.count() << " us): " << advanced
            << " after new writes, " << temporariesLeft << " left a temporary that reopening removed; generation "
            << seen << "\n";
}

}  // namespace
}  // namespace qor
