#include "sim/boot_loader.h"

namespace quillon::sim {

namespace {

constexpr std::uint8_t kReady = 0xF7;
constexpr std::uint8_t kIdle = 0x61;

enum Code : std::uint8_t {
  kChipErase = 0x01,
  kRemap = 0x02,
  kLock = 0x04,
  kReadStatus = 0x05,
  kWrite = 0x06,
  kErase = 0x0B,
  kRead = 0x0C,
  kBurstWrite = 0x0E,
  kReadId = 0x60,
  kRun = 0x62,
};

struct Shape {
  std::size_t operands;
  bool dataFollows;
};

// Operand bytes each command takes. The internal mode adds the status operand, the id,
// burst write and run; chip erase, lock and remap take the same bytes in every dialect.
Shape ShapeOf(bool internal, std::uint8_t code) {
  switch (code) {
    case kChipErase:
    case kErase:
    case kRead: return {3, false};
    case kWrite: return {3, true};
    case kRemap:
    case kLock: return {1, false};
    case kReadStatus: return {internal ? 1u : 0u, false};
    case kBurstWrite: return {internal ? 3u : 0u, internal};
    case kRun: return {internal ? 1u : 0u, false};
    default: return {0, false};
  }
}

// A count byte of 0 runs the loader's 8-bit counter through all 256 values.
std::size_t CountOf(std::uint8_t count) { return count == 0 ? 256 : count; }

std::uint16_t AddressOf(const std::vector<std::uint8_t>& operands) {
  return static_cast<std::uint16_t>(operands[0] << 8 | operands[1]);
}

std::uint16_t Offset(std::uint16_t address, std::size_t i) { return static_cast<std::uint16_t>(address + i); }

// Lock selectors 0, 1, 2 set SB1, SB2, SB3; remap selectors 0, 1 set RB0, RB1.
std::uint8_t LockBit(std::uint8_t selector) { return static_cast<std::uint8_t>(selector <= 2 ? 0x80 >> selector : 0); }

std::uint8_t RemapBit(std::uint8_t selector) { return static_cast<std::uint8_t>(selector <= 1 ? 1 << selector : 0); }

void Reply(std::vector<Emission>& out, const std::vector<std::uint8_t>& bytes,
           std::chrono::microseconds busyBefore = {}) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    out.push_back({bytes[i], EmissionKind::Reply, i == 0, i == 0 ? busyBefore : std::chrono::microseconds{}});
  }
}

}  // namespace

BootLoader::BootLoader(Firmware firmware, FlashMemory& flash, Identity identity, WorkTimes times)
    : firmware_(firmware), flash_(flash), identity_(identity), times_(times), status_(identity.status) {}

void BootLoader::Reset(std::vector<Emission>& out) {
  frame_.reset();
  inBootLoader_ = true;
  prompted_ = false;
  if (Internal()) Prompt(out, {});
}

void BootLoader::PromptAgain(std::vector<Emission>& out) {
  if (AwaitingAnswer()) Prompt(out, {});
}

void BootLoader::Prompt(std::vector<Emission>& out, std::chrono::microseconds busyBefore) {
  out.push_back({kReady, EmissionKind::Ready, false, busyBefore});
  prompted_ = true;
}

BootLoader::Frame BootLoader::Open(std::uint8_t code) const {
  const Shape shape = ShapeOf(Internal(), code);
  return Frame{code, shape.operands, shape.dataFollows, {}, {}};
}

bool BootLoader::Complete(const Frame& frame) {
  if (frame.operands.size() < frame.operandsWanted) return false;
  return !frame.dataFollows || frame.data.size() == CountOf(frame.operands[2]);
}

BootLoader::ByteRole BootLoader::RoleOf(std::uint8_t byte) const {
  if (!inBootLoader_ || frame_) return ByteRole::Other;
  return byte == kIdle && Internal() ? ByteRole::Idle : ByteRole::Command;
}

void BootLoader::Receive(std::uint8_t byte, std::vector<Emission>& out) {
  if (!inBootLoader_) return;
  prompted_ = false;
  if (!Internal()) out.push_back({byte, EmissionKind::Echo});
  if (!frame_) {
    frame_ = Open(byte);
  } else if (frame_->operands.size() < frame_->operandsWanted) {
    frame_->operands.push_back(byte);
  } else {
    frame_->data.push_back(byte);
  }
  if (!Complete(*frame_)) return;
  const Frame frame = std::move(*frame_);
  frame_.reset();
  if (frame.code != kIdle) idleRun_ = 0;
  const std::chrono::microseconds settle = Execute(frame, out);
  if (Internal() && inBootLoader_) Prompt(out, settle);
}

void BootLoader::Program(const Frame& frame) {
  const std::uint16_t address = AddressOf(frame.operands);
  for (std::size_t i = 0; i < frame.data.size(); ++i) flash_.Program(Offset(address, i), frame.data[i]);
}

std::chrono::microseconds BootLoader::Execute(const Frame& frame, std::vector<Emission>& out) {
  switch (frame.code) {
    case kChipErase:
      flash_.EraseAll();
      Reply(out, {outcomes_.chipEraseStatus}, outcomes_.chipEraseTime);
      return {};
    case kRemap: status_ |= RemapBit(frame.operands[0]); return {};
    case kLock: status_ |= LockBit(frame.operands[0]); return {};
    case kReadStatus: Reply(out, {status_}); return {};
    case kErase:
      flash_.EraseSector(AddressOf(frame.operands));
      Reply(out, {outcomes_.eraseStatus}, times_.erase);
      return {};
    case kRead: {
      const std::uint16_t address = AddressOf(frame.operands);
      std::vector<std::uint8_t> bytes(CountOf(frame.operands[2]));
      for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = flash_.Read(Offset(address, i));
      Reply(out, bytes);
      return {};
    }
    case kWrite:
      Program(frame);
      Reply(out, {outcomes_.writeStatus}, times_.program);
      return {};
    case kBurstWrite:
      if (!Internal()) return {};
      Program(frame);
      return times_.program;
    case kReadId:
      if (Internal()) Reply(out, {identity_.chipId, identity_.firmwareMajor, identity_.firmwareLetter});
      return {};
    case kRun:
      if (Internal()) inBootLoader_ = false;
      return {};
    case kIdle: return ++idleRun_ > 1 ? times_.idleReadyGap : std::chrono::microseconds{};
    default: return {};
  }
}

}  // namespace quillon::sim
