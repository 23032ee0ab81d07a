// tracel on the largest record the format holds (99,999 samples): end to
// end, process start included, read, plotted and written to pltfil; beside
// cat reading the same record; and the record reading alone, in this
// process, with its field conversion.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "record.h"

extern char** environ;

namespace {

// Runs `program` (searched in PATH) with one argument or none, in `dir`,
// standard input from `input`, standard output to /dev/null; its exit
// status.
int run_in(const std::string& dir, const char* program, const std::string& input, const char* arg = nullptr) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  char* argv[] = {const_cast<char*>(program), const_cast<char*>(arg), nullptr};
  pid_t pid = 0;
  int status = -1;
  if (posix_spawnp(&pid, program, &actions, nullptr, argv, environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

// Wall time of `run` in milliseconds.
template <class Run>
double milliseconds(Run run) {
  const auto start = std::chrono::steady_clock::now();
  run();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A temporary folder holding big.rec, the 99,999-sample record, and
// name.txt, the answer to tracel's prompt; empty, with the benchmark
// marked failed, when genrecord fails.
std::string make_big_record(benchmark::State& state) {
  char tmpl[] = "/tmp/tracel-bench-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const std::string generate = std::string(GENRECORD) + " 99999 " + dir + "/big.rec";
  if (std::system(generate.c_str()) != 0) {
    state.SkipWithError("genrecord failed");
    return {};
  }
  std::FILE* f = std::fopen((dir + "/name.txt").c_str(), "w");
  std::fputs("big.rec\n", f);
  std::fclose(f);
  return dir;
}

void remove_folder(benchmark::State& state, const std::string& dir) {
  const std::string cleanup = "rm -rf " + dir;
  if (std::system(cleanup.c_str()) != 0) state.SkipWithError("cleanup failed");
}

void BM_TracelLargestRecord(benchmark::State& state) {
  const std::string dir = make_big_record(state);
  if (dir.empty()) return;
  const std::string name_file = dir + "/name.txt";
  for (auto _ : state) {
    if (run_in(dir, TRACEL, name_file) != 0) state.SkipWithError("tracel failed");
  }
  remove_folder(state, dir);
}

// cat and tracel on the same record, one after the other in every
// iteration, so that both meet the same machine; each started directly, no
// shell.  Counters: the mean wall time of each and tracel's over cat's.
void BM_TracelAgainstCat(benchmark::State& state) {
  const std::string dir = make_big_record(state);
  if (dir.empty()) return;
  const std::string name_file = dir + "/name.txt";
  double cat_ms = 0, tracel_ms = 0;
  for (auto _ : state) {
    cat_ms += milliseconds([&] {
      if (run_in(dir, "cat", "/dev/null", "big.rec") != 0) state.SkipWithError("cat failed");
    });
    tracel_ms += milliseconds([&] {
      if (run_in(dir, TRACEL, name_file) != 0) state.SkipWithError("tracel failed");
    });
  }
  const auto runs = static_cast<double>(state.iterations());
  state.counters["cat_ms"] = cat_ms / runs;
  state.counters["tracel_ms"] = tracel_ms / runs;
  state.counters["ratio"] = tracel_ms / cat_ms;
  remove_folder(state, dir);
}

// read_record alone, warm: the file read, its lines split and every sample
// field converted; items are samples.
void BM_ReadLargestRecord(benchmark::State& state) {
  const std::string dir = make_big_record(state);
  if (dir.empty()) return;
  std::vector<float> y(tracel::kMaxSamples);
  tracel::CountLine count;
  for (auto _ : state) {
    if (!tracel::read_record(dir + "/big.rec", count, y)) state.SkipWithError("read_record failed");
    benchmark::DoNotOptimize(y.data());
  }
  state.SetItemsProcessed(state.iterations() * count.np);
  remove_folder(state, dir);
}

BENCHMARK(BM_TracelLargestRecord)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TracelAgainstCat)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ReadLargestRecord)->Unit(benchmark::kMillisecond);

}  // namespace
