#include "ui/comm_settings_command.h"

#include <string>

#include "operator/messages.h"
#include "ui/comm_config_dialog.h"
#include "ui/main_dlg.h"
#include "ui/operator.h"

namespace quillon {

bool RunCommSettings(Operator& window, CTargetChip* chip, const AppPaths& paths, std::vector<SerialDevice> devices) {
  CCommConfigDlg dialog(chip, paths, std::move(devices));
  const std::string savedTitle = window.Title();
  window.SetTitle(CommSettingsTitle);
  const bool chosen = dialog.DoModal(window);
  if (chosen) {
    window.Inform(msg::SelectChipTypeOrDetect);
  }
  window.SetTitle(savedTitle);
  return chosen;
}

void CMainDlg::OnCommSettings() {
  BeginCommand();
  if (!RunCommSettings(Window(), TargetChip(), Paths(), DiscoverSerialDevices())) {
    Note(Outcome::Declined);
  }
}

}  // namespace quillon
