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
  void Inform(std::string_view text) override { Append(messages_, text); }
  Answer Ask(std::string_view text, Buttons, Answer defaultAnswer) override {
    return Locked([&] {
      messages_.emplace_back(text);
      const Answer answer = answers_.empty() ? defaultAnswer : answers_.front();
      if (!answers_.empty()) answers_.pop_front();
      return answer;
    });
  }
  void Trace(std::string_view text) override { Append(traces_, text); }

  std::string Title() const override { return Read(title_); }
  void SetTitle(std::string_view title) override {
    Locked([&] { titles_.emplace_back(title_ = title); });
  }
  void ShowChipInfo(const ChipInfo& info) override { Store(chipInfo_, info); }
  void EnableCommand(int commandId, bool enabled) override {
    Locked([&] { commands_[commandId] = enabled; });
  }
  void SelectBlockTab(int block) override { Store(blockTab_, block); }
  void RedrawNow() override {}
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override { Store(sectorTable_, rows); }
  void SetMemoryView(const MemoryView& view) override { Store(memoryView_, view); }
  void SetPaneTexts(std::string_view, std::string_view, std::string_view) override {}
  void ProgressSetRange(int units) override { Append(progress_, "range " + std::to_string(units)); }
  void ProgressReset() override { Append(progress_, "reset"); }
  void ProgressSetText(std::string_view text) override { Append(progress_, "text " + std::string(text)); }
  void ProgressAdvance() override { Append(progress_, "advance"); }

  void QueueAnswer(Answer answer) { Append(answers_, answer); }
  std::vector<std::string> Messages() const { return Read(messages_); }
  std::vector<std::string> Traces() const { return Read(traces_); }
  std::vector<std::string> Progress() const { return Read(progress_); }
  std::vector<std::string> Titles() const { return Read(titles_); }
  ChipInfo ShownChipInfo() const { return Read(chipInfo_); }
  // -1 never touched, 0 disabled, 1 enabled.
  int CommandState(int commandId) const {
    return Locked([&] { return commands_.contains(commandId) ? static_cast<int>(commands_.at(commandId)) : -1; });
  }
  int ShownBlockTab() const { return Read(blockTab_); }
  std::vector<SectorTableRow> SectorTable() const { return Read(sectorTable_); }
  MemoryView ShownMemoryView() const { return Read(memoryView_); }
  void ClearRecords() {
    Locked([&] { messages_.clear(), traces_.clear(), progress_.clear(), titles_.clear(); });
  }

 private:
  template <typename F>
  auto Locked(F&& action) const -> decltype(action()) {
    std::lock_guard lock(mutex_);
    return action();
  }
  template <typename T, typename V>
  void Store(T& field, const V& value) {
    Locked([&] { field = value; });
  }
  template <typename T, typename V>
  void Append(T& records, const V& value) {
    Locked([&] { records.emplace_back(value); });
  }
  template <typename T>
  T Read(const T& field) const {
    return Locked([&] { return field; });
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
