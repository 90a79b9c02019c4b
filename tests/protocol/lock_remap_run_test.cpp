#include <gtest/gtest.h>

#include "flash_host.h"
#include "operator/messages.h"
#include "ui/lock_dialog.h"
#include "ui/remap_dialog.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;
using namespace test;
using sim::Firmware;

std::vector<std::string> Texts(std::initializer_list<std::string_view> texts) {
  return {texts.begin(), texts.end()};
}

// Chooses the option as a click on its button would.
template <typename Dialog>
std::function<bool(Dialog&)> Choose(int option) {
  return [option](Dialog& dialog) {
    for (const auto& choice : dialog.Choices()) {
      if (choice.option == option) {
        dialog.Click(choice.controlId);
      }
    }
    return true;
  };
}

TEST(ConfigurationCommands, SendTheOptionsSelectorsAndAskForAReset) {
  const struct {
    bool lock;  // else remap
    int option;
    Commands sent;
    std::uint8_t statusBits;  // of the lock (bits 7..5) or of the remap (bits 1..0)
  } cases[] = {
      {true, 1, {{0x04, 0x00}}, 0x80},
      {true, 2, {{0x04, 0x00}, {0x04, 0x01}}, 0xC0},
      {true, 3, {{0x04, 0x01}}, 0x40},
      {true, 4, {{0x04, 0x02}}, 0x20},
      {true, 5, {{0x04, 0x00}, {0x04, 0x01}, {0x04, 0x02}}, 0xE0},
      {false, 1, {{0x02, 0x00}}, 0x01},
      {false, 2, {{0x02, 0x01}}, 0x02},
      {false, 3, {{0x02, 0x00}, {0x02, 0x01}}, 0x03},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(c.option % 2 ? Firmware::V11D : Firmware::V11EExt));
    host.op.onLock = Choose<CLockDlg>(c.option);
    host.op.onRemap = Choose<CRemapDlg>(c.option);
    host.op.QueueAnswer(Answer::Yes);
    c.lock ? host.window.OnSetLock() : host.window.OnMemoryRemap();
    EXPECT_EQ(host.op.Messages(), Texts({msg::ReallyProceed, c.lock ? msg::SetLockCompleted : msg::MemoryRemapCompleted}));
    EXPECT_EQ(host.Sent(), c.sent);
    EXPECT_EQ(host.target.Status() & (c.lock ? 0xE0 : 0x03), c.statusBits);
  }
}

TEST(SetLock, PausesAfterEveryPair) {
  Timing timing = test::FastTiming();
  timing.lockPause = 100ms;
  FlashHost host(TargetOf(Firmware::V11D), timing);
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(host.Device().SetLock(5), 0);
  EXPECT_GE(std::chrono::steady_clock::now() - started, 300ms);
  std::vector<sim::WireEvent> sent;
  for (const auto& event : host.target.WireLog()) {
    if (event.direction == sim::Direction::ToTarget) {
      sent.push_back(event);
    }
  }
  ASSERT_EQ(sent.size(), 6u);
  for (std::size_t pair = 1; pair < 3; ++pair) {
    EXPECT_GE(sent[2 * pair].time - sent[2 * pair - 1].time, 100ms);
  }
}

TEST(SetLock, StopsAtTheFirstPairThatFails) {
  FlashHost host(TargetOf(Firmware::V11D));
  sim::Faults faults;
  faults.silenceAfter = 1;  // only the command byte's echo comes back
  host.target.SetFaults(faults);
  host.op.onLock = Choose<CLockDlg>(2);
  host.op.QueueAnswer(Answer::Yes);
  host.window.OnSetLock();
  EXPECT_EQ(host.Sent(), (Commands{{0x04, 0x00}}));
  EXPECT_EQ(host.op.Messages(), Texts({msg::ReallyProceed, msg::ByteTransferFailed, msg::SetLockFailed}));
}

TEST(ConfigurationCommands, SendNothingUnlessAnOptionIsChosenAndConfirmed) {
  const struct {
    bool chooseOption;
    bool ok;
    Answer answer;
    std::vector<std::string> lockMessages;
  } cases[] = {
      {false, true, Answer::Yes, Texts({msg::ReallyProceed, msg::SetLockFailed})},
      {true, true, Answer::No, Texts({msg::ReallyProceed})},
      {true, false, Answer::Yes, {}},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(Firmware::V11EExt));
    host.op.onLock = [&](CLockDlg& dialog) { return Choose<CLockDlg>(c.chooseOption ? 1 : 0)(dialog) && c.ok; };
    host.op.onRemap = [&](CRemapDlg& dialog) { return Choose<CRemapDlg>(c.chooseOption ? 1 : 0)(dialog) && c.ok; };
    host.op.QueueAnswer(c.answer);
    host.window.OnSetLock();
    EXPECT_EQ(host.op.Messages(), c.lockMessages);
    host.op.ClearRecords();
    host.op.QueueAnswer(c.answer);
    host.window.OnMemoryRemap();
    EXPECT_EQ(host.op.Messages().size(), c.lockMessages.size());
    EXPECT_TRUE(host.Sent().empty());
  }
}

TEST(ConfigurationCommands, AndChipEraseAreRefusedInTheQueuedLink) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  host.op.onLock = Choose<CLockDlg>(1);
  host.op.onRemap = Choose<CRemapDlg>(1);
  host.op.QueueAnswer(Answer::Yes);
  host.window.OnChipErase();
  host.window.OnSetLock();
  host.window.OnMemoryRemap();
  EXPECT_EQ(host.op.Messages(), Texts({msg::IllegalInInternalFirmware, msg::IllegalInInternalFirmware,
                                       msg::IllegalInInternalFirmware}));
  EXPECT_EQ(host.Device().ChipErase(), -1);
  EXPECT_EQ(host.Device().SetLock(1), -1);
  EXPECT_EQ(host.Device().SetRemap(3), -1);
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(host.Sent().empty());
  EXPECT_EQ(host.target.Status(), 0x00);
  EXPECT_FALSE(host.window.Link().LinkLost);
}

TEST(ConfigurationCommands, RequireAConnectedTarget) {
  FlashHost host(TargetOf(Firmware::V11D));
  host.Device().ClearConnected();
  host.window.OnSetLock();
  host.window.OnMemoryRemap();
  host.window.OnChipErase();
  EXPECT_EQ(host.op.Messages(), Texts({msg::NoTargetBoard, msg::NoTargetBoard, msg::NoTargetBoard}));
}

TEST(ExecuteUserCode, StartsTheUserCodeAndDropsTheLink) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  host.window.OnExecuteUserCode();
  const auto deadline = std::chrono::steady_clock::now() + 1s;
  while (host.target.InBootLoader() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(5ms);
  }
  EXPECT_FALSE(host.target.InBootLoader());
  EXPECT_EQ(host.Sent(), (Commands{{0x62, 0x62}}));
  EXPECT_TRUE(host.op.Messages().empty());
  EXPECT_TRUE(host.window.Link().ChipReleased);
  EXPECT_FALSE(host.window.Link().WorkerStarted);
  EXPECT_FALSE(host.Device().IsConnected());
  EXPECT_EQ(host.op.ShownChipInfo().ChipType, "");
  EXPECT_EQ(host.op.ShownChipInfo().Security, "SECURITY : UNKNOWN");

  host.window.OnTimer();
  host.window.OnExecuteUserCode();
  host.ChooseRange(0, 1);
  host.window.OnRead();
  EXPECT_EQ(host.op.Messages(), Texts({msg::NoFlashChip, msg::NoTargetBoard}))
      << "no watchdog message after the run, and no second run without a detection";
}

TEST(ExecuteUserCode, IsRefusedOutsideTheQueuedLink) {
  for (const Firmware firmware : {Firmware::V11D, Firmware::V11EExt}) {
    FlashHost host(TargetOf(firmware));
    host.window.OnExecuteUserCode();
    EXPECT_EQ(host.op.Messages(), Texts({msg::IllegalInDirectFirmware}));
    EXPECT_TRUE(host.Sent().empty());
    EXPECT_TRUE(host.Device().IsConnected());
  }
}

TEST(ResetLink, DropsTheLinkButKeepsThePortOpen) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  host.window.Link().SetLinkLost();
  host.window.OnResetLink();
  EXPECT_FALSE(host.window.Link().WorkerStarted);
  EXPECT_FALSE(host.window.Link().LinkLost);
  EXPECT_FALSE(host.Device().IsConnected());
  EXPECT_TRUE(host.Device().IsOpen());
  EXPECT_EQ(host.op.ShownChipInfo().Security, "SECURITY : UNKNOWN");
  host.ChooseRange(0, 1);
  host.window.OnSectorErase();
  host.window.OnTimer();
  EXPECT_EQ(host.op.Messages(), Texts({msg::NoTargetBoard}));
}

}  // namespace
}  // namespace quillon
