#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include "ui/comm_config_dialog.h"
#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/text.h"

namespace quillon::gui {

namespace {

QComboBox* AddList(QGridLayout& grid, QWidget& parent, const char* label, const char* name, int column) {
  auto* caption = new QLabel(QString::fromLatin1(label), &parent);
  caption->setAlignment(Qt::AlignCenter);
  auto* list = new QComboBox(&parent);
  list->setObjectName(QString::fromLatin1(name));
  grid.addWidget(caption, 0, column);
  grid.addWidget(list, 1, column);
  return list;
}

// The device list of the selected COM slot; a bound path without an entry stands typed.
void ShowDevices(QComboBox& devices, const CCommConfigDlg& dialog) {
  ShowChoices(devices, dialog.DeviceEntries(), dialog.DeviceSelection());
  devices.setEnabled(dialog.CanBindDevice());
  if (dialog.CanBindDevice() && dialog.DeviceSelection() == CCommConfigDlg::NoSelection) {
    devices.setEditText(ToQString(dialog.BoundDevicePath()));
  }
}

}  // namespace

bool RunCommConfigDialogView(QWidget* owner, CCommConfigDlg& dialog, ResultsLogChoice& log) {
  DialogFrame frame(owner, "Communication Configuration", "commConfigDialog");
  frame.setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  auto* heading = new QLabel(QStringLiteral("Communication Configuration"), &frame);
  heading->setAlignment(Qt::AlignCenter);
  frame.Content().addWidget(heading);
  auto* grid = new QGridLayout;
  QComboBox* ports = AddList(*grid, frame, "comm port", "port", 0);
  QComboBox* bauds = AddList(*grid, frame, "baud rate", "baud", 1);
  QComboBox* devices = AddList(*grid, frame, "device", "device", 2);
  devices->setEditable(true);
  // A typed path confirmed with Enter stays typed, to be bound on OK, instead of becoming
  // an entry of the list that stands for no device.
  devices->setInsertPolicy(QComboBox::NoInsert);
  devices->setMinimumContentsLength(20);
  QComboBox* resets = AddList(*grid, frame, "reset line", "resetLine", 3);
  auto* length = new QSpinBox(&frame);
  length->setObjectName(QStringLiteral("resetLength"));
  length->setRange(1, static_cast<int>(MaxResetPulse.count()));
  length->setSuffix(QStringLiteral(" ms"));
  length->setToolTip(QStringLiteral("How long the reset line is raised as the port opens"));
  grid->addWidget(length, 2, 3);
  frame.Content().addLayout(grid);

  ShowChoices(*ports, dialog.PortEntries(), dialog.PortSelection());
  ShowChoices(*bauds, dialog.BaudEntries(), dialog.BaudSelection());
  ShowDevices(*devices, dialog);
  ShowChoices(*resets, CCommConfigDlg::ResetEntries(), dialog.ResetSelection());
  length->setValue(dialog.ResetMilliseconds());
  length->setEnabled(dialog.ResetSelection() != 0);
  QObject::connect(ports, &QComboBox::currentIndexChanged, &frame, [&dialog, devices](int index) {
    dialog.SelectPort(index);
    ShowDevices(*devices, dialog);
  });
  QObject::connect(bauds, &QComboBox::currentIndexChanged, &frame, [&dialog](int index) { dialog.SelectBaud(index); });
  QObject::connect(resets, &QComboBox::currentIndexChanged, &frame, [&dialog, length](int index) {
    dialog.SelectReset(index);
    length->setEnabled(index != 0);
  });
  QObject::connect(length, &QSpinBox::valueChanged, &frame,
                   [&dialog](int milliseconds) { dialog.SetResetMilliseconds(milliseconds); });
  QObject::connect(devices, &QComboBox::activated, &frame, [&dialog](int index) { dialog.SelectDevice(index); });
  bool typed = false;
  QObject::connect(devices->lineEdit(), &QLineEdit::textEdited, &frame, [&typed] { typed = true; });

  AddResultsLogSwitch(frame, log);

  if (!frame.Run()) {
    return false;
  }
  // A path typed into the list, an emulator's pty say, binds the slot as it stands.
  if (typed && dialog.CanBindDevice() && devices->findText(devices->currentText()) < 0) {
    dialog.BindDevicePath(ToStdString(devices->currentText()));
  }
  return true;
}

}  // namespace quillon::gui
