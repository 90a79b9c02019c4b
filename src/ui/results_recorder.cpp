#include "ui/results_recorder.h"

#include "protocol/target_chip.h"
#include "settings/setting_values.h"
#include "ui/command_ids.h"
#include "ui/exit_status.h"
#include "ui/file_digest.h"
#include "ui/main_dlg.h"

namespace quillon {

namespace {

constexpr std::string_view FileValue = "RESULTSLOG";
constexpr std::string_view OnValue = "RESULTSLOGON";

// The name quillon-cli knows the command by; none for one that does not talk to a board.
const char* LoggedName(int commandId) {
  switch (commandId) {
    case IdAutoDetect:
    case IdExternalSelect:
    case IdChipTypeSelect: return "detect";
    case IdDownload: return "download";
    case IdDownloadAndRun: return "download-run";
    case IdCompare: return "compare";
    case IdFileSave: return "save";
    case IdRead: return "read";
    case IdSectorErase: return "erase";
    case IdChipErase: return "chip-erase";
    case IdSetLock: return "lock";
    case IdMemoryRemap: return "remap";
    case IdExecuteUserCode: return "run";
    default: return nullptr;
  }
}

}  // namespace

ResultsLogChoice StoredResultsLogChoice(const AppPaths& paths) {
  const SettingValues values(paths);
  return {values.Read(OnValue) == "1", values.Read(FileValue).value_or("")};
}

std::error_code StoreResultsLogChoice(const AppPaths& paths, const ResultsLogChoice& choice) {
  return SettingValues(paths).Write(
      {{std::string(OnValue), choice.on ? "1" : "0"}, {std::string(FileValue), choice.file}});
}

bool ResultsRecorder::Open(const std::string& path, std::string& failure) {
  auto log = ResultsLog::Open(path, failure);
  if (!log) {
    return false;
  }
  log_ = std::move(log);
  return true;
}

void ResultsRecorder::Begin(int commandId) {
  const std::lock_guard lock(mutex_);
  report_.reset();
  const char* name = LoggedName(commandId);
  if (!log_ || name == nullptr) {
    return;
  }
  commandId_ = commandId;
  report_.emplace();
  report_->command = name;
  report_->started = std::chrono::system_clock::now();
  start_ = std::chrono::steady_clock::now();
}

void ResultsRecorder::Said(std::string_view text) {
  const std::lock_guard lock(mutex_);
  if (report_) {
    report_->messages.emplace_back(text);
  }
}

// A file that cannot be read is named without a digest; the command says why it failed.
void ResultsRecorder::Reads(const std::string& file) {
  const std::lock_guard lock(mutex_);
  if (report_) {
    std::string failure;
    report_->file = file;
    report_->sha256 = FileSha256(file, failure);
  }
}

bool ResultsRecorder::End(CMainDlg& window, std::string& failure) {
  const std::lock_guard lock(mutex_);
  if (!report_ || !log_) {
    return true;
  }
  BoardReport report = std::move(*report_);
  report_.reset();
  // A dialog cancelled or a question answered No left the board untouched: a line for
  // it would count a failed board that never was.
  if (window.LastOutcome() == Outcome::Declined) {
    return true;
  }
  report.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  report.device = window.TargetChip()->Device().DevicePath();
  report.port = PortLabel(report.device);
  report.chip = window.Info();
  // Only a download sets the span, and each one anew; another command wrote nothing.
  if (commandId_ == IdDownload || commandId_ == IdDownloadAndRun) {
    report.written = window.LastWritten();
  }
  report.exitStatus = ExitStatusOf(window.LastOutcome());
  return log_->Append(ReportJson(report, false), failure);
}

}  // namespace quillon
