#include "support/host_fixture.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <numeric>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

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
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

Bytes ReadFile(const std::filesystem::path& path) {
  const std::string text = ReadText(path);
  return {text.begin(), text.end()};
}

std::string HexRecord(std::uint8_t type, std::uint16_t address, const Bytes& data) {
  Bytes bytes = Join({static_cast<std::uint8_t>(data.size()), static_cast<std::uint8_t>(address >> 8),
                      static_cast<std::uint8_t>(address), type},
                     data);
  bytes.push_back(static_cast<std::uint8_t>(0x100 - std::accumulate(bytes.begin(), bytes.end(), 0u)));
  std::string line = ":";
  for (const std::uint8_t byte : bytes) line += {"0123456789ABCDEF"[byte >> 4], "0123456789ABCDEF"[byte & 0x0F]};
  return line + "\n";
}

Strings ProgressOf(std::string_view label, int units, int advances, bool done) {
  Strings progress{"range " + std::to_string(units), "reset", "text " + std::string(label)};
  progress.insert(progress.end(), static_cast<std::size_t>(advances), "advance");
  progress.insert(progress.end(), {"reset", done ? "text Done" : "text Abort"});
  return progress;
}

std::vector<std::pair<std::uint8_t, int>> Runs(const Commands& commands) {
  std::vector<std::pair<std::uint8_t, int>> runs;
  for (const Bytes& command : commands) {
    if (runs.empty() || runs.back().first != command.front()) runs.emplace_back(command.front(), 0);
    ++runs.back().second;
  }
  return runs;
}

bool Detect(CMainDlg& window, DialogAnswers& answers, const sim::Config& config, int memory) {
  answers.onChipType = [chip = config.chip, memory](CChipTypeDlg& dialog) {
    dialog.Click(chip == sim::Chip::A16 ? CChipTypeDlg::IdQRV71A16 : CChipTypeDlg::IdQRV71A32);
    dialog.Click(memory);
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

Commands HostFixture::Sent() const {
  const Bytes sent = BytesOf(target.WireLog(), sim::Direction::ToTarget);
  Commands commands;
  for (std::size_t i = 0; i < sent.size();) {
    const std::uint8_t code = sent[i];
    std::size_t length = 1;
    switch (code) {
      case QRV_IDLE: length = Queued() ? 0 : 1; break;
      case QRV_CMD_CHIP_ERASE:
      case QRV_CMD_ERASE:
      case QRV_CMD_READ: length = 4; break;
      case QRV_CMD_WRITE:
      case QRV_CMD_BURST_WRITE: length = i + 3 < sent.size() ? 4u + sent[i + 3] : 4u; break;
      case QRV_CMD_LOCK:
      case QRV_CMD_REMAP: length = 2; break;
      case QRV_CMD_READ_STATUS:
      case QRV_CMD_RUN: length = Queued() ? 2 : 1; break;
      default: break;
    }
    const std::size_t end = std::min(sent.size(), i + std::max<std::size_t>(length, 1));
    if (length > 0) commands.emplace_back(sent.begin() + std::ptrdiff_t(i), sent.begin() + std::ptrdiff_t(end));
    i = end;
  }
  return commands;
}

FlashHost::FlashHost(sim::Config targetConfig, Timing timing) : HostFixture(targetConfig, timing) {
  EXPECT_TRUE(Detect());
  op.SetTitle(WindowTitle);
  target.ClearWireLog();
  op.ClearRecords();
}

Bytes BytesOf(const std::vector<sim::WireEvent>& log, sim::Direction direction) {
  Bytes bytes;
  for (const auto& event : log)
    if (event.direction == direction) bytes.push_back(event.byte);
  return bytes;
}

void HoldFileRights(bool held) {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  ::syscall(SYS_capget, &header, data);
  const unsigned rights = 1u << CAP_DAC_OVERRIDE | 1u << CAP_DAC_READ_SEARCH;
  data[0].effective = held ? data[0].effective | (data[0].permitted & rights) : data[0].effective & ~rights;
  ::syscall(SYS_capset, &header, data);
}

FifoTrap::FifoTrap(const std::filesystem::path& path) {
  std::filesystem::create_directories(path.parent_path());
  if (::mkfifo(path.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  peer = std::jthread([path](std::stop_token stop) {
    std::mutex mutex;
    std::unique_lock lock(mutex);
    while (!std::condition_variable_any().wait_for(lock, stop, 2s, [] { return false; }) && !stop.stop_requested()) {
      const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK);
      char sink[4096];
      for (const auto until = std::chrono::steady_clock::now() + 500ms; std::chrono::steady_clock::now() < until;) {
        if (::read(fd, sink, sizeof sink) <= 0) std::this_thread::sleep_for(10ms);
      }
      ::close(fd);
    }
  });
}

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

}  // namespace quillon::test
