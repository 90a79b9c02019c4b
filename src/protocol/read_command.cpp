#include <algorithm>

#include "protocol/command_checks.h"
#include "protocol/range_dialog.h"
#include "protocol/sector_range.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"
#include "ui/sector_view.h"

namespace quillon {

namespace {

// The block's image starts zeroed so that bytes the read does not reach show as such.
std::span<std::uint8_t> FreshBlockImage(CTargetChip& chip, int block) {
  const auto image = chip.BlockBufferToFill(block);
  std::fill_n(image.begin(), chip.BlockSize(block), std::uint8_t{0});
  return image;
}

}  // namespace

void CMainDlg::OnRead() {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  // v1.1E firmware reaches block 1 in either memory mode.
  Link().ReadAllBlocks = Link().LinkMode != DirectLink;
  CRangeDlg dialog(*chip, Link(), Window());
  const bool chosen = dialog.DoModal(Window());
  SectorRange range{};
  if (chosen) {
    range = ResolveSectorRange(*chip, dialog.GetChosenStart(), dialog.GetChosenRange());
    chip->SetCurrentBlock(range.block);
    Window().SelectBlockTab(range.block);
  }
  Window().RedrawNow();
  bool failed = false;
  if (chosen) {
    const auto sectorSize = static_cast<int>(chip->SectorSize(range.block));
    const auto offset = range.address - chip->StartAddress(range.block);
    const int wanted = range.count * sectorSize;
    const auto image = FreshBlockImage(*chip, range.block);
    const int stored =
        chip->Device().ReadFlash(image.data() + offset, static_cast<int>(range.address), wanted, sectorSize);
    if (stored != wanted) {
      if (!Link().Queued()) {
        Window().Inform(msg::UnmatchedReadCount);
        Link().ReadAllBlocks = false;
        return;
      }
      failed = true;
    }
    ShowSectorTable(*this, range.block, dialog.GetChosenRange(), range.firstSector);
    FillMemoryView(range.block, range.firstSector);
  }
  ShowChipInfo();
  if (failed) {
    DropFailedQueuedLink(*this);
  }
  Link().ReadAllBlocks = false;
}

}  // namespace quillon
