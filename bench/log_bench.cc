// The cost of one log line to the caller, against a line that reaches no
// daemon (the baseline: no system call at all), in the same run:
//   BM_LogLineNoDaemon        the socket path names nothing
//   BM_LogLineReadingDaemon   a thread reads every datagram as it comes
//   BM_LogLineStalledDaemon   nobody reads: the queue is full after a few
//                             lines, and lines are dropped and counted
// The line is one the command filter writes for every 4 KiB it reads.
//
//   log_bench --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "bench_daemon.h"
#include "qor/log.h"

namespace {

constexpr const char* kFilterLine = "\tgot: 4096\t(1048576)";
using qor::bench::BenchDaemon;
using qor::bench::Daemon;

void logLines(benchmark::State& state, Daemon kind) {
  BenchDaemon daemon(kind);
  if (!daemon.ready()) state.SkipWithError("no daemon socket");
  for (auto _ : state) qor::logLine(kFilterLine);
  state.counters["delivered_percent"] =
      state.iterations() ? 100.0 * static_cast<double>(daemon.received()) / static_cast<double>(state.iterations()) : 0;
}

void BM_LogLineNoDaemon(benchmark::State& state) { logLines(state, Daemon::None); }
void BM_LogLineReadingDaemon(benchmark::State& state) { logLines(state, Daemon::Reading); }
void BM_LogLineStalledDaemon(benchmark::State& state) { logLines(state, Daemon::Stalled); }

BENCHMARK(BM_LogLineNoDaemon)->UseRealTime();
BENCHMARK(BM_LogLineReadingDaemon)->UseRealTime();
BENCHMARK(BM_LogLineStalledDaemon)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
