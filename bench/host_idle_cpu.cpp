// CPU use of a host that holds an idle queued link: after the auto-detection the link
// worker answers every ready byte of a paced emulated target (quillon-sim, a separate
// process) with the idle byte; only this process's CPU time is counted.
//   host_idle_cpu [BAUD=38400] [SECONDS=5]

#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "support/host_fixture.h"
#include "support/scripted_operator.h"
#include "ui/main_dlg.h"

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string baud = argc > 1 ? argv[1] : "38400";
  const std::chrono::seconds span(argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5);
  const std::string simulator = (std::filesystem::path(argv[0]).parent_path() / "quillon-sim").string();

  int out[2];
  if (pipe(out) != 0) return 1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const char* args[] = {simulator.c_str(), "--firmware", "v1.1e-int", "--baud", baud.c_str(), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, simulator.c_str(), &actions, nullptr, const_cast<char* const*>(args), environ) != 0) {
    std::fprintf(stderr, "cannot start %s\n", simulator.c_str());
    return 1;
  }
  close(out[1]);
  std::string path;
  for (char c = 0; read(out[0], &c, 1) == 1 && c != '\n';) path += c;

  int result = 1;
  {
    quillon::test::ScriptedOperator op;
    quillon::test::TempDir dir;
    quillon::CMainDlg window(op, {dir.Path(), dir.Path()});
    window.OnInitDialog();
    window.TargetChip()->Device().SetBaudRate(static_cast<unsigned>(std::stoul(baud)));
    window.TargetChip()->Device().SetDevicePath(path);
    window.OnAutoDetect();
    if (window.TargetChip()->Device().IsConnected()) {
      const double cpuBefore = CpuSeconds();
      const auto start = Clock::now();
      std::this_thread::sleep_for(span);
      const double wall = std::chrono::duration<double>(Clock::now() - start).count();
      const double cpu = CpuSeconds() - cpuBefore;
      const bool stillUp = !window.Link().LinkLost;
      std::printf("host idle on a queued link at %s baud for %.1f s: CPU %.3f s = %.2f %% of a core; link %s\n",
                  baud.c_str(), wall, cpu, 100 * cpu / wall, stillUp ? "up" : "LOST");
      result = stillUp ? 0 : 1;
    } else {
      std::fprintf(stderr, "detection failed\n");
    }
  }
  kill(child, SIGTERM);
  waitpid(child, nullptr, 0);
  return result;
}
