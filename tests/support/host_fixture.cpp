#include "support/host_fixture.h"

#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

#include "protocol/commands.h"

namespace quillon::test {

using namespace std::chrono_literals;

Timing FastTiming() {
  Timing timing;
  timing.readySilence = 1500ms;
  timing.handshake = 2000ms;
  timing.operationByte = 500ms;
  timing.lockPause = 5ms;
  timing.chipEraseStatus = 2000ms;
  return timing;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "quillon-test-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::string ReadText(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadFile(path);
  return {bytes.begin(), bytes.end()};
}

bool Detect(CMainDlg& window, DialogAnswers& answers, const sim::Config& config) {
  answers.onChipType = [chip = config.chip](CChipTypeDlg& dialog) {
    dialog.Click(chip == sim::Chip::A16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32);
    dialog.Click(CChipTypeDlg::IdExternalMemory);
    return true;
  };
  switch (config.firmware) {
    case sim::Firmware::V11EInt: window.OnAutoDetect(); break;
    case sim::Firmware::V11EExt: window.OnExternalSelect(); break;
    case sim::Firmware::V11D: window.OnChipTypeSelect(); break;
  }
  return window.TargetChip()->Device().IsConnected();
}

HostFixture::HostFixture(sim::Config targetConfig, Timing timing)
    : config(targetConfig),
      target(targetConfig),
      window(op, AppPaths{dir.Path() / "config", dir.Path() / "cache"}, timing) {
  window.OnInitDialog();
  Device().SetDevicePath(target.Start());
}

std::vector<std::uint8_t> HostFixture::SentToTarget() const {
  return BytesOf(target.WireLog(), sim::Direction::ToTarget);
}

std::vector<std::uint8_t> HostFixture::SentByTarget() const {
  return BytesOf(target.WireLog(), sim::Direction::FromTarget);
}

CliHost::CliHost(sim::Firmware firmware)
    : target(TargetOf(firmware)), window(op, AppPaths{dir.Path() / "config", dir.Path() / "cache"}, FastTiming()) {
  window.OnInitDialog();
  window.TargetChip()->Device().SetDevicePath(target.Start());
  if (!Detect(window, op, TargetOf(firmware))) {
    throw std::runtime_error("the emulated target was not detected");
  }
  std::fflush(out);
  printed = std::ftell(out);
}

std::string CliHost::Output() {
  std::fflush(out);
  std::fseek(out, printed, SEEK_SET);
  std::string text;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

std::string CliHost::File(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  WriteFile(dir / name, bytes);
  return (dir / name).string();
}

std::vector<std::uint8_t> BytesOf(const std::vector<sim::WireEvent>& log, sim::Direction direction) {
  std::vector<std::uint8_t> bytes;
  for (const auto& event : log) {
    if (event.direction == direction) {
      bytes.push_back(event.byte);
    }
  }
  return bytes;
}

std::vector<std::uint8_t> WithoutIdle(std::vector<std::uint8_t> bytes) {
  bytes.erase(std::remove(bytes.begin(), bytes.end(), QRV_IDLE), bytes.end());
  return bytes;
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) {
      return false;
    }
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

}  // namespace quillon::test
