#include "protocol/reply_bytes.h"

#include "protocol/iap_device.h"

namespace quillon {

bool ReceiveReply(CIapDevice& device, std::uint8_t* into, int count) {
  const bool queued = device.Link().Queued();
  const auto limit = device.GetTiming().operationByte;
  for (int i = 0; i < count; ++i) {
    const int received = queued ? device.AwaitReply(into[i], limit) : device.ReadByte(into[i]);
    if (received != 1) {
      return false;
    }
  }
  return true;
}

}  // namespace quillon
