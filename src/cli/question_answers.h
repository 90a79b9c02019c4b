#pragma once

#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "operator/operator.h"

namespace quillon::cli {

// How the questions of a run are answered: Yes or OK for all with --yes; otherwise by the
// person at the terminal, where anything but y or o, an empty line too, is No. Shared by
// the ports of a gang, it keeps each question's first answer for every port that asks it
// later, so that the person answers once.
class QuestionAnswers {
 public:
  // Offers the choices ("[y/N]") and returns the reply; none when nobody can answer.
  using Prompter = std::function<std::optional<std::string>(std::string_view choices)>;

  QuestionAnswers(bool assumeYes, bool shared, Prompter prompter)
      : assumeYes_(assumeYes), shared_(shared), prompter_(std::move(prompter)) {}

  // None when nobody could answer: no --yes, and no one at a terminal.
  std::optional<Answer> Decide(std::string_view question, Buttons buttons);

 private:
  // Held while the person thinks, so that the ports asking the same question wait for
  // that answer rather than ask again.
  std::mutex mutex_;
  bool assumeYes_;
  bool shared_;
  Prompter prompter_;
  std::map<std::string, Answer, std::less<>> given_;
};

}  // namespace quillon::cli
