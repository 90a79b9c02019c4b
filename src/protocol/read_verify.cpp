#include <algorithm>
#include <array>

#include "operator/operator.h"
#include "protocol/commands.h"
#include "protocol/iap_device.h"
#include "protocol/operation_progress.h"
#include "protocol/reply_bytes.h"

namespace quillon {

namespace {

// Chunks are sector-sized; the largest sector is 128 bytes.
constexpr int MaxChunk = 128;
using ChunkBuffer = std::array<std::uint8_t, MaxChunk>;

bool ChunkSizeValid(int chunk) { return chunk >= 1 && chunk <= MaxChunk; }

// Asks for count bytes from address and takes them. In the direct links a frame that does
// not go out is the operator's business; in the queued link the queue has said so already.
bool ReadChunk(CIapDevice& device, int address, int count, std::uint8_t* into) {
  if (device.SendFrame(QRV_CMD_READ, static_cast<std::uint32_t>(address), static_cast<std::uint8_t>(count)) != 1) {
    if (!device.Link().Queued()) {
      device.Window().Inform(msg::FailToWriteReadCommand);
    }
    return false;
  }
  return ReceiveReply(device, into, count);
}

// The queued link closes every reply with a ready byte. In the direct links nothing does:
// a byte added on the line leaves the reply's own last byte still to come, a byte time
// behind. The next command's echo would meet it; after a read's last reply it is waited for.
bool ReplyEnded(CIapDevice& device) {
  if (device.Link().Queued()) {
    return true;
  }
  const std::chrono::microseconds byteTime = ByteTime(device.GetBaudRate());
  return device.StaysQuiet(std::max<std::chrono::microseconds>(2 * byteTime, std::chrono::milliseconds(2)));
}

// At a chunk's boundary, or after a chunk that failed: true, with the stop noted, when the
// person has asked to stop. A read leaves the flash as it was.
bool StoppedReading(CIapDevice& device, std::uint32_t address, bool inStep) {
  if (!device.StopRequested()) {
    return false;
  }
  device.NoteStop({StopPoint::Work::Unchanged, address, address, address, true, inStep});
  return true;
}

}  // namespace

int CIapDevice::ReadFlash(std::uint8_t* destination, int start, int total, int chunk) {
  if (!ChunkSizeValid(chunk)) {
    return 0;
  }
  stopPoint_.reset();
  BeginProgress(window_, total / chunk, chunk, msg::Reading);
  int stored = 0;
  bool complete = true;
  while (stored < total && complete) {
    const auto address = static_cast<std::uint32_t>(start + stored);
    if (StoppedReading(*this, address, true)) {
      break;
    }
    const int count = std::min(chunk, total - stored);
    ChunkBuffer buffer{};
    complete = ReadChunk(*this, start + stored, count, buffer.data()) && (stored + count < total || ReplyEnded(*this));
    if (complete) {
      std::copy_n(buffer.begin(), count, destination + stored);
      stored += count;
      window_.ProgressAdvance();
    } else {
      StoppedReading(*this, address, false);
    }
  }
  EndProgress(window_, complete && !stopPoint_);
  return stored;
}

int CIapDevice::CompareFlash(int start, int chunk, const std::uint8_t* image, int total, int& mismatchAddress,
                             int& mismatchPair) {
  if (!ChunkSizeValid(chunk)) {
    return -1;
  }
  stopPoint_.reset();
  BeginProgress(window_, total / chunk, chunk, msg::Comparing);
  bool equal = true;
  for (int done = 0; done < total && equal; done += chunk) {
    const auto address = static_cast<std::uint32_t>(start + done);
    if (StoppedReading(*this, address, true)) {
      break;
    }
    // The target is asked for whole chunks even at the end; only the image's bytes count.
    ChunkBuffer flash{};
    equal = ReadChunk(*this, start + done, chunk, flash.data()) && (done + chunk < total || ReplyEnded(*this));
    if (!equal) {
      StoppedReading(*this, address, false);
      break;
    }
    const int count = std::min(chunk, total - done);
    const auto [flashByte, imageByte] = std::mismatch(flash.begin(), flash.begin() + count, image + done);
    if (flashByte != flash.begin() + count) {
      mismatchAddress = start + done + static_cast<int>(flashByte - flash.begin());
      mismatchPair = *flashByte * 256 + *imageByte;
      if (!link_.Queued()) {
        window_.Inform(msg::FailedToVerify);
      }
      equal = false;
    } else {
      window_.ProgressAdvance();
    }
  }
  return EndProgress(window_, equal && !stopPoint_);
}

}  // namespace quillon
