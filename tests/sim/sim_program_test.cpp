#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

// quillon-sim, built above the tests' directory, as a child process with its stdout and
// stderr merged into one pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(),
                std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "quillon-sim");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::array<int, 2> output{};
    if (pipe(output.data()) != 0 || (pid_ = fork()) < 0) throw std::runtime_error("cannot start " + args[0]);
    if (pid_ == 0) {
      dup2(output[1], STDOUT_FILENO);
      dup2(output[1], STDERR_FILENO);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(output[1]);
    output_ = output[0];
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(output_);
  }

  void Signal(int signal) const { kill(pid_, signal); }

  // The output up to the first line break if lineOnly, else up to its end; either way what
  // came before a pause of three seconds.
  std::string Output(bool lineOnly) const {
    std::string text;
    for (char chunk[256]; !(lineOnly && text.find('\n') != std::string::npos) && Readable(output_);) {
      const ssize_t got = read(output_, chunk, sizeof chunk);
      if (got <= 0) break;
      text.append(chunk, static_cast<std::size_t>(got));
    }
    return lineOnly ? text.substr(0, text.find('\n')) : text;
  }

  // The exit status once the program has ended, -1 if it does not within three seconds.
  int ExitStatus() {
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    const bool gone = Readable(ended);
    close(ended);
    int status = 0;
    if (!gone || waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  static bool Readable(int fd) {
    pollfd wait{fd, POLLIN, 0};
    return poll(&wait, 1, 3000) > 0;
  }

  pid_t pid_ = -1;
  int output_ = -1;
};

TEST(SimProgram, PrintsThePathFirstServesAndEndsCleanlyOnSigterm) {
  Program program({"--firmware", "v1.1e-int", "--chip", "A16"});
  const std::string path = program.Output(true);
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
  Program usage({"--chip", "A64"});
  const std::string message = usage.Output(false);
  EXPECT_EQ(usage.ExitStatus(), 2);
  EXPECT_NE(message.find("--chip"), std::string::npos) << message;
  EXPECT_NE(message.find("Usage: quillon-sim"), std::string::npos) << message;

  Program missing({"--image", "/nonexistent/image.bin"});
  EXPECT_EQ(missing.ExitStatus(), 1);
}

}  // namespace
}  // namespace quillon::sim::testing
