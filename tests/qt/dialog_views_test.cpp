#include <gtest/gtest.h>

#include <QRadioButton>
#include <QTest>

#include "gui_host.h"
#include "operator/messages.h"
#include "settings/comm_settings_file.h"
#include "ui/qt/start_options.h"

namespace quillon::test {
namespace {

// Each dialog view, filled in as an operator would, carries its choices down to the
// command: the bytes saved, the lock bit programmed, the settings file written.
TEST(DialogViewsTest, CarryTheOperatorsChoicesToTheCommand) {
  const struct {
    const char* name;
    int command;
    const char* dialog;
    std::function<void(GuiHost&, QDialog&)> fill;
    std::function<void(GuiHost&)> check;
  } cases[] = {
      {"save", IdFileSave, "saveDialog",
       [](GuiHost& host, QDialog& dialog) {
         const QString file = QString::fromStdString((host.dir / "flash.bin").string());
         dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(file);
         dialog.findChild<QRadioButton*>(QStringLiteral("binary"))->click();
       },
       [](GuiHost& host) {
         const std::string saved = ReadText(host.dir / "flash.bin");
         ASSERT_EQ(saved.size(), 32768u);
         EXPECT_EQ(saved.substr(0, 3), "QRV");
       }},
      {"lock", IdSetLock, "optionDialog",
       [](GuiHost&, QDialog& dialog) { dialog.findChild<QRadioButton*>(QStringLiteral("option1"))->click(); },
       [](GuiHost& host) {
         EXPECT_EQ(host.target.Status() & 0xE0, 0x80);
         EXPECT_EQ(host.modals.messages.back(), msg::SetLockCompleted);
       }},
      {"settings", IdCommSettings, "commConfigDialog",
       [](GuiHost&, QDialog& dialog) {
         dialog.findChild<QComboBox*>(QStringLiteral("port"))->setCurrentIndex(2);
         dialog.findChild<QComboBox*>(QStringLiteral("baud"))->setCurrentIndex(2);
       },
       [](GuiHost& host) {
         EXPECT_EQ(ReadCommSettingsFile(CommSettingsFilePath(AppPaths{host.dir / "config", host.dir / "cache"})),
                   (CommSettings{3, 9600}));
       }},
      // A path typed into the device list and confirmed with Enter is bound to the slot.
      {"typed device", IdCommSettings, "commConfigDialog",
       [](GuiHost&, QDialog& dialog) {
         QLineEdit* typed = dialog.findChild<QComboBox*>(QStringLiteral("device"))->lineEdit();
         typed->clear();
         QTest::keyClicks(typed, QStringLiteral("/dev/ttyUSB7"));
         QTest::keyClick(typed, Qt::Key_Return);
       },
       [](GuiHost& host) { EXPECT_EQ(host.window.Dialog().TargetChip()->Device().DevicePath(), "/dev/ttyUSB7"); }},
      // OK with the slot and its device unchanged keeps the emulated target's pty.
      {"device kept", IdCommSettings, "commConfigDialog", [](GuiHost&, QDialog&) {},
       [](GuiHost& host) {
         EXPECT_EQ(host.window.Dialog().TargetChip()->Device().DevicePath(), host.target.SlavePath());
         EXPECT_TRUE(host.Detect());
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    GuiHost host(TargetOf(sim::Firmware::V11EExt, sim::Chip::A32));
    host.target.LoadFlash(0x0000, {'Q', 'R', 'V'});
    ASSERT_TRUE(host.Detect());
    host.modals.dialogs[c.dialog] = [&](QDialog& dialog) {
      c.fill(host, dialog);
      return true;
    };
    host.modals.onMessage = [&](const std::string& text) {
      if (text == msg::ReallyProceed) host.modals.AnswerYesNext();
    };
    host.window.RunCommand(c.command);
    EXPECT_EQ(host.window.Dialog().LastOutcome(), Outcome::Done);
    c.check(host);
  }
}

TEST(DialogViewsTest, StartOptionsReachTheEmulatedTarget) {
  const gui::StartOptions options = gui::ParseStartOptions({"--simulate=chip=A16", "--log", "run.jsonl", "--trace"});
  EXPECT_EQ(std::tuple(options.simulate, options.trace, options.log), std::tuple("chip=A16", true, "run.jsonl"));
  EXPECT_THROW(gui::ParseStartOptions({"--port"}), gui::UsageError);
  EXPECT_THROW(gui::ParseStartOptions({"--log"}), gui::UsageError);
  EXPECT_THROW(gui::StartSimulatedTarget("fault=unheard-of"), gui::UsageError);
  EXPECT_FALSE(gui::StartSimulatedTarget("chip=A16,firmware=v1.1d")->SlavePath().empty());
}

}  // namespace
}  // namespace quillon::test
