// The window runs one command against an emulated target whose line the input garbles:
// bits flipped in echoes, ready bytes and replies, a reply byte dropped or one added, the
// line falling silent, a reset part-way, late replies. Whatever comes back, the command
// ends within its bound and never reports success for flash other than it was to leave,
// nor for data other than the flash holds.
#include <map>
#include <optional>
#include <tuple>

#include "require.h"
#include "support/host_fixture.h"
#include "ui/lock_dialog.h"
#include "ui/remap_dialog.h"
#include "ui/save_dialog.h"

using namespace quillon;
using namespace std::chrono_literals;
using fuzz::Require;
using test::Bytes;

namespace {

enum Command { Detect, Read, Erase, ChipErase, Download, DownloadRun, Compare, Save, Lock, Remap, Run, Commands };

// The shipped limits a twentieth as long, and the target's prompt repeat with them: a run
// that meets a fault mostly waits one out, and must still take milliseconds.
Timing FuzzTiming() {
  return {.byteWait = 10ms,
          .transfer = 50ms,
          .replyGap = 25ms,
          .readySilence = 300ms,
          .handshake = 1500ms,
          .operationByte = 50ms,
          .lockPause = 5ms,
          .chipEraseStatus = 1500ms,
          .timerTick = 25ms};
}
constexpr auto Bound = 10s;

// The fuzzer's bytes in order, zeros once they run out.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  int Word() {
    const int high = Byte();
    return high << 8 | Byte();
  }
  bool Empty() const { return at_ >= size_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// A flag byte says which faults come, their values follow; every further three bytes flip
// bits of one echo or ready byte, or of one reply byte (the top bit says which). Counts
// stay within the bytes a command here sends or receives.
sim::Faults FaultsFrom(Input& in) {
  constexpr int Reach = 2048;
  sim::Faults faults;
  const std::uint8_t flags = in.Byte();
  faults.noEcho = flags & 0x01;
  faults.wrongEcho = flags & 0x02;
  if (flags & 0x04) faults.silenceAfter = in.Word() % Reach;
  if (flags & 0x08) faults.dropReplyByte = in.Word() % Reach;
  if (flags & 0x10) {
    faults.extraByteAfterReply = in.Word() % Reach;
    faults.extraByteValue = in.Byte();
  }
  if (flags & 0x20) faults.readyStopsAfter = in.Byte();
  if (flags & 0x40) faults.resetAfter = in.Word() % Reach;
  if (flags & 0x80) faults.replyDelay = std::chrono::milliseconds(in.Byte() % 80);
  while (!in.Empty()) {
    const int index = in.Word();
    faults.flips.push_back({(index & 0x8000) != 0, index % Reach, in.Byte()});
  }
  return faults;
}

// The host can tell a lost or late reply byte, not one that arrives with other bits.
bool RepliesIntact(const sim::Faults& faults) {
  return faults.dropReplyByte < 0 && faults.extraByteAfterReply < 0 &&
         std::none_of(faults.flips.begin(), faults.flips.end(),
                      [](const sim::ByteFlip& f) { return f.reply && f.mask; });
}

Bytes Pattern(std::size_t size, int seed) {
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) ^ (i >> 3));
  return bytes;
}

sim::Config TargetFrom(std::uint8_t choice) {
  sim::Config config =
      test::TargetOf(static_cast<sim::Firmware>(std::min(choice & 3, 2)), choice & 4 ? sim::Chip::A32 : sim::Chip::A16);
  config.status = static_cast<std::uint8_t>((choice & 0xC0) | (choice & 0x30) >> 4);
  config.readyRepeat = FuzzTiming().replyGap;
  return config;
}

// What a detection over a sound line shows for this target; nothing when even that failed.
std::optional<ChipInfo> SoundDetection(const sim::Config& config, int memory) {
  static std::map<std::tuple<sim::Firmware, sim::Chip, std::uint8_t, int>, ChipInfo> shown;
  const std::tuple key{config.firmware, config.chip, config.status, memory};
  if (!shown.contains(key)) {
    test::HostFixture sound(config, FuzzTiming());
    if (!test::Detect(sound.window, sound.op, config, memory)) return std::nullopt;
    shown[key] = sound.op.ShownChipInfo();
  }
  return shown[key];
}

// Target, command, its dialog's choices, the echo window, then the faults.
struct Trial {
  Trial(Input& in, std::uint8_t target)
      : host(TargetFrom(target), FuzzTiming()),
        memory(target & 8 ? CChipTypeDlg::IdInternalMemory : CChipTypeDlg::IdExternalMemory),
        command(static_cast<Command>(in.Byte() % Commands)),
        choice(in.Byte()) {
    host.Device().SetEchoWindow(1 << in.Byte() % 7);
    faults = FaultsFrom(in);
  }

  Bytes Flash(std::size_t from, std::size_t count) const {
    const Bytes flash = host.target.FlashImage();
    return {flash.begin() + static_cast<std::ptrdiff_t>(from),
            flash.begin() + static_cast<std::ptrdiff_t>(from + count)};
  }
  bool DetectChip() { return test::Detect(host.window, host.op, host.config, memory); }
  int Start() const { return choice % 4; }
  std::size_t Address() const { return static_cast<std::size_t>(Start()) * 128; }
  int Sectors() const { return choice / 4 % 3 + 1; }
  int Option() const { return choice / 16; }
  bool Ran() const {
    return test::WaitFor([this] { return !host.target.InBootLoader(); }, 1s);
  }
  void RunCommand();
  void RequireTruthful();

  test::HostFixture host;
  int memory;
  Command command;
  std::uint8_t choice;
  sim::Faults faults;
  Bytes file = Pattern(200, 0x35);
  std::string path = host.File("image.bin", file);
};

void Trial::RunCommand() {
  host.op.QueueAnswer(Answer::Yes);
  host.ChooseRange(Start(), Sectors());
  host.ChooseFile(path, Start());
  host.op.onLock = test::Choose<CLockDlg>(Option() % 5 + 1);
  host.op.onRemap = test::Choose<CRemapDlg>(Option() % 3 + 1);
  host.op.onSave = [this](CSaveDlg& dialog) {
    dialog.SetFileName((host.dir / "saved.bin").string());
    dialog.Click(CSaveDlg::IdBinaryFile);
    return dialog.SelectStart(Start()) && dialog.SelectRange(Sectors());
  };
  CMainDlg& w = host.window;
  switch (command) {
    case Detect: DetectChip(); break;
    case Read: w.OnRead(); break;
    case Erase: w.OnSectorErase(); break;
    case ChipErase: w.OnChipErase(); break;
    case Download: w.OnDownload(); break;
    case DownloadRun: w.OnDownloadAndRun(); break;
    case Compare: w.OnCompare(); break;
    case Save: w.OnFileSave(); break;
    case Lock: w.OnSetLock(); break;
    case Remap: w.OnMemoryRemap(); break;
    case Run: w.OnExecuteUserCode(); break;
    case Commands: break;
  }
}

void Trial::RequireTruthful() {
  const bool intact = RepliesIntact(faults);
  const std::size_t range = static_cast<std::size_t>(Sectors()) * 128;
  const int option = Option();
  const std::uint8_t lockBits[] = {0x80, 0xC0, 0x40, 0x20, 0xE0};
  switch (command) {
    case Detect: {
      const std::optional<ChipInfo> sound = intact ? SoundDetection(host.config, memory) : std::nullopt;
      Require(!sound || host.op.ShownChipInfo() == *sound, "a detection shows what the target is");
      break;
    }
    case Read: {
      const auto block = host.Chip().BlockBuffer(0);
      Require(!intact || Bytes(block.begin() + Address(), block.begin() + Address() + range) == Flash(Address(), range),
              "a read shows what the flash holds");
      break;
    }
    case Erase: Require(Flash(Address(), range) == Bytes(range, 0xFF), "an erase leaves the sectors erased"); break;
    case ChipErase: Require(Flash(0, 0x10000) == Bytes(0x10000, 0xFF), "a chip erase leaves the chip erased"); break;
    case DownloadRun: Require(Ran(), "download-run starts the user code"); [[fallthrough]];
    case Download: Require(Flash(Address(), file.size()) == file, "a download leaves the file in flash"); break;
    case Compare: Require(!intact || Flash(Address(), file.size()) == file, "a compare finds the file in flash"); break;
    case Save:
      Require(!intact || test::ReadFile(host.dir / "saved.bin") == Flash(Address(), range),
              "a save writes what the flash holds");
      break;
    case Lock:
      Require((host.target.Status() & lockBits[option % 5]) == lockBits[option % 5], "a lock sets its bits");
      break;
    case Remap: Require((host.target.Status() & (option % 3 + 1)) == option % 3 + 1, "a remap sets its bits"); break;
    case Run: Require(Ran(), "run starts the user code"); break;
    case Commands: break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t target = in.Byte();
  Trial trial(in, target);
  trial.host.target.LoadFlash(0, Pattern(0x10000, 0x5A));
  if (trial.command == Compare) {
    Bytes flash = trial.file;
    if (trial.choice & 0x80) flash[trial.choice % flash.size()] ^= 0x01;
    trial.host.target.LoadFlash(static_cast<std::uint32_t>(trial.Address()), flash);
  }
  if (trial.command != Detect && !trial.DetectChip()) return 0;
  trial.host.target.SetFaults(trial.faults);
  const auto began = std::chrono::steady_clock::now();
  trial.RunCommand();
  Require(std::chrono::steady_clock::now() - began < Bound, "the command ends within its bound");
  const Outcome outcome = trial.host.window.LastOutcome();
  if (outcome == Outcome::Done || outcome == Outcome::Warning) trial.RequireTruthful();
  return 0;
}
