#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>

#include "support/host_fixture.h"

extern char** environ;

namespace quillon {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::Bytes;

// quillon-cli started as a script starts it, its output in a file of the home directory.
pid_t SpawnCli(const test::TempDir& home, const std::vector<std::string>& arguments) {
  std::vector<std::string> words = {QUILLON_CLI_PATH};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  const std::string output = (home / "output.txt").string();
  posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
  ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (home / "cache").c_str(), 1);
  pid_t pid = -1;
  EXPECT_EQ(::posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&files);
  return pid;
}

// SIGINT or SIGTERM in the middle of a 9600-baud download, on one board and on a gang:
// every board ends within a second, says where it stopped, is logged as stopped, and its
// port is left for the next program to open.
TEST(CliSignals, EndADownloadWithinASecondLeavingEachPortFree) {
  const struct { int signal, boards, exitStatus; } cases[] = {{SIGINT, 1, 130}, {SIGTERM, 2, 143}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "signal " << c.signal << " on " << c.boards << " boards");
    test::TempDir home;
    test::WriteFile(home / "fw.bin", test::Counting(0x4000, 1));
    std::vector<std::unique_ptr<sim::Emulator>> targets;
    std::vector<std::string> arguments = {
        "--firmware", "v1.1e-ext", "--baud", "9600", "--yes", "--log", (home / "log.jsonl").string()};
    for (int board = 0; board < c.boards; ++board) {
      sim::Config config = test::TargetOf(sim::Firmware::V11EExt);
      config.baud = 9600;
      targets.push_back(std::make_unique<sim::Emulator>(config));
      arguments.insert(arguments.end(), {"--port", targets.back()->Start()});
    }
    arguments.insert(arguments.end(), {"download", (home / "fw.bin").string()});
    const pid_t cli = SpawnCli(home, arguments);
    ASSERT_GT(cli, 0);
    // Well into the writing: the erase of 128 sectors and the first frames are behind it.
    for (const auto& target : targets)
      ASSERT_TRUE(test::WaitFor([&] { return target->WireByteCounts().toTarget > 2000; }, 30s));
    const auto raised = Clock::now();
    ::kill(cli, c.signal);
    int status = 0;
    ASSERT_TRUE(test::WaitFor([&] { return ::waitpid(cli, &status, WNOHANG) == cli; }, 3s));
    EXPECT_LT(Clock::now() - raised, 1s);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == c.exitStatus) << status;

    const std::string output = test::ReadText(home / "output.txt");
    std::ifstream log(home / "log.jsonl");
    int stopped = 0;
    for (std::string line; std::getline(log, line);) stopped += nlohmann::json::parse(line)["result"] == "stopped";
    EXPECT_EQ(stopped, c.boards) << output;
    for (const auto& target : targets) {
      const std::string said = (c.boards > 1 ? target->SlavePath().substr(5) + ": " : "") + "Stopped at ";
      EXPECT_NE(output.find(said), std::string::npos) << output;
      const int fd = ::open(target->SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      ASSERT_GE(fd, 0) << target->SlavePath();
      int exclusive = 1;
      EXPECT_EQ(::ioctl(fd, TIOCGEXCL, &exclusive), 0);
      EXPECT_EQ(exclusive, 0) << "exclusive mode is cleared as the port closes";
      ::close(fd);
    }
  }
}

}  // namespace
}  // namespace quillon
