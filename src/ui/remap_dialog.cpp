#include "ui/remap_dialog.h"

#include "ui/operator.h"

namespace quillon {

namespace {

constexpr OptionChoice RemapChoices[] = {
    {1071, 1, "Remap 1 KByte (PROG-RB0)"},
    {1072, 2, "Remap 2 KByte (PROG-RB1)"},
    {1073, 3, "Remap 4 KByte (PROG-RB0, RB1)"},
};

}  // namespace

CRemapDlg::CRemapDlg() : COptionDlg(RemapChoices) {}

bool CRemapDlg::DoModal(OperatorDialogs& dialogs) { return dialogs.RunRemapDialog(*this); }

}  // namespace quillon
