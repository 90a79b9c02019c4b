#include <gtest/gtest.h>

#include <QImage>
#include <QProgressBar>
#include <QTest>
#include <cstdlib>

#include "gui_host.h"
#include "ui/qt/log_dock.h"

namespace quillon::test {
namespace {

// The README's pictures of the window: after a detection, after a read, half-way through
// a download (busy, with Stop), and with the log dock open after it. They go where QUILLON_SCREENSHOTS says
// (scripts/screenshots sets docs/), else into the test's scratch directory. The download moves the bar all the way,
// refuses another command while it runs, and ends with Done.
TEST(Screenshots, ShowTheWindowAtWork) {
  GuiHost host(TargetOf(sim::Firmware::V11EInt, sim::Chip::A32));
  const char* wanted = std::getenv("QUILLON_SCREENSHOTS");
  const std::filesystem::path dir = wanted != nullptr ? std::filesystem::path(wanted) : host.dir.Path();
  std::vector<std::filesystem::path> shots;
  const auto shoot = [&](const char* name) {
    shots.push_back(dir / name);
    ASSERT_TRUE(host.window.grab().save(QString::fromStdString(shots.back().string()), "PNG"));
  };
  std::vector<std::uint8_t> firmware(4096);
  for (std::size_t i = 0; i < firmware.size(); ++i)
    firmware[i] = static_cast<std::uint8_t>("Quillon flashes QRV71A32 "[i % 25]);
  host.target.LoadFlash(0x0000, firmware);
  host.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));

  ASSERT_TRUE(host.Detect());
  shoot("screenshot-detected.png");
  host.AnswerRange(0, 0);
  ASSERT_TRUE(host.window.RunCommand(IdRead));
  shoot("screenshot-read.png");

  std::reverse(firmware.begin(), firmware.end());
  WriteFile(host.dir / "firmware.bin", firmware);
  host.AnswerDownload(host.dir / "firmware.bin");
  bool refusedWhileRunning = false;
  host.modals.onMessage = [&, answer = host.modals.onMessage](const std::string& text) {
    refusedWhileRunning = !host.window.RunCommand(IdRead);
    answer(text);
  };
  QProgressBar& bar = host.window.Panes().Progress();
  int highest = 0;
  QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
    highest = std::max(highest, value);
    if (shots.size() == 2 && host.window.Panes().Progress().Message() == "Writing" && value >= bar.maximum() / 2) {
      shoot("screenshot-download.png");
    }
  });
  ASSERT_TRUE(host.window.RunCommand(IdDownload));

  EXPECT_TRUE(refusedWhileRunning);
  EXPECT_EQ(highest, bar.maximum());
  EXPECT_EQ(bar.value(), 0);
  EXPECT_EQ(host.PaneText(gui::StatusPanes::ProgressPane), "Done");
  const std::vector<std::uint8_t> flash = host.target.FlashImage();
  EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), flash.begin()));
  EXPECT_EQ(host.window.Title(), "QRV Brevix Quillon (v1.1E)");
  host.window.Log().show();
  QTest::qWait(50);
  shoot("screenshot-log.png");
  ASSERT_EQ(shots.size(), 4U);
  for (const auto& shot : shots) {
    EXPECT_EQ(QImage(QString::fromStdString(shot.string())).size(),
              host.window.size() * host.window.devicePixelRatio());
  }
}

}  // namespace
}  // namespace quillon::test
