#include "gui_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>

#include "protocol/chip_type_dialog.h"
#include "ui/command_ids.h"
#include "ui/main_dlg.h"

namespace quillon::test {

namespace {

QMessageBox::StandardButton ButtonOf(Answer answer) {
  switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

}  // namespace

ModalScript::ModalScript() {
  connect(&poll_, &QTimer::timeout, this, &ModalScript::AnswerOpenWindow);
  poll_.start(5);
}

void ModalScript::AnswerOpenWindow() {
  QWidget* modal = QApplication::activeModalWidget();
  if (auto* box = qobject_cast<QMessageBox*>(modal)) {
    const std::string text = box->text().toStdString();
    messages_.push_back(text);
    if (onMessage) {
      onMessage(text);
    }
    QAbstractButton* button = box->defaultButton();
    if (!answers_.empty()) {
      button = box->button(ButtonOf(answers_.front()));
      answers_.pop_front();
    }
    (button != nullptr ? button : box->buttons().front())->click();
  } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
    const auto action = dialogs.find(dialog->objectName().toStdString());
    if (action != dialogs.end() && action->second(*dialog)) {
      dialog->accept();
    } else {
      dialog->reject();
    }
  }
}

GuiHost::GuiHost(sim::Config targetConfig)
    : config(targetConfig), target(targetConfig), window(AppPaths{dir.Path() / "config", dir.Path() / "cache"}, FastTiming()) {
  window.Dialog().TargetChip()->Device().SetDevicePath(target.Start());
  modals.dialogs["chipTypeDialog"] = [this](QDialog& dialog) {
    const int chip = config.chip == sim::Chip::A16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32;
    for (const int id : {chip, int{CChipTypeDlg::IdExternalMemory}}) {
      dialog.findChild<QRadioButton*>(QStringLiteral("choice%1").arg(id))->click();
    }
    return true;
  };
}

bool GuiHost::Detect() {
  switch (config.firmware) {
    case sim::Firmware::V11EInt: window.RunCommand(IdAutoDetect); break;
    case sim::Firmware::V11EExt: window.RunCommand(IdExternalSelect); break;
    case sim::Firmware::V11D: window.RunCommand(IdChipTypeSelect); break;
  }
  return window.Dialog().TargetChip()->Device().IsConnected();
}

void GuiHost::AnswerRange(int start, int range) {
  modals.dialogs["rangeDialog"] = [start, range](QDialog& dialog) {
    Choose(dialog, "start", start);
    Choose(dialog, "range", range);
    return true;
  };
}

std::string GuiHost::PaneText(int pane) {
  return window.Panes().Pane(pane)->text().toStdString();
}

void Choose(QDialog& dialog, const char* list, int index) {
  dialog.findChild<QComboBox*>(QString::fromLatin1(list))->setCurrentIndex(index);
}

}  // namespace quillon::test
