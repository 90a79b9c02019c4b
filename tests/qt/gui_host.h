#pragma once

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "operator/operator.h"
#include "protocol/chip_type_dialog.h"
#include "sim/emulator.h"
#include "support/host_fixture.h"
#include "ui/command_ids.h"
#include "ui/qt/main_window.h"

namespace quillon::test {

// Answers every modal window of the thread as soon as it opens: a message box with its
// default button (or Yes when asked), a dialog with the action set for its name (rejected
// when there is none).
class ModalScript : public QObject {
 public:
  ModalScript() {
    connect(&poll_, &QTimer::timeout, this, &ModalScript::AnswerOpenWindow);
    poll_.start(5);
  }

  // The next box is answered Yes instead of with its default button.
  void AnswerYesNext() { yesNext_ = true; }
  // The texts of the boxes answered, in order.
  std::vector<std::string> messages;
  // What each of those boxes tells beneath its text.
  std::vector<std::string> details;
  // The action fills the dialog's controls; true accepts it, false cancels it.
  std::map<std::string, std::function<bool(QDialog&)>> dialogs;
  // Called with each box's text before it is answered.
  std::function<void(const std::string&)> onMessage;

 private:
  void AnswerOpenWindow() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      messages.push_back(box->text().toStdString());
      details.push_back(box->informativeText().toStdString());
      if (onMessage) onMessage(messages.back());
      std::exchange(yesNext_, false) ? box->button(QMessageBox::Yes)->click() : box->defaultButton()->click();
    } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
      const auto action = dialogs.find(dialog->objectName().toStdString());
      action != dialogs.end() && action->second(*dialog) ? dialog->accept() : dialog->reject();
    }
  }

  QTimer poll_;
  bool yesNext_ = false;
};

// The desktop window against an emulated target over a pty; the chip-type dialog is
// answered with the target's model and external memory.
struct GuiHost {
  explicit GuiHost(sim::Config targetConfig = {})
      : config(targetConfig), target(targetConfig), window(AppPaths{dir / "config", dir / "cache"}, FastTiming()) {
    window.Dialog().TargetChip()->Device().SetDevicePath(target.Start());
    modals.dialogs["chipTypeDialog"] = [this](QDialog& dialog) {
      const int chip = config.chip == sim::Chip::A16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32;
      for (const int id : {chip, int{CChipTypeDlg::IdExternalMemory}}) {
        dialog.findChild<QRadioButton*>(QStringLiteral("choice%1").arg(id))->click();
      }
      return true;
    };
  }

  // Runs the detection that fits the target; true when the handshake succeeded.
  bool Detect() {
    window.RunCommand(config.firmware == sim::Firmware::V11EInt   ? IdAutoDetect
                      : config.firmware == sim::Firmware::V11EExt ? IdExternalSelect
                                                                  : IdChipTypeSelect);
    return window.Dialog().TargetChip()->Device().IsConnected();
  }
  // Answers the range dialog with these list indexes.
  void AnswerRange(int start, int range) {
    modals.dialogs["rangeDialog"] = [start, range](QDialog& dialog) {
      dialog.findChild<QComboBox*>(QStringLiteral("start"))->setCurrentIndex(start);
      dialog.findChild<QComboBox*>(QStringLiteral("range"))->setCurrentIndex(range);
      return true;
    };
  }
  // Answers the download dialog with this file, and its question with Yes.
  void AnswerDownload(const std::filesystem::path& file) {
    modals.dialogs["downloadDialog"] = [file](QDialog& dialog) {
      dialog.findChild<QLineEdit*>(QStringLiteral("file"))->setText(QString::fromStdString(file.string()));
      return true;
    };
    modals.onMessage = [this](const std::string& text) {
      if (text.starts_with("Data in corresponding sectors")) modals.AnswerYesNext();
    };
  }
  std::string PaneText(int pane) { return window.Panes().Pane(pane)->text().toStdString(); }

  sim::Config config;
  TempDir dir;
  sim::Emulator target;
  ModalScript modals;
  gui::CMainWindow window;
};

}  // namespace quillon::test
