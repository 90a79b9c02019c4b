#include "ui/compare_dialog.h"

#include "ui/operator.h"

namespace quillon {

bool CCompareDlg::DoModal(OperatorDialogs& dialogs) {
  return Modal([&] { return dialogs.RunCompareDialog(*this); });
}

}  // namespace quillon
