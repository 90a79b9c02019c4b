#include "ui/sector_list.h"

#include <cstdio>

#include "protocol/chip_type_dialog.h"

namespace quillon {

namespace {

void AppendBlock(std::vector<std::string>& entries, const CChipTypeDlg& chip, int block) {
  for (std::uint32_t i = 0; i < chip.ListedSectorCount(block); ++i) {
    char text[32];
    std::snprintf(text, sizeof text, "Sector %03u    Addr=%04X", i,
                  chip.StartAddress(block) + i * chip.SectorSize(block));
    entries.emplace_back(text);
  }
}

}  // namespace

std::vector<std::string> SectorListEntries(const CChipTypeDlg& chip, bool withBlock1) {
  std::vector<std::string> entries;
  AppendBlock(entries, chip, 0);
  if (withBlock1) {
    AppendBlock(entries, chip, 1);
  }
  return entries;
}

std::vector<std::string> RangeListEntries(std::uint32_t count) {
  std::vector<std::string> entries;
  for (std::uint32_t k = 0; k < count; ++k) {
    char text[24];
    std::snprintf(text, sizeof text, "%03u sectors", k);
    entries.emplace_back(k == 0 ? "All Sectors" : text);
  }
  return entries;
}

void ListChoice::Fill(std::vector<std::string> entries, int selection) {
  entries_ = std::move(entries);
  selection_ = Holds(selection) ? selection : -1;
}

bool ListChoice::Select(int index) {
  if (!Holds(index)) {
    return false;
  }
  selection_ = index;
  return true;
}

}  // namespace quillon
