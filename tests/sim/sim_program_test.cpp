#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "running_target.h"

namespace quillon::sim::testing {
namespace {

// quillon-sim, built above the tests' directory, started by a shell that prints its pid
// and then becomes the program, with its stdout and stderr merged into one pipe.
class Program {
 public:
  explicit Program(const std::string& args)
      : pipe_(popen(("echo $$; exec " + (Built() / "quillon-sim").string() + " " + args + " 2>&1").c_str(), "r")),
        pid_(std::stoi(Output(true))) {}
  ~Program() {
    if (pipe_ == nullptr) return;
    kill(pid_, SIGKILL);
    pclose(pipe_);
  }

  void Signal(int signal) const { kill(pid_, signal); }

  // The output up to the next line break if lineOnly, else up to its end; either way what
  // came before a pause of three seconds.
  std::string Output(bool lineOnly) {
    for (char chunk[256]; !(lineOnly && pending_.find('\n') != std::string::npos);) {
      pollfd wait{fileno(pipe_), POLLIN, 0};
      const ssize_t got = poll(&wait, 1, 3000) > 0 ? read(wait.fd, chunk, sizeof chunk) : -1;
      ended_ = got == 0;
      if (got <= 0) break;
      pending_.append(chunk, static_cast<std::size_t>(got));
    }
    const std::size_t end = lineOnly ? std::min(pending_.find('\n'), pending_.size()) : pending_.size();
    std::string text = pending_.substr(0, end);
    pending_.erase(0, end + 1);
    return text;
  }

  // The exit status once the program has ended, -1 if its output does not end within
  // three seconds.
  int ExitStatus() {
    Output(false);
    if (!ended_) return -1;
    const int status = pclose(std::exchange(pipe_, nullptr));
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

 private:
  static std::filesystem::path Built() {
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path();
  }

  // Declared before the pid, which is read through them.
  std::FILE* pipe_;
  std::string pending_;
  bool ended_ = false;
  pid_t pid_;
};

// It exits with 2 on a usage error, 1 when it cannot start; else it prints the path first,
// serves it, and ends cleanly on SIGTERM.
TEST(SimProgram, ExitsOnBadOptionsOrPrintsThePathFirstServesAndEndsOnSigterm) {
  Program usage("--chip A64");
  const std::string message = usage.Output(false);
  EXPECT_EQ(usage.ExitStatus(), 2);
  EXPECT_NE(message.find("--chip"), std::string::npos) << message;
  EXPECT_NE(message.find("Usage: quillon-sim"), std::string::npos) << message;
  EXPECT_EQ(Program("--image /nonexistent/image.bin").ExitStatus(), 1);

  Program program("--firmware v1.1e-int --chip A16");
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

}  // namespace
}  // namespace quillon::sim::testing
