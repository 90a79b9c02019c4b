#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "image/image_stamp.h"
#include "operator/outcome.h"
#include "operator/timing.h"
#include "protocol/target_chip.h"
#include "settings/app_paths.h"
#include "transport/link_state.h"
#include "transport/link_worker.h"
#include "ui/chip_info.h"
#include "ui/command_ids.h"
#include "ui/command_request.h"
#include "ui/operator.h"

namespace quillon {

class PrintBackEnd;

// Flash addresses, the first and the last of a piece written.
struct FlashSpan {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
};

// What a download that succeeded put into flash: the image's own bytes, their span, and
// whether every byte was read back and found as written.
struct DownloadSummary {
  std::uint64_t bytes = 0;
  FlashSpan span;
  bool verified = false;
};

// The main window without its toolkit: it owns the target chip and the link, runs the
// commands and talks to the person only through the Operator. Each command leaves an
// outcome behind for whoever drives the window.
class CMainDlg {
 public:
  CMainDlg(Operator& window, AppPaths paths, Timing timing = {});
  ~CMainDlg();
  CMainDlg(const CMainDlg&) = delete;
  CMainDlg& operator=(const CMainDlg&) = delete;

  // Start-up: resets the link state, creates the target chip, reads the settings file.
  bool OnInitDialog();
  void OnTimer();
  void OnTimer(const std::tm& localTime);

  // Detection.
  void OnAutoDetect();
  void OnExternalSelect();
  void OnChipTypeSelect();

  // The commands that work on a request: On... asks for it with the command's dialog,
  // Run... takes it as given, its indexes within ListsOf's, and both then do the same.

  // Flash commands.
  void OnSectorErase();
  void RunSectorErase(const RangeRequest& request);
  void OnChipErase();
  void OnRead();
  void RunRead(const RangeRequest& request);
  void OnSetLock();
  void RunSetLock(const OptionRequest& request);
  void OnMemoryRemap();
  void RunMemoryRemap(const OptionRequest& request);
  void OnExecuteUserCode();
  void OnResetLink();
  void OnTabChange(int selectedTab);
  void OnListClick(int row);

  // Image files.
  int OnDownload();
  int RunDownload(const ImageRequest& request);
  void OnDownloadAndRun();
  void RunDownloadAndRun(const ImageRequest& request);
  void OnCompare();
  void RunCompare(const ImageRequest& request);
  void OnFileSave();
  void RunFileSave(const SaveRequest& request);
  void OnFilePrint(PrintBackEnd& printer);

  // Settings.
  void OnCommSettings();

  // The sector table and memory view of a block, built from its image buffer.
  void FillSectorTable(int block, int availableBound);
  void FillMemoryView(int block, int sector);

  // True while a command or a timer tick runs. A window that keeps painting during one
  // must not let a click or a tick start another on the same link.
  bool Busy() const { return busy_; }
  // Runs the command unless one is running already; false when it was refused.
  bool RunExclusive(const std::function<void()>& command);

  // How the last command, or the last timer tick, ended.
  Outcome LastOutcome() const { return outcome_; }
  // What the last download wrote, or set out to write when it failed, for a record of
  // which board got what; none when it wrote nothing.
  std::optional<FlashSpan> LastWritten() const { return written_; }
  // Bytes every download from now on puts into its copy of the image, such as this board's
  // serial number; none to download the file as it is.
  void SetImageStamp(std::optional<ImageStamp> stamp) { stamp_ = std::move(stamp); }
  // What the last download put into flash; none unless it succeeded.
  std::optional<DownloadSummary> LastDownload() const { return downloaded_; }
  void BeginCommand() { outcome_ = Outcome::Done; }
  // Tells the operator why the command did not happen as asked.
  void Fail(std::string_view text);
  // Records what a command met; the graver outcome stays.
  void Note(Outcome outcome) { outcome_ = Graver(outcome_, outcome); }
  // Asks, noting a declined command when the answer is not the one that goes ahead.
  bool Confirm(std::string_view text, Buttons buttons, Answer defaultAnswer);

  // Stops the link worker, if any, and releases its queues.
  void StopLinkWorker();
  // Lets the worker send what is queued, within the limit, then stops it; true when all
  // of it went out.
  bool StopLinkWorkerWhenSent(std::chrono::milliseconds limit);
  void ShowChipInfo();
  void ClearChipInfo();

  Operator& Window() const { return window_; }
  LinkState& Link() { return link_; }
  CTargetChip* TargetChip() { return chip_.get(); }
  ChipInfo& Info() { return info_; }
  const AppPaths& Paths() const { return paths_; }
  const Timing& GetTiming() const { return timing_; }
  LinkWorker& Worker() { return worker_; }

 private:
  void RunLinkWatchdog();
  void StoppingWorker(const std::function<void()>& stop);
  void RunSelection(int linkMode);
  void DecodeSecurity(std::uint8_t status);
  // Each asks for its request once the command's checks have passed; none is a Cancel.
  template <typename Request>
  using Asking = std::function<std::optional<Request>(CTargetChip& chip)>;
  void SectorErase(const Asking<RangeRequest>& ask);
  void Read(const Asking<RangeRequest>& ask);
  int Download(const Asking<ImageRequest>& ask);
  int DoDownload(CTargetChip& chip, const Asking<ImageRequest>& ask);
  void DownloadAndRun(int downloaded);
  void ReportDownload(const PlannedImage& image, bool verified);
  void Compare(const Asking<ImageRequest>& ask);
  void FileSave(const Asking<SaveRequest>& ask);

  Operator& window_;
  AppPaths paths_;
  Timing timing_;
  LinkState link_;
  std::unique_ptr<CTargetChip> chip_;
  LinkWorker worker_;
  ChipInfo info_;
  Outcome outcome_ = Outcome::Done;
  std::optional<FlashSpan> written_;
  std::optional<ImageStamp> stamp_;
  std::optional<DownloadSummary> downloaded_;
  bool busy_ = false;
};

}  // namespace quillon
