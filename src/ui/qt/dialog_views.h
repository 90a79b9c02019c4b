#pragma once

#include <string_view>

class QWidget;

namespace quillon {
class CChipTypeDlg;
class CCommConfigDlg;
class CImageFileDlg;
class COptionDlg;
class CRangeDlg;
class CSaveDlg;
struct ResultsLogChoice;
}  // namespace quillon

namespace quillon::gui {

// One Qt dialog per dialog model: it shows the model's fields, hands each choice to the
// model as it is made, and returns true for OK.
bool RunRangeDialogView(QWidget* owner, CRangeDlg& dialog);
bool RunImageFileDialogView(QWidget* owner, CImageFileDlg& dialog, std::string_view title, const char* objectName);
bool RunSaveDialogView(QWidget* owner, CSaveDlg& dialog);
bool RunOptionDialogView(QWidget* owner, COptionDlg& dialog, std::string_view title, std::string_view group);
bool RunChipTypeDialogView(QWidget* owner, CChipTypeDlg& dialog);
bool RunCommConfigDialogView(QWidget* owner, CCommConfigDlg& dialog, ResultsLogChoice& log);

class DialogFrame;
// The results log's switch and file, below a dialog's other controls.
void AddResultsLogSwitch(DialogFrame& frame, ResultsLogChoice& choice);

}  // namespace quillon::gui
