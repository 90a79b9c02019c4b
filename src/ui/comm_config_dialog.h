#pragma once

#include <string>
#include <vector>

#include "settings/app_paths.h"
#include "settings/device_binding.h"
#include "settings/serial_devices.h"
#include "transport/reset_pulse.h"

namespace quillon {

class CTargetChip;
class Operator;
class OperatorMessages;

// The model of the communication configuration dialog: the port and baud lists with their
// preselection, the device the chosen COM slot stands for, and what OK stores. A view only
// shows the lists and hands the operator's selections back through the setters.
class CCommConfigDlg {
 public:
  static constexpr int IdPortList = 1051;
  static constexpr int IdBaudList = 1052;
  static constexpr int NoSelection = -1;

  // Without the main window's target chip there is nothing to configure: the lists stay
  // empty and OK only closes the dialog.
  CCommConfigDlg(CTargetChip* parentChip, AppPaths paths, std::vector<SerialDevice> devices);

  // Shows the dialog; OK stores the choice. True for OK.
  bool DoModal(Operator& window);
  // Fills the lists and preselects the configured port and baud rate, the first time only.
  void DoDataExchange();
  void OnOK(OperatorMessages& owner);
  // False once OK has met a value or file it could not store.
  bool Stored() const { return stored_; }

  bool FirstFill() const { return firstFill_; }
  const std::vector<std::string>& PortEntries() const { return portEntries_; }
  const std::vector<std::string>& BaudEntries() const { return baudEntries_; }
  int PortSelection() const { return portSelection_; }
  int BaudSelection() const { return baudSelection_; }
  // A new selection takes effect only on OK.
  void SelectPort(int index) { portSelection_ = index; }
  void SelectBaud(int index) { baudSelection_ = index; }

  // The device of the selected COM slot. Entry 0 is the slot's default device, then one
  // entry per device present. A path typed by the operator (an emulator's pty) may be
  // bound too; it has no entry.
  bool CanBindDevice() const;
  const std::vector<SerialDevice>& Devices() const { return devices_; }
  std::vector<std::string> DeviceEntries() const;
  // NoSelection when no slot is selected or the slot is bound to a path without an entry.
  int DeviceSelection() const;
  void SelectDevice(int index);
  // The path the selected slot is bound to; empty for its default device.
  std::string BoundDevicePath() const;
  void BindDevicePath(std::string path);

  // The line a fixture resets the board with as the port opens: entry 0 is none, then DTR
  // and RTS; and how long it is raised, 1 to MaxResetPulse ms.
  static std::vector<std::string> ResetEntries() { return {"none", "DTR", "RTS"}; }
  int ResetSelection() const { return static_cast<int>(reset_.line); }
  void SelectReset(int index);
  int ResetMilliseconds() const { return static_cast<int>(reset_.length.count()); }
  void SetResetMilliseconds(int milliseconds);

 private:
  // The port number the port list's selection stands for; 0 when nothing is selected.
  int SelectedPort() const;

  CTargetChip* chip_;
  AppPaths paths_;
  std::vector<SerialDevice> devices_;
  bool firstFill_ = true;
  std::vector<std::string> portEntries_;
  std::vector<std::string> baudEntries_;
  int portSelection_ = NoSelection;
  int baudSelection_ = NoSelection;
  DeviceBindings bindings_{};
  DeviceBindings storedBindings_{};
  int configuredPort_ = 0;
  ResetPulse reset_;
  ResetPulse storedReset_;
  bool stored_ = true;
};

}  // namespace quillon
