#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "operator/operator.h"

namespace quillon {

class CChipTypeDlg;
class CRangeDlg;
class CDownloadDlg;
class CCompareDlg;
class CSaveDlg;
class CLockDlg;
class CRemapDlg;
class CCommConfigDlg;
struct ChipInfo;
struct SectorTableRow;
struct MemoryView;

// One call per parameter dialog: the model holds the fields and the rules, the view only
// shows it and hands back the operator's choices. True means OK.
class OperatorDialogs {
 public:
  virtual ~OperatorDialogs() = default;
  virtual bool RunChipTypeDialog(CChipTypeDlg& dialog) = 0;
  virtual bool RunRangeDialog(CRangeDlg& dialog) = 0;
  virtual bool RunDownloadDialog(CDownloadDlg& dialog) = 0;
  virtual bool RunCompareDialog(CCompareDlg& dialog) = 0;
  virtual bool RunSaveDialog(CSaveDlg& dialog) = 0;
  virtual bool RunLockDialog(CLockDlg& dialog) = 0;
  virtual bool RunRemapDialog(CRemapDlg& dialog) = 0;
  virtual bool RunCommConfigDialog(CCommConfigDlg& dialog) = 0;
};

// What the main window shows besides messages and dialogs.
class MainWindowView {
 public:
  virtual ~MainWindowView() = default;
  virtual std::string Title() const = 0;
  virtual void SetTitle(std::string_view title) = 0;
  virtual void ShowChipInfo(const ChipInfo& info) = 0;
  virtual void EnableCommand(int commandId, bool enabled) = 0;
  virtual void SelectBlockTab(int block) = 0;
  virtual void RedrawNow() = 0;
  virtual void SetSectorTable(const std::vector<SectorTableRow>& rows) = 0;
  virtual void SetMemoryView(const MemoryView& view) = 0;
  virtual void SetPaneTexts(std::string_view clock, std::string_view port, std::string_view baud) = 0;
  // Brackets every wait for the link worker to end. A window that shows the worker's
  // messages on its own thread must not keep the worker waiting for an answer then.
  virtual void LinkWorkerStopping(bool stopping) { (void)stopping; }
};

// Everything the window says and shows: the messages and progress that the operations
// below it use, its dialogs, and its own fields.
class Operator : public OperatorFeedback, public virtual OperatorDialogs, public MainWindowView {};

}  // namespace quillon
