#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

struct Outcome {
  int exitCode;
  std::string output;
};

// Runs the real program the way a script on a production line would, output captured.
Outcome RunCli(const test::TempDir& home, const std::string& arguments) {
  const std::string command = "XDG_CONFIG_HOME='" + (home.Path() / "config").string() + "' XDG_CACHE_HOME='" +
                              (home.Path() / "cache").string() + "' " QUILLON_CLI_PATH " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  Outcome outcome{-1, {}};
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
    outcome.output.append(buffer, got);
  }
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

TEST(CliProgram, DetectsEveryDialectOfTheEmulatedTarget) {
  const struct {
    const char* options;
    const char* expected;
  } cases[] = {
      {"--simulate detect", "Fw Version: v1.1E"},
      {"--simulate --firmware v1.1e-ext --chip A16 detect", "Chip Type:  QRV71A16"},
      {"--simulate=status=0x03 --firmware v1.1d detect", "ReMap:      4 KByte"},
  };
  test::TempDir home;
  for (const auto& c : cases) {
    const Outcome outcome = RunCli(home, c.options);
    EXPECT_EQ(outcome.exitCode, 0) << c.options << "\n" << outcome.output;
    EXPECT_NE(outcome.output.find(c.expected), std::string::npos) << outcome.output;
    EXPECT_NE(outcome.output.find("IAP Status: Handshaking succeed!"), std::string::npos) << outcome.output;
  }
}

TEST(CliProgram, ASilentPortFailsAndABadCommandLineIsAUsageError) {
  test::TempDir home;
  test::PtyPeer silent;
  const Outcome silentTarget = RunCli(home, "--firmware v1.1d --port " + silent.Path() + " detect");
  EXPECT_EQ(silentTarget.exitCode, 1);
  EXPECT_NE(silentTarget.output.find("No Response from Target Board!!!"), std::string::npos) << silentTarget.output;

  for (const char* bad : {"", "frobnicate", "--chip A64 detect", "--simulate=no-such-option detect", "ports extra"}) {
    EXPECT_EQ(RunCli(home, bad).exitCode, 2) << bad;
  }
}

// Each expected text must appear, in this order; a refused command asks nothing.
TEST(CliProgram, AnswersAsACommandLineToolShould) {
  const struct {
    const char* arguments;
    int exitCode;
    std::vector<std::string> inOrder;
  } cases[] = {
      {"--help", 0, {"usage: quillon-cli"}},
      {"-h detect", 0, {"usage: quillon-cli"}},
      {"--version", 0, {"quillon-cli 0."}},
      {"--simulate --yes download /nonexistent.hex", 2, {"cannot read /nonexistent.hex: No such file"}},
      {"--simulate=firmware-letter=0x44 detect", 1,
       {"Fw Version: v1.1?", "SECURITY : CHIP IS UNLOCKED", "Wrong Firmware Version Detected in MCU chip!!!"}},
      {"--simulate=status=0x80 --yes erase", 1, {"erase is not available on this chip (SECURITY : CHIP IS LEVEL 2"}},
      {"--simulate=status=0x20 --firmware v1.1d --yes lock 1", 1, {"lock is not available on this chip"}},
  };
  test::TempDir home;
  for (const auto& c : cases) {
    const Outcome outcome = RunCli(home, c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode) << c.arguments << "\n" << outcome.output;
    std::size_t from = 0;
    for (const auto& text : c.inOrder) {
      from = outcome.output.find(text, from);
      ASSERT_NE(from, std::string::npos) << c.arguments << ": " << text << "\n" << outcome.output;
    }
    EXPECT_EQ(outcome.output.find("Proceed"), std::string::npos) << outcome.output;
    EXPECT_EQ(outcome.output.find("Do you really"), std::string::npos) << outcome.output;
  }
}

TEST(CliProgram, SettingsAreKeptBetweenRuns) {
  test::TempDir home;
  EXPECT_EQ(RunCli(home, "settings --port COM2 --baud 4800").exitCode, 0);
  const Outcome shown = RunCli(home, "settings");
  EXPECT_EQ(shown.exitCode, 0);
  EXPECT_NE(shown.output.find("COM2"), std::string::npos) << shown.output;
  EXPECT_NE(shown.output.find("4800"), std::string::npos) << shown.output;
}

}  // namespace
}  // namespace quillon
