#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "sim/emulator.h"
#include "support/scripted_operator.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/main_dlg.h"
#include "ui/range_dialog.h"
#include "ui/save_dialog.h"

namespace quillon::test {

using Bytes = std::vector<std::uint8_t>;
using Commands = std::vector<Bytes>;
using Strings = std::vector<std::string>;

// The real limits where they are the point of a test, shorter ones where only the order
// of events matters, so the suite stays quick.
Timing FastTiming();

// A private directory that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes the bytes, making the directories above the file first.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
void WriteFile(const std::filesystem::path& path, const Bytes& bytes);
Bytes ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

inline Bytes Counting(std::size_t count, std::uint8_t first) {
  Bytes bytes(count);
  for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}
// One Intel HEX record with its checksum, as a line.
std::string HexRecord(std::uint8_t type, std::uint16_t address, const Bytes& data);
inline const std::string EndRecord = ":00000001FF\n";

inline Bytes Frame(std::uint8_t code, std::uint32_t address, std::uint8_t data) {
  return {code, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address), data};
}
inline Bytes Join(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
// The progress bar of one operation of that many units, stepped that many times.
Strings ProgressOf(std::string_view label, int units, int advances, bool done);
// Consecutive commands with the same code, counted: a long conversation as its shape.
std::vector<std::pair<std::uint8_t, int>> Runs(const Commands& commands);

inline sim::Config TargetOf(sim::Firmware firmware, sim::Chip chip = sim::Chip::A32) {
  sim::Config config;
  config.firmware = firmware;
  config.chip = chip;
  return config;
}

// Runs the detection that fits the target's firmware, answering the chip-type dialog with
// the target's model and the memory mode (external unless told); true when the handshake
// succeeded.
bool Detect(CMainDlg& window, DialogAnswers& answers, const sim::Config& config,
            int memory = CChipTypeDlg::IdExternalMemory);

// Answers a lock or remap dialog: the option chosen as a click on its button would.
template <typename Dialog>
std::function<bool(Dialog&)> Choose(int option, bool ok = true) {
  return [option, ok](Dialog& dialog) {
    for (const auto& choice : dialog.Choices())
      if (choice.option == option) dialog.Click(choice.controlId);
    return ok;
  };
}

// A host window wired to an emulated target over a pseudo-terminal.
struct HostFixture {
  explicit HostFixture(sim::Config config = {}, Timing timing = FastTiming());

  bool Detect() { return test::Detect(window, op, config); }
  CTargetChip& Chip() { return *window.TargetChip(); }
  CIapDevice& Device() { return Chip().Device(); }
  bool Queued() const { return config.firmware == sim::Firmware::V11EInt; }
  // The host's side of the wire cut into commands with their operands and data, the
  // queued link's idle bytes left out: what was asked, not how it travelled.
  Commands Sent() const;
  template <typename Content>
  std::string File(const std::string& name, const Content& content) {
    WriteFile(dir / name, content);
    return (dir / name).string();
  }

  // Answers the range dialog with these list indexes.
  void ChooseRange(int start, int range) {
    op.onRange = [start, range](CRangeDlg& dialog) { return dialog.SelectStart(start) && dialog.SelectRange(range); };
  }
  void ChooseFile(std::string path, int start) {
    const auto choose = [path = std::move(path), start](CImageFileDlg& dialog) {
      dialog.Browse(path);
      return dialog.SelectStart(start);
    };
    op.onDownload = choose;
    op.onCompare = choose;
  }
  // Answers the save dialog with the file, the list indexes and a format button (none at -1).
  void ChooseSave(std::string path, int start, int range, int button = -1) {
    op.onSave = [path = std::move(path), start, range, button](CSaveDlg& dialog) {
      dialog.SetFileName(path);
      if (button >= 0) dialog.Click(button);
      return dialog.SelectStart(start) && dialog.SelectRange(range);
    };
  }

  sim::Config config;
  TempDir dir;
  ScriptedOperator op;
  sim::Emulator target;
  CMainDlg window;
};

// A window detected on an emulated target, its title set and its records and wire log
// cleared, so that a test sees only what its own command does.
struct FlashHost : HostFixture {
  static constexpr const char* WindowTitle = "Quillon";
  explicit FlashHost(sim::Config targetConfig, Timing timing = FastTiming());
};

// The bytes of one direction of a wire log.
Bytes BytesOf(const std::vector<sim::WireEvent>& log, sim::Direction direction);

// Root may open anything: this thread gives that right up (false), as an operator's
// account would not have it, or takes it back (true).
void HoldFileRights(bool held);

// A FIFO made at the path with nobody at its other end. Should anything wait on it, its
// other end is opened every 2 s and drained for a while, so that the test fails, not hangs.
struct FifoTrap {
  explicit FifoTrap(const std::filesystem::path& path);
  std::jthread peer;
};

// Polls the condition until it holds or the limit has passed.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace quillon::test
