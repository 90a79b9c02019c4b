#include <algorithm>
#include <functional>
#include <optional>
#include <string_view>

#include "operator/messages.h"
#include "protocol/commands.h"
#include "ui/command_checks.h"
#include "ui/lock_dialog.h"
#include "ui/main_dlg.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"
#include "ui/sector_range.h"
#include "ui/sector_view.h"

namespace quillon {

namespace {

// The range dialog's choice, on the link as the command left it.
std::optional<RangeRequest> AskRange(CMainDlg& host, CTargetChip& chip) {
  CRangeDlg dialog(chip, host.Link(), host.Window());
  return dialog.DoModal(host.Window()) ? std::optional(dialog.Request()) : std::nullopt;
}

}  // namespace

void CMainDlg::OnSectorErase() {
  SectorErase([this](CTargetChip& chip) { return AskRange(*this, chip); });
}

void CMainDlg::RunSectorErase(const RangeRequest& request) {
  SectorErase([&request](CTargetChip&) { return std::optional(request); });
}

void CMainDlg::SectorErase(const Asking<RangeRequest>& ask) {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  const std::optional<RangeRequest> request = ask(*chip);
  const bool chosen = request.has_value();
  SectorRange range{};
  if (chosen) {
    range = ResolveSectorRange(*chip, request->start, request->range);
    if (range.block == 1 && chip->GetMemoryType() != MemoryExternal) {
      Fail(msg::Block1NotAvailable);
      return;
    }
    chip->SetCurrentBlock(range.block);
    Window().SelectBlockTab(range.block);
  }
  Window().RedrawNow();
  if (!chosen) {
    Note(Outcome::Declined);
    return;
  }
  const auto stride = static_cast<int>(chip->SectorSize(range.block));
  if (chip->Device().EraseSectors(static_cast<int>(range.address), stride, range.count) == 0) {
    Window().Inform(msg::SectorsEraseCompleted);
  } else if (EndedByStop(*this)) {
    return;
  } else if (Link().Queued()) {
    DropFailedQueuedLink(*this);
  } else {
    Fail(msg::SectorEraseFailed);
  }
}

void CMainDlg::OnChipErase() {
  BeginFlashCommand(*this);
  CTargetChip* chip = ConfigurationCommandTarget(*this);
  if (chip == nullptr || RefusedInQueuedLink(*this)) {
    return;
  }
  if (!Confirm(msg::ReallyProceed, Buttons::YesNo, Answer::No)) {
    return;
  }
  if (chip->Device().ChipErase() == 0) {
    Window().Inform(msg::ChipEraseCompleted);
  } else if (!EndedByStop(*this)) {
    Fail(msg::ChipEraseFailed);
  }
}

namespace {

// The block's image starts zeroed so that bytes the read does not reach show as such.
std::span<std::uint8_t> FreshBlockImage(CTargetChip& chip, int block) {
  const auto image = chip.BlockBufferToFill(block);
  std::fill_n(image.begin(), chip.BlockSize(block), std::uint8_t{0});
  return image;
}

}  // namespace

void CMainDlg::OnRead() {
  Read([this](CTargetChip& chip) { return AskRange(*this, chip); });
}

void CMainDlg::RunRead(const RangeRequest& request) {
  Read([&request](CTargetChip&) { return std::optional(request); });
}

void CMainDlg::Read(const Asking<RangeRequest>& ask) {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  // v1.1E firmware reaches block 1 in either memory mode.
  Link().ReadAllBlocks = Link().LinkMode != DirectLink;
  const std::optional<RangeRequest> request = ask(*chip);
  const bool chosen = request.has_value();
  SectorRange range{};
  if (chosen) {
    range = ResolveSectorRange(*chip, request->start, request->range);
    chip->SetCurrentBlock(range.block);
    Window().SelectBlockTab(range.block);
  }
  Window().RedrawNow();
  if (!chosen) {
    Note(Outcome::Declined);
  }
  bool failed = false;
  bool stopped = false;
  if (chosen) {
    const auto sectorSize = static_cast<int>(chip->SectorSize(range.block));
    const auto offset = range.address - chip->StartAddress(range.block);
    const int wanted = range.count * sectorSize;
    const auto image = FreshBlockImage(*chip, range.block);
    const int stored =
        chip->Device().ReadFlash(image.data() + offset, static_cast<int>(range.address), wanted, sectorSize);
    stopped = chip->Device().Stopped();
    if (stored != wanted && !stopped) {
      if (!Link().Queued()) {
        Fail(msg::UnmatchedReadCount);
        Link().ReadAllBlocks = false;
        return;
      }
      failed = true;
    }
    ShowSectorTable(*this, range.block, request->range, range.firstSector);
    FillMemoryView(range.block, range.firstSector);
  }
  ShowChipInfo();
  // What came before the stop stays in view behind the words that tell where it stopped.
  if (stopped) {
    EndedByStop(*this);
  } else if (failed) {
    DropFailedQueuedLink(*this);
  }
  Link().ReadAllBlocks = false;
}

namespace {

// Lock and remap: choose an option, confirm, program it, and ask for a reset, since the
// chip reads its new configuration only when it starts.
void ProgramConfiguration(CMainDlg& host, int (CIapDevice::*program)(int), std::string_view completed,
                          std::string_view failed, const std::function<std::optional<OptionRequest>()>& ask) {
  BeginFlashCommand(host);
  CTargetChip* chip = ConfigurationCommandTarget(host);
  if (chip == nullptr || RefusedInQueuedLink(host)) {
    return;
  }
  const std::optional<OptionRequest> request = ask();
  if (!request) {
    host.Note(Outcome::Declined);
    return;
  }
  if (!host.Confirm(msg::ReallyProceed, Buttons::YesNo, Answer::No)) {
    return;
  }
  if ((chip->Device().*program)(request->option) == 0) {
    host.Window().Inform(completed);
  } else if (!EndedByStop(host)) {
    host.Fail(failed);
  }
}

template <typename Dialog>
std::optional<OptionRequest> AskOption(CMainDlg& host) {
  Dialog dialog;
  return dialog.DoModal(host.Window()) ? std::optional(dialog.Request()) : std::nullopt;
}

// The port stays open; the next flash command needs a new detection.
void DisconnectTarget(CMainDlg& host) {
  host.ClearChipInfo();
  if (CTargetChip* chip = host.TargetChip()) {
    chip->Device().ClearConnected();
    chip->Device().PurgeInput();
  }
}

}  // namespace

void CMainDlg::OnSetLock() {
  ProgramConfiguration(*this, &CIapDevice::SetLock, msg::SetLockCompleted, msg::SetLockFailed,
                       [this] { return AskOption<CLockDlg>(*this); });
}

void CMainDlg::RunSetLock(const OptionRequest& request) {
  ProgramConfiguration(*this, &CIapDevice::SetLock, msg::SetLockCompleted, msg::SetLockFailed,
                       [&request] { return std::optional(request); });
}

void CMainDlg::OnMemoryRemap() {
  ProgramConfiguration(*this, &CIapDevice::SetRemap, msg::MemoryRemapCompleted, msg::MemoryRemapFailed,
                       [this] { return AskOption<CRemapDlg>(*this); });
}

void CMainDlg::RunMemoryRemap(const OptionRequest& request) {
  ProgramConfiguration(*this, &CIapDevice::SetRemap, msg::MemoryRemapCompleted, msg::MemoryRemapFailed,
                       [&request] { return std::optional(request); });
}

void CMainDlg::OnExecuteUserCode() {
  BeginFlashCommand(*this);
  if (Link().LinkMode != QueuedLink) {
    Fail(msg::IllegalInDirectFirmware);
    return;
  }
  CTargetChip* chip = TargetChip();
  if (chip == nullptr || Link().ChipReleased) {
    Fail(msg::NoFlashChip);
    return;
  }
  // After a link reset no worker is left to send the run command.
  if (!chip->Device().IsConnected()) {
    Fail(msg::NoTargetBoard);
    return;
  }
  if (chip->Device().RunUserCode() != 1) {
    Note(Outcome::Failed);
  }
  Link().ChipReleased = true;
  // The worker hands the run command over at the target's next ready byte; a target that
  // sends none within the ready-byte limit is lost anyway.
  const bool sent = StopLinkWorkerWhenSent(GetTiming().readySilence);
  // Code that runs leaves the boot loader silent; a target that reset on the way, or
  // never took the command whole, prompts again at once.
  CIapDevice& device = chip->Device();
  std::uint8_t prompt = 0x00;
  const bool started = sent && !(device.ReadByte(prompt) == 1 && prompt == QRV_READY) && !device.LineHungUp();
  // The output is not purged: the run command's operand may still be in the driver's
  // buffer, and nothing else can be.
  DisconnectTarget(*this);
  if (!started && device.StopRequested()) {
    device.NoteStop({StopPoint::Work::Starting, 0, 0, 0, true});
    EndedByStop(*this);
  } else if (!started) {
    Fail(msg::UserCodeNotStarted);
  }
}

void CMainDlg::OnResetLink() {
  BeginCommand();
  StopLinkWorker();
  DisconnectTarget(*this);
  if (CTargetChip* chip = TargetChip()) {
    chip->Device().PurgeOutput();
  }
  Link().LinkLost = false;
  ShowChipInfo();
}

}  // namespace quillon
