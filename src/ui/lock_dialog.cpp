#include "ui/lock_dialog.h"

#include "ui/operator.h"

namespace quillon {

namespace {

constexpr OptionChoice LockChoices[] = {
    {1064, 1, "L2 Hard Lock Block 0, 1 (PROG-SB1)"},
    {1065, 2, "L3 Hard Lock Block 0, 1 (PROG-SB1, SB2)"},
    {1066, 3, "L3 Soft Lock Block 0, 1 (PROG-SB2)"},
    {1067, 4, "L3 Soft Lock Block 0, Hard Lock Block 1 (PROG-SB3)"},
    {1068, 5, "L4 Hard Lock Block 0, 1 (PROG-SB1, SB2, SB3)"},
};

}  // namespace

CLockDlg::CLockDlg() : COptionDlg(LockChoices) {}

bool CLockDlg::DoModal(OperatorDialogs& dialogs) { return dialogs.RunLockDialog(*this); }

}  // namespace quillon
