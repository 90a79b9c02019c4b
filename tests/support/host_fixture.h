#pragma once

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli_operator.h"
#include "cli/command_table.h"
#include "sim/emulator.h"
#include "support/scripted_operator.h"
#include "ui/main_dlg.h"

namespace quillon::test {

// The real limits where they are the point of a test, shorter ones where only the order
// of events matters, so the suite stays quick.
Timing FastTiming();

// A private directory that is removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// Writes the bytes, making the directories above the file first.
void WriteFile(const std::filesystem::path& path, std::string_view bytes);
void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path);
std::string ReadText(const std::filesystem::path& path);

// An emulated target with this firmware and model, the rest as shipped.
inline sim::Config TargetOf(sim::Firmware firmware, sim::Chip chip = sim::Chip::A32) {
  sim::Config config;
  config.firmware = firmware;
  config.chip = chip;
  return config;
}

// Runs the detection that fits the target's firmware, answering the chip-type dialog with
// the target's model and external memory; true when the handshake succeeded.
bool Detect(CMainDlg& window, DialogAnswers& answers, const sim::Config& config);

// A host window wired to an emulated target over a pseudo-terminal.
struct HostFixture {
  explicit HostFixture(sim::Config config = {}, Timing timing = FastTiming());

  bool Detect() { return test::Detect(window, op, config); }

  CTargetChip& Chip() { return *window.TargetChip(); }
  CIapDevice& Device() { return Chip().Device(); }
  std::vector<std::uint8_t> SentToTarget() const;
  std::vector<std::uint8_t> SentByTarget() const;

  sim::Config config;
  TempDir dir;
  ScriptedOperator op;
  sim::Emulator target;
  CMainDlg window;
};

// A window detected through quillon-cli's operator, answering every question Yes as with
// --yes and printing into a scratch file.
struct CliHost {
  using Command = cli::WindowCommand;

  explicit CliHost(sim::Firmware firmware);

  // What was printed since the detection.
  std::string Output();
  std::string File(const std::string& name, const std::vector<std::uint8_t>& bytes);
  // The exit status quillon-cli would give: the command and the timer tick after it.
  int Run(Command command, std::vector<std::string> args) {
    return cli::ExitStatusOf(cli::RunWindowCommand(command, window, op, args));
  }

  TempDir dir;
  // Declared before the operator and the window, so it is closed after both: the worker
  // may still report while the window goes.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file{std::tmpfile(), std::fclose};
  std::FILE* out = file.get();
  long printed = 0;
  cli::CliOperator op{true, false, out, out};
  sim::Emulator target;
  CMainDlg window;
};

// The bytes of one direction of a wire log.
std::vector<std::uint8_t> BytesOf(const std::vector<sim::WireEvent>& log, sim::Direction direction);

// The bytes without the queued link's idle bytes.
std::vector<std::uint8_t> WithoutIdle(std::vector<std::uint8_t> bytes);

// Polls the condition until it holds or the limit has passed.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit);

}  // namespace quillon::test
