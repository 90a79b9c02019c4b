#include "support/host_fixture.h"

#include <stdlib.h>

#include <stdexcept>

namespace quillon::test {

using namespace std::chrono_literals;

Timing FastTiming() {
  Timing timing;
  timing.readySilence = 600ms;
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

HostFixture::HostFixture(sim::Config targetConfig, Timing timing)
    : config(targetConfig),
      target(targetConfig),
      window(op, AppPaths{dir.Path() / "config", dir.Path() / "cache"}, timing) {
  window.OnInitDialog();
  Device().SetDevicePath(target.Start());
}

bool HostFixture::Detect() {
  op.onChipType = [this](CChipTypeDlg& dialog) {
    dialog.Click(config.chip == sim::Chip::A16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32);
    dialog.Click(CChipTypeDlg::IdExternalMemory);
    return true;
  };
  switch (config.firmware) {
    case sim::Firmware::V11EInt: window.OnAutoDetect(); break;
    case sim::Firmware::V11EExt: window.OnExternalSelect(); break;
    case sim::Firmware::V11D: window.OnChipTypeSelect(); break;
  }
  return Device().IsConnected();
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

std::vector<std::uint8_t> HostFixture::SentToTarget() const {
  return BytesOf(target.WireLog(), sim::Direction::ToTarget);
}

std::vector<std::uint8_t> HostFixture::SentByTarget() const {
  return BytesOf(target.WireLog(), sim::Direction::FromTarget);
}

}  // namespace quillon::test
