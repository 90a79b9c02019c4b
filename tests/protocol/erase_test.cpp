#include <gtest/gtest.h>

#include "flash_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace test;
using sim::Chip;
using sim::Firmware;

TEST(SectorErase, ErasesTheChosenSectorsUpToTheBlocksEnd) {
  const struct {
    Firmware firmware;
    Chip chip;
    int start;  // index into the dialog's start list
    int range;  // index into its range list
    std::uint32_t first;
    std::uint32_t stride;
    int count;
  } cases[] = {
      {Firmware::V11EInt, Chip::A16, 0, 0, 0x0000, 128, 128},  // "All Sectors" of block 0
      {Firmware::V11D, Chip::A16, 0, 0, 0x0000, 128, 128},
      {Firmware::V11EExt, Chip::A32, 0, 0, 0x0000, 128, 256},
      {Firmware::V11EExt, Chip::A32, 256, 0, 0xF000, 64, 64},  // block 1 in external memory
      {Firmware::V11EExt, Chip::A16, 128 + 60, 10, 0xFF00, 64, 4},  // cut at 0xFFFF
      {Firmware::V11EInt, Chip::A32, 250, 10, 0x7D00, 128, 6},
      {Firmware::V11D, Chip::A32, 3, 2, 0x0180, 128, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start << " range " << c.range);
    FlashHost host(TargetOf(c.firmware, c.chip));
    host.target.LoadFlash(c.first, std::vector<std::uint8_t>(static_cast<std::size_t>(c.count) * c.stride, 0x00));
    host.ChooseRange(c.start, c.range);
    host.window.OnSectorErase();

    EXPECT_EQ(host.Sent(), Frames(QRV_CMD_ERASE, c.first, c.stride, c.count, 0x01));
    EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::SectorsEraseCompleted)});
    const int block = c.first >= 0xF000 ? 1 : 0;
    EXPECT_EQ(host.Chip().GetCurrentBlock(), block);
    EXPECT_EQ(host.op.ShownBlockTab(), block);
    const auto flash = host.target.FlashImage();
    EXPECT_TRUE(std::all_of(flash.begin() + c.first, flash.begin() + c.first + c.count * c.stride,
                            [](std::uint8_t byte) { return byte == 0xFF; }));
  }
}

TEST(SectorErase, RefusesBlock1InInternalMemoryBeforeAnyFrame) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  // Only a stale ReadAllBlocks lets the start list reach block 1 in internal memory.
  host.window.Link().ReadAllBlocks = true;
  host.ChooseRange(256, 0);
  host.window.OnSectorErase();
  EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::Block1NotAvailable)});
  EXPECT_TRUE(host.Sent().empty());
  EXPECT_EQ(host.Chip().GetCurrentBlock(), 0);
}

TEST(SectorErase, StartListOffersBlock1OnlyInExternalMemory) {
  for (const auto& [firmware, listed] : {std::pair{Firmware::V11EInt, 256u}, {Firmware::V11EExt, 256u + 64u}}) {
    FlashHost host(TargetOf(firmware));
    std::size_t offered = 0;
    host.op.onRange = [&](CRangeDlg& dialog) {
      offered = dialog.StartEntries().size();
      return false;
    };
    host.window.OnSectorErase();
    EXPECT_EQ(offered, listed);
    EXPECT_TRUE(host.Sent().empty()) << "a cancelled dialog erases nothing";
  }
}

TEST(SectorErase, FailsAtTheSectorTheTargetRefuses) {
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt, Firmware::V11EInt}) {
    FlashHost host(TargetOf(firmware));
    sim::Faults faults;
    faults.eraseStatus = 0xC1;
    host.target.SetFaults(faults);
    host.ChooseRange(5, 3);
    host.window.OnSectorErase();

    EXPECT_EQ(host.Sent(), Commands{Frame(QRV_CMD_ERASE, 5 * 128, 0x01)});
    EXPECT_EQ(host.op.Progress(),
              (std::vector<std::string>{"range 3", "reset", "text Erasing", "reset", "text Abort"}));
    if (host.Queued()) {
      // The queued link is dropped and the watchdog tells of it on its next tick.
      EXPECT_TRUE(host.op.Messages().empty());
      EXPECT_TRUE(host.window.Link().LinkLost);
      EXPECT_FALSE(host.window.Link().WorkerStarted);
      host.window.OnTimer();
      EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::TimeoutReset)});
    } else {
      EXPECT_EQ(host.op.Messages(), std::vector<std::string>{std::string(msg::SectorEraseFailed)});
    }
  }
}

TEST(SectorErase, ChecksItsPreconditionsInOrder) {
  FlashHost host(TargetOf(Firmware::V11EExt));
  host.ChooseRange(0, 1);
  host.window.Link().ChipReleased = true;
  host.window.OnSectorErase();
  host.Chip().SetCurrentBlock(2);
  host.window.Link().ChipReleased = false;
  host.window.OnSectorErase();
  host.Device().ClearConnected();
  host.window.OnSectorErase();
  EXPECT_EQ(host.op.Messages(), (std::vector<std::string>{std::string(msg::NoFlashChip),
                                                          std::string(msg::IllegalBlockNumber),
                                                          std::string(msg::NoTargetBoard)}));
  EXPECT_TRUE(host.Sent().empty());
}

TEST(ChipErase, AsksAndReportsWhatTheChipAnswered) {
  const struct {
    Firmware firmware;
    Answer answer;
    int status;                  // the target's chip-erase status byte
    int dropReply;               // the status byte never comes
    std::chrono::milliseconds eraseTime;
    bool sent;
    std::string_view outcome;
  } cases[] = {
      {Firmware::V11D, Answer::Yes, 0xC0, -1, 0ms, true, msg::ChipEraseCompleted},
      {Firmware::V11EExt, Answer::Yes, 0xC0, -1, 0ms, true, msg::ChipEraseCompleted},
      {Firmware::V11EExt, Answer::Yes, 0xC0, -1, 350ms, true, msg::ChipEraseCompleted},  // longer than a byte's wait
      {Firmware::V11EExt, Answer::Yes, 0xC1, -1, 0ms, true, msg::ChipEraseFailed},
      {Firmware::V11D, Answer::Yes, 0xC0, 0, 0ms, true, msg::ChipEraseFailed},
      {Firmware::V11EExt, Answer::No, 0xC0, -1, 0ms, false, {}},
  };
  for (const auto& c : cases) {
    Timing timing = test::FastTiming();
    timing.chipEraseStatus = 500ms;
    FlashHost host(TargetOf(c.firmware), timing);
    sim::Faults faults;
    faults.chipEraseStatus = c.status;
    faults.dropReplyByte = c.dropReply;
    faults.chipEraseTime = c.eraseTime;
    host.target.SetFaults(faults);
    host.target.LoadFlash(0x0000, {0x12, 0x34});
    host.op.QueueAnswer(c.answer);
    const auto started = std::chrono::steady_clock::now();
    host.window.OnChipErase();

    std::vector<std::string> expected{std::string(msg::ReallyProceed)};
    if (!c.outcome.empty()) {
      expected.emplace_back(c.outcome);
    }
    EXPECT_EQ(host.op.Messages(), expected);
    EXPECT_EQ(host.Sent(), c.sent ? Commands{Frame(QRV_CMD_CHIP_ERASE, 0, 0x01)} : Commands{});
    EXPECT_EQ(host.target.FlashImage()[0] == 0xFF, c.sent);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms) << "the status wait is bounded";
  }
}

}  // namespace
}  // namespace quillon
