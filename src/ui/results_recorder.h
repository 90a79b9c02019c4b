#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include <system_error>

#include "settings/app_paths.h"
#include "ui/board_report.h"
#include "ui/results_log.h"

namespace quillon {

class CMainDlg;

// The settings dialog's switch for the results log, and its file, kept for the next start.
struct ResultsLogChoice {
  bool on = false;
  std::string file;
};
ResultsLogChoice StoredResultsLogChoice(const AppPaths& paths);
std::error_code StoreResultsLogChoice(const AppPaths& paths, const ResultsLogChoice& choice);

// The window's results log: for each command it runs on a board, the line quillon-cli
// --log writes for that command, so that a line's tools can share one log.
class ResultsRecorder {
 public:
  // Writes to the file from now on; false, with the reason, when it cannot be written to.
  bool Open(const std::string& path, std::string& failure);
  void Close() { log_.reset(); }
  // The file written to; empty while the log is off.
  std::string Path() const { return log_ ? log_->Path() : std::string(); }

  // A command begins; only those that talk to a board make a line.
  void Begin(int commandId);
  // A message shown during the command; from any thread.
  void Said(std::string_view text);
  // The image file the command reads, which the line names with its SHA-256.
  void Reads(const std::string& file);
  // Appends the command's line; false, with the reason, when it did not go out whole.
  bool End(CMainDlg& window, std::string& failure);

 private:
  std::unique_ptr<ResultsLog> log_;
  std::mutex mutex_;
  std::optional<BoardReport> report_;
  int commandId_ = 0;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace quillon
