#include <initializer_list>

#include "operator/messages.h"
#include "protocol/detection.h"
#include "protocol/queued_conversation.h"
#include "ui/command_checks.h"
#include "ui/main_dlg.h"

namespace quillon {

namespace {

// OK applies the chosen chip type to the geometry.
bool RunChipTypeDialog(OperatorDialogs& dialogs, CChipTypeDlg& chip) {
  if (!dialogs.RunChipTypeDialog(chip)) {
    return false;
  }
  chip.ApplyChipType();
  return true;
}

}  // namespace

void CMainDlg::DecodeSecurity(std::uint8_t status) {
  const SecurityReading security = SecurityOf(status);
  chip_->SetSecurityState(security.state);
  info_.Security = security.text;
  if (security.note == SecurityReading::Note::UnknownLock) {
    window_.Inform(msg::UnknownChipLock);
    Note(Outcome::Warning);
  } else if (security.note == SecurityReading::Note::StopAndExit) {
    window_.Inform(msg::StopAndExit);
    Note(Outcome::Warning);
  }
}

void CMainDlg::OnAutoDetect() {
  BeginCommand();
  if (!chip_) {
    Note(Outcome::Failed);
    return;
  }
  CIapDevice& device = chip_->Device();
  if (device.IsConnected() && link_.WorkerStarted) {
    window_.Inform(msg::ChipTypeDetectedEarlier);
    Note(Outcome::Warning);
    return;
  }
  window_.Inform(msg::ResetIfAutoDetectFails);
  if (!link_.WorkerStarted && !worker_.Start(device, QueuedLinkConversation())) {
    info_.IapStatus = msg::MutexCreationFailed;
    ShowChipInfo();
    Note(Outcome::Failed);
    return;
  }
  std::uint8_t status = 0xFF;
  if (device.OpenPort() != PortOk) {
    Fail(msg::Rs232SetupFailed);
    return;
  }
  if (device.HandshakeQueued(status) != 1) {
    if (!EndedByStop(*this)) {
      Fail(msg::NoResponse);
    }
    return;
  }
  chip_->SetMemoryType(MemoryInternal);
  DecodeSecurity(status);
  if (!device.IsConnected()) {
    Fail(msg::NoTargetBoard);
    return;
  }
  info_.ReMap = RemapText(status);
  if ((status & 0x03) == 3) {
    link_.Remap4KB = true;
  } else if ((status & 0x03) != 0) {
    link_.Remap4KB = false;
  }

  const ChipIdentity identity = IdentifyChip(ReadChipId(device, timing_.handshake));
  if (device.StopRequested()) {
    device.NoteStop({StopPoint::Work::Detecting, 0, 0, 0, true});
    EndedByStop(*this);
    return;
  }
  if (identity.model != nullptr) {
    chip_->SetChipType(identity.model->chipType);
    info_.ChipType = identity.model->name;
    info_.FlashSize = identity.model->sizeText;
    chip_->ApplyChipType();
  } else {
    info_.ChipType = "????????";
    info_.FlashSize = "???????";
  }
  chip_->ResizeBlockBuffers();
  switch (identity.firmware) {
    case FirmwareReading::UnknownMajor: info_.FwVersion = "?????"; break;
    case FirmwareReading::UnknownLetter: info_.FwVersion = "v1.1?"; break;
    case FirmwareReading::V11E: info_.FwVersion = "v1.1E"; break;
  }
  if (identity.Faulty()) {
    // What was read stays in view behind the box that says it will not do.
    ShowChipInfo();
    Fail(msg::WrongFirmware);
  } else {
    info_.IapStatus = msg::HandshakingSucceed;
  }
  if (!chip_->CurrentBlockLegal()) {
    Fail(msg::IllegalBlockNumber);
    return;
  }
  info_.MemMode = "Internal";
  const bool enable = ReadableWhileLocked(chip_->GetSecurityState()) && !identity.Faulty();
  for (const int command : {IdRead, IdDownload, IdSectorErase, IdDownloadAndRun}) {
    window_.EnableCommand(command, enable);
  }
  ShowChipInfo();
  link_.ChipReleased = false;
}

void CMainDlg::OnExternalSelect() { RunSelection(DirectLinkExt); }

void CMainDlg::OnChipTypeSelect() { RunSelection(DirectLink); }

void CMainDlg::RunSelection(int linkMode) {
  BeginCommand();
  if (!chip_) {
    Note(Outcome::Failed);
    return;
  }
  CIapDevice& device = chip_->Device();
  if (link_.WorkerStarted) {
    StopLinkWorker();
  }
  // Only a worker reports a lost link; with none left, a flag it left behind is stale.
  link_.LinkLost = false;
  window_.EnableCommand(IdChipErase, false);
  window_.EnableCommand(IdDownloadAndRun, false);
  link_.LinkMode = linkMode;
  std::uint8_t status = 0xFF;
  if (!RunChipTypeDialog(window_, *chip_)) {
    if (device.IsConnected()) {
      chip_->ResizeBlockBuffers();
      Note(Outcome::Declined);
    } else {
      Fail(msg::NoTargetBoard);
    }
    return;
  }
  if (!chip_->SelectionComplete()) {
    Fail(msg::ChipInfoNotCompleted);
    return;
  }
  if (device.OpenPort() == PortOk) {
    if (device.HandshakeDirect(status) != 1) {
      if (!EndedByStop(*this)) {
        Fail(msg::NoResponse);
      }
      return;
    }
    DecodeSecurity(status);
  }
  if (!device.IsConnected()) {
    Fail(msg::NoTargetBoard);
    return;
  }
  chip_->ResizeBlockBuffers();
  const ChipModel* model = ModelOfType(chip_->GetChipType());
  info_.ChipType = model != nullptr ? model->name : "????????";
  info_.FlashSize = model != nullptr ? model->sizeText : "????????";
  info_.FwVersion = model == nullptr ? "????????" : linkMode == DirectLinkExt ? "v1.1E" : "v1.1D";
  info_.ReMap = RemapText(status);
  if (!chip_->CurrentBlockLegal()) {
    if (linkMode == DirectLink) {
      info_.IapStatus = msg::HandshakingFailed;
    }
    Fail(msg::IllegalBlockNumber);
    return;
  }
  info_.IapStatus = msg::HandshakingSucceed;

  const bool unlocked = chip_->GetSecurityState() == 0x00;
  const auto enable = [&](std::initializer_list<int> ids, bool enabled) {
    for (const int id : ids) {
      window_.EnableCommand(id, enabled);
    }
  };
  if (linkMode == DirectLinkExt) {
    chip_->SetMemoryType(MemoryExternal);
    info_.MemMode = "External";
    enable({IdChipErase}, true);
    enable({IdRead, IdDownload, IdMemoryRemap, IdSetLock, IdSectorErase}, unlocked);
  } else if (chip_->GetMemoryType() == MemoryExternal) {
    info_.MemMode = "External";
    enable({IdChipErase}, true);
    enable({IdRead, IdDownload, IdMemoryRemap, IdSectorErase}, unlocked);
    enable({IdSetLock}, false);
  } else {
    info_.MemMode = "Internal";
    enable({IdChipErase, IdMemoryRemap}, false);
    enable({IdSetLock}, unlocked);
    enable({IdRead, IdDownload, IdSectorErase}, ReadableWhileLocked(chip_->GetSecurityState()));
  }
  ShowChipInfo();
  link_.ChipReleased = false;
}

}  // namespace quillon
