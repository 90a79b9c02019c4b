#include <gtest/gtest.h>

#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QTest>
#include <cstdlib>

#include "gui_host.h"
#include "ui/command_ids.h"

namespace quillon::test {
namespace {

// The README's pictures of the window: after a detection, after a read and half-way
// through a download. They go where QUILLON_SCREENSHOTS says (scripts/screenshots sets
// docs/), else into the test's scratch directory.
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
  for (std::size_t i = 0; i < firmware.size(); ++i) {
    firmware[i] = static_cast<std::uint8_t>("Quillon flashes QRV71A32 "[i % 25]);
  }
  host.target.LoadFlash(0x0000, firmware);
  host.window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&host.window));

  ASSERT_TRUE(host.Detect());
  shoot("screenshot-detected.png");
  host.AnswerRange(0, 0);
  ASSERT_TRUE(host.window.RunCommand(IdRead));
  shoot("screenshot-read.png");

  const auto file = host.dir / "firmware.bin";
  WriteFile(file, firmware);
  host.modals.dialogs["downloadDialog"] = [&](QDialog& dialog) {
    dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(QString::fromStdString(file.string()));
    return true;
  };
  host.modals.QueueAnswer(Answer::Yes);
  QProgressBar& bar = host.window.Panes().Progress();
  QObject::connect(&bar, &QProgressBar::valueChanged, [&](int value) {
    if (shots.size() == 2 && host.window.Panes().Progress().Message() == "Writing" && value >= bar.maximum() / 2) {
      shoot("screenshot-download.png");
    }
  });
  ASSERT_TRUE(host.window.RunCommand(IdDownload));

  ASSERT_EQ(shots.size(), 3U);
  for (const auto& shot : shots) {
    EXPECT_EQ(QImage(QString::fromStdString(shot.string())).size(), host.window.size() * host.window.devicePixelRatio());
  }
}

}  // namespace
}  // namespace quillon::test
