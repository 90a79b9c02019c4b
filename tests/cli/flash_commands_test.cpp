#include "cli/flash_commands.h"

#include <gtest/gtest.h>

#include "cli/cli_operator.h"
#include "cli/cli_options.h"
#include "cli/command_table.h"
#include "operator/messages.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using sim::Firmware;
using test::CliHost;

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

TEST(FlashCommands, ReadPrintsTheSectorTableAndTheFirstSectorRead) {
  CliHost host(Firmware::V11EInt);
  host.target.LoadFlash(0x0080, {0x41, 0x42});
  EXPECT_EQ(host.Run(cli::ReadCommand, {"--sector", "1", "--range=2"}), cli::ExitOk);
  const std::string printed = host.Output();
  EXPECT_TRUE(Contains(printed, "001     0080        00FF      00128        Not Blank")) << printed;
  EXPECT_TRUE(Contains(printed, "003     0180        01FF      00384        Not Avail.")) << printed;
  EXPECT_TRUE(Contains(printed, "SECTOR 001")) << printed;
  EXPECT_TRUE(Contains(printed, "41 42 FF FF")) << printed;
}

TEST(FlashCommands, PrintTheOutcomeOfEachCommand) {
  const struct {
    Firmware firmware;
    CliHost::Command command;
    std::vector<std::string> args;
    std::string_view outcome;
    bool failed;
  } cases[] = {
      {Firmware::V11EExt, cli::EraseCommand, {"--sector", "256", "--range", "3"}, msg::SectorsEraseCompleted, false},
      {Firmware::V11D, cli::ChipEraseCommand, {}, msg::ChipEraseCompleted, false},
      {Firmware::V11EInt, cli::ChipEraseCommand, {}, msg::IllegalInInternalFirmware, true},
      {Firmware::V11D, cli::LockCommand, {"5"}, msg::SetLockCompleted, false},
      {Firmware::V11EExt, cli::RemapCommand, {"3"}, msg::MemoryRemapCompleted, false},
      {Firmware::V11D, cli::RunCommand, {}, msg::IllegalInDirectFirmware, true},
      {Firmware::V11EInt, cli::RunCommand, {}, {}, false},
  };
  for (const auto& c : cases) {
    CliHost host(c.firmware);
    EXPECT_EQ(host.Run(c.command, c.args), c.failed ? cli::ExitFailed : cli::ExitOk);
    const std::string printed = host.Output();
    EXPECT_TRUE(Contains(printed, c.outcome)) << printed;
  }
}

TEST(FlashCommands, RefuseArgumentsTheDialogsCannotTake) {
  const struct {
    CliHost::Command command;
    std::vector<std::string> args;
  } cases[] = {
      {cli::ReadCommand, {"--sector", "320"}},  // internal memory lists block 0 and 1: 256 + 64
      {cli::EraseCommand, {"--range", "256"}},
      {cli::EraseCommand, {"extra"}},
      {cli::LockCommand, {"6"}},
      {cli::LockCommand, {}},
      {cli::RemapCommand, {"0"}},
      {cli::ChipEraseCommand, {"now"}},
  };
  for (const auto& c : cases) {
    CliHost host(Firmware::V11EInt);
    EXPECT_THROW(host.Run(c.command, c.args), cli::UsageError);
    EXPECT_EQ(host.Output(), "") << "nothing was tried";
  }
}

}  // namespace
}  // namespace quillon
