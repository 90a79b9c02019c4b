#include "sim/fault_filter.h"

namespace quillon::sim {

namespace {

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value); }

}  // namespace

FaultFilter::FaultFilter(const Faults& faults) : faults_(faults), armed_(!faults.atCommand) {}

Outcomes FaultFilter::ToOutcomes() const {
  return {Byte(faults_.eraseStatus), Byte(faults_.writeStatus), Byte(faults_.chipEraseStatus), faults_.chipEraseTime};
}

void FaultFilter::Pass(const Emission& emission, std::vector<std::uint8_t>& bytes) {
  if (!armed_) {
    bytes.push_back(emission.byte);
    return;
  }
  switch (emission.kind) {
    case EmissionKind::Echo:
      if (!faults_.noEcho) {
        bytes.push_back(Flipped(false, linkBytes_++, faults_.wrongEcho ? Byte(~emission.byte) : emission.byte));
      }
      return;
    case EmissionKind::Ready:
      if (faults_.readyStopsAfter >= 0 && readies_ >= faults_.readyStopsAfter) return;
      ++readies_;
      bytes.push_back(Flipped(false, linkBytes_++, emission.byte));
      return;
    case EmissionKind::Reply: {
      const int index = replies_++;
      if (index != faults_.dropReplyByte) bytes.push_back(Flipped(true, index, emission.byte));
      if (index == faults_.extraByteAfterReply) bytes.push_back(Byte(faults_.extraByteValue));
      return;
    }
  }
}

std::uint8_t FaultFilter::Flipped(bool reply, int index, std::uint8_t byte) const {
  for (const ByteFlip& flip : faults_.flips) {
    if (flip.reply == reply && flip.index == index) byte ^= flip.mask;
  }
  return byte;
}

bool FaultFilter::MaySend() {
  if (!armed_) return true;
  if (faults_.silenceAfter >= 0 && sent_ >= faults_.silenceAfter) return false;
  ++sent_;
  return true;
}

FaultFilter::Receipt FaultFilter::Receive(BootLoader::ByteRole role) {
  armed_ = armed_ || role == BootLoader::ByteRole::Command;
  if (!armed_ || (faults_.atCommand && role == BootLoader::ByteRole::Idle)) return Receipt::Taken;
  ++received_;
  if (received_ == faults_.hangUpAfter) return Receipt::HangUp;
  return received_ == faults_.resetAfter ? Receipt::LostInReset : Receipt::Taken;
}

}  // namespace quillon::sim
