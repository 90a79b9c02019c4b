#include "ui/comm_settings_command.h"

#include <string>

#include "operator/messages.h"
#include "ui/comm_config_dialog.h"
#include "ui/main_dlg.h"
#include "ui/operator.h"

namespace quillon {

Outcome RunCommSettings(Operator& window, CTargetChip* chip, const AppPaths& paths, std::vector<SerialDevice> devices) {
  CCommConfigDlg dialog(chip, paths, std::move(devices));
  const std::string savedTitle = window.Title();
  window.SetTitle(CommSettingsTitle);
  const bool chosen = dialog.DoModal(window);
  if (chosen) {
    window.Inform(msg::SelectChipTypeOrDetect);
  }
  window.SetTitle(savedTitle);
  if (!chosen) {
    return Outcome::Declined;
  }
  return dialog.Stored() ? Outcome::Done : Outcome::Failed;
}

void CMainDlg::OnCommSettings() {
  BeginCommand();
  Note(RunCommSettings(Window(), TargetChip(), Paths(), DiscoverSerialDevices()));
}

}  // namespace quillon
