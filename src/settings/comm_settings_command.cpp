#include "settings/comm_settings_command.h"

#include <string>

#include "settings/comm_config_dialog.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"
#include "ui/operator.h"

namespace quillon {

void RunCommSettings(Operator& window, CTargetChip* chip, const AppPaths& paths, std::vector<SerialDevice> devices) {
  CCommConfigDlg dialog(chip, paths, std::move(devices));
  const std::string savedTitle = window.Title();
  window.SetTitle(CommSettingsTitle);
  if (dialog.DoModal(window)) {
    window.Inform(msg::SelectChipTypeOrDetect);
  }
  window.SetTitle(savedTitle);
}

void CMainDlg::OnCommSettings() { RunCommSettings(Window(), TargetChip(), Paths(), DiscoverSerialDevices()); }

}  // namespace quillon
