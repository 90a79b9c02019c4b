#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabBar>
#include <QTest>
#include <atomic>
#include <regex>
#include <thread>

#include "gui_host.h"
#include "ui/qt/sector_list_ctrl.h"
#include "ui/qt/single_instance.h"

namespace quillon::test {
namespace {

// Which of the window's commands can be started, by id, and whether Stop can.
std::map<int, bool> Enabled(gui::CMainWindow& window) {
  std::map<int, bool> enabled;
  for (const int id : {IdDownload, IdDownloadAndRun, IdRead, IdSectorErase, IdCompare, IdFileSave, IdChipErase,
                       IdSetLock, IdAutoDetect, IdResetLink, IdAbout}) {
    const auto button = window.Controls().buttons.find(id);
    enabled[id] =
        button != window.Controls().buttons.end() ? button->second->isEnabled() : window.CommandAction(id)->isEnabled();
  }
  enabled[0] = window.Panes().StopButton().isEnabled();
  return enabled;
}

// Arrow keys on the IAP Function buttons only move the focus: a radio button's own
// handling would click the next one and open its dialog, and Enter would then confirm it.
TEST(WindowStatesTest, ArrowKeysOnlyMoveTheFocus) {
  GuiHost host(TargetOf(sim::Firmware::V11EInt));
  ASSERT_TRUE(host.Detect());
  const auto& buttons = host.window.Controls().buttons;
  buttons.at(IdDownload)->click();
  host.modals.messages.clear();
  host.window.show();
  host.window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&host.window));
  const std::tuple<Qt::Key, int> cases[] = {{Qt::Key_Down, IdDownloadAndRun}, {Qt::Key_Down, IdRead},
                                            {Qt::Key_Right, IdSectorErase},   {Qt::Key_Down, IdDownload},
                                            {Qt::Key_Up, IdSectorErase},      {Qt::Key_Left, IdRead}};
  buttons.at(IdDownload)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), buttons.at(IdDownload));
  for (const auto& [key, focused] : cases) {
    SCOPED_TRACE(focused);
    bool opened = false;
    host.modals.dialogs["rangeDialog"] =
        host.modals.dialogs["downloadDialog"] = [&](QDialog&) { return opened = true, false; };
    QTest::keyClick(QApplication::focusWidget(), key);
    QTest::qWait(20);
    EXPECT_FALSE(opened);
    EXPECT_EQ(QApplication::focusWidget(), buttons.at(focused));
    EXPECT_TRUE(buttons.at(IdDownload)->isChecked());
  }
  EXPECT_TRUE(host.modals.messages.empty());
}

// While a command runs every command is disabled, the cursor shows busy and Stop is
// enabled; Enter does nothing. After it the enabling the detection set comes back: here a
// soft-locked chip, whose Read, Download and Sector Erase stay off.
TEST(WindowStatesTest, ACommandDisablesEverythingAndRestoresWhatTheDetectionSet) {
  sim::Config config = TargetOf(sim::Firmware::V11EExt);
  config.status = 0x40;
  GuiHost host(config);
  ASSERT_TRUE(host.Detect());
  const std::map<int, bool> detected = Enabled(host.window);
  EXPECT_FALSE(detected.at(IdRead));
  EXPECT_TRUE(detected.at(IdChipErase));
  EXPECT_FALSE(detected.at(0));
  std::map<int, bool> during;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  host.modals.dialogs["compareDialog"] = [&](QDialog&) {
    during = Enabled(host.window);
    cursor = host.window.cursor().shape();
    EXPECT_FALSE(host.window.RunCommand(IdRead));
    return false;
  };
  ASSERT_TRUE(host.window.RunCommand(IdCompare));
  for (const auto& [id, enabled] : during) EXPECT_EQ(enabled, id == 0) << id;
  EXPECT_EQ(cursor, Qt::BusyCursor);
  EXPECT_EQ(Enabled(host.window), detected);
  EXPECT_EQ(host.window.cursor().shape(), Qt::ArrowCursor);
}

// A download stopped while it writes ends with "Abort", says where, and the next command
// succeeds. At 9600 baud in each dialect the Stop button or Escape ends it within a second.
// The close box asks first, No its default: No goes on, Yes stops and the window goes once
// the command has ended. A second start meanwhile, with the title replaced, brings this
// window to the front.
TEST(WindowStatesTest, StopEndsASlowDownloadWithinASecondInEachDialect) {
  using Clock = std::chrono::steady_clock;
  enum How { Button, Escape, CloseNo, CloseYes };
  // clang-format off
  const std::tuple<sim::Firmware, unsigned, How> cases[] = {
      {sim::Firmware::V11D, 9600, Button}, {sim::Firmware::V11EExt, 9600, Escape}, {sim::Firmware::V11EInt, 9600, Button},
      {sim::Firmware::V11EInt, 0, CloseNo}, {sim::Firmware::V11EInt, 0, CloseYes}};
  // clang-format on
  for (const auto& [firmware, baud, how] : cases) {
    SCOPED_TRACE(testing::Message() << "way " << how << " on " << static_cast<int>(firmware));
    sim::Config config = TargetOf(firmware);
    config.baud = baud;
    GuiHost host(config);
    if (baud != 0) host.window.Dialog().TargetChip()->Device().SetBaudRate(baud);
    ASSERT_TRUE(host.Detect());
    host.window.show();
    host.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host.window));
    gui::SingleInstance instance(QStringLiteral("quillon stop test %1").arg(::getpid()));
    instance.Serve(&host.window);
    WriteFile(host.dir / "firmware.bin", Counting(0x1000, 1));
    host.AnswerDownload(host.dir / "firmware.bin");
    Clock::time_point raised;
    std::atomic<int> handedOver = -1;
    bool stopRaised = false;
    std::thread second;
    QObject::connect(&host.window.Panes().Progress(), &QProgressBar::valueChanged, [&](int value) {
      stopRaised = stopRaised || host.window.Dialog().Link().Stop.Raised();
      if (value < 2 || host.window.Panes().Progress().Message() != "Writing" || second.joinable()) return;
      EXPECT_NE(host.window.Title(), gui::CMainWindow::MainTitle);
      second = std::thread([&] {
        handedOver = gui::SingleInstance(QStringLiteral("quillon stop test %1").arg(::getpid())).HandOverToRunning();
      });
      EXPECT_TRUE(QTest::qWaitFor([&] { return handedOver != -1; }, 5000));
      // A person stops the window in front of them. On a bare X server the focus comes back
      // from the box just answered in its own time, and an Escape sent before that finds no
      // active window for its shortcut.
      host.window.activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(&host.window));
      raised = Clock::now();
      if (how == CloseYes) host.modals.AnswerYesNext();
      if (how == Button) host.window.Panes().StopButton().click();
      if (how == Escape) QTest::keyClick(&host.window, Qt::Key_Escape);
      if (how >= CloseNo) host.window.close();
    });
    ASSERT_TRUE(host.window.RunCommand(IdDownload));
    const auto took = Clock::now() - raised;
    second.join();
    EXPECT_EQ(handedOver, 1);
    EXPECT_LT(took, std::chrono::seconds(1));
    EXPECT_EQ(std::ranges::count(host.modals.messages, std::string(gui::CMainWindow::StopAndQuit)), how >= CloseNo);
    EXPECT_EQ(host.window.isVisible(), how != CloseYes);
    // A window closed has let its dialog go.
    EXPECT_TRUE(stopRaised || how != CloseYes);
    if (how == CloseYes) continue;
    EXPECT_EQ(host.window.Dialog().LastOutcome(), how == CloseNo ? Outcome::Done : Outcome::Stopped);
    if (how != CloseNo) {
      EXPECT_EQ(host.window.Panes().Progress().Message().toStdString(), "Abort");
      EXPECT_TRUE(std::regex_match(host.modals.messages.back(),
                                   std::regex("Stopped at ....h: flash from 0000h to ....h may be partly programmed")))
          << host.modals.messages.back();
    }
    host.AnswerRange(0, 1);
    host.window.RunCommand(IdRead);
    EXPECT_EQ(host.window.Dialog().LastOutcome(), Outcome::Done);
  }
}

// The window opens at its layout's size within the screen's free area, centred on it. At
// that size the memory view shows whole rows and the sector table its STATUS column.
TEST(WindowStatesTest, OpensCentredWithinTheScreenShowingWholeRows) {
  GuiHost host(TargetOf(sim::Firmware::V11EInt));
  host.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));
  const QRect free = host.window.screen()->availableGeometry();
  const QRect frame = host.window.frameGeometry();
  EXPECT_TRUE(free.contains(frame)) << frame.width() << "x" << frame.height() << " on " << free.width() << "x"
                                    << free.height();
  EXPECT_TRUE(free.contains(host.window.statusBar()->mapToGlobal(host.window.statusBar()->rect().bottomRight())));
  EXPECT_LE(std::abs(frame.center().x() - free.center().x()), 2);
  EXPECT_LE(std::abs(frame.center().y() - free.center().y()), 40);
  if (host.window.size() != host.window.sizeHint()) GTEST_SKIP() << "the screen is smaller than the window";
  for (const gui::CSectorListCtrl* list : {host.window.Controls().memoryView, host.window.Controls().sectorTable}) {
    const QHeaderView& header = *list->header();
    EXPECT_LE(header.sectionPosition(header.count() - 1) + header.sectionSize(header.count() - 1), list->ClientWidth())
        << list->objectName().toStdString();
  }
}

}  // namespace
}  // namespace quillon::test
