#include <QButtonGroup>
#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/option_dialog.h"
#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/text.h"

namespace quillon::gui {

bool RunOptionDialogView(QWidget* owner, COptionDlg& dialog, std::string_view title, std::string_view group) {
  DialogFrame frame(owner, title, "optionDialog");
  auto* box = new QGroupBox(ToQString(group), &frame);
  auto* column = new QVBoxLayout(box);
  auto* choices = new QButtonGroup(&frame);
  for (const OptionChoice& choice : dialog.Choices()) {
    auto* button = new QRadioButton(ToQString(choice.text), box);
    button->setObjectName(QStringLiteral("option%1").arg(choice.option));
    button->setChecked(dialog.IsChecked(choice.controlId));
    choices->addButton(button, choice.controlId);
    column->addWidget(button);
  }
  frame.Content().addWidget(box);
  QObject::connect(choices, &QButtonGroup::idClicked, &frame, [&dialog](int id) { dialog.Click(id); });
  return frame.Run();
}

}  // namespace quillon::gui
