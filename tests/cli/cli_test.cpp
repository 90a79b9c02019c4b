#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <sstream>

#include "cli/cli_operator.h"
#include "cli/command_table.h"
#include "cli/settings_commands.h"
#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/pty_peer.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::Bytes;

// Runs the real program the way a script on a production line would, output captured;
// each @ in the arguments stands for the home directory.
std::pair<int, std::string> RunCli(const test::TempDir& home, std::string arguments) {
  for (std::size_t at; (at = arguments.find('@')) != std::string::npos;) arguments.replace(at, 1, home.Path().string());
  const std::string command = "XDG_CONFIG_HOME='" + (home / "config").string() + "' XDG_CACHE_HOME='" +
                              (home / "cache").string() + "' " QUILLON_CLI_PATH " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// Each expected text must appear, in this order; with no --yes nothing is asked.
TEST(CliProgram, RunsEachCommandAgainstTheEmulatedTarget) {
  test::TempDir home;
  test::PtyPeer silent;
  test::WriteFile(home / "flash.bin", test::Join(Bytes(0x80, 0x00), {0x41, 0x42}));
  test::WriteFile(home / "saved.bin", "old");
  test::WriteFile(home / "bad.hex", ":0100000001FF\n:00000001FF\n");
  test::WriteFile(home / "big.bin", Bytes(0x8001, 0x00));
  const std::string fw = " --simulate=image=@/flash.bin --yes ";
  const struct {
    std::string arguments;
    int exitCode;
    std::vector<std::string> inOrder;
  } cases[] = {
      {"--simulate detect", 0, {"Fw Version: v1.1E", "IAP Status: Handshaking succeed!"}},
      {"--simulate --firmware v1.1e-ext --chip A16 detect", 0, {"Chip Type:  QRV71A16", "IAP Status: Handshaking"}},
      {"--simulate=status=0x03 --firmware v1.1d detect", 0, {"ReMap:      4 KByte", "IAP Status: Handshaking"}},
      {"--firmware v1.1d --port " + silent.Path() + " detect", 1, {"No Response from Target Board!!!"}},
      {"--simulate=firmware-letter=0x44 detect", 1,
       {"Fw Version: v1.1?", "SECURITY : CHIP IS UNLOCKED", "Wrong Firmware Version Detected in MCU chip!!!"}},
      {"--simulate=status=0x80 --yes erase", 1, {"erase is not available on this chip (SECURITY : CHIP IS LEVEL 2"}},
      {"--simulate=status=0x20 --firmware v1.1d --yes lock 1", 1, {"lock is not available on this chip"}},
      {"--simulate --firmware v1.1e-ext --yes erase --sector 256 --range 3", 0, {std::string(msg::SectorsEraseCompleted)}},
      {"--simulate --firmware v1.1d --yes chip-erase", 0, {std::string(msg::ChipEraseCompleted)}},
      {"--simulate --yes chip-erase", 1, {std::string(msg::IllegalInInternalFirmware)}},
      {"--simulate --firmware v1.1d --memory int --yes lock 5", 0, {std::string(msg::SetLockCompleted)}},
      {"--simulate --firmware v1.1e-ext --yes remap 3", 0, {std::string(msg::MemoryRemapCompleted)}},
      {"--simulate --firmware v1.1d --yes run", 1, {std::string(msg::IllegalInDirectFirmware)}},
      {"--simulate --yes run", 0, {}},
      {fw + "read --sector 1 --range=2", 0,
       {"001     0080        00FF      00128        Not Blank", "003     0180        01FF      00384        Not Avail.",
        "SECTOR 001", "41 42 FF FF"}},
      {fw + "compare @/flash.bin", 0, {"File flash.bin Compare succeed!"}},
      {"--simulate --yes download @/flash.bin", 0, {"Proceed to download?", "Done"}},
      {"--simulate --firmware v1.1e-ext --yes download @/flash.bin --sector 256", 0, {"Proceed to download?", "Done"}},
      {"--simulate --yes download-run @/flash.bin", 0, {"Proceed to download?"}},
      {"--simulate --yes compare @/flash.bin", 1,
       {"Unmatched data at memory address 0000h: FFh(MCU) vs. 00h in File flash.bin"}},
      {"--simulate --firmware v1.1e-ext --yes download-run @/flash.bin", 1, {"download-run is not available"}},
      {"--simulate --yes download @/bad.hex", 1, {"Invalid HEX file at line 1: wrong checksum"}},
      {"--simulate --yes compare @/big.bin", 1, {"The selected is over size!!!", "File big.bin Compare failed!"}},
      {fw + "save @/saved.bin --range 1 --format=bin", 0, {std::string(msg::SaveCompleted)}},
      // Bytes sent ahead of their echoes still reach the target as they are: the read-back agrees.
      {"--simulate --firmware v1.1e-ext --echo-window 16 --yes download @/flash.bin --sector 256", 0, {"Done", "Done"}},
      {"--simulate --firmware v1.1d --echo-window 16 --yes download @/flash.bin", 0, {"Done", "Done"}},
      {"--echo-window 65 detect", 2, {"--echo-window is 1 to 64"}},
      {"--help", 0, {"usage: quillon-cli"}},
      {"-h detect", 0, {"usage: quillon-cli"}},
      {"--version", 0, {"quillon-cli 0."}},
      {"--simulate --yes download /nonexistent.hex", 2, {"cannot read /nonexistent.hex: No such file"}},
      {"settings --port COM2 --baud 4800", 0, {"Port:      COM2", "Baud rate: 4800"}},
      {"settings --echo-window 16", 0, {"Echo window: 16"}},
      {"settings", 0, {"Port:      COM2", "Baud rate: 4800", "Device:    /dev/ttyS1", "Echo window: 16", "COM1 -> /dev/ttyS0"}},
  };
  for (const auto& c : cases) {
    const auto [exitCode, output] = RunCli(home, c.arguments);
    EXPECT_EQ(exitCode, c.exitCode) << c.arguments << "\n" << output;
    std::size_t from = 0;
    for (const auto& text : c.inOrder) {
      from = output.find(text, from);
      ASSERT_NE(from, std::string::npos) << c.arguments << ": " << text << "\n" << output;
    }
  }
  EXPECT_EQ(test::ReadFile(home / "saved.bin"), Bytes(0x80, 0x00));
}

// Arguments that the command's dialog could not take: refused before anything is sent.
TEST(CliProgram, RefusesABadCommandLineAsAUsageError) {
  test::TempDir home;
  for (const char* arguments :
       {"", "frobnicate", "--chip A64 detect", "--simulate=no-such-option detect", "ports extra",
        "--simulate read --sector 320", "--simulate erase --range 256", "--simulate erase extra", "--simulate lock 6",
        "--simulate lock", "--simulate remap 0", "--simulate chip-erase now", "--simulate download",
        "--simulate download @/a @/b", "--simulate save @/out --format hex", "--simulate save @/out --range 256"}) {
    test::WriteFile(home / "a", "x");
    const auto [exitCode, output] = RunCli(home, arguments);
    EXPECT_EQ(exitCode, 2) << arguments << "\n" << output;
    EXPECT_EQ(output.find("Handshaking"), std::string::npos) << output;
  }
}

TEST(SettingsCommand, RefusesWhatItCannotStoreWithItsUsage) {
  const std::string usage =
      "usage: quillon-cli settings [--port COM1..COM4] [--baud 2400|4800|9600|19200|38400] [--device PATH|default]\n"
      "                            [--echo-window 1..64]\n";
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

// A worker caught writing when its line hangs up and the window closes reports the
// failure; the window must not go before that report has reached a live operator.
TEST(Teardown, TheWorkerReportsToALiveOperatorBeforeTheWindowIsGone) {
  test::TempDir dir;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::tmpfile(), std::fclose};
  cli::CliOperator op{true, false, file.get(), file.get()};
  std::optional<sim::Emulator> target(std::in_place, test::TargetOf(sim::Firmware::V11EInt));
  auto window = std::make_unique<CMainDlg>(op, AppPaths{dir / "config", dir / "cache"}, test::FastTiming());
  window->OnInitDialog();
  CIapDevice& device = window->TargetChip()->Device();
  device.SetDevicePath(target->Start());
  ASSERT_TRUE(test::Detect(*window, op, test::TargetOf(sim::Firmware::V11EInt)));
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
  EXPECT_NE(printed.find(msg::LineHungUp), std::string::npos) << printed;
}

}  // namespace
}  // namespace quillon
