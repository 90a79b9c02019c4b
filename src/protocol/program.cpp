#include <algorithm>
#include <array>

#include "operator/operator.h"
#include "protocol/commands.h"
#include "protocol/iap_device.h"
#include "protocol/operation_progress.h"
#include "protocol/reply_bytes.h"

namespace quillon {

namespace {

constexpr int BurstSize = 128;
constexpr std::string_view SendBurstFailed = "\nSend burst cmd failed\n";
constexpr std::string_view WriteDataByteFailed = "\nWrite data byte failed\n";
constexpr std::string_view ReadConfirmationFailed = "\nRead sector confirmation failed\n";
constexpr std::string_view TargetUnableToWrite = "\nTarget is unable to write the sector\n";

// Erased flash already holds 0xFF, so a chunk of nothing else needs no time on the line.
bool IsBlank(const std::uint8_t* chunk, int size) {
  return std::all_of(chunk, chunk + size, [](std::uint8_t byte) { return byte == 0xFF; });
}

// One burst of the queued link, read back at once: the burst itself has no reply, so the
// read-back is the only proof that the target took it.
bool WriteBurst(CIapDevice& device, std::uint32_t address, const std::uint8_t* chunk) {
  const auto queues = device.Link().queues;
  if (!queues || device.SendFrame(QRV_CMD_BURST_WRITE, address, BurstSize) != 1) {
    return false;
  }
  for (int i = 0; i < BurstSize; ++i) {
    if (device.GuardedPut(queues->OperandQueue, queues->OperandMutex, chunk[i]) != QueueDone) {
      return false;
    }
  }
  std::array<std::uint8_t, BurstSize> readBack{};
  return device.SendFrame(QRV_CMD_READ, address, BurstSize) == 1 && ReceiveReply(device, readBack.data(), BurstSize) &&
         std::equal(readBack.begin(), readBack.end(), chunk);
}

// One frame of the direct link. The target counts the data bytes, so after a byte fails
// the rest still go out and its status byte is still taken, which keeps the two ends in
// step; the frame has failed all the same.
bool WriteFrame(CIapDevice& device, std::uint32_t address, const std::uint8_t* chunk, int size) {
  if (device.SendFrame(QRV_CMD_WRITE, address, static_cast<std::uint8_t>(size)) != 1) {
    device.Window().Trace(SendBurstFailed);
    return false;
  }
  const bool written = device.WriteBytes(chunk, static_cast<std::size_t>(size),
                                         [&] { device.Window().Trace(WriteDataByteFailed); }) == 1;
  std::uint8_t status = 0;
  if (device.ReadByte(status) != 1) {
    device.Window().Trace(ReadConfirmationFailed);
    return false;
  }
  if (status != QRV_DONE) {
    device.Window().Trace(TargetUnableToWrite);
    return false;
  }
  return written;
}

}  // namespace

int CIapDevice::WriteFlash(int start, int sectorSize, const std::uint8_t* data, int total) {
  const bool queued = link_.Queued();
  const int chunkSize = queued ? BurstSize : sectorSize / 2;
  if (chunkSize <= 0 || chunkSize > BurstSize) {
    return -1;
  }
  stopPoint_.reset();
  BeginProgress(window_, total / chunkSize, chunkSize, msg::Writing);
  auto address = static_cast<std::uint32_t>(start);
  // What the frames sent so far may have touched, for a stop to tell.
  StopPoint sent{StopPoint::Work::Programming, address, address, address, false};
  bool written = true;
  for (int done = 0; done < total && written; done += chunkSize) {
    if (StopRequested()) {
      sent.at = address;
      NoteStop(sent);
      break;
    }
    // A last chunk the image does not fill is padded with what erased flash holds anyway,
    // rather than read past the image.
    std::array<std::uint8_t, BurstSize> chunk;
    chunk.fill(0xFF);
    std::copy_n(data + done, std::min(chunkSize, total - done), chunk.begin());
    if (!IsBlank(chunk.data(), chunkSize)) {
      sent.first = sent.sent ? sent.first : address;
      sent.last = address + static_cast<std::uint32_t>(chunkSize) - 1;
      sent.sent = true;
      written = queued ? WriteBurst(*this, address, chunk.data()) : WriteFrame(*this, address, chunk.data(), chunkSize);
    }
    if (written) {
      window_.ProgressAdvance();
      address += static_cast<std::uint32_t>(chunkSize);
    } else if (StopRequested()) {
      sent.at = address;
      sent.inStep = false;
      NoteStop(sent);
    }
  }
  return EndProgress(window_, written && !stopPoint_);
}

}  // namespace quillon
