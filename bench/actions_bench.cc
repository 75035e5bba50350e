// 200 external commands of /bin/true run through the actions, captured and
// launched, against a bare posix_spawn + waitpid loop of the same 200
// programs measured in the same run; and 64 MiB of one command's output
// read by CCommandShell against the same output read from a bare pipe.
// Prints the ratios.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <list>
#include <map>
#include <string>

#include <unistd.h>

#include <ostream>
#include <streambuf>

#include "velt/actions/CCommandShell.h"
#include "velt/actions/VeltCollectLogsAction.h"
#include "velt/model/VeltComponent.h"
#include "velt/model/XMLObject.h"
#include "velt/platform/TextEncoding.h"

extern char** environ;

namespace {

constexpr int kCommands = 200;

void BM_BareSpawnWaitpid(benchmark::State& state) {
  char program[] = "/bin/true";
  char* argv[] = {program, nullptr};
  for (auto _ : state) {
    for (int i = 0; i < kCommands; ++i) {
      pid_t pid = 0;
      if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("posix_spawn failed");
        return;
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
}

// The same programs through `/bin/sh -c "exec /bin/true"`: what the shell
// alone costs.
void BM_ShellSpawnWaitpid(benchmark::State& state) {
  char shell[] = "/bin/sh";
  char dashC[] = "-c";
  char line[] = "exec \"/bin/true\" ";
  char* argv[] = {shell, dashC, line, nullptr};
  for (auto _ : state) {
    for (int i = 0; i < kCommands; ++i) {
      pid_t pid = 0;
      if (posix_spawn(&pid, shell, nullptr, nullptr, argv, environ) != 0) {
        state.SkipWithError("posix_spawn failed");
        return;
      }
      int status = 0;
      waitpid(pid, &status, 0);
    }
  }
}

// An entry with 200 instances of "/bin/true", each captured into a file of
// the bundle or launched.
void RunEntry(benchmark::State& state, bool captured) {
  char folder[] = "/tmp/velt-actions-bench-XXXXXX";
  if (mkdtemp(folder) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  VeltComponent* entry = new VeltComponent(L"os", L"");
  VeltComponent* kind = new VeltComponent(L"use_extern_action", L"");
  for (int i = 0; i < kCommands; ++i) {
    VeltComponent* instance = new VeltComponent(L"action", L"");
    instance->AddChild(L"args", L"/bin/true");
    if (captured) {
      instance->AddChild(L"stdout", L"");
      instance->AddChild(L"temp_out", L"true.txt");
    }
    kind->AddChild(instance);
  }
  entry->AddChild(kind);
  ACTION_ATTRIBUTES attributes;
  attributes.fileID = L"bench";
  attributes.bundleFolder = velt::Widen(folder);
  for (auto _ : state) {
    std::list<truncAttributes> files;
    VeltCollectLogsAction action(attributes, entry);
    action.Perform(files);
    if (files.size() != (captured ? static_cast<size_t>(kCommands) : 0u)) {
      state.SkipWithError("commands did not all run");
    }
  }
  delete entry;
  std::filesystem::remove_all(folder);
}

// A command that writes 64 MiB.
const char kLargeOutput[] = "head -c 67108864 /dev/zero";

// The command's output read from a bare pipe in 64 KiB reads and dropped.
void BM_BarePipeRead(benchmark::State& state) {
  std::string line = kLargeOutput;
  char shell[] = "/bin/sh";
  char dashC[] = "-c";
  char* argv[] = {shell, dashC, &line[0], nullptr};
  static char buffer[65536];
  for (auto _ : state) {
    int ends[2];
    if (pipe(ends) != 0) {
      state.SkipWithError("pipe failed");
      return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    posix_spawn_file_actions_addclose(&actions, ends[0]);
    pid_t pid = 0;
    posix_spawn(&pid, shell, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    while (read(ends[0], buffer, sizeof(buffer)) > 0) {
    }
    close(ends[0]);
    waitpid(pid, nullptr, 0);
  }
}

// The same output copied by CCommandShell into a stream that drops it.
void BM_CommandShellRead(benchmark::State& state) {
  struct Drop : std::streambuf {
    std::streamsize xsputn(const char*, std::streamsize size) override { return size; }
    int_type overflow(int_type ch) override { return traits_type::not_eof(ch); }
  } drop;
  std::ostream out(&drop);
  for (auto _ : state) {
    if (CCommandShell(velt::Widen(kLargeOutput).c_str()).Execute(out) != 0) {
      state.SkipWithError("the command failed");
    }
  }
}

void BM_ActionsLaunched(benchmark::State& state) { RunEntry(state, false); }
void BM_ActionsCaptured(benchmark::State& state) { RunEntry(state, true); }

BENCHMARK(BM_BareSpawnWaitpid)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_ShellSpawnWaitpid)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_ActionsLaunched)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_ActionsCaptured)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_BarePipeRead)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);
BENCHMARK(BM_CommandShellRead)->Unit(benchmark::kMillisecond)->MinTime(0.5)->Repetitions(5);

// Keeps each benchmark's real time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration && run.iterations > 0) {
        // The best repetition: the one least disturbed by the rest of the
        // machine.
        double t = run.real_accumulated_time / run.iterations;
        auto known = times.find(run.run_name.function_name);
        if (known == times.end() || t < known->second) {
          times[run.run_name.function_name] = t;
        }
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;  // seconds per iteration, best repetition
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double bare = reporter.times["BM_BareSpawnWaitpid"];
  if (bare > 0) {
    std::printf("\nbare posix_spawn + waitpid: %.3f ms a program\n", bare * 1000 / kCommands);
    for (const char* name : {"BM_ShellSpawnWaitpid", "BM_ActionsLaunched", "BM_ActionsCaptured"}) {
      double t = reporter.times[name];
      std::printf("%-22s %.3f ms a program, ratio %.2f\n", name, t * 1000 / kCommands, t / bare);
    }
  }
  double pipe = reporter.times["BM_BarePipeRead"];
  double shell = reporter.times["BM_CommandShellRead"];
  if (pipe > 0 && shell > 0) {
    std::printf("64 MiB of output: bare pipe %.0f MiB/s, CCommandShell %.0f MiB/s, ratio %.2f\n",
                64 / pipe, 64 / shell, shell / pipe);
  }
  benchmark::Shutdown();
  return 0;
}
