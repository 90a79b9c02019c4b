#include <QButtonGroup>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/text.h"
#include "ui/save_dialog.h"

namespace quillon::gui {

bool RunSaveDialogView(QWidget* owner, CSaveDlg& dialog) {
  DialogFrame frame(owner, CSaveDlg::Title, "saveDialog");
  frame.Content().addWidget(new QLabel(ToQString(CSaveDlg::FileLabel), &frame));
  auto* row = new QHBoxLayout;
  auto* file = new QLineEdit(ToQString(dialog.GetFileName()), &frame);
  file->setObjectName(QStringLiteral("file"));
  file->setMinimumWidth(320);
  auto* browse = new QPushButton(QStringLiteral("..."), &frame);
  browse->setObjectName(QStringLiteral("browse"));
  row->addWidget(file);
  row->addWidget(browse);
  frame.Content().addLayout(row);

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

  QObject::connect(file, &QLineEdit::textChanged, &frame,
                   [&dialog](const QString& text) { dialog.SetFileName(ToStdString(text)); });
  QObject::connect(browse, &QPushButton::clicked, &frame, [&] {
    // The save-as dialog asks before it lets an existing file be chosen.
    const QString path = QFileDialog::getSaveFileName(&frame);
    if (!path.isEmpty()) {
      dialog.SetFileName(ToStdString(path));
      file->setText(path);
    }
  });
  return frame.Run();
}

}  // namespace quillon::gui
