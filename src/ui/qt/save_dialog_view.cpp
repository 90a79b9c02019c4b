#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>

#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/text.h"
#include "ui/save_dialog.h"

namespace quillon::gui {

bool RunSaveDialogView(QWidget* owner, CSaveDlg& dialog) {
  DialogFrame frame(owner, CSaveDlg::Title, "saveDialog");
  const auto setName = [&dialog](const std::string& name) { dialog.SetFileName(name); };
  // The save-as dialog asks before it lets an existing file be chosen.
  AddFileRow(
      frame, CSaveDlg::FileLabel, dialog.GetFileName(), setName,
      [](QWidget* parent) {
        return QFileDialog::getSaveFileName(parent, QString(), QString(), QString::fromLatin1(ImageFileFilters));
      },
      setName);

  auto* format = new QGroupBox(ToQString(CSaveDlg::FormatGroup), &frame);
  auto* formatRow = new QHBoxLayout(format);
  auto* formats = new QButtonGroup(&frame);
  for (const auto& [id, label, name] : {std::tuple{CSaveDlg::IdBinaryFile, CSaveDlg::BinaryLabel, "binary"},
                                        std::tuple{CSaveDlg::IdTextFile, CSaveDlg::TextLabel, "text"}}) {
    auto* button = new QRadioButton(ToQString(label), format);
    button->setObjectName(QString::fromLatin1(name));
    button->setChecked(dialog.IsChecked(id));
    formats->addButton(button, id);
    formatRow->addWidget(button);
  }
  frame.Content().addWidget(format);
  QObject::connect(formats, &QButtonGroup::idClicked, &frame, [&dialog](int id) { dialog.Click(id); });

  QComboBox* start =
      AddChoiceList(frame, CSaveDlg::StartLabel, "start", [&dialog](int index) { dialog.SelectStart(index); });
  QComboBox* range =
      AddChoiceList(frame, CSaveDlg::RangeLabel, "range", [&dialog](int index) { dialog.SelectRange(index); });
  ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());
  ShowChoices(*range, dialog.RangeEntries(), dialog.RangeSelection());

  return frame.Run();
}

}  // namespace quillon::gui
