#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <fstream>
#include <nlohmann/json.hpp>

#include "gui_host.h"
#include "operator/messages.h"
#include "ui/qt/log_dock.h"

namespace quillon::test {
namespace {

QString FileField(QDialog& dialog) { return dialog.findChild<QLineEdit*>(QStringLiteral("file"))->text(); }

bool Drop(gui::CMainWindow& window, const std::filesystem::path& file) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, {});
  QApplication::sendEvent(&window, &drop);
  return true;
}

// A dropped image opens Download with it filled in, and what a dialog was given comes
// back the next time: the file, the start, the range. Downloaded files head Recent Files,
// kept for the next start. The log has every command and message with its time. The
// settings dialog's switch turns on a results log with quillon-cli's line for each command
// run on a board, and none for the others; the next start keeps it on.
TEST(WindowComfortsTest, DropsRecentFilesRememberedDialogsAndLogs) {
  GuiHost host(TargetOf(sim::Firmware::V11EExt, sim::Chip::A16));
  const auto results = host.dir / "run.jsonl";
  host.modals.dialogs["commConfigDialog"] = [&](QDialog& dialog) {
    dialog.findChild<QCheckBox*>(QStringLiteral("resultsLog"))->setChecked(true);
    dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(QString::fromStdString(results.string()));
    return true;
  };
  host.window.RunCommand(IdCommSettings);
  ASSERT_TRUE(host.Detect());
  const auto image = host.dir / "firmware.hex";
  WriteFile(image, HexRecord(0, 0x0000, Counting(16, 1)) + EndRecord);
  WriteFile(host.dir / "notes.txt", "not an image");
  EXPECT_FALSE(Drop(host.window, host.dir / "notes.txt"));

  QString offered;
  host.AnswerDownload(image);
  auto fill = host.modals.dialogs["downloadDialog"];
  host.modals.dialogs["downloadDialog"] = [&](QDialog& dialog) { return offered = FileField(dialog), fill(dialog); };
  ASSERT_TRUE(Drop(host.window, image));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !offered.isEmpty() && !host.window.CommandRunning(); }, 3000));
  EXPECT_EQ(offered.toStdString(), image.string());
  EXPECT_EQ(host.window.Dialog().LastOutcome(), Outcome::Done);

  host.modals.dialogs["downloadDialog"] = [&](QDialog& dialog) { return offered = FileField(dialog), false; };
  offered.clear();
  host.window.RunCommand(IdDownload);
  EXPECT_EQ(offered.toStdString(), image.string());
  host.AnswerRange(3, 4);
  host.window.RunCommand(IdRead);
  int start = -1, range = -1;
  host.modals.dialogs["rangeDialog"] = [&](QDialog& dialog) {
    start = dialog.findChild<QComboBox*>(QStringLiteral("start"))->currentIndex();
    range = dialog.findChild<QComboBox*>(QStringLiteral("range"))->currentIndex();
    return false;
  };
  host.window.RunCommand(IdRead);
  EXPECT_EQ(std::pair(start, range), std::pair(3, 4));
  host.window.RunCommand(IdFilePrint);

  gui::CMainWindow next(AppPaths{host.dir / "config", host.dir / "cache"}, FastTiming());
  ASSERT_EQ(next.Recent().Files(), std::vector<std::string>{image.string()});
  const QMenu* recent = next.findChild<QMenu*>(QStringLiteral("recentFiles"));
  ASSERT_EQ(recent->actions().size(), 1);
  EXPECT_EQ(recent->actions().front()->text().toStdString(), "&1 " + image.string());

  const QString log = host.window.Log().Text();
  EXPECT_TRUE(log.contains(QStringLiteral("  Download: Done"))) << log.toStdString();
  EXPECT_TRUE(log.contains(QStringLiteral("  Read: Declined")));
  EXPECT_TRUE(log.contains(QStringLiteral("  Data in corresponding sectors will be erased. / Proceed to download?")));
  EXPECT_TRUE(host.window.Log().isHidden());
  EXPECT_EQ(host.window.Log().SaveTo(host.dir / "window.log"), "");
  EXPECT_EQ(QString::fromStdString(ReadText(host.dir / "window.log")).trimmed(), log.trimmed());

  std::ifstream in(results);
  const std::string device = host.window.Dialog().TargetChip()->Device().DevicePath();
  const nlohmann::json none;
  std::vector<nlohmann::json> fields;
  for (std::string line; std::getline(in, line);)
    for (const char* field : {"command", "device", "port", "chip", "result", "file", "sha256", "first", "last"})
      fields.push_back(nlohmann::json::parse(line)[field]);
  // clang-format off
  EXPECT_EQ(fields, (std::vector<nlohmann::json>{
      "detect", device, device.substr(5), "QRV71A16", "ok", none, none, none, none,
      "download", device, device.substr(5), "QRV71A16", "ok", image.string(), "2bcaf0368f9df0140f6ba413ea1940031c4e0c41b31df3b0813fe24d47a223a4", 0, 15,
      "read", device, device.substr(5), "QRV71A16", "ok", none, none, none, none}));
  // clang-format on
  EXPECT_EQ(next.ResultsLogPath(), results.string());
  EXPECT_EQ(
      next.SetResultsLog((host.dir / "no" / "run.jsonl").string()),
      "cannot write to the results log " + (host.dir / "no" / "run.jsonl").string() + ": No such file or directory");
}

}  // namespace
}  // namespace quillon::test
