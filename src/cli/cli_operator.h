#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/operator.h"

namespace quillon::cli {

// The operator on a terminal or in a script: every message is printed as it stands,
// questions are answered by --yes, by the person at a terminal, or else by their default
// button, and a progress bar is drawn only where someone can watch it.
class CliOperator : public Operator {
 public:
  CliOperator(bool assumeYes, bool trace, std::FILE* out = stdout, std::FILE* err = stderr);

  void Inform(std::string_view text) override;
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) override;
  void Trace(std::string_view text) override;

  bool RunChipTypeDialog(CChipTypeDlg& dialog) override { return Run(onChipType, dialog); }
  bool RunRangeDialog(CRangeDlg& dialog) override { return Run(onRange, dialog); }
  bool RunDownloadDialog(CDownloadDlg& dialog) override { return Run(onDownload, dialog); }
  bool RunCompareDialog(CCompareDlg& dialog) override { return Run(onCompare, dialog); }
  bool RunSaveDialog(CSaveDlg& dialog) override { return Run(onSave, dialog); }
  bool RunLockDialog(CLockDlg& dialog) override { return Run(onLock, dialog); }
  bool RunRemapDialog(CRemapDlg& dialog) override { return Run(onRemap, dialog); }
  bool RunCommConfigDialog(CCommConfigDlg& dialog) override { return Run(onCommConfig, dialog); }

  std::string Title() const override { return title_; }
  void SetTitle(std::string_view title) override { title_ = title; }
  void ShowChipInfo(const ChipInfo& info) override;
  void EnableCommand(int, bool) override {}
  void SelectBlockTab(int) override {}
  void RedrawNow() override {}
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override;
  void SetMemoryView(const MemoryView& view) override;
  void SetPaneTexts(std::string_view, std::string_view, std::string_view) override {}
  void ProgressSetRange(int units) override;
  void ProgressReset() override;
  void ProgressSetText(std::string_view text) override;
  void ProgressAdvance() override;

  // A failure message was shown, a question was declined, or a command said so itself.
  bool Failed() const { return failed_; }
  void MarkFailed() { failed_ = true; }
  const ChipInfo& ShownChipInfo() const { return chipInfo_; }
  void PrintChipInfo() const;
  // The sector table and memory view are printed only by the commands that ask for them.
  void SetPrintViews(bool print) { printViews_ = print; }

  std::function<bool(CChipTypeDlg&)> onChipType;
  std::function<bool(CRangeDlg&)> onRange;
  std::function<bool(CDownloadDlg&)> onDownload;
  std::function<bool(CCompareDlg&)> onCompare;
  std::function<bool(CSaveDlg&)> onSave;
  std::function<bool(CLockDlg&)> onLock;
  std::function<bool(CRemapDlg&)> onRemap;
  std::function<bool(CCommConfigDlg&)> onCommConfig;

 private:
  template <typename Dialog>
  static bool Run(const std::function<bool(Dialog&)>& answer, Dialog& dialog) {
    return answer ? answer(dialog) : false;
  }
  void Print(std::string_view text);
  void DrawProgress(bool final);
  void EndProgressLine();

  bool assumeYes_;
  bool trace_;
  std::FILE* out_;
  std::FILE* err_;
  bool interactive_;
  bool failed_ = false;
  bool printViews_ = false;
  std::string title_;
  ChipInfo chipInfo_;
  std::vector<std::string> heldTraces_;
  std::mutex mutex_;
  int progressUnits_ = 0;
  int progressPosition_ = 0;
  std::string progressLabel_;
  bool progressLineOpen_ = false;
};

// True for the texts that tell of something that did not happen as asked.
bool IsFailureText(std::string_view text);

}  // namespace quillon::cli
