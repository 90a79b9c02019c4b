#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>

#include "cli/cli_options.h"
#include "cli/flash_commands.h"
#include "cli/image_commands.h"
#include "cli/settings_commands.h"
#include "image/formatted.h"
#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using sim::Firmware;
using test::Bytes;
using test::CliHost;

struct Outcome {
  int exitCode;
  std::string output;
};

// Runs the real program the way a script on a production line would, output captured.
Outcome RunCli(const test::TempDir& home, const std::string& arguments) {
  const std::string command = "XDG_CONFIG_HOME='" + (home / "config").string() + "' XDG_CACHE_HOME='" +
                              (home / "cache").string() + "' " QUILLON_CLI_PATH " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  Outcome outcome{-1, {}};
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.output.append(buffer, got);
  const int status = ::pclose(pipe);
  outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return outcome;
}

// Each expected text must appear, in this order; a refused command asks nothing.
TEST(CliProgram, AnswersAsACommandLineToolShould) {
  test::TempDir home;
  test::PtyPeer silent;
  const struct {
    std::string arguments;
    int exitCode;
    std::vector<std::string> inOrder;
  } cases[] = {
      {"--simulate detect", 0, {"Fw Version: v1.1E", "IAP Status: Handshaking succeed!"}},
      {"--simulate --firmware v1.1e-ext --chip A16 detect", 0, {"Chip Type:  QRV71A16", "IAP Status: Handshaking"}},
      {"--simulate=status=0x03 --firmware v1.1d detect", 0, {"ReMap:      4 KByte", "IAP Status: Handshaking"}},
      {"--firmware v1.1d --port " + silent.Path() + " detect", 1, {"No Response from Target Board!!!"}},
      {"--help", 0, {"usage: quillon-cli"}},
      {"-h detect", 0, {"usage: quillon-cli"}},
      {"--version", 0, {"quillon-cli 0."}},
      {"--simulate --yes download /nonexistent.hex", 2, {"cannot read /nonexistent.hex: No such file"}},
      {"--simulate=firmware-letter=0x44 detect", 1,
       {"Fw Version: v1.1?", "SECURITY : CHIP IS UNLOCKED", "Wrong Firmware Version Detected in MCU chip!!!"}},
      {"--simulate=status=0x80 --yes erase", 1, {"erase is not available on this chip (SECURITY : CHIP IS LEVEL 2"}},
      {"--simulate=status=0x20 --firmware v1.1d --yes lock 1", 1, {"lock is not available on this chip"}},
      {"settings --port COM2 --baud 4800", 0, {"Port:      COM2", "Baud rate: 4800"}},
      {"settings", 0, {"Port:      COM2", "Baud rate: 4800", "Device:    /dev/ttyS1", "COM1 -> /dev/ttyS0"}},
      {"", 2, {}}, {"frobnicate", 2, {}}, {"--chip A64 detect", 2, {}}, {"--simulate=no-such-option detect", 2, {}},
      {"ports extra", 2, {}},
  };
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

TEST(SettingsCommand, RefusesWhatItCannotStoreWithItsUsage) {
  const std::string usage =
      "usage: quillon-cli settings [--port COM1..COM4] [--baud 2400|4800|9600|19200|38400] [--device PATH|default]\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--baud", "1234"}, "--baud takes 2400, 4800, 9600, 19200 or 38400, not '1234'\n"},
      {{"--port=COM5"}, "--port takes COM1 to COM4, not 'COM5'\n"},
      {{"--device", "ttyUSB0"}, "--device takes a device's full path or 'default', not 'ttyUSB0'\n"},
      {{"--speed", "9600"}, "unknown option '--speed'\n"},
      {{"--port"}, "--port needs a value\n"},
  };
  for (const auto& [args, problem] : cases) {
    test::TempDir home;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunSettingsCommand(args, AppPaths{home / "config", home / "cache"}, out, err), cli::ExitUsage);
    EXPECT_EQ(err.str(), "quillon-cli settings: " + problem + usage);
    EXPECT_EQ(out.str(), "");
  }
}

TEST(WindowCommands, PrintTheOutcomeOfEachCommand) {
  const struct {
    Firmware firmware;
    CliHost::Command command;
    std::vector<std::string> args;
    std::string_view outcome;
    int exitCode;
  } cases[] = {
      {Firmware::V11EExt, cli::EraseCommand, {"--sector", "256", "--range", "3"}, msg::SectorsEraseCompleted, 0},
      {Firmware::V11D, cli::ChipEraseCommand, {}, msg::ChipEraseCompleted, 0},
      {Firmware::V11EInt, cli::ChipEraseCommand, {}, msg::IllegalInInternalFirmware, 1},
      {Firmware::V11D, cli::LockCommand, {"5"}, msg::SetLockCompleted, 0},
      {Firmware::V11EExt, cli::RemapCommand, {"3"}, msg::MemoryRemapCompleted, 0},
      {Firmware::V11D, cli::RunCommand, {}, msg::IllegalInDirectFirmware, 1},
      {Firmware::V11EInt, cli::RunCommand, {}, {}, 0},
      {Firmware::V11EInt, cli::ReadCommand, {"--sector", "1", "--range=2"},
       "001     0080        00FF      00128        Not Blank", 0},
  };
  for (const auto& c : cases) {
    CliHost host(c.firmware);
    host.target.LoadFlash(0x0080, {0x41, 0x42});
    EXPECT_EQ(host.Run(c.command, c.args), c.exitCode);
    EXPECT_NE(host.Output().find(c.outcome), std::string::npos) << host.Output();
  }
}

TEST(WindowCommands, RefuseArgumentsTheDialogsCannotTake) {
  const std::pair<CliHost::Command, std::vector<std::string>> cases[] = {
      {cli::ReadCommand, {"--sector", "320"}},  // internal memory lists block 0 and 1: 256 + 64
      {cli::EraseCommand, {"--range", "256"}},
      {cli::EraseCommand, {"extra"}},
      {cli::LockCommand, {"6"}},
      {cli::LockCommand, {}},
      {cli::RemapCommand, {"0"}},
      {cli::ChipEraseCommand, {"now"}},
      {cli::DownloadCommand, {}},
      {cli::DownloadCommand, {"a.bin", "b.bin"}},
      {cli::DownloadCommand, {"a.bin", "--sector", "256"}},  // internal memory: block 0 only
      {cli::DownloadRunCommand, {"a.bin", "--sector", "x"}},
      {cli::CompareCommand, {"a.bin", "--sector", "320"}},
      {cli::SaveCommand, {"out", "--format", "hex"}},
      {cli::SaveCommand, {"out", "--range", "256"}},
  };
  CliHost host(Firmware::V11EInt);
  for (const auto& [command, args] : cases) {
    EXPECT_THROW(host.Run(command, args), cli::UsageError);
  }
  EXPECT_EQ(host.Output(), "") << "nothing was tried";
}

TEST(ImageCommands, DownloadCompareAndSaveWhatWasWritten) {
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11EExt}) {
    CliHost host(firmware);
    const Bytes image(256, 0x5A);
    const std::string path = host.File("fw.bin", image);
    const std::string saved = (host.dir / "saved.bin").string();
    EXPECT_EQ(host.Run(cli::DownloadCommand, {path, "--sector", "2"}), 0);
    EXPECT_EQ(host.Run(cli::CompareCommand, {"--sector=2", path}), 0);
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus, "File fw.bin Compare succeed!");
    EXPECT_EQ(host.Run(cli::SaveCommand, {saved, "--sector", "2", "--range", "2", "--format=bin"}), 0);
    EXPECT_EQ(test::ReadFile(saved), image);
    host.target.LoadFlash(0x10, {0x00});
    EXPECT_EQ(host.Run(cli::CompareCommand, {host.File("fw.bin", Bytes(32, 0xFF))}), 1);
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus,
              "Unmatched data at memory address 0010h: 00h(MCU) vs. FFh in File fw.bin");
  }
}

// The target sends its ready byte straight after a reply, so a byte lost or added on the
// line shows as a reply that does not end with it; taking the ready byte for data would
// report a wrong read as a good one.
TEST(ImageCommands, AReplyShiftedOnTheLineFailsAndLeavesTheSavedFileWhole) {
  const sim::Faults faults[] = {{.dropReplyByte = 127}, {.dropReplyByte = 3}, {.extraByteAfterReply = 127}};
  for (const auto& fault : faults) {
    for (const CliHost::Command command : {cli::ReadCommand, cli::SaveCommand}) {
      CliHost host(Firmware::V11EInt);
      const std::string saved = host.File("saved.bin", Bytes{'o', 'l', 'd'});
      host.target.SetFaults(fault);
      std::vector<std::string> args = {"--sector", "0", "--range", "1"};
      if (command == cli::SaveCommand) args.insert(args.end(), {saved, "--format=bin"});
      EXPECT_EQ(host.Run(command, args), 1) << fault.dropReplyByte << " " << fault.extraByteAfterReply;
      EXPECT_EQ(test::ReadText(saved), "old");
    }
  }
}

// A file that will not do is told before anything is asked or sent, and the link is as
// good as before: no lost-link report follows, and the next command works over it.
TEST(ImageCommands, FileThatWillNotDoIsToldAndLeavesTheLinkAlone) {
  const struct {
    const char* file;
    std::string contents;  // none: there is no such file
    const char* told;      // %s: the file's path
  } files[] = {
      {"none.hex", {}, "Cannot open %s: No such file or directory"},
      {"bad.hex", ":0100000001FF\n:00000001FF\n", "Invalid HEX file at line 1: wrong checksum"},
      {"big.bin", std::string(0x8001, '\0'), "The selected is over size!!!"},
  };
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11EExt}) {
    for (const CliHost::Command command : {cli::DownloadCommand, cli::CompareCommand, cli::DownloadRunCommand}) {
      for (const auto& f : files) {
        SCOPED_TRACE(std::string(f.file) + (firmware == Firmware::V11EInt ? ", queued link" : ", direct link"));
        CliHost host(firmware);
        const std::string path = (host.dir / f.file).string();
        if (!f.contents.empty()) test::WriteFile(path, f.contents);
        host.target.ClearWireLog();
        EXPECT_EQ(host.Run(command, {path}), 1);
        const std::string status = command == cli::CompareCommand ? "File " + std::string(f.file) + " Compare failed!\n" : "";
        EXPECT_EQ(host.Output(), Formatted(f.told, path.c_str()) + "\n" + status);
        EXPECT_TRUE(test::WithoutIdle(test::BytesOf(host.target.WireLog(), sim::Direction::ToTarget)).empty());
        EXPECT_FALSE(host.window.Link().LinkLost.load());
        EXPECT_FALSE(host.window.Link().ChipReleased);
        EXPECT_EQ(host.Run(cli::CompareCommand, {host.File("erased.bin", Bytes(128, 0xFF))}), 0);
      }
    }
  }
}

// A worker caught writing when its line hangs up and the window closes reports the
// failure; the window must not go before that report has reached a live operator.
TEST(Teardown, TheWorkerReportsToALiveOperatorBeforeTheWindowIsGone) {
  test::TempDir dir;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::tmpfile(), std::fclose};
  cli::CliOperator op{true, false, file.get(), file.get()};
  std::optional<sim::Emulator> target(std::in_place, test::TargetOf(Firmware::V11EInt));
  auto window = std::make_unique<CMainDlg>(op, AppPaths{dir / "config", dir / "cache"}, test::FastTiming());
  window->OnInitDialog();
  CIapDevice& device = window->TargetChip()->Device();
  device.SetDevicePath(target->Start());
  ASSERT_TRUE(test::Detect(*window, op, test::TargetOf(Firmware::V11EInt)));
  // The run command goes out at the next ready byte; its operand waits in the worker.
  const auto queues = window->Link().queues;
  ASSERT_EQ(device.GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_RUN), QueueDone);
  ASSERT_TRUE(test::WaitFor(
      [&] {
        const auto sent = test::BytesOf(target->WireLog(), sim::Direction::ToTarget);
        return !sent.empty() && sent.back() == QRV_CMD_RUN;
      },
      2s));
  target.reset();
  ASSERT_EQ(device.GuardedPut(queues->OperandQueue, queues->OperandMutex, QRV_RUN_OPERAND), QueueDone);
  window.reset();
  std::rewind(file.get());
  std::string printed(4096, '\0');
  printed.resize(std::fread(printed.data(), 1, printed.size(), file.get()));
  EXPECT_NE(printed.find(msg::ByteTransferFailed), std::string::npos) << printed;
}

}  // namespace
}  // namespace quillon
