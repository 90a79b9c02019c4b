#include <QComboBox>
#include <QFileDialog>

#include "ui/image_file_dialog.h"
#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"

namespace quillon::gui {

bool RunImageFileDialogView(QWidget* owner, CImageFileDlg& dialog, std::string_view title, const char* objectName) {
  DialogFrame frame(owner, title, objectName);
  QComboBox* start = nullptr;
  AddFileRow(
      frame, CImageFileDlg::FileLabel, dialog.GetFileName(),
      [&dialog](const std::string& name) { dialog.SetFileName(name); },
      [](QWidget* parent) {
        return QFileDialog::getOpenFileName(parent, QString(), QString(), QString::fromLatin1(ImageFileFilters));
      },
      [&](const std::string& path) {
        dialog.Browse(path);
        ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());
      });
  start = AddChoiceList(frame, CImageFileDlg::StartLabel, "start", [&dialog](int index) { dialog.SelectStart(index); });
  ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());
  return frame.Run();
}

}  // namespace quillon::gui
