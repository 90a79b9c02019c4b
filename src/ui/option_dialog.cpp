#include "ui/option_dialog.h"

#include <algorithm>

namespace quillon {

void COptionDlg::Click(int controlId) {
  const auto choice =
      std::find_if(choices_.begin(), choices_.end(), [&](const OptionChoice& c) { return c.controlId == controlId; });
  if (choice != choices_.end()) {
    option_ = choice->option;
  }
}

bool COptionDlg::IsChecked(int controlId) const {
  return std::any_of(choices_.begin(), choices_.end(),
                     [&](const OptionChoice& c) { return c.controlId == controlId && c.option == option_; });
}

}  // namespace quillon
