#pragma once

#include <span>
#include <string_view>

#include "ui/command_request.h"

namespace quillon {

// One radio button of an option dialog: its control, the option it stands for, its text.
struct OptionChoice {
  int controlId;
  int option;
  std::string_view text;
};

// A dialog that offers numbered options as radio buttons. Nothing is chosen when it
// opens, so OK without a click hands back option 0, which no command accepts.
class COptionDlg {
 public:
  explicit COptionDlg(std::span<const OptionChoice> choices) : choices_(choices) {}
  virtual ~COptionDlg() = default;

  // A click chooses its button's option at once.
  void Click(int controlId);
  bool IsChecked(int controlId) const;
  int GetOption() const { return option_; }
  OptionRequest Request() const { return {option_}; }
  std::span<const OptionChoice> Choices() const { return choices_; }

 private:
  std::span<const OptionChoice> choices_;
  int option_ = 0;
};

}  // namespace quillon
