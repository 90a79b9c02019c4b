#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/dialog_answers.h"
#include "ui/operator.h"
#include "ui/sector_rows.h"

namespace quillon::test {

// An operator that records everything shown to it in order and answers from a script:
// queued answers first, then each question's default button. Dialogs are answered by
// the functions set on it (Cancel when none is set).
class ScriptedOperator : public Operator, public DialogAnswers {
 public:
  void Inform(std::string_view text) override;
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) override;
  void Trace(std::string_view text) override;

  std::string Title() const override;
  void SetTitle(std::string_view title) override;
  void ShowChipInfo(const ChipInfo& info) override;
  void EnableCommand(int commandId, bool enabled) override;
  void SelectBlockTab(int block) override;
  void RedrawNow() override {}
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override;
  void SetMemoryView(const MemoryView& view) override;
  void SetPaneTexts(std::string_view clock, std::string_view port, std::string_view baud) override;
  void ProgressSetRange(int units) override;
  void ProgressReset() override;
  void ProgressSetText(std::string_view text) override;
  void ProgressAdvance() override;

  void QueueAnswer(Answer answer);
  std::vector<std::string> Messages() const;
  std::vector<std::string> Traces() const;
  std::vector<std::string> Progress() const;
  std::vector<std::string> Titles() const;
  ChipInfo ShownChipInfo() const;
  // -1 never touched, 0 disabled, 1 enabled.
  int CommandState(int commandId) const;
  int ShownBlockTab() const;
  std::vector<SectorTableRow> SectorTable() const;
  MemoryView ShownMemoryView() const;
  std::vector<std::string> PaneTexts() const;
  void ClearRecords();

 private:

  mutable std::mutex mutex_;
  std::deque<Answer> answers_;
  std::vector<std::string> messages_;
  std::vector<std::string> traces_;
  std::vector<std::string> progress_;
  std::vector<std::string> titles_;
  std::string title_;
  ChipInfo chipInfo_;
  std::map<int, bool> commands_;
  int blockTab_ = -1;
  std::vector<SectorTableRow> sectorTable_;
  MemoryView memoryView_;
  std::vector<std::string> paneTexts_;
};

}  // namespace quillon::test
