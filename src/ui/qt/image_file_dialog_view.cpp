#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ui/image_file_dialog.h"
#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/text.h"

namespace quillon::gui {

bool RunImageFileDialogView(QWidget* owner, CImageFileDlg& dialog, std::string_view title, const char* objectName) {
  DialogFrame frame(owner, title, objectName);
  frame.Content().addWidget(new QLabel(ToQString(CImageFileDlg::FileLabel), &frame));
  auto* row = new QHBoxLayout;
  auto* file = new QLineEdit(ToQString(dialog.GetFileName()), &frame);
  file->setObjectName(QStringLiteral("file"));
  file->setMinimumWidth(320);
  auto* browse = new QPushButton(QStringLiteral("..."), &frame);
  browse->setObjectName(QStringLiteral("browse"));
  row->addWidget(file);
  row->addWidget(browse);
  frame.Content().addLayout(row);
  QComboBox* start = AddChoiceList(frame, CImageFileDlg::StartLabel, "start",
                                   [&dialog](int index) { dialog.SelectStart(index); });
  ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());

  QObject::connect(file, &QLineEdit::textChanged, &frame,
                   [&dialog](const QString& text) { dialog.SetFileName(ToStdString(text)); });
  QObject::connect(browse, &QPushButton::clicked, &frame, [&] {
    const QString path = QFileDialog::getOpenFileName(&frame);
    if (path.isEmpty()) {
      return;
    }
    dialog.Browse(ToStdString(path));
    file->setText(path);
    ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());
  });
  return frame.Run();
}

}  // namespace quillon::gui
