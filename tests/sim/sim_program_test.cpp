#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "pty_client.h"

namespace quillon::sim::testing {
namespace {

using std::chrono::milliseconds;

constexpr std::uint8_t kReady = 0xF7;

// quillon-sim is built beside the tests' directory.
std::string ProgramPath() {
  const std::filesystem::path here = std::filesystem::read_symlink("/proc/self/exe").parent_path();
  for (const std::filesystem::path& candidate : {here.parent_path() / "quillon-sim", here / "quillon-sim"}) {
    if (std::filesystem::exists(candidate)) return candidate.string();
  }
  return {};
}

// quillon-sim as a child process, its stdout and stderr merged into one pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(), ProgramPath());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::array<int, 2> output{};
    if (pipe(output.data()) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    const int failed = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    output_ = output[0];
    if (failed != 0) throw std::runtime_error("cannot start " + args[0]);
  }

  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(output_);
  }

  void Signal(int signal) const { kill(pid_, signal); }

  // Output up to the first line break, or what came before the timeout.
  std::string FirstLine(milliseconds timeout = milliseconds(3000)) {
    std::string text;
    while (text.find('\n') == std::string::npos && Readable(output_, timeout)) {
      char chunk[256];
      const ssize_t got = read(output_, chunk, sizeof chunk);
      if (got <= 0) break;
      text.append(chunk, static_cast<std::size_t>(got));
    }
    return text.substr(0, text.find('\n'));
  }

  // The exit status once the program has ended, -1 if it does not within the timeout;
  // rest receives its output.
  int ExitStatus(std::string* rest = nullptr, milliseconds timeout = milliseconds(3000)) {
    char chunk[256];
    for (ssize_t got = 1; got > 0 && Readable(output_, timeout);) {
      got = read(output_, chunk, sizeof chunk);
      if (rest && got > 0) rest->append(chunk, static_cast<std::size_t>(got));
    }
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    const bool gone = Readable(ended, timeout);
    close(ended);
    int status = 0;
    if (!gone || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  static bool Readable(int fd, milliseconds timeout) {
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, static_cast<int>(timeout.count())) > 0;
  }

  pid_t pid_ = -1;
  int output_ = -1;
};

TEST(SimProgram, PrintsThePathFirstServesAndEndsCleanlyOnSigterm) {
  ASSERT_FALSE(ProgramPath().empty());
  Program program({"--firmware", "v1.1e-int", "--chip", "A16"});
  const std::string path = program.FirstLine();
  ASSERT_TRUE(path.starts_with("/dev/")) << path;

  PtyClient client(path);
  EXPECT_EQ(client.Receive(1), Bytes{kReady});
  client.Drain();
  client.Send({0x60});
  EXPECT_EQ(client.Receive(4), (Bytes{0xE4, 0x11, 0x45, kReady}));

  client.Send({0x62, 0x62});
  EXPECT_EQ(client.Drain(milliseconds(250)), Bytes{}) << "no ready bytes once the user code runs";
  program.Signal(SIGUSR1);
  EXPECT_EQ(client.Receive(1), Bytes{kReady}) << "SIGUSR1 resets the target";

  program.Signal(SIGTERM);
  EXPECT_EQ(program.ExitStatus(), 0);
}

TEST(SimProgram, ExitsWithTwoOnAUsageErrorAndOneWhenItCannotStart) {
  ASSERT_FALSE(ProgramPath().empty());
  Program usage({"--chip", "A64"});
  std::string message;
  EXPECT_EQ(usage.ExitStatus(&message), 2);
  EXPECT_NE(message.find("--chip"), std::string::npos) << message;
  EXPECT_NE(message.find("usage: quillon-sim"), std::string::npos) << message;

  Program missing({"--image", "/nonexistent/image.bin"});
  EXPECT_EQ(missing.ExitStatus(), 1);
}

}  // namespace
}  // namespace quillon::sim::testing
