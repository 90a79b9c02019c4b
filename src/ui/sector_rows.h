#pragma once

#include <string>
#include <vector>

namespace quillon {

// One row of the sector table: "%03d", "%04X", "%04X", "%05d" and the status.
struct SectorTableRow {
  std::string Sector;
  std::string HexFrom;
  std::string HexTo;
  std::string DecFrom;
  std::string Status;
  bool Hot = false;  // the row the list shows as under the pointer
};

struct MemoryViewRow {
  std::string Range;
  std::string Memory;
  std::string Ascii;
};

// The bytes of one sector; Heading is the first column's title, "SECTOR %03d".
struct MemoryView {
  std::string Heading = "SECTOR ???";
  std::vector<MemoryViewRow> Rows;
};

}  // namespace quillon
