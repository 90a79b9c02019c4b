#include <chrono>

#include "operator/operator.h"
#include "protocol/commands.h"
#include "protocol/iap_device.h"
#include "protocol/operation_progress.h"
#include "protocol/reply_bytes.h"

namespace quillon {

namespace {

constexpr std::string_view ConfirmationFailed = "\nChip-erase confirmation failed\n";
constexpr std::string_view UnableToErase = "\nUnable to erase the chip\n";

// Erasing the whole chip takes far longer than one byte's wait, so the status byte is
// awaited in byte-wait slices up to the chip-erase limit, keeping a window painted.
bool AwaitChipEraseStatus(CIapDevice& device, std::uint8_t& status) {
  const auto deadline = std::chrono::steady_clock::now() + device.GetTiming().chipEraseStatus;
  while (device.ReadByte(status) != 1) {
    if (std::chrono::steady_clock::now() >= deadline || device.LineHungUp()) {
      return false;
    }
    // The target goes on erasing and its status byte comes later: the link is out of step.
    if (device.StopRequested()) {
      device.NoteStop({StopPoint::Work::ChipErasing, 0, 0, 0, true, false});
      return false;
    }
    device.Window().Pump();
  }
  return true;
}

}  // namespace

int CIapDevice::EraseSectors(int start, int stride, int count) {
  stopPoint_.reset();
  BeginProgress(window_, count, stride, msg::Erasing);
  auto address = static_cast<std::uint32_t>(start);
  bool erased = true;
  const auto first = address;
  for (int sector = 0; sector < count && erased; ++sector) {
    if (StopRequested()) {
      NoteStop({StopPoint::Work::Erasing, address, first, address - 1, sector > 0});
      break;
    }
    std::uint8_t status = 0;
    erased = SendFrame(QRV_CMD_ERASE, address, 0x01) == 1 && ReceiveReply(*this, &status, 1) && status == QRV_DONE;
    if (erased) {
      window_.ProgressAdvance();
      address += static_cast<std::uint32_t>(stride);
    } else if (StopRequested()) {
      NoteStop(
          {StopPoint::Work::Erasing, address, first, address + static_cast<std::uint32_t>(stride) - 1, true, false});
    }
  }
  erased = erased && !stopPoint_;
  return EndProgress(window_, erased);
}

int CIapDevice::ChipErase() {
  stopPoint_.reset();
  // The link worker knows no chip erase: it would leave the operands queued for the next
  // command and swallow the status byte, so the queued link never sends one.
  if (link_.Queued() || SendFrame(QRV_CMD_CHIP_ERASE, 0x0000, 0x01) != 1) {
    return -1;
  }
  std::uint8_t status = 0;
  if (!AwaitChipEraseStatus(*this, status)) {
    if (stopPoint_) {
      return -1;
    }
    window_.Trace(ConfirmationFailed);
    return -1;
  }
  if (status != QRV_DONE) {
    window_.Trace(UnableToErase);
    return -1;
  }
  return 0;
}

}  // namespace quillon
