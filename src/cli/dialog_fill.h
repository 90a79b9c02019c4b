#pragma once

#include <string>

#include "cli/cli_options.h"

namespace quillon {
class DialogAnswers;
}

namespace quillon::cli {

// Answers every dialog a command may open from the command's arguments, as a person would
// fill it. The lists are built when a dialog opens, so only then can an index be judged:
// one that is not listed cancels the dialog and leaves refusal naming it.
void FillDialogs(DialogAnswers& answers, const CommandArguments& arguments, std::string& refusal);
void ClearDialogs(DialogAnswers& answers);

}  // namespace quillon::cli
