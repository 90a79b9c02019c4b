#pragma once

#include <string_view>

#include "ui/option_dialog.h"

namespace quillon {

class OperatorDialogs;

// The security lock options, 1 to 5, each a sequence of lock bits to program.
class CLockDlg : public COptionDlg {
 public:
  static constexpr std::string_view Title = "C Type Lock Menu";
  static constexpr std::string_view GroupTitle = "Lock Chip Menu";

  CLockDlg();
  bool DoModal(OperatorDialogs& dialogs);
};

}  // namespace quillon
