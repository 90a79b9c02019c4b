#include "cli/cli_operator.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>

#include "cli/view_text.h"

namespace quillon::cli {

CliOperator::CliOperator(bool assumeYes, bool trace, std::FILE* out, std::FILE* err)
    : ownAnswers_(std::make_unique<QuestionAnswers>(assumeYes, false,
                                                    [this](std::string_view choices) -> std::optional<std::string> {
                                                      if (!interactive_ || !::isatty(STDIN_FILENO)) {
                                                        return std::nullopt;
                                                      }
                                                      std::fprintf(out_, "%.*s ", static_cast<int>(choices.size()),
                                                                   choices.data());
                                                      std::fflush(out_);
                                                      std::string line;
                                                      std::getline(std::cin, line);
                                                      return line;
                                                    })),
      answers_(*ownAnswers_),
      trace_(trace),
      out_(out),
      err_(err),
      interactive_(::isatty(::fileno(out)) != 0),
      bar_(out, interactive_) {}

CliOperator::CliOperator(QuestionAnswers& answers, bool trace, std::FILE* out, std::FILE* err)
    : answers_(answers),
      trace_(trace),
      out_(out),
      err_(err),
      interactive_(out != nullptr && ::isatty(::fileno(out)) != 0),
      bar_(out, interactive_) {}

RunRecord CliOperator::Record() const {
  std::lock_guard lock(mutex_);
  return record_;
}

void CliOperator::PrintLines(const std::string& lines) {
  if (out_ == nullptr) {
    return;
  }
  bar_.CloseLine();
  std::fputs(lines.c_str(), out_);
  std::fflush(out_);
}

void CliOperator::Print(std::string_view text) {
  if (out_ == nullptr) {
    return;
  }
  bar_.CloseLine();
  std::fprintf(out_, "%.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(out_);
}

void CliOperator::Inform(std::string_view text) {
  std::lock_guard lock(mutex_);
  record_.said.emplace_back(text);
  if (!detection_.Holds(text)) {
    Print(text);
  }
}

Answer CliOperator::Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) {
  std::lock_guard lock(mutex_);
  record_.said.emplace_back(text);
  Print(text);
  if (const std::optional<Answer> answer = answers_.Decide(text, buttons)) {
    return *answer;
  }
  if (record_.unanswered.empty()) {
    record_.unanswered = text.substr(text.rfind('\n') + 1);
  }
  return defaultAnswer;
}

void CliOperator::BeginDetectionReport() {
  std::lock_guard lock(mutex_);
  detection_.Begin();
}

void CliOperator::EndDetectionReport(bool printChipInfo) {
  std::lock_guard lock(mutex_);
  std::vector<std::string> held;
  if (detection_.End(held) && printChipInfo) {
    PrintLines(ChipInfoText(chipInfo_));
  }
  for (const auto& text : held) {
    Print(text);
  }
}

void CliOperator::PrintHeldTraces() {
  std::lock_guard lock(mutex_);
  for (const auto& held : heldTraces_) {
    std::fprintf(err_, "%s", held.c_str());
    const std::size_t from = held.find_first_not_of('\n');
    if (from != std::string::npos) {
      record_.said.push_back(held.substr(from, held.find_last_not_of('\n') + 1 - from));
    }
  }
  heldTraces_.clear();
}

void CliOperator::PrintLine(std::string_view text) {
  std::lock_guard lock(mutex_);
  Print(text);
}

void CliOperator::PrintError(std::string_view text) {
  std::lock_guard lock(mutex_);
  record_.said.emplace_back(text);
  bar_.CloseLine();
  std::fprintf(err_, "quillon-cli: %.*s\n", static_cast<int>(text.size()), text.data());
  std::fflush(err_);
}

void CliOperator::Trace(std::string_view text) {
  std::lock_guard lock(mutex_);
  if (trace_) {
    bar_.CloseLine();
    std::fprintf(err_, "%.*s", static_cast<int>(text.size()), text.data());
    std::fflush(err_);
  } else {
    heldTraces_.emplace_back(text);
  }
}

void CliOperator::ShowChipInfo(const ChipInfo& info) {
  std::lock_guard lock(mutex_);
  chipInfo_ = info;
  if (!info.ChipType.empty()) {
    detection_.ChipShown();
    record_.knownChip = info;
  }
}

void CliOperator::EnableCommand(int commandId, bool enabled) {
  std::lock_guard lock(mutex_);
  commandsEnabled_[commandId] = enabled;
}

bool CliOperator::CommandDisabled(int commandId) const {
  std::lock_guard lock(mutex_);
  const auto found = commandsEnabled_.find(commandId);
  return found != commandsEnabled_.end() && !found->second;
}

void CliOperator::PrintChipInfo() {
  std::lock_guard lock(mutex_);
  PrintLines(ChipInfoText(chipInfo_));
}

void CliOperator::SetSectorTable(const std::vector<SectorTableRow>& rows) {
  if (!printViews_) {
    return;
  }
  std::lock_guard lock(mutex_);
  record_.sectors = rows;
  PrintLines(SectorTableText(rows));
}

void CliOperator::SetMemoryView(const MemoryView& view) {
  if (!printViews_) {
    return;
  }
  std::lock_guard lock(mutex_);
  record_.memory = view;
  PrintLines(MemoryViewText(view));
}

void CliOperator::ProgressStageBegin(int units, int unitBytes, std::string_view label) {
  std::lock_guard lock(mutex_);
  bar_.Begin(units, unitBytes, label);
}

void CliOperator::ProgressStageEnd(std::string_view outcome) {
  std::lock_guard lock(mutex_);
  bar_.End(outcome);
}

void CliOperator::ProgressAdvance() {
  std::lock_guard lock(mutex_);
  bar_.Advance();
}

}  // namespace quillon::cli
