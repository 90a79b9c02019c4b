#include "ui/comm_config_dialog.h"

#include <algorithm>
#include <array>

#include "operator/messages.h"
#include "protocol/target_chip.h"
#include "settings/atomic_file.h"
#include "settings/comm_settings.h"
#include "settings/setting_values.h"
#include "transport/serial_port.h"
#include "ui/operator.h"

namespace quillon {

namespace {

constexpr std::array<unsigned, 5> BaudRates = {38400, 19200, 9600, 4800, 2400};

unsigned BaudForIndex(int index) {
  return index >= 0 && index < static_cast<int>(BaudRates.size()) ? BaudRates[static_cast<std::size_t>(index)]
                                                                  : BaudRates[0];
}

int IndexForBaud(unsigned baud) {
  const auto found = std::find(BaudRates.begin(), BaudRates.end(), baud);
  return found == BaudRates.end() ? 0 : static_cast<int>(found - BaudRates.begin());
}

}  // namespace

CCommConfigDlg::CCommConfigDlg(CTargetChip* parentChip, AppPaths paths, std::vector<SerialDevice> devices)
    : chip_(parentChip), paths_(std::move(paths)), devices_(std::move(devices)) {}

bool CCommConfigDlg::DoModal(Operator& window) {
  DoDataExchange();
  if (!window.RunCommConfigDialog(*this)) {
    return false;
  }
  OnOK(window);
  return true;
}

void CCommConfigDlg::DoDataExchange() {
  if (!firstFill_ || chip_ == nullptr) {
    return;
  }
  const SerialPort& port = chip_->Device();
  portEntries_.clear();
  for (int number = FirstBindablePort; number <= LastBindablePort; ++number) {
    portEntries_.push_back("COM" + std::to_string(number));
  }
  const int configuredPort = port.GetPortNumber();
  portSelection_ = IsBindablePort(configuredPort) ? configuredPort - FirstBindablePort : NoSelection;
  baudEntries_.clear();
  for (const unsigned baud : BaudRates) {
    baudEntries_.push_back(std::to_string(baud));
  }
  baudSelection_ = IndexForBaud(port.GetBaudRate());
  bindings_ = ReadDeviceBindings(paths_);
  storedBindings_ = bindings_;
  configuredPort_ = configuredPort;
  reset_ = port.GetResetPulse();
  storedReset_ = reset_;
  firstFill_ = false;
}

void CCommConfigDlg::OnOK(OperatorMessages& owner) {
  if (chip_ == nullptr) {
    return;
  }
  // An unselected port list is stored as port 0 rather than quietly as COM1: the next
  // detection then fails to open it, which shows the operator what happened.
  const CommSettings settings{SelectedPort(), BaudForIndex(baudSelection_)};
  SerialPort& port = chip_->Device();
  port.SetPortNumber(settings.port);
  port.SetBaudRate(settings.baud);
  // The port keeps the device it was given (an emulator's pty, say) unless the operator
  // chose another slot or another device for it.
  if (settings.port != configuredPort_ ||
      BoundDevice(bindings_, settings.port) != BoundDevice(storedBindings_, settings.port)) {
    ApplyDeviceBinding(bindings_, port);
  }
  const FailureReport report = [&owner](std::string_view text) { owner.Inform(text); };
  const CommSettingsSaved saved = SaveCommSettings(paths_, settings, report);
  stored_ = saved.port && saved.file && saved.baud;
  port.SetResetPulse(reset_);
  std::error_code error = WriteDeviceBindings(paths_, bindings_);
  // Written only when changed, so that a store that cannot be written is told of once.
  if (!error && reset_ != storedReset_) {
    error = SaveResetPulse(paths_, reset_);
  }
  if (error) {
    report(WriteFailureText(SettingValues(paths_).File(), error));
    report(msg::UnableToSaveConfiguration);
    stored_ = false;
  }
}

int CCommConfigDlg::SelectedPort() const { return portSelection_ + FirstBindablePort; }

bool CCommConfigDlg::CanBindDevice() const { return IsBindablePort(SelectedPort()); }

std::vector<std::string> CCommConfigDlg::DeviceEntries() const {
  if (!CanBindDevice()) {
    return {};
  }
  std::vector<std::string> entries{DefaultDevicePath(SelectedPort()) + " (default)"};
  for (const SerialDevice& device : devices_) {
    entries.push_back(DeviceLabel(device));
  }
  return entries;
}

int CCommConfigDlg::DeviceSelection() const {
  if (!CanBindDevice()) {
    return NoSelection;
  }
  const std::string bound = BoundDevicePath();
  if (bound.empty()) {
    return 0;
  }
  const auto found = std::find_if(devices_.begin(), devices_.end(), [&](const SerialDevice& device) {
    return device.BindingPath() == bound || device.node == bound;
  });
  return found == devices_.end() ? NoSelection : static_cast<int>(found - devices_.begin()) + 1;
}

void CCommConfigDlg::SelectDevice(int index) {
  if (index == 0) {
    BindDevicePath({});
  } else if (index > 0 && index <= static_cast<int>(devices_.size())) {
    BindDevicePath(devices_[static_cast<std::size_t>(index - 1)].BindingPath());
  }
}

std::string CCommConfigDlg::BoundDevicePath() const { return BoundDevice(bindings_, SelectedPort()); }

void CCommConfigDlg::BindDevicePath(std::string path) { BindDevice(bindings_, SelectedPort(), std::move(path)); }

void CCommConfigDlg::SelectReset(int index) {
  if (index >= 0 && index <= static_cast<int>(ResetPulse::Line::Rts)) {
    reset_.line = static_cast<ResetPulse::Line>(index);
  }
}

void CCommConfigDlg::SetResetMilliseconds(int milliseconds) {
  reset_.length = std::chrono::milliseconds(std::clamp<long long>(milliseconds, 1, MaxResetPulse.count()));
}

}  // namespace quillon
