#include <chrono>

#include "protocol/commands.h"
#include "protocol/iap_device.h"
#include "protocol/operation_progress.h"
#include "protocol/reply_bytes.h"
#include "operator/operator.h"

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
    device.Window().Pump();
  }
  return true;
}

}  // namespace

int CIapDevice::EraseSectors(int start, int stride, int count) {
  BeginProgress(window_, count, stride, msg::Erasing);
  auto address = static_cast<std::uint32_t>(start);
  bool erased = true;
  for (int sector = 0; sector < count && erased; ++sector) {
    std::uint8_t status = 0;
    erased = SendFrame(QRV_CMD_ERASE, address, 0x01) == 1 && ReceiveReply(*this, &status, 1) && status == QRV_DONE;
    if (erased) {
      window_.ProgressAdvance();
      address += static_cast<std::uint32_t>(stride);
    }
  }
  return EndProgress(window_, erased);
}

int CIapDevice::ChipErase() {
  // The link worker knows no chip erase: it would leave the operands queued for the next
  // command and swallow the status byte, so the queued link never sends one.
  if (link_.Queued() || SendFrame(QRV_CMD_CHIP_ERASE, 0x0000, 0x01) != 1) {
    return -1;
  }
  std::uint8_t status = 0;
  if (!AwaitChipEraseStatus(*this, status)) {
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
