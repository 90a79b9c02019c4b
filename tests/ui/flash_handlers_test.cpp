#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "operator/formatted.h"
#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "ui/lock_dialog.h"
#include "ui/remap_dialog.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace test;
using sim::Chip;
using sim::Firmware;

Strings Texts(std::initializer_list<std::string_view> texts) { return {texts.begin(), texts.end()}; }

// The range dialog's lists are shared by erase and read: each case runs both commands.
TEST(SectorCommands, EraseAndReadTheChosenSectorsUpToTheBlocksEnd) {
  // start, range: indexes into the dialog's lists; range 0 is "All Sectors"
  // clang-format off
  const struct { Firmware firmware; Chip chip; int start, range; std::uint32_t first; std::uint8_t size; int count; } cases[] = {
      {Firmware::V11EInt, Chip::A16, 0, 0, 0x0000, 128, 128},
      {Firmware::V11D, Chip::A16, 120, 10, 0x3C00, 128, 8},
      {Firmware::V11EExt, Chip::A32, 256, 0, 0xF000, 64, 64},
      {Firmware::V11EExt, Chip::A16, 128 + 60, 10, 0xFF00, 64, 4},
      {Firmware::V11EInt, Chip::A32, 250, 10, 0x7D00, 128, 6},
      {Firmware::V11D, Chip::A32, 3, 2, 0x0180, 128, 2},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "start " << c.start << " range " << c.range);
    FlashHost host(TargetOf(c.firmware, c.chip));
    Bytes flash(static_cast<std::size_t>(c.count) * c.size, 0xFF);
    flash[0] = 0x41;
    host.target.LoadFlash(c.first, flash);
    host.ChooseRange(c.start, c.range);
    host.window.OnRead();
    Commands frames;
    for (int i = 0; i < c.count; ++i)
      frames.push_back(Frame(QRV_CMD_READ, c.first + std::uint32_t(i) * c.size, c.size));
    EXPECT_EQ(host.Sent(), frames);
    EXPECT_TRUE(host.op.Messages().empty());
    const int block = c.first >= 0xF000 ? 1 : 0;
    EXPECT_EQ(host.op.ShownBlockTab(), block);
    const auto image = host.Chip().BlockBuffer(block);
    const auto offset = c.first - host.Chip().StartAddress(block);
    EXPECT_TRUE(std::equal(flash.begin(), flash.end(), image.begin() + offset));
    const auto table = host.op.SectorTable();
    ASSERT_EQ(table.size(), host.Chip().SectorCount(block));
    const std::size_t sector = offset / c.size;
    EXPECT_EQ(table[sector].Status + (table[sector].Hot ? " hot, " : ", ") + table[sector + 1].Status,
              "Not Blank hot, Blank");
    EXPECT_EQ(host.op.ShownMemoryView().Heading, Formatted("SECTOR %03zu", sector));

    host.target.ClearWireLog();
    host.op.ClearRecords();
    host.window.OnSectorErase();
    for (auto& frame : frames) frame = Frame(QRV_CMD_ERASE, std::uint32_t(frame[1] << 8 | frame[2]), 0x01);
    EXPECT_EQ(host.Sent(), frames);
    EXPECT_EQ(host.op.Messages(), Texts({msg::SectorsEraseCompleted}));
    const Bytes erased = host.target.FlashImage();
    EXPECT_EQ(Bytes(erased.begin() + c.first, erased.begin() + c.first + c.count * c.size), Bytes(flash.size(), 0xFF));
  }
}

// The queued link is dropped on a failure and the watchdog tells of it on its next tick.
TEST(SectorCommands, FailureIsToldOrDropsTheQueuedLink) {
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt, Firmware::V11EInt}) {
    Timing timing = FastTiming();
    timing.operationByte = 60ms;
    FlashHost host(TargetOf(firmware), timing);
    const bool queued = host.Queued();
    host.target.SetFaults({.eraseStatus = 0xC1});
    host.ChooseRange(5, 3);
    host.window.OnSectorErase();
    EXPECT_EQ(host.Sent(), Commands{Frame(QRV_CMD_ERASE, 5 * 128, 0x01)});
    EXPECT_EQ(host.op.Progress(), Texts({"range 3", "reset", "text Erasing", "reset", "text Abort"}));
    EXPECT_EQ(host.op.Messages(), queued ? Strings{} : Texts({msg::SectorEraseFailed}));
    EXPECT_EQ(host.window.Link().LinkLost.load(), queued);
    host.window.OnTimer();

    // A short direct read is told; a queued one that gives up shows what it has.
    FlashHost reader(TargetOf(firmware), timing);
    reader.target.SetFaults(queued ? sim::Faults{.replyDelay = 120ms} : sim::Faults{.dropReplyByte = 200});
    reader.ChooseRange(0, 4);
    reader.window.OnRead();
    EXPECT_EQ(reader.op.Messages(), queued ? Strings{} : Texts({msg::UnmatchedReadCount}));
    EXPECT_EQ(reader.op.SectorTable().size(), queued ? 256u : 0u);
    EXPECT_EQ(reader.window.Link().LinkLost.load(), queued);
    EXPECT_FALSE(reader.window.Link().ReadAllBlocks);
    reader.window.OnTimer();
    EXPECT_EQ(host.op.Messages().back(), queued ? msg::TimeoutReset : msg::SectorEraseFailed);
    EXPECT_EQ(reader.Device().IsConnected(), !queued);
  }
}

// Each asks first; a question declined is among the refusals below. The lock (status bits
// 7..5) or the remap (bits 1..0) each option leaves; a chip erase's status is awaited past
// a byte's wait, yet within a bound.
TEST(ConfigurationCommands, AskThenSendTheChoiceAndTellWhatTheChipAnswered) {
  using Command = void (CMainDlg::*)();
  const Command lock = &CMainDlg::OnSetLock, remap = &CMainDlg::OnMemoryRemap, erase = &CMainDlg::OnChipErase;
  const Bytes chipErase = Frame(QRV_CMD_CHIP_ERASE, 0, 0x01);
  // mask: the status bits the command sets
  // clang-format off
  const struct { Command command; int option; Firmware firmware; sim::Faults faults; Commands sent; std::uint8_t mask, bits; std::string_view outcome; } cases[] = {
      {lock, 1, Firmware::V11D, {}, {{0x04, 0x00}}, 0xE0, 0x80, msg::SetLockCompleted},
      {lock, 2, Firmware::V11EExt, {}, {{0x04, 0x00}, {0x04, 0x01}}, 0xE0, 0xC0, msg::SetLockCompleted},
      {lock, 3, Firmware::V11D, {}, {{0x04, 0x01}}, 0xE0, 0x40, msg::SetLockCompleted},
      {lock, 4, Firmware::V11EExt, {}, {{0x04, 0x02}}, 0xE0, 0x20, msg::SetLockCompleted},
      {lock, 5, Firmware::V11D, {}, {{0x04, 0x00}, {0x04, 0x01}, {0x04, 0x02}}, 0xE0, 0xE0, msg::SetLockCompleted},
      {remap, 1, Firmware::V11D, {}, {{0x02, 0x00}}, 0x03, 0x01, msg::MemoryRemapCompleted},
      {remap, 2, Firmware::V11EExt, {}, {{0x02, 0x01}}, 0x03, 0x02, msg::MemoryRemapCompleted},
      {remap, 3, Firmware::V11D, {}, {{0x02, 0x00}, {0x02, 0x01}}, 0x03, 0x03, msg::MemoryRemapCompleted},
      {erase, 0, Firmware::V11D, {}, {chipErase}, 0, 0, msg::ChipEraseCompleted},
      {erase, 0, Firmware::V11EExt, {.chipEraseTime = 350ms}, {chipErase}, 0, 0, msg::ChipEraseCompleted},  // past a byte's wait
      {erase, 0, Firmware::V11EExt, {.chipEraseStatus = 0xC1}, {chipErase}, 0, 0, msg::ChipEraseFailed},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.outcome << ", option " << c.option << ", firmware " << int(c.firmware));
    Timing timing = FastTiming();
    timing.chipEraseStatus = 500ms;
    FlashHost host(TargetOf(c.firmware), timing);
    host.target.SetFaults(c.faults);
    host.target.LoadFlash(0x0000, {0x12, 0x34});
    host.op.onLock = Choose<CLockDlg>(c.option);
    host.op.onRemap = Choose<CRemapDlg>(c.option);
    host.op.QueueAnswer(Answer::Yes);
    const auto started = std::chrono::steady_clock::now();
    (host.window.*c.command)();
    EXPECT_EQ(host.op.Messages(), Texts({msg::ReallyProceed, c.outcome}));
    EXPECT_EQ(host.Sent(), c.sent);
    EXPECT_EQ(host.target.Status() & c.mask, c.bits);
    EXPECT_EQ(host.target.FlashImage()[0] == 0xFF, c.command == erase);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1000ms);
  }
}

// A command that may not go ahead tells why, in order, and sends nothing: a dialog
// cancelled or declined, an option the chip refused, or a firmware or a state that does
// not allow it. Only a stale ReadAllBlocks lets the erase list reach block 1 in internal
// memory.
TEST(Refusals, TellWhyInOrderAndSendNothing) {
  using Steps = std::function<void(FlashHost&)>;
  const Steps configure = [](FlashHost& h) { h.window.OnSetLock(), h.window.OnMemoryRemap(), h.window.OnChipErase(); };
  const Steps run = [](FlashHost& h) { h.window.OnExecuteUserCode(); };
  const Steps erase = [](FlashHost& h) {
    h.window.Link().ReadAllBlocks = true;
    h.ChooseRange(256, 0);
    h.window.OnSectorErase();
    h.window.Link().ChipReleased = true;
    h.window.OnSectorErase();
    h.window.Link().ChipReleased = false;
    h.Chip().SetCurrentBlock(2);
    h.window.OnSectorErase();
  };
  const Steps save = [](FlashHost& h) {
    h.window.OnFileSave(), h.window.Link().ChipReleased = true, h.window.OnFileSave();
  };
  // option -1: the lock and remap dialogs cancelled
  // clang-format off
  const struct { const char* name; Firmware firmware; int option; std::vector<Answer> answers; Steps steps; Strings messages; } cases[] = {
      {"no option, chip erase declined", Firmware::V11EExt, 0, {Answer::Yes, Answer::Yes, Answer::No}, configure, Texts({msg::ReallyProceed, msg::SetLockFailed, msg::ReallyProceed, msg::MemoryRemapFailed, msg::ReallyProceed})},
      {"dialogs cancelled, chip erase declined", Firmware::V11EExt, -1, {Answer::No}, configure, Texts({msg::ReallyProceed})},
      {"internal firmware", Firmware::V11EInt, 0, {}, configure, Strings(3, std::string(msg::IllegalInInternalFirmware))},
      {"not connected", Firmware::V11D, 0, {}, [&](FlashHost& h) { h.Device().ClearConnected(), configure(h); }, Strings(3, std::string(msg::NoTargetBoard))},
      {"run, v1.1D", Firmware::V11D, 0, {}, run, Texts({msg::IllegalInDirectFirmware})},
      {"run, v1.1E external", Firmware::V11EExt, 0, {}, run, Texts({msg::IllegalInDirectFirmware})},
      {"sector erase", Firmware::V11EInt, 0, {}, erase, Texts({msg::Block1NotAvailable, msg::NoFlashChip, msg::IllegalBlockNumber})},
      {"save cancelled, then on a released chip", Firmware::V11EInt, 0, {}, save, Texts({msg::NoFlashChip})},
      {"a second detection", Firmware::V11EInt, 0, {}, [](FlashHost& h) { h.window.OnAutoDetect(); }, Texts({msg::ChipTypeDetectedEarlier})},
      {"a row of no block", Firmware::V11EInt, 0, {}, [](FlashHost& h) { h.Chip().SetCurrentBlock(2), h.window.OnListClick(1); }, Texts({msg::IllegalBlockNumber})},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FlashHost host(TargetOf(c.firmware));
    host.op.onLock = Choose<CLockDlg>(c.option < 0 ? 1 : c.option, c.option >= 0);
    host.op.onRemap = Choose<CRemapDlg>(c.option < 0 ? 1 : c.option, c.option >= 0);
    for (const Answer answer : c.answers) host.op.QueueAnswer(answer);
    c.steps(host);
    EXPECT_EQ(host.op.Messages(), c.messages);
    std::this_thread::sleep_for(50ms);
    EXPECT_TRUE(host.Sent().empty());
    EXPECT_EQ(host.target.Status(), 0x00);
  }
}

// Running the user code releases the chip; a reset only drops the link. Either way the
// port stays open and no command reaches the board until the next detection, nor does the
// watchdog tell of the link it lost.
TEST(LinkEnd, RunAndResetDropTheLinkUntilTheNextDetection) {
  for (const bool run : {true, false}) {
    SCOPED_TRACE(run ? "run" : "reset");
    FlashHost host(TargetOf(Firmware::V11EInt));
    run ? host.window.OnExecuteUserCode() : (host.window.Link().SetLinkLost(), host.window.OnResetLink());
    EXPECT_EQ(WaitFor([&] { return !host.target.InBootLoader(); }, run ? 1000ms : 100ms), run);
    EXPECT_EQ(host.window.Link().ChipReleased, run);
    EXPECT_FALSE(host.Device().IsConnected());
    EXPECT_TRUE(host.Device().IsOpen());
    EXPECT_EQ(host.op.ShownChipInfo().Security, "SECURITY : UNKNOWN");
    host.window.OnTimer();
    host.window.OnExecuteUserCode();
    host.ChooseRange(0, 1);
    run ? host.window.OnRead() : host.window.OnSectorErase();
    EXPECT_EQ(host.op.Messages(), Texts({run ? msg::NoFlashChip : msg::NoTargetBoard, msg::NoTargetBoard}));
    EXPECT_EQ(host.Sent(), (run ? Commands{{0x62, 0x62}} : Commands{}));
  }
}

}  // namespace
}  // namespace quillon
