#include "cli/image_commands.h"

#include <gtest/gtest.h>

#include "cli/cli_operator.h"
#include "cli/cli_options.h"
#include "cli/flash_commands.h"
#include "image/formatted.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

using sim::Firmware;
using Bytes = std::vector<std::uint8_t>;
using test::CliHost;

TEST(ImageCommands, DownloadCompareAndSaveWhatWasWritten) {
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11EExt}) {
    CliHost host(firmware);
    const Bytes image(256, 0x5A);
    const std::string path = host.File("fw.bin", image);
    const std::string saved = (host.dir.Path() / "saved.bin").string();
    EXPECT_EQ(host.Run(cli::DownloadCommand, {path, "--sector", "2"}), 0);
    EXPECT_EQ(host.Run(cli::CompareCommand, {"--sector=2", path}), 0);
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus, "File fw.bin Compare succeed!");
    EXPECT_EQ(host.Run(cli::SaveCommand, {saved, "--sector", "2", "--range", "2", "--format=bin"}), 0);
    EXPECT_EQ(std::filesystem::file_size(saved), image.size());
  }
}

TEST(ImageCommands, CompareDifferenceOrFailedDownloadGivesOne) {
  CliHost host(Firmware::V11EInt);
  host.target.LoadFlash(0x10, {0x00});
  EXPECT_EQ(host.Run(cli::CompareCommand, {host.File("fw.bin", Bytes(32, 0xFF))}), 1);
  EXPECT_EQ(host.op.ShownChipInfo().IapStatus,
            "Unmatched data at memory address 0010h: 00h(MCU) vs. FFh in File fw.bin");
  EXPECT_EQ(host.Run(cli::DownloadRunCommand, {host.File("big.bin", Bytes(0x8001, 0))}), 1) << "over size";
  EXPECT_FALSE(host.window.Link().ChipReleased);
}

// The target sends its ready byte straight after a reply, so a byte lost or added on the
// line shows as a reply that does not end with it; taking the ready byte for data would
// report a wrong read as a good one.
TEST(ImageCommands, AReplyShiftedOnTheLineFailsAndLeavesTheSavedFileWhole) {
  const sim::Faults faults[] = {
      {.dropReplyByte = 127}, {.dropReplyByte = 3}, {.extraByteAfterReply = 127}, {.extraByteAfterReply = 3}};
  for (const auto& fault : faults) {
    for (const CliHost::Command command : {cli::ReadCommand, cli::SaveCommand}) {
      CliHost host(Firmware::V11EInt);
      const std::string saved = host.File("saved.bin", Bytes{'o', 'l', 'd'});
      host.target.SetFaults(fault);
      std::vector<std::string> args = {"--sector", "0", "--range", "1"};
      if (command == cli::SaveCommand) {
        args.insert(args.end(), {saved, "--format=bin"});
      }
      EXPECT_EQ(host.Run(command, args), 1) << fault.dropReplyByte << " " << fault.extraByteAfterReply;
      EXPECT_EQ(test::ReadText(saved), "old");
    }
  }
}

// A file that will not do is told before anything is asked or sent, and the link is as
// good as before: no lost-link report follows, and the next command works over it.
TEST(ImageCommands, FileThatWillNotDoIsToldAndLeavesTheLinkAlone) {
  const struct {
    const char* name;
    const char* file;
    std::string contents;  // none: there is no such file
    const char* told;      // %s: the file's path
  } files[] = {
      {"missing", "none.hex", {}, "Cannot open %s: No such file or directory"},
      {"invalid HEX", "bad.hex", ":0100000001FF\n:00000001FF\n", "Invalid HEX file at line 1: wrong checksum"},
      {"over size", "big.bin", std::string(0x8001, '\0'), "The selected is over size!!!"},
  };
  for (const Firmware firmware : {Firmware::V11EInt, Firmware::V11EExt}) {
    for (const CliHost::Command command : {cli::DownloadCommand, cli::CompareCommand}) {
      for (const auto& f : files) {
        SCOPED_TRACE(std::string(f.name) + (command == cli::DownloadCommand ? ", download" : ", compare") +
                     (firmware == Firmware::V11EInt ? ", queued link" : ", direct link"));
        CliHost host(firmware);
        const std::string path = (host.dir / f.file).string();
        if (!f.contents.empty()) {
          test::WriteFile(path, f.contents);
        }
        host.target.ClearWireLog();
        EXPECT_EQ(host.Run(command, {path}), 1);

        const std::string status =
            command == cli::CompareCommand ? "File " + std::string(f.file) + " Compare failed!\n" : "";
        EXPECT_EQ(host.Output(), Formatted(f.told, path.c_str()) + "\n" + status);
        EXPECT_TRUE(test::WithoutIdle(test::BytesOf(host.target.WireLog(), sim::Direction::ToTarget)).empty());
        EXPECT_FALSE(host.window.Link().LinkLost.load());
        EXPECT_EQ(host.Run(cli::CompareCommand, {host.File("erased.bin", Bytes(128, 0xFF))}), 0);
      }
    }
  }
}

// Bytes sent ahead of their echoes must change nothing but the time: the same bytes reach
// the target, and a wrong echo fails the download with the same words and status.
TEST(ImageCommands, AnEchoWindowChangesNothingButTheTime) {
  for (const Firmware firmware : {Firmware::V11EExt, Firmware::V11D}) {
    for (const bool wrongEcho : {false, true}) {
      std::vector<std::pair<int, std::string>> outcomes;
      std::vector<Bytes> sent;
      for (const int window : {1, 16}) {
        CliHost host(firmware);
        host.window.TargetChip()->Device().SetEchoWindow(window);
        const std::string path = host.File("fw.bin", Bytes(300, 0x3C));
        host.target.ClearWireLog();
        host.target.SetFaults({.wrongEcho = wrongEcho});
        const int status = host.Run(cli::DownloadCommand, {path});
        outcomes.emplace_back(status, host.Output());
        sent.push_back(test::BytesOf(host.target.WireLog(), sim::Direction::ToTarget));
      }
      EXPECT_EQ(outcomes[0], outcomes[1]) << wrongEcho;
      EXPECT_EQ(outcomes[0].first, wrongEcho ? 1 : 0);
      if (!wrongEcho) {
        EXPECT_EQ(sent[0], sent[1]);
      }
    }
  }
}

TEST(ImageCommands, RefuseArgumentsTheDialogsCannotTake) {
  const struct {
    CliHost::Command command;
    std::vector<std::string> args;
  } cases[] = {
      {cli::DownloadCommand, {}},
      {cli::DownloadCommand, {"a.bin", "b.bin"}},
      {cli::DownloadCommand, {"a.bin", "--sector", "256"}},  // internal memory: block 0 only
      {cli::DownloadRunCommand, {"a.bin", "--sector", "x"}},
      {cli::CompareCommand, {"a.bin", "--sector", "320"}},
      {cli::SaveCommand, {"out", "--format", "hex"}},
      {cli::SaveCommand, {"out", "--range", "256"}},
  };
  for (const auto& c : cases) {
    CliHost host(Firmware::V11EInt);
    EXPECT_THROW(host.Run(c.command, c.args), cli::UsageError);
  }
}

}  // namespace
}  // namespace quillon
