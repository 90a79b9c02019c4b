#pragma once

#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/dialog_answers.h"
#include "ui/operator.h"

namespace quillon::cli {

// The operator on a terminal or in a script: every message is printed as it stands,
// questions are answered by --yes, by the person at a terminal, or else by their default
// button, and a progress bar is drawn only where someone can watch it.
class CliOperator : public Operator, public DialogAnswers {
 public:
  CliOperator(bool assumeYes, bool trace, std::FILE* out = stdout, std::FILE* err = stderr);

  void Inform(std::string_view text) override;
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) override;
  void Trace(std::string_view text) override;

  std::string Title() const override { return title_; }
  void SetTitle(std::string_view title) override { title_ = title; }
  void ShowChipInfo(const ChipInfo& info) override;
  void EnableCommand(int commandId, bool enabled) override;
  void SelectBlockTab(int) override {}
  void RedrawNow() override {}
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override;
  void SetMemoryView(const MemoryView& view) override;
  void SetPaneTexts(std::string_view, std::string_view, std::string_view) override {}
  void ProgressSetRange(int units) override;
  void ProgressReset() override;
  void ProgressSetText(std::string_view text) override;
  void ProgressAdvance() override;

  const ChipInfo& ShownChipInfo() const { return chipInfo_; }
  // A command the window would have greyed out after the detection.
  bool CommandDisabled(int commandId) const;
  void PrintChipInfo();
  // The sector table and memory view are printed only by the commands that ask for them.
  void SetPrintViews(bool print) { printViews_ = print; }
  // A detection's report: what it said once it had read the chip waits, so that the chip
  // information, when asked for, comes above the reason a detection will not do.
  void BeginDetectionReport();
  void EndDetectionReport(bool printChipInfo);
  // Why a port would not open is worth more than the bare message, trace or not.
  void PrintHeldTraces();
  // A line of its own, after any progress bar.
  void PrintLine(std::string_view text);

 private:
  void Print(std::string_view text);
  void PrintChipInfoLocked();
  void DrawProgress(bool final);
  void EndProgressLine();

  bool assumeYes_;
  bool trace_;
  std::FILE* out_;
  std::FILE* err_;
  bool interactive_;
  bool printViews_ = false;
  std::string title_;
  ChipInfo chipInfo_;
  std::map<int, bool> commandsEnabled_;
  std::vector<std::string> heldTraces_;
  bool reportingDetection_ = false;
  bool chipInfoShown_ = false;
  std::vector<std::string> heldMessages_;
  std::mutex mutex_;
  int progressUnits_ = 0;
  int progressPosition_ = 0;
  int progressReached_ = 0;
  bool progressStarting_ = false;
  std::string progressLabel_;
  bool progressLineOpen_ = false;
};

}  // namespace quillon::cli
