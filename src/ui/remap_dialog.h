#pragma once

#include <string_view>

#include "ui/option_dialog.h"

namespace quillon {

class OperatorDialogs;

// The memory remap options, 1 to 3, each a sequence of remap bits to program.
class CRemapDlg : public COptionDlg {
 public:
  static constexpr std::string_view Title = "Memory Remap Menu";
  static constexpr std::string_view GroupTitle = "Memory Remap Menu";

  CRemapDlg();
  bool DoModal(OperatorDialogs& dialogs);
};

}  // namespace quillon
