#include "ui/command_checks.h"

#include <optional>

#include "operator/messages.h"
#include "ui/main_dlg.h"

namespace quillon {

void BeginFlashCommand(CMainDlg& host) {
  host.BeginCommand();
  host.Info().IapStatus.clear();
  host.ShowChipInfo();
}

CTargetChip* SectorCommandTarget(CMainDlg& host) {
  CTargetChip* chip = host.TargetChip();
  if (chip == nullptr) {
    host.Fail(msg::NoFlashChip);
    return nullptr;
  }
  chip->ApplyChipType();
  if (!chip->Device().IsConnected()) {
    host.Fail(msg::NoTargetBoard);
    return nullptr;
  }
  if (host.Link().ChipReleased) {
    host.Fail(msg::NoFlashChip);
    return nullptr;
  }
  if (!chip->CurrentBlockLegal()) {
    host.Fail(msg::IllegalBlockNumber);
    return nullptr;
  }
  return chip;
}

CTargetChip* ConfigurationCommandTarget(CMainDlg& host) {
  CTargetChip* chip = host.TargetChip();
  if (chip == nullptr) {
    host.Fail(msg::NoFlashChip);
    return nullptr;
  }
  if (!chip->Device().IsConnected()) {
    host.Fail(msg::NoTargetBoard);
    return nullptr;
  }
  return chip;
}

bool RefusedInQueuedLink(CMainDlg& host) {
  if (!host.Link().Queued()) {
    return false;
  }
  host.Fail(msg::IllegalInInternalFirmware);
  return true;
}

void DropFailedQueuedLink(CMainDlg& host) {
  if (host.Link().Queued() && !host.Link().LinkLost) {
    host.StopLinkWorker();
    host.Link().SetLinkLost();
    // Until the watchdog has told it, no command may take the link for a live one.
    if (CTargetChip* chip = host.TargetChip()) {
      chip->Device().ClearConnected();
    }
  }
  host.Note(Outcome::Failed);
}

bool EndedByStop(CMainDlg& host) {
  CTargetChip* chip = host.TargetChip();
  const std::optional<StopPoint> point = chip != nullptr ? chip->Device().TakeStopPoint() : std::nullopt;
  if (!point) {
    return false;
  }
  if (!point->inStep) {
    host.StopLinkWorker();
    host.ClearChipInfo();
    chip->Device().ClearConnected();
    chip->Device().PurgeInput();
  }
  host.Window().Inform(StopText(*point));
  host.Note(Outcome::Stopped);
  return true;
}

}  // namespace quillon
