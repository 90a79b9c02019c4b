#include "ui/sector_view.h"

#include <algorithm>
#include <cstdio>

#include "operator/messages.h"
#include "protocol/target_chip.h"
#include "ui/main_dlg.h"

namespace quillon {

namespace {

template <typename... Values>
std::string Format(const char* format, Values... values) {
  char text[64];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

bool AllBytes(std::span<const std::uint8_t> bytes, std::uint8_t value) {
  return std::all_of(bytes.begin(), bytes.end(), [value](std::uint8_t byte) { return byte == value; });
}

std::string SectorStatus(std::span<const std::uint8_t> sector, int index, int availableBound) {
  if (AllBytes(sector, 0xFF)) {
    return "Blank";
  }
  if (!AllBytes(sector, 0x00) || index < availableBound) {
    return "Not Blank";
  }
  return "Not Avail.";
}

std::string HexBytes(std::span<const std::uint8_t, 8> b) {
  return Format("%02X %02X %02X %02X %02X %02X %02X %02X", b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]);
}

// The block's image as far as its geometry reaches, or nothing when there is no image
// (before the first detection) or it is shorter than the geometry says.
std::span<const std::uint8_t> BlockImage(CMainDlg& host, int block) {
  CTargetChip* chip = host.TargetChip();
  if (chip == nullptr) {
    return {};
  }
  const auto image = chip->BlockBuffer(block);
  if (image.empty() || image.size() < chip->BlockSize(block)) {
    return {};
  }
  return image.first(chip->BlockSize(block));
}

}  // namespace

std::vector<SectorTableRow> SectorTableRows(std::span<const std::uint8_t> image, const BlockGeometry& geometry,
                                            int availableBound, int hotRow) {
  std::vector<SectorTableRow> rows;
  std::uint32_t first = geometry.StartAddress;
  for (std::uint32_t i = 0; i < geometry.SectorCount; ++i) {
    const std::uint32_t last = first + geometry.SectorSize - 1;
    const auto index = static_cast<int>(i);
    rows.push_back({Format("%03u", i), Format("%04X", first), Format("%04X", last), Format("%05u", first),
                    SectorStatus(image.subspan(i * geometry.SectorSize, geometry.SectorSize), index, availableBound),
                    index == hotRow});
    first = last + 1;
  }
  return rows;
}

MemoryView SectorMemoryView(std::span<const std::uint8_t> image, const BlockGeometry& geometry, int sector) {
  MemoryView view{Format("SECTOR %03d", sector), {}};
  const auto offset = static_cast<std::uint32_t>(sector) * geometry.SectorSize;
  for (std::uint32_t row = 0; row < geometry.SectorSize / 16; ++row) {
    const std::uint32_t address = geometry.StartAddress + offset + 16 * row;
    const auto bytes = image.subspan(offset + 16 * row).first<16>();
    std::string ascii;
    std::transform(bytes.begin(), bytes.end(), std::back_inserter(ascii), AsciiCell);
    view.Rows.push_back({Format("%04X - %04X", address, address + 15),
                         HexBytes(bytes.first<8>()) + " - " + HexBytes(bytes.last<8>()), ascii});
  }
  return view;
}

char AsciiCell(std::uint8_t byte) { return byte > 0x20 && byte < 0x6F ? static_cast<char>(byte) : '*'; }

void ShowSectorTable(CMainDlg& host, int block, int availableBound, int hotRow) {
  const auto image = BlockImage(host, block);
  if (!image.empty()) {
    host.Window().SetSectorTable(SectorTableRows(image, host.TargetChip()->Geometry(block), availableBound, hotRow));
  }
}

void CMainDlg::FillSectorTable(int block, int availableBound) { ShowSectorTable(*this, block, availableBound, 0); }

void CMainDlg::FillMemoryView(int block, int sector) {
  const auto image = BlockImage(*this, block);
  if (image.empty() || sector < 0 || sector >= static_cast<int>(TargetChip()->SectorCount(block))) {
    return;
  }
  Window().SetMemoryView(SectorMemoryView(image, TargetChip()->Geometry(block), sector));
}

void CMainDlg::OnTabChange(int selectedTab) {
  CTargetChip* chip = TargetChip();
  if (chip == nullptr) {
    return;
  }
  const int block = selectedTab == 1 ? 1 : 0;
  chip->SetCurrentBlock(block);
  Window().SelectBlockTab(block);
  FillSectorTable(block, -1);
  FillMemoryView(block, 0);
}

void CMainDlg::OnListClick(int row) {
  CTargetChip* chip = TargetChip();
  if (chip == nullptr) {
    return;
  }
  if (!chip->CurrentBlockLegal()) {
    Window().Inform(msg::IllegalBlockNumber);
    return;
  }
  FillMemoryView(chip->GetCurrentBlock(), row);
}

}  // namespace quillon
