#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quillon::sim {
namespace {

using std::chrono::milliseconds;

struct Accepted {
  std::vector<std::string> args;
  std::function<bool(const Config&)> holds;
};

TEST(CommandLine, AcceptsEveryOptionAndFault) {
  const std::vector<Accepted> cases = {
      {{}, [](const Config& c) { return c.firmware == Firmware::V11EInt && c.chip == Chip::A32 && c.baud == 0; }},
      {{"--firmware", "v1.1d"}, [](const Config& c) { return c.firmware == Firmware::V11D; }},
      {{"--firmware=v1.1e-ext"}, [](const Config& c) { return c.firmware == Firmware::V11EExt; }},
      {{"--chip", "A16"}, [](const Config& c) { return c.chip == Chip::A16; }},
      {{"--status", "0xE3"}, [](const Config& c) { return c.status == 0xE3; }},
      {{"--baud=9600"}, [](const Config& c) { return c.baud == 9600; }},
      {{"--log", "w.txt", "--image", "i.bin"}, [](const Config& c) { return c.logPath == "w.txt" && c.imagePath == "i.bin"; }},
      {{"--chip-id", "0x99", "--firmware-major", "17", "--firmware-letter", "0x44"},
       [](const Config& c) { return c.chipId == 0x99 && c.firmwareMajor == 17 && c.firmwareLetter == 0x44; }},
      {{"--program-time", "5", "--erase-time=7", "--ready-repeat", "50"},
       [](const Config& c) { return c.programTime == milliseconds(5) && c.eraseTime == milliseconds(7) && c.readyRepeat == milliseconds(50); }},
      {{"--fault", "no-echo", "--fault=wrong-echo"}, [](const Config& c) { return c.faults.noEcho && c.faults.wrongEcho; }},
      {{"--fault", "erase-status=0xC1", "--fault", "write-status=0", "--fault", "chip-erase-status=128"},
       [](const Config& c) { return c.faults.eraseStatus == 0xC1 && c.faults.writeStatus == 0 && c.faults.chipEraseStatus == 128; }},
      {{"--fault", "drop-reply=3", "--fault", "extra-byte=4", "--fault", "extra-byte-value=0xF7"},
       [](const Config& c) { return c.faults.dropReplyByte == 3 && c.faults.extraByteAfterReply == 4 && c.faults.extraByteValue == 0xF7; }},
      {{"--fault", "ready-stops=0", "--fault", "silence-after=9", "--fault", "reset-after=2"},
       [](const Config& c) { return c.faults.readyStopsAfter == 0 && c.faults.silenceAfter == 9 && c.faults.resetAfter == 2; }},
      {{"--fault", "reply-delay=600", "--fault", "chip-erase-time=1500"},
       [](const Config& c) { return c.faults.replyDelay == milliseconds(600) && c.faults.chipEraseTime == milliseconds(1500); }},
  };
  for (const Accepted& accepted : cases) {
    SCOPED_TRACE(::testing::PrintToString(accepted.args));
    EXPECT_TRUE(accepted.holds(ParseCommandLine(accepted.args).config));
  }
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
}

TEST(CommandLine, RejectsWhatItDoesNotKnow) {
  const std::vector<std::vector<std::string>> rejected = {
      {"--firmware", "v1.2"}, {"--chip", "A64"},        {"--status", "256"},       {"--baud", "-1"},
      {"--baud", "fast"},     {"--log"},                {"--fault", "no-echo=1"},  {"--fault", "drop-reply"},
      {"--fault", "gremlin"}, {"--fault", "erase-status=0x1C0"}, {"--verbose", "1"}, {"COM1"},
      {"--ready-repeat", "0"},
  };
  for (const auto& args : rejected) {
    EXPECT_THROW(ParseCommandLine(args), UsageError) << ::testing::PrintToString(args);
  }
}

}  // namespace
}  // namespace quillon::sim
