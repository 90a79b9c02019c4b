#include "cli/board_run.h"

#include "cli/cli_operator.h"
#include "cli/planned_target.h"
#include "cli/stop_signals.h"
#include "settings/device_binding.h"
#include "ui/main_dlg.h"

namespace quillon::cli {

namespace {

// The settings file has already chosen port and baud rate; the options override them.
void ApplyConnection(const GlobalOptions& options, const std::optional<std::string>& port, const AppPaths& paths,
                     CIapDevice& device) {
  if (port) {
    if (const auto number = ComPortNumber(*port)) {
      device.SetPortNumber(*number);
      ApplyDeviceBinding(ReadDeviceBindings(paths), device);
    } else {
      device.SetDevicePath(*port);
    }
  }
  if (options.baud) {
    device.SetBaudRate(*options.baud);
  }
  if (options.echoWindow) {
    device.SetEchoWindow(*options.echoWindow);
  }
  if (options.reset) {
    device.SetResetPulse(*options.reset);
  }
}

void Detect(const GlobalOptions& options, CMainDlg& window, CliOperator& op) {
  op.onChipType = [&](CChipTypeDlg& dialog) {
    const CChipTypeDlg& planned = PlannedTargetOf(options).chip;
    dialog.SetChipType(planned.GetChipType());
    dialog.SetMemoryType(planned.GetMemoryType());
    return true;
  };
  switch (options.firmware) {
    case Firmware::V11EInt: window.OnAutoDetect(); break;
    case Firmware::V11EExt: window.OnExternalSelect(); break;
    case Firmware::V11D: window.OnChipTypeSelect(); break;
  }
}

// Taken only once the board has answered, so that a board that is not there spends no
// number; one that fails from here on does.
bool TakeSerialNumber(const SerialNumbering& serials, CMainDlg& window, CliOperator& op, BoardReport& report) {
  std::uint64_t number = 0;
  std::string failure;
  auto stamp = serials.Take(number, failure);
  if (!stamp) {
    op.PrintError("no serial number for this board: " + failure);
    return false;
  }
  report.serial = number;
  window.SetImageStamp(std::move(stamp));
  return true;
}

int DetectAndRun(const RunPlan& plan, CMainDlg& window, CliOperator& op, BoardReport& report) {
  op.BeginDetectionReport();
  Detect(plan.options, window, op);
  const Outcome detection = window.LastOutcome();
  window.OnTimer();
  op.EndDetectionReport(plan.entry.run == DetectCommand);
  if (!window.TargetChip()->Device().IsOpen()) {
    op.PrintHeldTraces();
  }
  if (ExitStatusOf(Graver(detection, window.LastOutcome())) != ExitOk) {
    return ExitFailed;
  }
  // The command would clear a request raised before it began.
  if (ReceivedStopSignal() != 0) {
    return ExitFailed;
  }
  if (plan.entry.windowCommand != 0 && op.CommandDisabled(plan.entry.windowCommand)) {
    op.PrintError(std::string(plan.entry.name) + " is not available on this chip (" + window.Info().Security + ")");
    return ExitFailed;
  }
  if (plan.serials != nullptr && !TakeSerialNumber(*plan.serials, window, op, report)) {
    return ExitFailed;
  }
  try {
    // The detection found the chip that the lists were planned for, or another.
    const CTargetChip& chip = *window.TargetChip();
    RequireListed(plan.request, ListsOf(plan.entry.windowCommand, chip, window.Link().LinkMode, chip.GetCurrentBlock()),
                  plan.entry.name);
    const Outcome outcome = RunWindowCommand(plan.entry.run, window, op, plan.request);
    if (outcome == Outcome::Declined) {
      const std::string question = op.Record().unanswered;
      op.PrintError(question.empty() ? "answered No: nothing was changed"
                                     : "\"" + question +
                                           "\" needs an answer: give --yes, or run at a terminal; nothing was changed");
    }
    return ExitStatusOf(outcome);
  } catch (const UsageError& error) {
    op.PrintError(error.what());
    return ExitUsage;
  }
}

}  // namespace

BoardReport RunBoard(const RunPlan& plan, const std::optional<std::string>& port, CliOperator& op) {
  BoardReport report;
  report.started = std::chrono::system_clock::now();
  const auto start = std::chrono::steady_clock::now();
  report.command = plan.entry.name;
  report.file = plan.file;
  report.sha256 = plan.sha256;
  {
    CMainDlg window(op, plan.paths);
    const StopRegistration stop(window.Link().Stop);
    window.OnInitDialog();
    ApplyConnection(plan.options, port, plan.paths, window.TargetChip()->Device());
    report.device = window.TargetChip()->Device().DevicePath();
    report.exitStatus = DetectAndRun(plan, window, op, report);
    report.written = window.LastWritten();
  }
  // However far it got, a run a signal came during was stopped, and says so in the log.
  if (const int signal = ReceivedStopSignal(); signal != 0) {
    report.exitStatus = ExitStatusOfSignal(signal);
  }
  // The window is gone, and with it the worker that may have had a last word.
  report.port = PortLabel(port.value_or(report.device));
  RunRecord record = op.Record();
  report.chip = record.knownChip;
  report.messages = std::move(record.said);
  report.sectors = std::move(record.sectors);
  if (!report.sectors.empty()) {
    report.memory = std::move(record.memory);
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return report;
}

}  // namespace quillon::cli
