#pragma once

#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/sector_rows.h"

namespace quillon::cli {

// What a board's run said and showed, kept for the results log and --json.
struct RunRecord {
  // Every message and question, and the program's own reasons, in the order they came.
  std::vector<std::string> said;
  // The last chip information that named a chip: a link lost later clears the fields,
  // but the record should still say which chip it was.
  ChipInfo knownChip;
  // The last line of the first question nobody could answer, which took its default.
  std::string unanswered;
  // The views as the commands that print them left them.
  std::vector<SectorTableRow> sectors;
  MemoryView memory;
};

}  // namespace quillon::cli
