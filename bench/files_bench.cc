// Alias resolution on a tree of 100,000 entries (100 folders of 1,000 files),
// next to its baselines in the same run:
//   BM_ResolveUnmoved        the recorded path still names the file: no search
//   BM_ResolveDeleted        the file is gone: the search reads entries until
//                            its cap (AliasSearchLimits) and gives up
//   BM_ResolveMovedFarAway   the file moved to the last folder the search
//                            reaches, so it is found at the far end
//   BM_ListWholeTree         opendir/readdir of every folder: what a search
//                            without a cap would at least cost
// The counters "entries" (entries the search read) and "cap" show the cap
// holding; the file handle road is shut so that the search runs.
//   files_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "qor/alias.h"
#include "qor/seams/file_calls.h"

namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 100;
constexpr int kFilesPerFolder = 1000;

class WithoutHandles final : public qor::FileCalls {
 public:
  std::optional<std::string> pathForHandle(const std::string&, const qor::KernelFileHandle&) override {
    errno = EPERM;
    return std::nullopt;
  }
};

// The tree, made once under the temporary folder and removed at exit.
class Tree {
 public:
  Tree() {
    std::string pattern = (fs::temp_directory_path() / "qor-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    for (int folder = 0; folder < kFolders; ++folder) {
      std::string name = this->folder(folder);
      fs::create_directory(name);
      for (int file = 0; file < kFilesPerFolder; ++file) {
        int fd = ::open((name + "/f" + std::to_string(file)).c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
        if (fd >= 0) ::close(fd);
      }
    }
  }
  ~Tree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  [[nodiscard]] std::string folder(int index) const { return root_ + "/d" + std::to_string(index); }
  [[nodiscard]] const std::string& root() const { return root_; }

 private:
  std::string root_;
};

Tree& tree() {
  static Tree instance;
  return instance;
}

void report(benchmark::State& state, const qor::AliasResolution& resolution) {
  state.counters["entries"] = static_cast<double>(resolution.entriesSearched);
  state.counters["cap"] = static_cast<double>(qor::AliasSearchLimits{}.maximumEntries);
}

void BM_ResolveUnmoved(benchmark::State& state) {
  WithoutHandles calls;
  std::string path = tree().folder(0) + "/f1";
  auto alias = qor::aliasFromPath(path, calls);
  qor::AliasResolution resolution;
  for (auto _ : state) benchmark::DoNotOptimize(resolution = qor::resolveAlias(alias->bytes(), calls));
  if (resolution.path != path) state.SkipWithError("not found");
  report(state, resolution);
}
BENCHMARK(BM_ResolveUnmoved)->Unit(benchmark::kMicrosecond);

void BM_ResolveDeleted(benchmark::State& state) {
  WithoutHandles calls;
  std::string path = tree().folder(0) + "/doomed";
  { std::FILE* file = std::fopen(path.c_str(), "w"); if (file) std::fclose(file); }
  auto alias = qor::aliasFromPath(path, calls);
  fs::remove(path);
  qor::AliasResolution resolution;
  for (auto _ : state) benchmark::DoNotOptimize(resolution = qor::resolveAlias(alias->bytes(), calls));
  if (resolution.path || resolution.entriesSearched > qor::AliasSearchLimits{}.maximumEntries)
    state.SkipWithError("the cap did not hold");
  report(state, resolution);
}
BENCHMARK(BM_ResolveDeleted)->Unit(benchmark::kMillisecond);

void BM_ResolveMovedFarAway(benchmark::State& state) {
  WithoutHandles calls;
  std::string from = tree().folder(0) + "/traveller";
  { std::FILE* file = std::fopen(from.c_str(), "w"); if (file) std::fclose(file); }
  auto alias = qor::aliasFromPath(from, calls);
  // The search reads d0 first, then the folders below the tree's root in
  // the order the file system lists them; the traveller goes to the one
  // listed last that the cap still reaches.
  std::string to = tree().folder(40) + "/traveller";
  fs::rename(from, to);
  qor::AliasResolution resolution;
  for (auto _ : state) benchmark::DoNotOptimize(resolution = qor::resolveAlias(alias->bytes(), calls));
  if (!resolution.path) state.SkipWithError("not found within the cap");
  report(state, resolution);
  fs::remove(to);
}
BENCHMARK(BM_ResolveMovedFarAway)->Unit(benchmark::kMillisecond);

void BM_ListWholeTree(benchmark::State& state) {
  std::size_t entries = 0;
  for (auto _ : state) {
    entries = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
      DIR* listing = ::opendir(tree().folder(folder).c_str());
      if (!listing) continue;
      while (::readdir(listing)) ++entries;
      ::closedir(listing);
    }
    benchmark::DoNotOptimize(entries);
  }
  state.counters["entries"] = static_cast<double>(entries);
}
BENCHMARK(BM_ListWholeTree)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
