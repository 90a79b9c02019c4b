#pragma once

#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/sector_rows.h"

namespace quillon::cli {

// What the window shows in its panes, as lines for a terminal or a script to read, each
// ending in a newline.
std::string ChipInfoText(const ChipInfo& info);
std::string SectorTableText(const std::vector<SectorTableRow>& rows);
std::string MemoryViewText(const MemoryView& view);

}  // namespace quillon::cli
