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

// A serial driver's transmit buffer: a page.
constexpr std::size_t kHostBuffer = 4096;

}  // namespace

Session::Session(const Config& config, FlashMemory& flash)
    : hostAdapter_(config.latency),
      intoTarget_(config.baud),
      outOfTarget_(config.baud),
      targetAdapter_(config.latency),
      loader_(config.firmware, flash, IdentityOf(config), TimesOf(config)),
      filter_(config.faults),
      readyRepeat_(std::max(config.readyRepeat, kShortestRepeat)) {
  loader_.SetOutcomes(filter_.ToOutcomes());
}

void Session::Reset(Clock::time_point now) {
  Transmit(now);
  queue_.clear();
  std::vector<Emission> out;
  loader_.Reset(out);
  Take(out, now);
}

void Session::SetFaults(const Faults& faults, Clock::time_point now) {
  Transmit(now);
  filter_ = FaultFilter(faults);
  loader_.SetOutcomes(filter_.ToOutcomes());
}

std::size_t Session::InputRoom() const {
  return kHostBuffer - std::min(kHostBuffer, hostAdapter_.Size() + intoTarget_.Size());
}

void Session::FromHost(std::uint8_t byte, Clock::time_point seen) { hostAdapter_.Push(byte, seen); }

void Session::Arrived(std::uint8_t byte, Clock::time_point at) {
  switch (filter_.Receive(loader_.RoleOf(byte))) {
    case FaultFilter::Receipt::HangUp: hungUp_ = true; return;
    case FaultFilter::Receipt::LostInReset: Reset(at); return;
    case FaultFilter::Receipt::Taken: break;
  }
  std::vector<Emission> out;
  loader_.Receive(byte, out);
  Take(out, at);
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

// Puts the target's bytes on the line as it comes free. A byte not yet begun is still the
// target's own: a reset loses it, and a silenced target never sends it. Whatever may change
// the target's state calls this first, so a byte can wait to be moved until it is out and
// costs one wake-up, not two.
void Session::Transmit(Clock::time_point now) {
  while (!queue_.empty()) {
    const Queued next = queue_.front();
    const Clock::time_point begin = outOfTarget_.BeginTime(next.earliest);
    if (begin > now) return;
    queue_.pop_front();
    if (!filter_.MaySend()) {
      if (next.ready) repeatDue_ = begin + readyRepeat_;
      continue;
    }
    const Clock::time_point out = outOfTarget_.Push(next.byte, next.earliest);
    if (next.ready) repeatDue_ = out + readyRepeat_;
  }
}

// Each stage is brought up to `now` before the one it feeds, so that a byte reaches the
// next stage before that stage's later moments are decided, however late `now` is.
void Session::Run(Clock::time_point now, Progress& progress) {
  const std::size_t logged = progress.wire.size();
  while (const auto byte = hostAdapter_.Pop(now)) intoTarget_.Push(byte->byte, byte->at);
  while (const auto byte = intoTarget_.Pop(now)) {
    // What the target began to send before this byte came stays sent, even if it resets.
    Transmit(byte->at);
    progress.wire.push_back({byte->at, Direction::ToTarget, byte->byte});
    Arrived(byte->byte, byte->at);
    if (hungUp_) return;
  }
  if (PromptDue(now)) {
    std::vector<Emission> out;
    loader_.PromptAgain(out);
    Take(out, now);
  }
  Transmit(now);
  while (const auto byte = outOfTarget_.Pop(now)) {
    progress.wire.push_back({byte->at, Direction::FromTarget, byte->byte});
    targetAdapter_.Push(byte->byte, byte->at);
  }
  while (const auto byte = targetAdapter_.Pop(now)) progress.toHost.push_back(byte->byte);
  // Each direction is in order already, but they were gathered one after the other.
  std::stable_sort(progress.wire.begin() + static_cast<std::ptrdiff_t>(logged), progress.wire.end(),
                   [](const WireEvent& a, const WireEvent& b) { return a.time < b.time; });
}

Session::Clock::time_point Session::NextEvent() const {
  const Clock::time_point next =
      std::min({hostAdapter_.NextOut(), intoTarget_.NextOut(), outOfTarget_.NextOut(), targetAdapter_.NextOut()});
  if (!queue_.empty()) return std::min(next, outOfTarget_.OutTime(queue_.front().earliest));
  if (loader_.AwaitingAnswer()) return std::min(next, repeatDue_);
  return next;
}

}  // namespace quillon::sim
