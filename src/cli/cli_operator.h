#pragma once

#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/detection_report.h"
#include "cli/progress_bar.h"
#include "cli/question_answers.h"
#include "cli/run_record.h"
#include "ui/chip_info.h"
#include "ui/dialog_answers.h"
#include "ui/operator.h"
#include "ui/sector_rows.h"

namespace quillon::cli {

// The operator on a terminal or in a script: every message is printed as it stands,
// questions are answered by --yes, by the person at a terminal, or else by their default
// button, and a progress bar is drawn only where someone can watch it. It also keeps a
// record of what it was told, for the results log and --json.
class CliOperator : public Operator, public DialogAnswers {
 public:
  // A port on its own, its questions its own.
  CliOperator(bool assumeYes, bool trace, std::FILE* out = stdout, std::FILE* err = stderr);
  // A port among several, all answered alike. With no out it prints nothing and only
  // keeps what it was told (--json).
  CliOperator(QuestionAnswers& answers, bool trace, std::FILE* out, std::FILE* err);

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
  // The bar takes each stage's start and end as they are said.
  void ProgressStageBegin(int units, int unitBytes, std::string_view label) override;
  void ProgressStageEnd(std::string_view outcome) override;
  void ProgressSetRange(int) override {}
  void ProgressReset() override {}
  void ProgressSetText(std::string_view) override {}
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
  // Why a port would not open is worth more than the bare message, trace or not; it is
  // kept with the messages too.
  void PrintHeldTraces();
  // A line of its own, after any progress bar.
  void PrintLine(std::string_view text);
  // The program's own reason for stopping, on the error stream.
  void PrintError(std::string_view text);

  RunRecord Record() const;

 private:
  void Print(std::string_view text);
  // Text of several lines, each ending in a newline, after any progress bar.
  void PrintLines(const std::string& lines);

  std::unique_ptr<QuestionAnswers> ownAnswers_;
  QuestionAnswers& answers_;
  bool trace_;
  std::FILE* out_;
  std::FILE* err_;
  bool interactive_;
  bool printViews_ = false;
  std::string title_;
  ChipInfo chipInfo_;
  std::map<int, bool> commandsEnabled_;
  std::vector<std::string> heldTraces_;
  DetectionReport detection_;
  RunRecord record_;
  mutable std::mutex mutex_;
  ProgressBar bar_;
};

}  // namespace quillon::cli
