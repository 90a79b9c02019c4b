#include "protocol/command_checks.h"

#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

void BeginFlashCommand(CMainDlg& host) {
  host.Info().IapStatus.clear();
  host.ShowChipInfo();
}

CTargetChip* SectorCommandTarget(CMainDlg& host) {
  CTargetChip* chip = host.TargetChip();
  if (chip == nullptr) {
    host.Window().Inform(msg::NoFlashChip);
    return nullptr;
  }
  chip->ApplyChipType();
  if (!chip->Device().IsConnected()) {
    host.Window().Inform(msg::NoTargetBoard);
    return nullptr;
  }
  if (host.Link().ChipReleased) {
    host.Window().Inform(msg::NoFlashChip);
    return nullptr;
  }
  if (!chip->CurrentBlockLegal()) {
    host.Window().Inform(msg::IllegalBlockNumber);
    return nullptr;
  }
  return chip;
}

CTargetChip* ConfigurationCommandTarget(CMainDlg& host) {
  CTargetChip* chip = host.TargetChip();
  if (chip == nullptr) {
    host.Window().Inform(msg::NoFlashChip);
    return nullptr;
  }
  if (!chip->Device().IsConnected()) {
    host.Window().Inform(msg::NoTargetBoard);
    return nullptr;
  }
  return chip;
}

bool RefusedInQueuedLink(CMainDlg& host) {
  if (!host.Link().Queued()) {
    return false;
  }
  host.Window().Inform(msg::IllegalInInternalFirmware);
  return true;
}

void DropFailedQueuedLink(CMainDlg& host) {
  if (host.Link().Queued() && !host.Link().LinkLost) {
    host.StopLinkWorker();
    host.Link().SetLinkLost();
  }
}

}  // namespace quillon
