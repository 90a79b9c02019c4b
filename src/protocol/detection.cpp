#include "protocol/commands.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

namespace {

constexpr std::uint8_t ChipIdQRV71A16 = 0xE4;
constexpr std::uint8_t ChipIdQRV71A32 = 0xE2;
constexpr std::uint8_t FirmwareMajor11 = 0x11;
constexpr std::uint8_t FirmwareLetterE = 0x45;

const char* RemapText(std::uint8_t status) {
  switch (status & 0x03) {
    case 1: return "1 KByte";
    case 2: return "2 KByte";
    case 3: return "4 KByte";
    default: return "Disabled";
  }
}

bool ReadableWhileLocked(std::uint8_t securityState) {
  return securityState == 0x00 || securityState == 0x20 || securityState == 0x40;
}

}  // namespace

int CMainDlg::DecodeSecurity(std::uint8_t status) {
  const std::uint8_t state = status & 0xE0;
  chip_->SetSecurityState(state);
  switch (state) {
    case 0x00: info_.Security = "SECURITY : CHIP IS UNLOCKED"; break;
    case 0x20: info_.Security = "SECURITY : BLOCK 0 IS SOFTLOCKED & BLOCK 1 IS HARDLOCKED"; break;
    case 0x40: info_.Security = "SECURITY : BLOCK 0 & 1 ARE SOFTLOCKED"; break;
    case 0x60:
      info_.Security = "SECURITY : UNKNOWN";
      window_.Inform(msg::UnknownChipLock);
      return -1;
    case 0x80: info_.Security = "SECURITY : CHIP IS LEVEL 2 HARDLOCKED"; break;
    case 0xA0:
    case 0xC0: info_.Security = "SECURITY : CHIP IS LEVEL 3 HARDLOCKED"; break;
    default:
      info_.Security = "SECURITY : CHIP IS LEVEL 4 HARDLOCKED";
      window_.Inform(msg::StopAndExit);
      break;
  }
  return 0;
}

void CMainDlg::OnAutoDetect() {
  if (!chip_) {
    return;
  }
  CIapDevice& device = chip_->Device();
  if (device.IsConnected() && link_.WorkerStarted) {
    window_.Inform(msg::ChipTypeDetectedEarlier);
    return;
  }
  window_.Inform(msg::ResetIfAutoDetectFails);
  if (!link_.WorkerStarted && !worker_.Start(device)) {
    info_.IapStatus = msg::MutexCreationFailed;
    ShowChipInfo();
    return;
  }
  link_.LinkMode = QueuedLink;
  std::uint8_t status = 0xFF;
  std::uint8_t id[3] = {0xFF, 0xFF, 0xFF};
  if (device.OpenPort() != PortOk) {
    window_.Inform(msg::Rs232SetupFailed);
    return;
  }
  if (device.HandshakeQueued(status) != 1) {
    window_.Inform(msg::NoResponse);
    return;
  }
  chip_->SetMemoryType(MemoryInternal);
  DecodeSecurity(status);
  if (!device.IsConnected()) {
    window_.Inform(msg::NoTargetBoard);
    return;
  }
  info_.ReMap = RemapText(status);
  if ((status & 0x03) == 3) {
    link_.Remap4KB = true;
  } else if ((status & 0x03) != 0) {
    link_.Remap4KB = false;
  }

  if (const auto queues = link_.queues;
      queues && device.GuardedPut(queues->CommandQueue, queues->CommandMutex, QRV_CMD_READ_ID) == QueueDone) {
    for (std::uint8_t& byte : id) {
      if (device.AwaitReply(byte, timing_.handshake) != 1) {
        break;
      }
    }
  }

  bool faulty = false;
  if (id[0] == ChipIdQRV71A32 || id[0] == ChipIdQRV71A16) {
    const bool a32 = id[0] == ChipIdQRV71A32;
    chip_->SetChipType(a32 ? ChipQRV71A32 : ChipQRV71A16);
    info_.ChipType = a32 ? "QRV71A32" : "QRV71A16";
    info_.FlashSize = a32 ? "32+4 KB" : "16+4 KB";
    chip_->ApplyChipType();
  } else {
    info_.ChipType = "????????";
    info_.FlashSize = "???????";
    faulty = true;
  }
  chip_->ResizeBlockBuffers();
  if (id[1] != FirmwareMajor11) {
    info_.FwVersion = "?????";
    faulty = true;
  } else if (id[2] != FirmwareLetterE) {
    info_.FwVersion = "v1.1?";
    faulty = true;
  } else {
    info_.FwVersion = "v1.1E";
  }
  if (faulty) {
    window_.Inform(msg::WrongFirmware);
  } else {
    info_.IapStatus = msg::HandshakingSucceed;
  }
  if (!chip_->CurrentBlockLegal()) {
    window_.Inform(msg::IllegalBlockNumber);
    return;
  }
  info_.MemMode = "Internal";
  const bool enable = ReadableWhileLocked(chip_->GetSecurityState()) && !faulty;
  for (const int command : {IdRead, IdDownload, IdSectorErase, IdDownloadAndRun}) {
    window_.EnableCommand(command, enable);
  }
  ShowChipInfo();
  link_.ChipReleased = false;
}

void CMainDlg::OnExternalSelect() { RunSelection(DirectLinkExt); }

void CMainDlg::OnChipTypeSelect() { RunSelection(DirectLink); }

void CMainDlg::RunSelection(int linkMode) {
  if (!chip_) {
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
  if (!chip_->DoModal(window_)) {
    if (device.IsConnected()) {
      chip_->ResizeBlockBuffers();
    } else {
      window_.Inform(msg::NoTargetBoard);
    }
    return;
  }
  if (!chip_->SelectionComplete()) {
    window_.Inform(msg::ChipInfoNotCompleted);
    return;
  }
  if (device.OpenPort() == PortOk) {
    if (device.HandshakeDirect(status) != 1) {
      window_.Inform(msg::NoResponse);
      return;
    }
    DecodeSecurity(status);
  }
  if (!device.IsConnected()) {
    window_.Inform(msg::NoTargetBoard);
    return;
  }
  chip_->ResizeBlockBuffers();
  const int chipType = chip_->GetChipType();
  const bool known = chipType == ChipQRV71A16 || chipType == ChipQRV71A32;
  info_.ChipType = chipType == ChipQRV71A16 ? "QRV71A16" : chipType == ChipQRV71A32 ? "QRV71A32" : "????????";
  info_.FlashSize = chipType == ChipQRV71A16 ? "16+4 KB" : chipType == ChipQRV71A32 ? "32+4 KB" : "????????";
  info_.FwVersion = !known ? "????????" : linkMode == DirectLinkExt ? "v1.1E" : "v1.1D";
  info_.ReMap = RemapText(status);
  if (!chip_->CurrentBlockLegal()) {
    if (linkMode == DirectLink) {
      info_.IapStatus = msg::HandshakingFailed;
    }
    window_.Inform(msg::IllegalBlockNumber);
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
