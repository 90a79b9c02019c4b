#include <gtest/gtest.h>

#include "image/image_texts.h"
#include "image_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using sim::Chip;
using sim::Firmware;
using namespace test;
using Strings = std::vector<std::string>;

std::string Downloading(const std::string& path) { return "Downloading \"" + path + "\""; }

Bytes Data(const Bytes& all, std::size_t from, std::size_t count) {
  return {all.begin() + static_cast<std::ptrdiff_t>(from), all.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

Bytes WithData(Bytes frame, const Bytes& data) {
  frame.insert(frame.end(), data.begin(), data.end());
  return frame;
}

TEST(Download, ErasesProgramsAndVerifiesTheChosenSectors) {
  const Bytes file = Counting(200, 1);
  Bytes filled = file;
  filled.resize(256, 0xFF);
  const struct {
    const char* name;
    Firmware firmware;
    int start;
    int block;
    std::uint32_t address;
    std::string warning;
    Strings labels;
    Commands wire;
  } cases[] = {
      {"internal memory: two sectors, two bursts each read back", Firmware::V11EInt, 0, 0, 0x0000,
       std::string(msg::WarnBlock0Erased), {"text Erasing", "text Done", "text Writing", "text Done"},
       {Frame(QRV_CMD_ERASE, 0x0000, 1), Frame(QRV_CMD_ERASE, 0x0080, 1),
        WithData(Frame(QRV_CMD_BURST_WRITE, 0x0000, 128), Data(filled, 0, 128)), Frame(QRV_CMD_READ, 0x0000, 128),
        WithData(Frame(QRV_CMD_BURST_WRITE, 0x0080, 128), Data(filled, 128, 128)), Frame(QRV_CMD_READ, 0x0080, 128)}},
      {"external memory, block 1: four sectors, blank frames skipped, read back", Firmware::V11EExt, 256, 1, 0xF000,
       std::string(msg::WarnBlocks01Erased),
       {"text Erasing", "text Done", "text Writing", "text Done", "text Reading", "text Done"},
       [&] {
         Commands wire;
         for (std::uint32_t s = 0; s < 4; ++s) wire.push_back(Frame(QRV_CMD_ERASE, 0xF000 + s * 64, 1));
         for (std::uint32_t f = 0; f < 7; ++f) {
           wire.push_back(WithData(Frame(QRV_CMD_WRITE, 0xF000 + f * 32, 32), Data(filled, f * 32, 32)));
         }
         for (std::uint32_t s = 0; s < 4; ++s) wire.push_back(Frame(QRV_CMD_READ, 0xF000 + s * 64, 64));
         return wire;
       }()},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageHost host(TargetOf(c.firmware));
    const std::string path = host.File("fw.bin", file);
    host.ChooseDownload(path, c.start);
    host.op.QueueAnswer(Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), 0);

    EXPECT_EQ(host.Sent(), c.wire);
    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::ProceedToDownload)});
    EXPECT_EQ(host.op.Titles(), (Strings{c.warning, Downloading(path), ImageHost::WindowTitle}));
    EXPECT_EQ(host.Chip().GetCurrentBlock(), c.block);
    EXPECT_EQ(host.op.ShownBlockTab(), c.block);
    const Bytes flash = host.target.FlashImage();
    EXPECT_EQ(Data(flash, c.address, 256), filled);
    Strings labels;
    for (const auto& event : host.op.Progress()) {
      if (event.starts_with("text ")) labels.push_back(event);
    }
    EXPECT_EQ(labels, c.labels);
  }
}

TEST(Download, SplitImageWritesBothBlocksAndVerifiesEach) {
  ImageHost host(TargetOf(Firmware::V11EExt, Chip::A16));
  const std::string path = host.File(
      "fw.ihx", HexRecord(0, 0xFFF0, Counting(16, 0xA0)) + HexRecord(0, 0x0000, Counting(16, 1)) +
                    HexRecord(4, 0x0000, {0x00, 0x00}) + HexRecord(0, 0xF000, Counting(16, 0x50)) + test::EndRecord);
  host.ChooseDownload(path, 0);
  host.op.QueueAnswer(Answer::Yes);
  EXPECT_EQ(host.window.OnDownload(), 0);

  using Run = std::pair<std::uint8_t, int>;
  EXPECT_EQ(test::Runs(host.Sent()), (std::vector<Run>{{QRV_CMD_ERASE, 128},
                                                         {QRV_CMD_WRITE, 1},
                                                         {QRV_CMD_READ, 128},
                                                         {QRV_CMD_ERASE, 64},
                                                         {QRV_CMD_WRITE, 2},
                                                         {QRV_CMD_READ, 64}}));
  EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::ProceedToDownload)});
  const Bytes flash = host.target.FlashImage();
  EXPECT_EQ(Data(flash, 0x0000, 16), Counting(16, 1));
  EXPECT_EQ(Data(flash, 0xF000, 16), Counting(16, 0x50));
  EXPECT_EQ(Data(flash, 0xFFF0, 16), Counting(16, 0xA0));
  EXPECT_EQ(host.Chip().BlockBuffer(1)[0xFF0], 0xA0) << "the read-back lands in the block image";
}

TEST(Download, ImageEndingWhereBlock1StartsLeavesBlock1Alone) {
  ImageHost host(TargetOf(Firmware::V11EExt, Chip::A16));
  Bytes file(0xF000, 0xFF);
  file[0] = 0x12;
  host.ChooseDownload(host.File("fw.bin", file), 0);
  host.op.QueueAnswer(Answer::Yes);
  EXPECT_EQ(host.window.OnDownload(), 0);
  using Run = std::pair<std::uint8_t, int>;
  EXPECT_EQ(test::Runs(host.Sent()), (std::vector<Run>{{QRV_CMD_ERASE, 128}, {QRV_CMD_WRITE, 1}, {QRV_CMD_READ, 128}}));
  const auto progress = host.op.Progress();
  EXPECT_EQ(std::count(progress.begin(), progress.end(), "text Erasing"), 1) << "no empty erase for block 1";
}

TEST(Download, VerifyDifferenceInBlock0StillWritesBlock1) {
  ImageHost host(TargetOf(Firmware::V11EExt, Chip::A16));
  host.Chip().SetChipType(ChipQRV71A32);  // so block 0 reaches past the target's 16 KB
  host.ChooseDownload(host.File("fw.hex", HexRecord(0, 0x4000, {0x12}) + HexRecord(0, 0xFFFF, {0x34}) + test::EndRecord),
                      0);
  host.op.QueueAnswer(Answer::Yes);
  EXPECT_EQ(host.window.OnDownload(), -1);
  EXPECT_EQ(host.op.Messages(), (Strings{std::string(msg::ProceedToDownload), std::string(msg::FailedToVerify)}));
  EXPECT_EQ(test::Runs(host.Sent()).back(), std::make_pair(QRV_CMD_READ, 64));
  EXPECT_EQ(host.target.FlashImage()[0xFFFF], 0x34);
}

TEST(Download, DeclinedOrCancelledSendsNothingAndRestoresTheTitle) {
  const struct {
    bool chosen;
    int result;
    Strings messages;
  } cases[] = {
      {true, 0, {std::string(msg::ProceedToDownload)}},
      {false, -1, {}},
  };
  for (const auto& c : cases) {
    ImageHost host(TargetOf(Firmware::V11EInt));
    host.ChooseDownload(host.File("fw.bin", Counting(16, 0)), 0);
    if (!c.chosen) {
      host.op.onDownload = nullptr;
    }
    EXPECT_EQ(host.window.OnDownload(), c.result);
    EXPECT_TRUE(host.Sent().empty());
    EXPECT_EQ(host.op.Messages(), c.messages);
    EXPECT_EQ(host.op.Titles(), (Strings{std::string(msg::WarnBlock0Erased), ImageHost::WindowTitle}));
    EXPECT_FALSE(host.window.Link().LinkLost);
  }
}

// Every download that did not put the whole file into flash says why, in either memory
// mode and link, and gives -1, so that nothing will run the code.
TEST(Download, EveryFailureIsToldAndGivesMinusOne) {
  const struct {
    const char* name;
    Firmware firmware;
    int memoryType;
    Chip targetChip;
    sim::Faults faults;
    std::string message;
    bool linkDropped;
  } cases[] = {
      {"erase, internal memory, queued link", Firmware::V11EInt, MemoryInternal, Chip::A32, {.eraseStatus = 0x00},
       std::string(msg::SectorEraseFailed), true},
      {"erase, internal memory, direct link", Firmware::V11D, MemoryInternal, Chip::A32, {.eraseStatus = 0x00},
       std::string(msg::SectorEraseFailed), false},
      {"program, internal memory, queued link", Firmware::V11EInt, MemoryInternal, Chip::A32,
       {.dropReplyByte = 5}, std::string(msg::FailedToDownload), true},
      {"program, external memory", Firmware::V11EExt, MemoryExternal, Chip::A32, {.writeStatus = 0x00},
       std::string(msg::FailedToDownload), false},
      {"read-back short", Firmware::V11EExt, MemoryExternal, Chip::A32, {.dropReplyByte = 10},
       std::string(msg::FailedToRead), false},
      {"verify: the host takes an A16 for an A32", Firmware::V11EExt, MemoryExternal, Chip::A16, {},
       std::string(msg::FailedToVerify), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageHost host(TargetOf(c.firmware, c.targetChip));
    host.Chip().SetChipType(ChipQRV71A32);
    host.Chip().SetMemoryType(c.memoryType);
    Bytes file = Counting(200, 1);
    if (c.targetChip == Chip::A16) {
      file.insert(file.begin(), 0x4000, 0xFF);  // beyond the A16's block 0
    }
    host.ChooseDownload(host.File("fw.bin", file), 0);
    host.target.SetFaults(c.faults);
    host.op.QueueAnswer(Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), -1);
    EXPECT_EQ(host.op.Messages(), (Strings{std::string(msg::ProceedToDownload), c.message}));
    EXPECT_EQ(host.window.Link().LinkLost.load(), c.linkDropped);
    EXPECT_EQ(host.op.Title(), ImageHost::WindowTitle);
  }
}

// The run command is still on its way to the target when the command returns; once it
// has arrived the target sends nothing more, so each wait ends with a byte or the limit.
bool LeavesTheBootLoader(const sim::Emulator& target) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (target.InBootLoader() && std::chrono::steady_clock::now() < deadline) {
    target.WaitForWireBytes(target.WireLog().size() + 1, std::chrono::milliseconds(100));
  }
  return !target.InBootLoader();
}

TEST(DownloadAndRun, RunsTheCodeOnlyAfterACompleteDownloadOrADeclinedOne) {
  const struct {
    const char* name;
    Answer answer;
    sim::Faults faults;
    bool runs;
  } cases[] = {
      {"downloaded", Answer::Yes, {}, true},
      {"declined", Answer::No, {}, true},
      {"program failed", Answer::Yes, {.dropReplyByte = 5}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImageHost host(TargetOf(Firmware::V11EInt));
    host.ChooseDownload(host.File("fw.bin", Counting(200, 1)), 0);
    host.target.SetFaults(c.faults);
    host.op.QueueAnswer(c.answer);
    host.window.OnDownloadAndRun();
    EXPECT_EQ(host.window.Link().ChipReleased, c.runs);
    if (c.runs) {
      EXPECT_TRUE(LeavesTheBootLoader(host.target));
    } else {
      EXPECT_TRUE(host.target.InBootLoader());
      EXPECT_FALSE(test::Runs(host.Sent()).back().first == QRV_CMD_RUN);
    }
  }
}

}  // namespace
}  // namespace quillon
