#include "cli/question_answers.h"

#include <cctype>

namespace quillon::cli {

std::optional<Answer> QuestionAnswers::Decide(std::string_view question, Buttons buttons) {
  const Answer yes = buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  const Answer no = buttons == Buttons::YesNo ? Answer::No : Answer::Cancel;
  if (assumeYes_) {
    return yes;
  }
  std::lock_guard lock(mutex_);
  if (const auto given = given_.find(question); given != given_.end()) {
    return given->second;
  }
  const auto reply = prompter_ ? prompter_(buttons == Buttons::YesNo ? "[y/N]" : "[o/C]") : std::nullopt;
  if (!reply) {
    return std::nullopt;
  }
  const char first = reply->empty() ? '\0' : static_cast<char>(std::tolower(static_cast<unsigned char>((*reply)[0])));
  const Answer answer = (first == 'y' || first == 'o') ? yes : no;
  if (shared_) {
    given_.emplace(question, answer);
  }
  return answer;
}

}  // namespace quillon::cli
