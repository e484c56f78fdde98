// Speed of the data transforms, each next to its baseline in the same run:
//   gunzip          BM_UncompressedDataWithData  vs  BM_ZlibInflateLoop (one
//                   buffer of the known size) and BM_Libdeflate (for scale)
//   deflate level 9 BM_CompressedDataWithData    vs  BM_ZlibCompress2 and
//                   BM_ZlibDeflateSameParameters (one call, raw, memory
//                   level 9: what is left is the cost of our output steps)
//   filter via cat  BM_FilterDataThroughCat      vs  BM_PipeAndForkCopyLoop
//   filter via cat, a daemon listening
//                   BM_FilterDataThroughCatToReadingDaemon and
//                   BM_FilterDataThroughCatToStalledDaemon  vs  the same loop
// The filter runs with its step lines logged as in use: no capture, so they
// go the way of every line to the system log. BM_FilterDataThroughCat sends
// them wherever "/dev/log" is (nowhere on a build machine); the two others
// point the log at a daemon socket of their own: one read by a thread as
// fast as it can (a daemon keeping up, on the same cores), one never read (a
// daemon that is behind: its queue fills and lines are dropped).
//
// Compare Time (wall clock): the filter's work is spread over three processes.
//   transforms_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libdeflate.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <syslog.h>
#include <unistd.h>
#include <zlib.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <memory>
#include <random>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "bench_daemon.h"
#include "qor/command_filter.h"
#include "qor/gzip.h"
#include "qor/log.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::int64_t kMebibyte = 1 << 20;
constexpr std::int64_t kSizes[] = {4 * kMebibyte, 64 * kMebibyte};

constexpr int kRawWindowBits = -15;
// zlib's window bits plus 16: a gzip wrapper, as the gzip tool writes.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kDefaultMemoryLevel = 8;
constexpr int kOurMemoryLevel = 9;
constexpr std::size_t kGzipHeaderLength = 10;  // zlib writes no optional fields
constexpr std::size_t kFilterChunkSize = 4096;

// Text-like bytes that compress about 3:1 (near English prose): words drawn
// from a vocabulary of made-up words with Zipf's frequencies, with commas,
// full stops and line breaks.
Bytes textBytes(std::size_t size) {
  constexpr std::size_t kVocabulary = 4000;
  constexpr int kLongestWord = 12;
  constexpr std::size_t kLineLength = 72;
  constexpr int kPunctuationOdds = 12;  // one word in 12 ends a clause
  std::mt19937 generator(1);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<int> wordLength(1, kLongestWord);
  std::vector<std::string> words(kVocabulary);
  std::vector<double> weights(kVocabulary);
  for (std::size_t rank = 0; rank < kVocabulary; ++rank) {
    for (int i = wordLength(generator); i > 0; --i) words[rank] += static_cast<char>(letter(generator));
    weights[rank] = 1.0 / static_cast<double>(rank + 1);
  }
  std::discrete_distribution<std::size_t> pick(weights.begin(), weights.end());
  std::uniform_int_distribution<int> punctuation(0, kPunctuationOdds - 1);
  Bytes bytes;
  bytes.reserve(size + kLineLength);
  std::size_t lineStart = 0;
  while (bytes.size() < size) {
    const std::string& word = words[pick(generator)];
    bytes.insert(bytes.end(), word.begin(), word.end());
    const int mark = punctuation(generator);
    if (mark == 0) bytes.push_back('.');
    if (mark == 1) bytes.push_back(',');
    if (bytes.size() - lineStart >= kLineLength) {
      bytes.push_back('\n');
      lineStart = bytes.size();
    } else {
      bytes.push_back(' ');
    }
  }
  bytes.resize(size);
  return bytes;
}

// A whole gzip member at zlib's default level, trailer included.
Bytes gzipMember(const Bytes& content) {
  z_stream stream{};
  deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindowBits, kDefaultMemoryLevel,
               Z_DEFAULT_STRATEGY);
  Bytes member(deflateBound(&stream, content.size()));
  stream.next_in = content.data();
  stream.avail_in = static_cast<uInt>(content.size());
  stream.next_out = member.data();
  stream.avail_out = static_cast<uInt>(member.size());
  deflate(&stream, Z_FINISH);
  member.resize(stream.total_out);
  deflateEnd(&stream);
  return member;
}

std::span<const std::uint8_t> deflateDataOf(const Bytes& member) {
  return std::span(member).subspan(kGzipHeaderLength);
}

void countBytes(benchmark::State& state) {
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// --- gunzip ------------------------------------------------------------------

void BM_UncompressedDataWithData(benchmark::State& state) {
  const Bytes content = textBytes(static_cast<std::size_t>(state.range(0)));
  const auto member = qor::Data::make(gzipMember(content));
  const qor::DataRef check = qor::uncompressedDataWithData(member);
  if (!check || check->bytes() != content) state.SkipWithError("wrong output");
  for (auto _ : state) benchmark::DoNotOptimize(qor::uncompressedDataWithData(member));
  countBytes(state);
}

// What a caller who knows the size would write: one buffer, inflate until the
// stream ends.
void BM_ZlibInflateLoop(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const Bytes member = gzipMember(textBytes(size));
  const auto input = deflateDataOf(member);
  for (auto _ : state) {
    auto output = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    z_stream stream{};
    inflateInit2(&stream, kRawWindowBits);
    stream.next_in = input.data();
    stream.avail_in = static_cast<uInt>(input.size());
    stream.next_out = output.get();
    stream.avail_out = static_cast<uInt>(size);
    while (inflate(&stream, Z_NO_FLUSH) == Z_OK) {
    }
    inflateEnd(&stream);
    benchmark::DoNotOptimize(output.get());
  }
  countBytes(state);
}

void BM_Libdeflate(benchmark::State& state) {
  const auto size = static_cast<std::size_t>(state.range(0));
  const Bytes member = gzipMember(textBytes(size));
  const auto input = deflateDataOf(member);
  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    auto output = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    std::size_t used = 0;
    std::size_t written = 0;
    if (libdeflate_deflate_decompress_ex(decompressor, input.data(), input.size(), output.get(),
                                         size, &used, &written) != LIBDEFLATE_SUCCESS) {
      state.SkipWithError("libdeflate failed");
    }
    benchmark::DoNotOptimize(output.get());
  }
  libdeflate_free_decompressor(decompressor);
  countBytes(state);
}

// --- deflate level 9 ---------------------------------------------------------

void BM_CompressedDataWithData(benchmark::State& state) {
  const auto data = qor::Data::make(textBytes(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(qor::compressedDataWithData(data));
  countBytes(state);
}

void BM_ZlibCompress2(benchmark::State& state) {
  const Bytes content = textBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    uLongf length = compressBound(content.size());
    auto output = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    compress2(output.get(), &length, content.data(), content.size(), Z_BEST_COMPRESSION);
    benchmark::DoNotOptimize(output.get());
  }
  countBytes(state);
}

void BM_ZlibDeflateSameParameters(benchmark::State& state) {
  const Bytes content = textBytes(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kRawWindowBits, kOurMemoryLevel,
                 Z_DEFAULT_STRATEGY);
    const uLong length = deflateBound(&stream, content.size());
    auto output = std::make_unique_for_overwrite<std::uint8_t[]>(length);
    stream.next_in = content.data();
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = output.get();
    stream.avail_out = static_cast<uInt>(length);
    deflate(&stream, Z_FINISH);
    deflateEnd(&stream);
    benchmark::DoNotOptimize(output.get());
  }
  countBytes(state);
}

// --- filtering through /bin/cat ----------------------------------------------

const qor::ShellArguments kCat = {"/bin/sh", "-c", "/bin/cat"};

// The input, held once: the process forks twice per filtering, and the copy
// loop's process holds one copy of its input too, so a second copy (or the
// checked output kept alive) would make each fork copy more page tables and
// take more copy-on-write faults than the baseline's.
qor::DataRef filterInput(benchmark::State& state) {
  auto data = qor::Data::make(textBytes(static_cast<std::size_t>(state.range(0))));
  const qor::DataRef check = qor::filterDataWithArguments(data, kCat);
  if (!check || check->bytes() != data->bytes()) state.SkipWithError("wrong output");
  return data;
}

void BM_FilterDataThroughCat(benchmark::State& state) {
  const auto data = filterInput(state);
  for (auto _ : state) benchmark::DoNotOptimize(qor::filterDataWithArguments(data, kCat));
  countBytes(state);
}

void filterThroughCatToDaemon(benchmark::State& state, qor::bench::Daemon kind) {
  const auto data = filterInput(state);
  qor::bench::BenchDaemon daemon(kind);
  if (!daemon.ready()) state.SkipWithError("no daemon socket");
  for (auto _ : state) benchmark::DoNotOptimize(qor::filterDataWithArguments(data, kCat));
  countBytes(state);
  state.counters["daemon_lines"] = static_cast<double>(daemon.received());
}

void BM_FilterDataThroughCatToReadingDaemon(benchmark::State& state) {
  filterThroughCatToDaemon(state, qor::bench::Daemon::Reading);
}

void BM_FilterDataThroughCatToStalledDaemon(benchmark::State& state) {
  filterThroughCatToDaemon(state, qor::bench::Daemon::Stalled);
}

// The same three processes with nothing else: the shell running cat between
// two pipes, a writer process, and reads of the filter's chunk size.
void BM_PipeAndForkCopyLoop(benchmark::State& state) {
  const Bytes content = textBytes(static_cast<std::size_t>(state.range(0)));
  std::vector<char*> argv;
  for (const std::string& argument : kCat) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  for (auto _ : state) {
    std::array<int, 2> toCommand{};
    std::array<int, 2> fromCommand{};
    if (pipe2(toCommand.data(), O_CLOEXEC) < 0 || pipe2(fromCommand.data(), O_CLOEXEC) < 0) {
      state.SkipWithError("pipe failed");
      break;
    }
    const pid_t command = fork();
    if (command == 0) {
      dup2(toCommand[0], STDIN_FILENO);
      dup2(fromCommand[1], STDOUT_FILENO);
      execv(argv[0], argv.data());
      _exit(1);
    }
    close(toCommand[0]);
    close(fromCommand[1]);
    const pid_t writer = fork();
    if (writer == 0) {
      std::size_t written = 0;
      while (written < content.size()) {
        const ssize_t count =
            write(toCommand[1], content.data() + written, content.size() - written);
        if (count <= 0) break;
        written += static_cast<std::size_t>(count);
      }
      _exit(0);
    }
    close(toCommand[1]);
    Bytes output;
    std::array<std::uint8_t, kFilterChunkSize> chunk;
    for (;;) {
      const ssize_t count = read(fromCommand[0], chunk.data(), chunk.size());
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) break;
      output.insert(output.end(), chunk.begin(), chunk.begin() + count);
    }
    close(fromCommand[0]);
    waitpid(command, nullptr, 0);
    waitpid(writer, nullptr, 0);
    if (output.size() != content.size()) state.SkipWithError("short copy");
    benchmark::DoNotOptimize(output.data());
  }
  countBytes(state);
}

void sizes(benchmark::internal::Benchmark* benchmark) {
  for (const std::int64_t size : kSizes) benchmark->Arg(size);
  benchmark->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_UncompressedDataWithData)->Apply(sizes);
BENCHMARK(BM_ZlibInflateLoop)->Apply(sizes);
BENCHMARK(BM_Libdeflate)->Apply(sizes);
BENCHMARK(BM_CompressedDataWithData)->Apply(sizes);
BENCHMARK(BM_ZlibCompress2)->Apply(sizes);
BENCHMARK(BM_ZlibDeflateSameParameters)->Apply(sizes);
BENCHMARK(BM_FilterDataThroughCat)->Apply(sizes);
BENCHMARK(BM_FilterDataThroughCatToReadingDaemon)->Apply(sizes);
BENCHMARK(BM_FilterDataThroughCatToStalledDaemon)->Apply(sizes);
BENCHMARK(BM_PipeAndForkCopyLoop)->Apply(sizes);

}  // namespace

BENCHMARK_MAIN();
