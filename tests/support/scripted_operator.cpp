#include "support/scripted_operator.h"

namespace quillon::test {

void ScriptedOperator::Inform(std::string_view text) {
  std::lock_guard lock(mutex_);
  messages_.emplace_back(text);
}

Answer ScriptedOperator::Ask(std::string_view text, Buttons, Answer defaultAnswer) {
  std::lock_guard lock(mutex_);
  messages_.emplace_back(text);
  if (answers_.empty()) {
    return defaultAnswer;
  }
  const Answer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

void ScriptedOperator::Trace(std::string_view text) {
  std::lock_guard lock(mutex_);
  traces_.emplace_back(text);
}

std::string ScriptedOperator::Title() const {
  std::lock_guard lock(mutex_);
  return title_;
}

void ScriptedOperator::SetTitle(std::string_view title) {
  std::lock_guard lock(mutex_);
  title_ = title;
  titles_.emplace_back(title);
}

void ScriptedOperator::ShowChipInfo(const ChipInfo& info) {
  std::lock_guard lock(mutex_);
  chipInfo_ = info;
}

void ScriptedOperator::EnableCommand(int commandId, bool enabled) {
  std::lock_guard lock(mutex_);
  commands_[commandId] = enabled;
}

void ScriptedOperator::SelectBlockTab(int block) {
  std::lock_guard lock(mutex_);
  blockTab_ = block;
}

void ScriptedOperator::SetSectorTable(const std::vector<SectorTableRow>& rows) {
  std::lock_guard lock(mutex_);
  sectorTable_ = rows;
}

void ScriptedOperator::SetMemoryView(const MemoryView& view) {
  std::lock_guard lock(mutex_);
  memoryView_ = view;
}

void ScriptedOperator::SetPaneTexts(std::string_view clock, std::string_view port, std::string_view baud) {
  std::lock_guard lock(mutex_);
  paneTexts_ = {std::string(clock), std::string(port), std::string(baud)};
}

void ScriptedOperator::ProgressSetRange(int units) {
  std::lock_guard lock(mutex_);
  progress_.push_back("range " + std::to_string(units));
}

void ScriptedOperator::ProgressReset() {
  std::lock_guard lock(mutex_);
  progress_.emplace_back("reset");
}

void ScriptedOperator::ProgressSetText(std::string_view text) {
  std::lock_guard lock(mutex_);
  progress_.push_back("text " + std::string(text));
}

void ScriptedOperator::ProgressAdvance() {
  std::lock_guard lock(mutex_);
  progress_.emplace_back("advance");
}

void ScriptedOperator::QueueAnswer(Answer answer) {
  std::lock_guard lock(mutex_);
  answers_.push_back(answer);
}

std::vector<std::string> ScriptedOperator::Messages() const {
  std::lock_guard lock(mutex_);
  return messages_;
}

std::vector<std::string> ScriptedOperator::Traces() const {
  std::lock_guard lock(mutex_);
  return traces_;
}

std::vector<std::string> ScriptedOperator::Progress() const {
  std::lock_guard lock(mutex_);
  return progress_;
}

std::vector<std::string> ScriptedOperator::Titles() const {
  std::lock_guard lock(mutex_);
  return titles_;
}

ChipInfo ScriptedOperator::ShownChipInfo() const {
  std::lock_guard lock(mutex_);
  return chipInfo_;
}

int ScriptedOperator::CommandState(int commandId) const {
  std::lock_guard lock(mutex_);
  const auto found = commands_.find(commandId);
  return found == commands_.end() ? -1 : (found->second ? 1 : 0);
}

int ScriptedOperator::ShownBlockTab() const {
  std::lock_guard lock(mutex_);
  return blockTab_;
}

std::vector<SectorTableRow> ScriptedOperator::SectorTable() const {
  std::lock_guard lock(mutex_);
  return sectorTable_;
}

MemoryView ScriptedOperator::ShownMemoryView() const {
  std::lock_guard lock(mutex_);
  return memoryView_;
}

std::vector<std::string> ScriptedOperator::PaneTexts() const {
  std::lock_guard lock(mutex_);
  return paneTexts_;
}

void ScriptedOperator::ClearRecords() {
  std::lock_guard lock(mutex_);
  messages_.clear();
  traces_.clear();
  progress_.clear();
  titles_.clear();
}

}  // namespace quillon::test
