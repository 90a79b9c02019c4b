#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QProgressBar>
#include <QTabBar>
#include <QTest>

#include "gui_host.h"
#include "operator/messages.h"
#include "ui/qt/sector_list_ctrl.h"
#include "ui/qt/security_bar.h"

namespace quillon::test {
namespace {

using gui::StatusPanes;

// The detection's findings show in the window's own controls. A read fills the sector
// table and the memory view. One that chooses block 1 shows its tab without the tab's own
// refill, which would take the sectors just read for never read; a click on a row shows
// that sector without selecting it.
TEST(MainWindowTest, DetectionAndReadsFillTheirControlsAndARowClickOnlyShows) {
  GuiHost host(TargetOf(sim::Firmware::V11EInt, sim::Chip::A32));
  host.target.LoadFlash(0x0100, {0x41, 0x42, 0x20, 0x6E, 0x6F, 0x7A, 0xFF, 0x00});
  host.target.LoadFlash(0xF000, std::vector<std::uint8_t>(6 * 64, 0x00));
  ASSERT_TRUE(host.Detect());
  const gui::WindowControls& shown = host.window.Controls();
  EXPECT_EQ(
      QStringList({shown.chipType->text(), shown.flashSize->text(), shown.memMode->text(), shown.fwVersion->text(),
                   shown.reMap->text(), shown.iapStatus->text(), host.window.SecurityBar().Text()})
          .join('|'),
      "QRV71A32|32+4 KB|Internal|v1.1E|Disabled|Handshaking succeed!|SECURITY : CHIP IS UNLOCKED");
  host.AnswerRange(2, 5);
  ASSERT_TRUE(host.window.RunCommand(IdRead));
  gui::CSectorListCtrl& table = *shown.sectorTable;
  const gui::CSectorListCtrl& view = *shown.memoryView;
  const auto cell = [](const gui::CSectorListCtrl& list, int row, int column) {
    return list.topLevelItem(row)->text(column);
  };
  ASSERT_EQ(table.topLevelItemCount(), 256);
  ASSERT_EQ(view.topLevelItemCount(), 8);
  EXPECT_EQ(QStringList({cell(table, 2, 1), cell(table, 2, 4), cell(table, 3, 4), cell(table, 7, 4),
                         cell(table, 255, 3), view.headerItem()->text(0), cell(view, 0, 0), cell(view, 0, 2)})
                .join('|'),
            "0100|Not Blank|Blank|Not Avail.|32640|SECTOR 002|0100 - 010F|AB*n************");
  EXPECT_EQ(host.PaneText(StatusPanes::ProgressPane), "Done");

  host.AnswerRange(256, 5);
  ASSERT_TRUE(host.window.RunCommand(IdRead));
  EXPECT_EQ(shown.blockTab->currentIndex(), 1);
  ASSERT_EQ(table.topLevelItemCount(), 64);
  const auto selected = table.selectedItems();
  QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, table.visualItemRect(table.topLevelItem(10)).center());
  EXPECT_EQ(QStringList({cell(table, 4, 4), cell(table, 5, 4), view.headerItem()->text(0), cell(view, 0, 0)}).join('|'),
            "Not Blank|Not Avail.|SECTOR 010|F280 - F28F");
  EXPECT_EQ(table.selectedItems(), selected);
}

TEST(MainWindowTest, PanesShowSizingTextsUntilTheFirstTickAndFlashCommandsNeedATarget) {
  GuiHost host;
  EXPECT_EQ(host.PaneText(StatusPanes::MessagePane), "Ready");
  EXPECT_EQ(host.PaneText(StatusPanes::ProgressPane), "");
  EXPECT_EQ(host.PaneText(StatusPanes::PortPane), "COM1");
  EXPECT_EQ(host.PaneText(StatusPanes::BaudPane), "Baud Rate:  38400");
  EXPECT_FALSE(host.window.Panes().Progress().geometry().isEmpty());

  EXPECT_TRUE(QTest::qWaitFor([&] { return host.PaneText(StatusPanes::BaudPane) != "Baud Rate:  38400"; }, 3000));
  EXPECT_EQ(host.PaneText(StatusPanes::BaudPane), "Baud Rate: 38400");
  EXPECT_EQ(host.PaneText(StatusPanes::PortPane), "COM1: " + host.target.SlavePath());
  EXPECT_EQ(host.window.Panes().Pane(StatusPanes::PortPane)->toolTip(), "");
  EXPECT_EQ(host.PaneText(StatusPanes::ClockPane).size(), 10U);

  for (const int command : {IdDownload, IdRead, IdCompare, IdSectorErase}) host.window.RunCommand(command);
  EXPECT_EQ(host.modals.messages, std::vector<std::string>(4, "No target board has been located!!!"));
  EXPECT_TRUE(BytesOf(host.target.WireLog(), sim::Direction::ToTarget).empty());
}

// Each fault of the fault matrix once, through the window's own commands: a box tells the
// operator, the command fails within its bound, and the window goes on to the next tick.
// A port that will not open is named, with the reason, beneath the message that says so.
TEST(MainWindowTest, EachFaultFailsTheCommandInTimeWithAMessageBox) {
  using enum sim::Firmware;
  using namespace std::chrono_literals;
  const std::tuple<sim::Firmware, int, sim::Faults, std::string_view> cases[] = {
      {V11EInt, IdRead, {.silenceAfter = 0}, {}},
      {V11EExt, IdSectorErase, {.noEcho = true}, msg::EchoDiffers},
      {V11D, IdRead, {.wrongEcho = true}, msg::EchoDiffers},
      {V11EExt, IdSectorErase, {.eraseStatus = 0x80}, msg::SectorEraseFailed},
      {V11EInt, IdRead, {.dropReplyByte = 0}, msg::TimeoutReset},
      {V11D, IdRead, {.extraByteAfterReply = 0}, {}},
      {V11EInt, IdSectorErase, {.replyDelay = 600ms}, msg::TimeoutReset},
      {V11EExt, IdRead, {.replyDelay = 1100ms}, {}},
      {V11EInt, IdRead, {.resetAfter = 3, .atCommand = true}, msg::TimeoutReset},
      {V11EInt, IdRead, {.readyStopsAfter = 1, .atCommand = true}, msg::TimeoutReset},
      {V11EExt, IdRead, {.hangUpAfter = 3, .atCommand = true}, msg::LineHungUp},
      {V11D, IdChipTypeSelect, {}, msg::PortNotPermitted},
      {V11EInt, IdAutoDetect, {}, msg::Rs232SetupFailed}};
  for (const auto& [firmware, command, faults, said] : cases) {
    SCOPED_TRACE(testing::Message() << "command " << command << " on " << int(firmware));
    GuiHost host(TargetOf(firmware));
    const bool refused = command == IdChipTypeSelect, gone = command == IdAutoDetect;
    const std::string goneDevice = (host.dir / "ttyGone").string();
    if (gone) host.window.Dialog().TargetChip()->Device().SetDevicePath(goneDevice);
    if (refused) {
      ::chmod(host.target.SlavePath().c_str(), 0);
      HoldFileRights(false);
    }
    ASSERT_EQ(host.Detect(), !refused && !gone);
    HoldFileRights(true);
    host.target.SetFaults(faults);
    host.AnswerRange(0, 2);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(refused || gone || host.window.RunCommand(command));
    EXPECT_EQ(host.window.Dialog().LastOutcome(), Outcome::Failed) << command << " " << said;
    const auto told = [&] {
      return std::ranges::any_of(host.modals.messages,
                                 [&](const std::string& m) { return m.find(said) != std::string::npos; });
    };
    EXPECT_TRUE(QTest::qWaitFor(told, 2500)) << said;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500)) << said;
    EXPECT_TRUE(!gone || host.modals.details.back() == "Cannot open " + goneDevice + ": No such file or directory");
  }
}

}  // namespace
}  // namespace quillon::test
