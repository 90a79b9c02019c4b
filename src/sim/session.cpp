#include "sim/session.h"

#include <algorithm>

namespace quillon::sim {

namespace {

Identity IdentityOf(const Config& config) {
  const std::uint8_t defaultId = config.chip == Chip::A16 ? 0xE4 : 0xE2;
  return {config.status, config.chipId.value_or(defaultId), config.firmwareMajor, config.firmwareLetter};
}

WorkTimes TimesOf(const Config& config) { return {config.programTime, config.eraseTime, config.idleReadyGap}; }

// A period of 0 would have an unanswered target prompt back to back.
constexpr std::chrono::milliseconds kShortestRepeat{1};

}  // namespace

Session::Session(const Config& config, FlashMemory& flash)
    : pacer_(config.baud),
      loader_(config.firmware, flash, IdentityOf(config), TimesOf(config)),
      filter_(config.faults),
      readyRepeat_(std::max(config.readyRepeat, kShortestRepeat)) {
  loader_.SetOutcomes(filter_.ToOutcomes());
}

void Session::Reset(Clock::time_point now) {
  queue_.clear();
  std::vector<Emission> out;
  loader_.Reset(out);
  Take(out, now);
}

void Session::SetFaults(const Faults& faults) {
  filter_ = FaultFilter(faults);
  loader_.SetOutcomes(filter_.ToOutcomes());
}

void Session::Arrived(std::uint8_t byte, Clock::time_point now) {
  const Clock::time_point complete = pacer_.ArrivalComplete(now);
  inputFreeAt_ = complete;
  if (filter_.LostInReset()) {
    Reset(complete);
    return;
  }
  std::vector<Emission> out;
  loader_.Receive(byte, out);
  Take(out, complete);
}

void Session::Take(const std::vector<Emission>& emissions, Clock::time_point start) {
  Clock::time_point ready = start;
  std::vector<std::uint8_t> bytes;
  for (const Emission& emission : emissions) {
    ready += emission.busyBefore;
    if (emission.opensReply) ready += filter_.ReplyDelay();
    bytes.clear();
    filter_.Pass(emission, bytes);
    const bool isReady = emission.kind == EmissionKind::Ready;
    // A ready byte held back by a fault still restarts the wait for an answer.
    if (isReady && bytes.empty()) repeatDue_ = ready + readyRepeat_;
    for (std::uint8_t byte : bytes) queue_.push_back({byte, isReady, ready});
  }
}

bool Session::PromptDue(Clock::time_point now) const {
  return loader_.AwaitingAnswer() && queue_.empty() && now >= repeatDue_;
}

std::optional<std::uint8_t> Session::Due(Clock::time_point now) {
  if (PromptDue(now)) {
    std::vector<Emission> out;
    loader_.PromptAgain(out);
    Take(out, now);
  }
  while (!queue_.empty() && now >= pacer_.SendTime(queue_.front().earliest)) {
    const Queued next = queue_.front();
    queue_.pop_front();
    if (filter_.MaySend()) {
      handingReady_ = next.ready;
      return next.byte;
    }
    if (next.ready) repeatDue_ = now + readyRepeat_;
  }
  return std::nullopt;
}

// The line is busy until the byte is actually out, however late the handover came.
void Session::Sent(Clock::time_point at) {
  pacer_.Sent(at);
  if (handingReady_) repeatDue_ = at + readyRepeat_;
}

Session::Clock::time_point Session::NextEvent() const {
  if (!queue_.empty()) return pacer_.SendTime(queue_.front().earliest);
  if (loader_.AwaitingAnswer()) return repeatDue_;
  return Clock::time_point::max();
}

}  // namespace quillon::sim
