#include <string_view>

#include "protocol/command_checks.h"
#include "protocol/lock_dialog.h"
#include "protocol/remap_dialog.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

namespace {

// Lock and remap: choose an option, confirm, program it, and ask for a reset, since the
// chip reads its new configuration only when it starts.
template <typename Dialog>
void ProgramConfiguration(CMainDlg& host, int (CIapDevice::*program)(int), std::string_view completed,
                          std::string_view failed) {
  BeginFlashCommand(host);
  CTargetChip* chip = ConfigurationCommandTarget(host);
  if (chip == nullptr || RefusedInQueuedLink(host)) {
    return;
  }
  Dialog dialog;
  if (!dialog.DoModal(host.Window()) ||
      host.Window().Ask(msg::ReallyProceed, Buttons::YesNo, Answer::No) != Answer::Yes) {
    return;
  }
  host.Window().Inform((chip->Device().*program)(dialog.GetOption()) == 0 ? completed : failed);
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
  ProgramConfiguration<CLockDlg>(*this, &CIapDevice::SetLock, msg::SetLockCompleted, msg::SetLockFailed);
}

void CMainDlg::OnMemoryRemap() {
  ProgramConfiguration<CRemapDlg>(*this, &CIapDevice::SetRemap, msg::MemoryRemapCompleted, msg::MemoryRemapFailed);
}

void CMainDlg::OnExecuteUserCode() {
  BeginFlashCommand(*this);
  if (Link().LinkMode != QueuedLink) {
    Window().Inform(msg::IllegalInDirectFirmware);
    return;
  }
  CTargetChip* chip = TargetChip();
  if (chip == nullptr || Link().ChipReleased) {
    Window().Inform(msg::NoFlashChip);
    return;
  }
  chip->Device().RunUserCode();
  Link().ChipReleased = true;
  // The worker hands the run command over at the target's next ready byte; a target that
  // sends none within the ready-byte limit is lost anyway.
  Worker().StopWhenSent(GetTiming().readySilence);
  // The output is not purged: the run command's operand may still be in the driver's
  // buffer, and nothing else can be.
  DisconnectTarget(*this);
}

void CMainDlg::OnResetLink() {
  StopLinkWorker();
  DisconnectTarget(*this);
  if (CTargetChip* chip = TargetChip()) {
    chip->Device().PurgeOutput();
  }
  Link().LinkLost = false;
  ShowChipInfo();
}

}  // namespace quillon
