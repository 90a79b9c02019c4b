#pragma once

#include <cstdint>

namespace quillon {

class CIapDevice;

// Takes count reply bytes into `into`: from the worker's reply queue in the queued link,
// allowing each byte the operation limit, or straight from the port in the direct links.
// False as soon as one byte does not arrive: a slot that was never filled must not pass
// for data, and a late byte would shift every later reply.
bool ReceiveReply(CIapDevice& device, std::uint8_t* into, int count);

}  // namespace quillon
