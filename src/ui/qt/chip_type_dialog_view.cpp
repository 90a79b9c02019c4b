#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "protocol/chip_type_dialog.h"
#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"

namespace quillon::gui {

namespace {

struct ChipTypeChoice {
  int controlId;
  const char* text;
};

void AddGroup(DialogFrame& frame, QGroupBox& outer, CChipTypeDlg& dialog, const char* title,
              std::initializer_list<ChipTypeChoice> choices) {
  auto* box = new QGroupBox(QString::fromLatin1(title), &outer);
  auto* column = new QVBoxLayout(box);
  auto* group = new QButtonGroup(&frame);
  for (const ChipTypeChoice& choice : choices) {
    auto* button = new QRadioButton(QString::fromLatin1(choice.text), box);
    button->setObjectName(QStringLiteral("choice%1").arg(choice.controlId));
    button->setChecked(dialog.IsChecked(choice.controlId));
    group->addButton(button, choice.controlId);
    column->addWidget(button);
  }
  outer.layout()->addWidget(box);
  QObject::connect(group, &QButtonGroup::idClicked, &frame, [&dialog](int id) { dialog.Click(id); });
}

}  // namespace

bool RunChipTypeDialogView(QWidget* owner, CChipTypeDlg& dialog) {
  DialogFrame frame(owner, "Chip Type", "chipTypeDialog");
  auto* outer = new QGroupBox(QStringLiteral("Brevix MCU (v1.1D and v1.1E-Ext)"), &frame);
  outer->setLayout(new QVBoxLayout);
  frame.Content().addWidget(outer);
  AddGroup(frame, *outer, dialog, "Chip Type",
           {{CChipTypeDlg::IdQRV71A16, "QRV71A16"}, {CChipTypeDlg::IdQRV71A32, "QRV71A32"}});
  AddGroup(frame, *outer, dialog, "Memory Type",
           {{CChipTypeDlg::IdInternalMemory, "Internal Memory (EA#=1)"},
            {CChipTypeDlg::IdExternalMemory, "External Memory (EA#=0)"}});
  return frame.Run();
}

}  // namespace quillon::gui
