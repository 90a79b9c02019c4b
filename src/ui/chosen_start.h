#pragma once

#include "ui/sector_range.h"

namespace quillon {

class CMainDlg;
class CTargetChip;

// The range index of a command that takes only a start: one sector.
inline constexpr int StartOnly = 1;

// The sectors a dialog's choice stands for, cut at the block's end. Their block becomes
// the current one and its tab is shown, as with every command that chose a start.
SectorRange TakeChosenStart(CMainDlg& host, CTargetChip& chip, int startIndex, int rangeIndex);

}  // namespace quillon
