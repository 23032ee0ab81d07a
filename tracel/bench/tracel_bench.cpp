// tracel end to end, process start included: the largest record the format
// holds (99,999 samples) read, plotted and written to pltfil.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

extern char** environ;

namespace {

// Runs `program` in `dir` with standard input from `input`; its exit status.
int run_in(const std::string& dir, const char* program, const std::string& input) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  char* argv[] = {const_cast<char*>(program), nullptr};
  pid_t pid = 0;
  int status = -1;
  if (posix_spawn(&pid, program, &actions, nullptr, argv, environ) == 0) waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  return status;
}

void BM_TracelLargestRecord(benchmark::State& state) {
  char tmpl[] = "/tmp/tracel-bench-XXXXXX";
  const std::string dir = mkdtemp(tmpl);
  const std::string generate = std::string(GENRECORD) + " 99999 " + dir + "/big.rec";
  if (std::system(generate.c_str()) != 0) state.SkipWithError("genrecord failed");
  const std::string name_file = dir + "/name.txt";
  std::FILE* f = std::fopen(name_file.c_str(), "w");
  std::fputs("big.rec\n", f);
  std::fclose(f);
  for (auto _ : state) {
    if (run_in(dir, TRACEL, name_file) != 0) state.SkipWithError("tracel failed");
  }
  const std::string cleanup = "rm -rf " + dir;
  if (std::system(cleanup.c_str()) != 0) state.SkipWithError("cleanup failed");
}

BENCHMARK(BM_TracelLargestRecord)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
