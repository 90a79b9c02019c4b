#pragma once

#include <string>
#include <vector>

namespace quillon {

class CTargetChip;

// The starting-sector list of the image and save dialogs: block 0's listed sectors, then,
// when asked, block 1's numbered again from 0, each as "Sector %03d    Addr=%04X".
std::vector<std::string> SectorListEntries(const CTargetChip& chip, bool withBlock1);

// The range list of the save dialog: "All Sectors", then "%03d sectors" for 1 up to one
// less than block 0's listed sector count, whatever block the start lies in.
std::vector<std::string> RangeListEntries(const CTargetChip& chip);

}  // namespace quillon
