#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <future>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <sstream>

#include "cli/cli_operator.h"
#include "cli/serial_format.h"
#include "operator/formatted.h"
#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "support/port_server.h"
#include "support/pty_peer.h"
#include "ui/board_report.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using test::Bytes;

// Runs the real program the way a script on a production line would, output captured;
// each @/ in the arguments stands for the home directory.
std::pair<int, std::string> RunCli(const test::TempDir& home, std::string arguments) {
  for (std::size_t at; (at = arguments.find("@/")) != std::string::npos;)
    arguments.replace(at, 1, home.Path().string());
  const std::string command = "XDG_CONFIG_HOME='" + (home / "config").string() + "' XDG_CACHE_HOME='" +
                              (home / "cache").string() + "' " QUILLON_CLI_PATH " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  std::string output;
  char buffer[512];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::vector<std::string> LinesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The run log, a record a board.
std::vector<nlohmann::json> LogRecords(const std::filesystem::path& path) {
  std::ifstream log(path);
  std::vector<nlohmann::json> records;
  for (std::string line; std::getline(log, line);) records.push_back(nlohmann::json::parse(line));
  return records;
}

// Each expected text must appear, in this order; with no --yes nothing is asked. A
// settings command refuses what it cannot store, with its usage.
TEST(CliProgram, RunsEachCommandAgainstTheEmulatedTarget) {
  test::TempDir home;
  test::PtyPeer silent;
  test::WriteFile(home / "flash.bin", test::Join(Bytes(0x80, 0x00), {0x41, 0x42}));
  test::WriteFile(home / "saved.bin", "old");
  const std::string fw = " --simulate=image=@/flash.bin --yes ";
  // clang-format off
  const struct {
    std::string arguments;
    int exitCode;
    std::vector<std::string> inOrder;
  } cases[] = {
      {"--simulate detect", 0, {"Fw Version: v1.1E", "IAP Status: Handshaking succeed!"}},
      {"--simulate --firmware v1.1e-ext --chip A16 detect", 0, {"Chip Type:  QRV71A16", "IAP Status: Handshaking"}},
      {"detect --simulate=status=0x03 --firmware v1.1d", 0, {"ReMap:      4 KByte", "IAP Status: Handshaking"}},
      {"--firmware v1.1d --port " + silent.Path() + " detect", 1, {"No Response from Target Board!!!"}},
      {"--simulate=firmware-letter=0x44 detect", 1, {"Fw Version: v1.1?", "SECURITY : CHIP IS UNLOCKED", "Wrong Firmware Version Detected in MCU chip!!!"}},
      {"--simulate=status=0x80 --yes erase", 1, {"erase is not available on this chip (SECURITY : CHIP IS LEVEL 2"}},
      {"--simulate=status=0x20 --firmware v1.1d --yes lock 1", 1, {"lock is not available on this chip"}},
      {"--simulate --firmware v1.1e-ext --yes erase --sector 256 --range 3", 0, {std::string(msg::SectorsEraseCompleted)}},
      {"--simulate --yes chip-erase", 1, {std::string(msg::IllegalInInternalFirmware)}},
      // Quiet: nothing at all from a board that went well, all it said from one that did not.
      {"-q --simulate --firmware v1.1e-ext --yes remap 3", 0, {}},
      {"--simulate -q --yes chip-erase", 1, {"Auto DetectChip", std::string(msg::IllegalInInternalFirmware)}},
      {"--simulate --firmware v1.1d --memory int --yes lock 5", 0, {std::string(msg::SetLockCompleted)}},
      {"--simulate --firmware v1.1e-ext --yes remap 3", 0, {std::string(msg::MemoryRemapCompleted)}},
      {"--simulate --firmware v1.1d --yes run", 1, {std::string(msg::IllegalInDirectFirmware)}},
      {"--simulate --yes run", 0, {}},
      {fw + "read --sector 1 --range=2", 0, {"001     0080        00FF      00128        Not Blank", "003     0180        01FF      00384        Not Avail.", "SECTOR 001", "41 42 FF FF"}},
      {fw + "compare @/flash.bin", 0, {"File flash.bin Compare succeed!"}},
      {fw + "compare - --format bin < @/flash.bin", 0, {"File stdin Compare succeed!"}},
      // Checked again once the detection has found a smaller chip than the largest.
      {"--simulate=chip=A16 read --sector 300", 2, {"--sector 300 is not in the list, which has entries 0 to 191"}},
      {"download @/flash.bin --sector 256 --simulate --firmware v1.1e-ext -y", 0, {"Proceed to download?", "Done"}},
      {"--simulate download @/flash.bin", 1, {"quillon-cli: \"Proceed to download?\" needs an answer: give --yes"}},
      {"--simulate=boards=2,fault@2=silence-after=60 --yes download @/flash.bin", 1, {std::string(msg::FailedToDownload), "\nPORT ", " failed "}},
      {"--simulate --yes compare @/flash.bin", 1, {"Unmatched data at memory address 0000h: FFh(MCU) vs. 00h in File flash.bin"}},
      {"--simulate --firmware v1.1e-ext --yes download-run @/flash.bin", 1, {"download-run is not available"}},
      // The data alone goes to stdout, which the file below holds; the shell tells the exit.
      {fw + "save - --range 1 --format=bin 2>/dev/null >@/saved.bin; echo exit $?", 0, {"exit 0"}},
      // Bytes sent ahead of their echoes still reach the target as they are: the read-back agrees.
      {"--simulate --firmware v1.1e-ext --echo-window 16 --yes download @/flash.bin --sector 256", 0, {"Erasing: Done", "Writing: Done", "Reading: Done", "verified"}},
      {"--simulate --firmware v1.1d --echo-window 16 --yes download @/flash.bin", 0, {"Erasing: Done", "Writing: Done", "Reading: Done", "verified"}},
      // --json: one object a port on each line, and nothing else.
      {"--simulate --json detect", 0, {"\"iapStatus\":\"Handshaking succeed!\""}},
      {"--simulate --json read --range 1", 0, {"\"sectors\":[{\"sector\":\"000\"", "\"memory\":{\"heading\":\"SECTOR 000\",\"rows\":[{"}},
      {"--simulate=boards=2 --json detect", 0, {"{\"time\"", "\"chip\":\"QRV71A32\"", "\n{\"time\"", "\"chip\":\"QRV71A32\""}},
      {"--help", 0, {"Usage: quillon-cli [OPTIONS]"}},
      {"detect -h --port /dev/null", 0, {"Usage: quillon-cli detect"}},
      {"--version", 0, {"quillon-cli 0."}},
      {"settings --baud 1234", 2, {"quillon-cli: --baud: takes 2400, 4800, 9600, 19200 or 38400, not '1234'\nsee quillon-cli settings --help\n"}},
      {"settings --port=COM5", 2, {"--port: takes COM1 to COM4, not 'COM5'"}},
      {"settings --device ttyUSB0", 2, {"--device: takes a device's full path or 'default', not 'ttyUSB0'"}},
      {"settings --speed 9600", 2, {"quillon-cli: unexpected --speed 9600\nsee quillon-cli settings --help\n"}},
      {"settings --port COM2 --baud 4800", 0, {"Port:      COM2", "Baud rate: 4800"}},
      {"settings --echo-window 16 --reset rts:250", 0, {"Echo window: 16", "Reset line: rts:250"}},
      {"settings --reset dsr", 2, {"--reset: takes dtr, rts, dtr:MS or rts:MS with MS 1 to 10000, or none, not 'dsr'"}},
      {"settings", 0, {"Port:      COM2", "Baud rate: 4800", "Device:    /dev/ttyS1", "Echo window: 16", "Reset line: rts:250", "COM1 -> /dev/ttyS0"}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    const auto [exitCode, output] = RunCli(home, c.arguments);
    EXPECT_EQ(exitCode, c.exitCode) << c.arguments << "\n" << output;
    if (c.arguments.starts_with("-q ")) {
      EXPECT_EQ(output, "");
    }
    if (c.arguments.find("--json") != std::string::npos) {
      for (const auto& line : LinesOf(output)) EXPECT_TRUE(nlohmann::json::accept(line)) << line;
    }
    std::size_t from = 0;
    for (const auto& text : c.inOrder) {
      from = output.find(text, from);
      ASSERT_NE(from, std::string::npos) << c.arguments << ": " << text << "\n" << output;
    }
  }
  EXPECT_EQ(test::ReadFile(home / "saved.bin"), Bytes(0x80, 0x00));
}

// Whatever the line gets wrong is found before any port is opened: one line names it
// (a usage error adds where to read more), the port the run would have used was never
// opened, let alone sent a byte, and no serial number was taken.
TEST(CliProgram, RefusesABadLineBeforeAnyPortIsOpened) {
  test::TempDir home;
  test::PtyPeer port;
  const auto modes = [](const termios& t) { return std::tuple(t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag); };
  const auto before = modes(port.SlaveSettings());
  test::WriteFile(home / "a.bin", "abc");
  test::WriteFile(home / "bad.hex", ":0100000001FF\n:00000001FF\n");
  test::WriteFile(home / "big.bin", Bytes(0x8001, 0x00));
  test::WriteFile(home / "used.bin", test::Join(Bytes(0x101, 0xFF), {0x00}));
  test::WriteFile(home / "serial", "7\n");
  ASSERT_EQ(::mkfifo((home / "fifo.bin").c_str(), 0600), 0);
  std::filesystem::create_directory(home / "dir");
  const std::string overSize = std::string(msg::OverSize) + "\nThe image ends at 8000h, past the last address 7FFFh";
  // clang-format off
  const struct {
    std::string arguments;
    int exitCode;
    std::string said;
  } cases[] = {
      {"-y download @/a.bin --sector 999", 2, "--sector 999 is not in the list, which has entries 0 to 255"},
      {"--firmware v1.1e-ext --chip A16 download @/a.bin --sector 192", 2, "--sector 192 is not in the list, which has entries 0 to 191"},
      {"read --sector 320", 2, "--sector 320 is not in the list, which has entries 0 to 319"},
      {"read --sector 0x80", 2, "--sector: takes a number from 0 up, not '0x80'"},
      {"erase --range 256", 2, "--range 256 is not in the list, which has entries 0 to 255"},
      {"save @/out --range 256", 2, "--range 256 is not in the list, which has entries 0 to 255"},
      {"save @/out --format hex", 2, "--format: takes text or bin, not 'hex'"},
      {"lock 6", 2, "OPTION: takes 1 to 5, not '6'"},
      {"lock", 2, "OPTION is required"},
      {"remap 4", 2, "OPTION: takes 1 to 3, not '4'"},
      {"-y download @/bad.hex", 1, "Invalid HEX file at line 1: wrong checksum"},
      {"compare - --format hex < @/bad.hex", 1, "Invalid HEX file at line 1: wrong checksum"},
      {"download - < @/a.bin", 2, "stdin has no name to tell how to read it: give --format hex or bin"},
      {"compare @/big.bin", 1, overSize},
      {"-y download @/fifo.bin", 2, "cannot read @/fifo.bin: Not a regular file"},
      {"-y download @/dir", 2, "cannot read @/dir: Is a directory"},
      {"-y download @/none.bin", 2, "cannot read @/none.bin: No such file or directory"},
      {"download", 2, "FILE is required"},
      {"download @/a.bin @/b.bin", 2, "unexpected @/b.bin"},
      {"erase extra", 2, "unexpected extra"},
      {"ports extra", 2, "unexpected extra"},
      {"--baud 115200 detect", 2, "--baud: takes 2400, 4800, 9600, 19200 or 38400, not '115200'"},
      {"--echo-window 65 detect", 2, "--echo-window: takes 1 to 64, not '65'"},
      {"--chip A64 detect", 2, "--chip: takes A16 or A32, not 'A64'"},
      {"--json save -", 2, "a save to stdout leaves no room for --json"},
      {"", 2, "no command given"},
      {"frobnicate", 2, "unknown command frobnicate"},
      {"--simulate=no-such-option detect", 2, "--simulate: --no-such-option needs a value"},
      {"--simulate=boards=2 save -", 2, "a save to stdout takes one port"},
      {"--simulate=boards=2,fault@3=no-echo detect", 2, "--simulate: fault=no-echo is for target 3, but targets are 1 to 2"},
      {"--ports @/none* detect", 2, "--ports @/none* matches no device"},
      {"--reset rts:0 detect", 2, "--reset: takes dtr, rts, dtr:MS or rts:MS with MS 1 to 10000, or none, not 'rts:0'"},
      {"-y --log @/no/run.jsonl detect", 1, "cannot write to the log @/no/run.jsonl: No such file or directory"},
      {"-y --log @/dir detect", 1, "cannot write to the log @/dir: Is a directory"},
      {"-y --serial-at 0x100 --serial-format le16 --serial-file @/serial download @/used.bin", 2, "@/used.bin: " + Formatted(msg::StampNotBlankFormat, 0x101)},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments);
    std::string said = c.said;
    for (std::size_t at; (at = said.find("@/")) != std::string::npos;) said.replace(at, 1, home.Path().string());
    const auto [exitCode, output] = RunCli(home, c.arguments + " --port " + port.Path());
    EXPECT_EQ(exitCode, c.exitCode) << output;
    const std::string usage = c.exitCode == 2 ? "\nsee quillon-cli " : "\n";
    EXPECT_EQ(output.substr(0, said.size() + usage.size() + 13), "quillon-cli: " + said + usage);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'),
              std::count(said.begin(), said.end(), '\n') + (c.exitCode == 2 ? 2 : 1));
  }
  EXPECT_TRUE(port.Received().empty());
  EXPECT_EQ(modes(port.SlaveSettings()), before);
  EXPECT_EQ(test::ReadText(home / "serial"), "7\n") << "a refused run takes no serial number";
}

// At a terminal only y or o goes ahead: an empty line is No.
TEST(QuestionAnswers, AnEmptyLineIsNo) {
  cli::QuestionAnswers answers(false, false, [](std::string_view) { return std::optional<std::string>(""); });
  EXPECT_EQ(answers.Decide(msg::ProceedToDownload, Buttons::YesNo), Answer::No);
}

std::vector<std::unique_ptr<sim::Emulator>> Targets(const std::vector<sim::Firmware>& firmwares) {
  std::vector<std::unique_ptr<sim::Emulator>> targets;
  for (const auto firmware : firmwares) {
    targets.push_back(std::make_unique<sim::Emulator>(test::TargetOf(firmware)));
    targets.back()->Start();
  }
  return targets;
}

// --reset on a gang of each direct dialect behind ser2net, a third board on a raw socket:
// each RFC 2217 port's own server is asked, as SET-CONTROL, to raise that port's line and
// lower it again after the pulse, and the download then programs and verifies every board.
TEST(CliNetwork, EachPortOfAGangPulsesItsOwnResetLineThenDownloads) {
  test::TempDir home;
  test::WriteFile(home / "abc.bin", "abc");
  // clang-format off
  const struct { const char* options; sim::Firmware firmware; std::uint8_t on, off; std::chrono::milliseconds length; } cases[] = {
      {"--reset rts:40 --firmware v1.1d", sim::Firmware::V11D, 11, 12, 40ms},
      {"--reset dtr --firmware v1.1e-ext", sim::Firmware::V11EExt, 8, 9, 100ms},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.options);
    const auto targets = Targets(std::vector(3, c.firmware));
    test::PortServer server({{targets[0]->SlavePath()}, {targets[1]->SlavePath()}, {targets[2]->SlavePath(), false}});
    test::Relay first(server.Port(0), 1ms), second(server.Port(1), 1ms);
    const auto [exitCode, output] =
        RunCli(home, std::string(c.options) + " --yes --port rfc2217://127.0.0.1:" + std::to_string(first.Port()) +
                         " --port rfc2217://127.0.0.1:" + std::to_string(second.Port()) + " --port " + server.Url(2) +
                         " download @/abc.bin");
    EXPECT_EQ(exitCode, 0) << output;
    for (const auto& target : targets) {
      const auto flash = target->FlashImage();
      EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 4), Bytes({'a', 'b', 'c', 0xFF}));
    }
    for (const test::Relay* relay : {&first, &second}) {
      // The line's SET-CONTROL requests in order, the lowering at open and close included.
      std::vector<std::pair<std::uint8_t, std::chrono::steady_clock::time_point>> controls;
      for (const auto& chunk : relay->TowardsServer())
        for (auto at = chunk.bytes.find("\xFF\xFA\x2C\x05"); at != std::string::npos && at + 4 < chunk.bytes.size();
             at = chunk.bytes.find("\xFF\xFA\x2C\x05", at + 1))
          if (const auto code = static_cast<std::uint8_t>(chunk.bytes[at + 4]); code >= 8 && code <= 12)
            controls.emplace_back(code, chunk.arrived);
      const auto on = std::find_if(controls.begin(), controls.end(), [&](auto& x) { return x.first == c.on; });
      ASSERT_NE(on, controls.end()) << output;
      ASSERT_NE(on + 1, controls.end());
      EXPECT_EQ(on[1].first, c.off);
      // Stamped when the relay's thread got round to each chunk, not when it came: a late
      // wake on the raise shortens the pulse seen here, so only half of it is asked for,
      // still enough to tell the default length from a shorter one or from none.
      EXPECT_GT(on[1].second - on->second, c.length / 2);
      EXPECT_LT(on[1].second - on->second, c.length + 100ms);
    }
  }
}

// Four boards through four ser2net ports, the fourth's server killed half-way through the
// download: that board alone fails, with the hang-up named, and the log has all four.
TEST(CliNetwork, AGangOverFourServerPortsLosesOnlyTheBoardWhoseServerDies) {
  test::TempDir home;
  test::WriteFile(home / "image.bin", Bytes(0x2000, 0x5A));
  const auto targets = Targets(std::vector(4, sim::Firmware::V11EInt));
  test::PortServer three({{targets[0]->SlavePath()}, {targets[1]->SlavePath()}, {targets[2]->SlavePath()}});
  test::PortServer dying({{targets[3]->SlavePath()}});
  auto run = std::async(std::launch::async, RunCli, std::cref(home),
                        "--yes --log @/run.jsonl --port " + three.Url(0) + " --port " + three.Url(1) + " --port " +
                            three.Url(2) + " --port " + dying.Url(0) + " download @/image.bin");
  ASSERT_TRUE(test::WaitFor([&] { return targets[3]->WireByteCounts().toTarget > 0x1000; }, 20s));
  dying.Kill();
  const auto [exitCode, output] = run.get();
  EXPECT_EQ(exitCode, 1) << output;
  // The reason is the system's: a closed connection or a broken pipe, as the kill falls.
  const std::string hungUp = Formatted(msg::NetworkLineHungUpFormat, dying.Url(0).c_str(), "@");
  EXPECT_NE(output.find(dying.Url(0) + ": " + hungUp.substr(0, hungUp.find('@'))), std::string::npos) << output;
  std::map<std::string, std::string> results;
  for (const auto& record : LogRecords(home / "run.jsonl")) results[record["device"]] = record["result"];
  EXPECT_EQ(results, (std::map<std::string, std::string>{
                         {three.Url(0), "ok"}, {three.Url(1), "ok"}, {three.Url(2), "ok"}, {dying.Url(0), "failed"}}));
  for (std::size_t board = 0; board < 3; ++board) {
    const auto flash = targets[board]->FlashImage();
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 0x2000), Bytes(0x2000, 0x5A)) << board;
  }
}

// A board alone, then two gangs of four at once on one counter file, one board failing its
// erase: every board took a number of its own, the failed one's spent, and each board that
// was programmed carries its number at the address and says exactly what the board alone
// said. The log has a line for every board, each gang a summary.
TEST(CliSerial, EveryBoardOfTwoRunsAtOnceGetsANumberOfItsOwn) {
  test::TempDir home;
  test::WriteFile(home / "image.bin", test::Join({'a', 'b', 'c'}, Bytes(0x200, 0xFF)));
  const std::string serial = "--yes --log @/run.jsonl --serial-at 0x100 --serial-file @/serial --serial-start 1000 ";
  const auto [aloneExit, alone] = RunCli(home, serial + "--serial-format le32 --simulate download @/image.bin");
  ASSERT_EQ(aloneExit, 0) << alone;
  const auto targets = Targets(std::vector(8, sim::Firmware::V11EInt));
  targets[6]->SetFaults({.eraseStatus = 0x80});
  const auto gang = [&](int first, const char* format) {
    std::string ports;
    for (int board = first; board < first + 4; ++board) ports += " --port " + targets[board]->SlavePath();
    return std::async(std::launch::async, RunCli, std::cref(home),
                      serial + "--serial-format " + format + ports + " download @/image.bin");
  };
  auto le32 = gang(0, "le32"), ascii = gang(4, "ascii:6");
  const auto [le32Exit, le32Output] = le32.get();
  const auto [asciiExit, asciiOutput] = ascii.get();
  EXPECT_EQ(le32Exit, 0) << le32Output;
  EXPECT_EQ(asciiExit, 1) << asciiOutput;
  const auto records = LogRecords(home / "run.jsonl");
  ASSERT_EQ(records.size(), 9U);
  std::set<std::uint64_t> numbers{records[0]["serial"]};
  for (int board = 0; board < 8; ++board) {
    SCOPED_TRACE(board);
    const bool faulty = board == 6;
    const std::string& output = board < 4 ? le32Output : asciiOutput;
    const std::string port = targets[board]->SlavePath().substr(5);
    EXPECT_NE(output.find(" CHIP      RESULT   SERIAL  TIME\n"), std::string::npos) << output;
    std::istringstream row(output.substr(output.find("\n" + port + " ") + 1));
    std::string name, chip, result;
    row >> name >> chip >> result;
    EXPECT_EQ(result, faulty ? "failed" : "ok") << output;
    std::string said;
    for (const auto& line : LinesOf(output))
      if (line.starts_with(port + ": ")) said += line.substr(port.size() + 2) + "\n";
    EXPECT_EQ(said == alone, !faulty) << said;
    const auto record = *std::find_if(records.begin() + 1, records.end(), [&](auto& r) { return r["port"] == port; });
    numbers.insert(record["serial"].get<std::uint64_t>());
    std::vector<nlohmann::json> fields;
    for (const char* field : {"result", "device", "chip", "firmware", "security", "command", "file", "sha256", "last"})
      fields.push_back(record[field]);
    EXPECT_EQ(fields,
              (std::vector<nlohmann::json>{result, targets[board]->SlavePath(), "QRV71A32", "v1.1E",
                                           "SECURITY : CHIP IS UNLOCKED", "download", (home / "image.bin").string(),
                                           "ae5af3bbee907c22e206673eb68d02b76543b1ef306e3ab5cd13bd625a63198c", 514}));
    EXPECT_TRUE(record["time"].get<std::string>().ends_with("Z"));
    if (faulty) continue;
    const std::uint64_t number = record["serial"];
    const auto flash = targets[board]->FlashImage();
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06llu", static_cast<unsigned long long>(number));
    const Bytes expected = board < 4 ? Bytes{static_cast<std::uint8_t>(number), static_cast<std::uint8_t>(number >> 8),
                                             static_cast<std::uint8_t>(number >> 16), 0}
                                     : Bytes(digits, digits + 6);
    EXPECT_EQ(Bytes(flash.begin() + 0x100, flash.begin() + 0x100 + static_cast<long>(expected.size())), expected);
    EXPECT_EQ(Bytes(flash.begin(), flash.begin() + 3), Bytes({'a', 'b', 'c'}));
  }
  EXPECT_EQ(numbers, (std::set<std::uint64_t>{1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008}));
  EXPECT_EQ(test::ReadFile(home / "serial"), Bytes({'1', '0', '0', '9', '\n'}));
  EXPECT_EQ(cli::ParseSerialFormat("be32")->Bytes(0x01020304), Bytes({1, 2, 3, 4}));
}

// Whatever bytes a file name or a reply held, a line comes out as valid JSON on one line
// that reads back as the text, less what was not UTF-8, with the members in a fixed order.
TEST(ReportJson, KeepsEveryLineValidJsonWhateverTheBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"a\"b\\c\n\t\x01\x7f", "a\"b\\c\n\t\x01\x7f"},
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x94\x8c"},
      {"\xff(\xc0\xaf)", "\xef\xbf\xbd(\xef\xbf\xbd\xef\xbf\xbd)"},
  };
  for (const auto& [text, readBack] : cases) {
    SCOPED_TRACE(readBack);
    BoardReport report;
    report.file = text;
    report.messages = {text};
    const std::string line = ReportJson(report, false);
    EXPECT_EQ(line.find('\n'), std::string::npos);
    ASSERT_TRUE(nlohmann::json::accept(line)) << line;
    const auto json = nlohmann::ordered_json::parse(line);
    EXPECT_EQ(json["file"], readBack);
    EXPECT_EQ(json["messages"], nlohmann::json::array({readBack}));
    std::string keys;
    for (const auto& [key, value] : json.items()) keys += key + " ";
    EXPECT_EQ(keys,
              "time port device command file sha256 chip flashSize remap memMode firmware security iapStatus first "
              "last result exit serial messages seconds ");
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
  const auto sentRun = [&] { return test::BytesOf(target->WireLog(), sim::Direction::ToTarget).back() == QRV_CMD_RUN; };
  ASSERT_TRUE(test::WaitFor(sentRun, 2s));
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
