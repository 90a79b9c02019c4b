#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "ui/chip_info.h"
#include "ui/dialog_answers.h"
#include "ui/operator.h"
#include "ui/sector_rows.h"

namespace quillon::test {

// An operator that records everything shown to it in order and answers from a script:
// queued answers first, then each question's default button. Dialogs are answered by
// the functions set on it (Cancel when none is set). Its records may be read while a
// worker thread adds to them.
class ScriptedOperator : public Operator, public DialogAnswers {
 public:
  void Inform(std::string_view text) override {
    Locked([&] { messages_.emplace_back(text); });
  }
  Answer Ask(std::string_view text, Buttons, Answer defaultAnswer) override {
    return Locked([&] {
      messages_.emplace_back(text);
      const Answer answer = answers_.empty() ? defaultAnswer : answers_.front();
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
  }
  void Trace(std::string_view text) override {
    Locked([&] { traces_.emplace_back(text); });
  }

  std::string Title() const override {
    return Locked([&] { return title_; });
  }
  void SetTitle(std::string_view title) override {
    Locked([&] { titles_.emplace_back(title_ = title); });
  }
  void ShowChipInfo(const ChipInfo& info) override {
    Locked([&] { chipInfo_ = info; });
  }
  void EnableCommand(int commandId, bool enabled) override {
    Locked([&] { commands_[commandId] = enabled; });
  }
  void SelectBlockTab(int block) override {
    Locked([&] { blockTab_ = block; });
  }
  void RedrawNow() override {}
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override {
    Locked([&] { sectorTable_ = rows; });
  }
  void SetMemoryView(const MemoryView& view) override {
    Locked([&] { memoryView_ = view; });
  }
  void SetPaneTexts(std::string_view, std::string_view, std::string_view) override {}
  void ProgressSetRange(int units) override { Progressed("range " + std::to_string(units)); }
  void ProgressReset() override { Progressed("reset"); }
  void ProgressSetText(std::string_view text) override { Progressed("text " + std::string(text)); }
  void ProgressAdvance() override { Progressed("advance"); }

  void QueueAnswer(Answer answer) {
    Locked([&] { answers_.push_back(answer); });
  }
  std::vector<std::string> Messages() const {
    return Locked([&] { return messages_; });
  }
  std::vector<std::string> Traces() const {
    return Locked([&] { return traces_; });
  }
  std::vector<std::string> Progress() const {
    return Locked([&] { return progress_; });
  }
  std::vector<std::string> Titles() const {
    return Locked([&] { return titles_; });
  }
  ChipInfo ShownChipInfo() const {
    return Locked([&] { return chipInfo_; });
  }
  // -1 never touched, 0 disabled, 1 enabled.
  int CommandState(int commandId) const {
    return Locked([&] { return commands_.contains(commandId) ? static_cast<int>(commands_.at(commandId)) : -1; });
  }
  int ShownBlockTab() const {
    return Locked([&] { return blockTab_; });
  }
  std::vector<SectorTableRow> SectorTable() const {
    return Locked([&] { return sectorTable_; });
  }
  MemoryView ShownMemoryView() const {
    return Locked([&] { return memoryView_; });
  }
  void ClearRecords() {
    Locked([&] { messages_.clear(), traces_.clear(), progress_.clear(), titles_.clear(); });
  }

 private:
  template <typename F>
  auto Locked(F&& action) const -> decltype(action()) {
    std::lock_guard lock(mutex_);
    return action();
  }
  void Progressed(std::string event) {
    Locked([&] { progress_.push_back(std::move(event)); });
  }

  mutable std::mutex mutex_;
  std::deque<Answer> answers_;
  std::vector<std::string> messages_, traces_, progress_, titles_;
  std::string title_;
  ChipInfo chipInfo_;
  std::map<int, bool> commands_;
  int blockTab_ = -1;
  std::vector<SectorTableRow> sectorTable_;
  MemoryView memoryView_;
};

}  // namespace quillon::test
