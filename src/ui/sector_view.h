#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "ui/sector_rows.h"

namespace quillon {

class CMainDlg;
struct BlockGeometry;

// The rows of the sector table for one block image: each sector's number, addresses and
// status. An all-0xFF sector is "Blank". An all-0x00 sector is taken for one that was
// read ("Not Blank") below availableBound and for one never read ("Not Avail.") from it
// on, since the image starts zeroed; a bound of 0 or less means none was read for sure.
std::vector<SectorTableRow> SectorTableRows(std::span<const std::uint8_t> image, const BlockGeometry& geometry,
                                            int availableBound, int hotRow);

// One sector of a block image, sixteen bytes a row, as hexadecimal and as characters.
MemoryView SectorMemoryView(std::span<const std::uint8_t> image, const BlockGeometry& geometry, int sector);

// The character column shows '!' to 'n' as themselves and everything else as '*', which
// keeps blanks, control bytes and the upper half out of a fixed-width column.
char AsciiCell(std::uint8_t byte);

// Shows the sector table of a block with the given row hot; nothing changes when the
// block has no image yet.
void ShowSectorTable(CMainDlg& host, int block, int availableBound, int hotRow);

}  // namespace quillon
