// The window starting up on a damaged settings file and key-value store: it comes up on
// whatever they hold, the communication dialog stores its choice without a complaint, and
// the next start reads back exactly that choice.
#include <tuple>

#include "operator/messages.h"
#include "require.h"
#include "settings/comm_settings_file.h"
#include "settings/setting_values.h"
#include "support/host_fixture.h"
#include "ui/comm_settings_command.h"

using namespace quillon;
using fuzz::Require;

namespace {

std::tuple<int, unsigned, std::string, int> ChoiceOf(CMainDlg& window) {
  const SerialPort& port = window.TargetChip()->Device();
  return {port.GetPortNumber(), port.GetBaudRate(), port.DevicePath(), port.GetEchoWindow()};
}

}  // namespace

// The first byte sizes the settings file, which the next bytes fill; the rest is the store.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const test::TempDir dir;
  const AppPaths paths{dir / "config", dir / "cache"};
  const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::size_t split = std::min<std::size_t>(data[0] % 24, bytes.size());
  test::WriteFile(CommSettingsFilePath(paths), bytes.substr(0, split));
  test::WriteFile(paths.configDir / SettingValuesFileName, bytes.substr(split));

  test::ScriptedOperator op;
  op.onCommConfig = [](CCommConfigDlg&) { return true; };
  CMainDlg window(op, paths);
  window.OnInitDialog();
  window.OnTimer();
  Require(RunCommSettings(op, window.TargetChip(), paths, {}) == Outcome::Done, "the dialog takes OK and stores it");
  Require(op.Messages() == test::Strings{std::string(msg::SelectChipTypeOrDetect)}, "the choice is stored");

  CMainDlg restarted(op, paths);
  restarted.OnInitDialog();
  Require(ChoiceOf(restarted) == ChoiceOf(window), "the next start reads the stored choice");
  return 0;
}
