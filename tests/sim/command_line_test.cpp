#include "sim/command_line.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace quillon::sim {
namespace {

using std::chrono::milliseconds;

TEST(CommandLine, AcceptsEveryOptionAndFaultAndRejectsWhatItDoesNotKnow) {
  // clang-format off
  const std::vector<std::pair<std::vector<std::string>, std::function<bool(const Config&)>>> cases = {
      {{}, [](const Config& c) {
         return c.firmware == Firmware::V11EInt && c.chip == Chip::A32 && c.baud == 0 && c.latency == milliseconds(0);
       }},
      {{"--latency", "16", "--baud=115200"}, [](const Config& c) { return c.latency == milliseconds(16) && c.baud == 115200; }},
      {{"--latency=255"}, [](const Config& c) { return c.latency == milliseconds(255); }},
      {{"--firmware", "v1.1d"}, [](const Config& c) { return c.firmware == Firmware::V11D; }},
      {{"--firmware=v1.1e-ext"}, [](const Config& c) { return c.firmware == Firmware::V11EExt; }},
      {{"--status", "0xE3"}, [](const Config& c) { return c.status == 0xE3; }},
      {{"--log", "w.txt", "--image", "i.bin"}, [](const Config& c) { return c.logPath == "w.txt" && c.imagePath == "i.bin"; }},
      {{"--program-time", "5", "--erase-time=7", "--ready-repeat", "50"},
       [](const Config& c) { return c.programTime == milliseconds(5) && c.eraseTime == milliseconds(7) && c.readyRepeat == milliseconds(50); }},
      {{"--fault", "no-echo", "--fault=wrong-echo"}, [](const Config& c) { return c.faults.noEcho && c.faults.wrongEcho; }},
      {{"--fault", "erase-status=0xC1", "--fault", "write-status=0", "--fault", "chip-erase-status=128"},
       [](const Config& c) { return c.faults.eraseStatus == 0xC1 && c.faults.writeStatus == 0 && c.faults.chipEraseStatus == 128; }},
      {{"--fault", "reply-delay=600", "--fault", "chip-erase-time=1500"},
       [](const Config& c) { return c.faults.replyDelay == milliseconds(600) && c.faults.chipEraseTime == milliseconds(1500); }},
      {{"--fault", "hangup-after=5", "--fault=at-command"}, [](const Config& c) { return c.faults.hangUpAfter == 5 && c.faults.atCommand; }},
  };
  // clang-format on
  for (const auto& [args, holds] : cases)
    EXPECT_TRUE(holds(ParseCommandLine(args).config)) << ::testing::PrintToString(args);
  EXPECT_TRUE(ParseCommandLine({"--help"}).help);
  // clang-format off
  const std::vector<std::vector<std::string>> rejected = {
      {"--firmware", "v1.2"}, {"--chip", "A64"},        {"--status", "256"},       {"--baud", "-1"},
      {"--baud", "fast"},     {"--log"},                {"--fault", "no-echo=1"},  {"--fault", "drop-reply"},
      {"--fault", "gremlin"}, {"--fault", "erase-status=0x1C0"}, {"--verbose", "1"}, {"COM1"},
      {"--ready-repeat", "0"}, {"--latency", "256"}, {"--latency", "-1"}, {"--latency", "1ms"},
  };
  // clang-format on
  for (const auto& args : rejected) EXPECT_THROW(ParseCommandLine(args), UsageError) << ::testing::PrintToString(args);
}

}  // namespace
}  // namespace quillon::sim
