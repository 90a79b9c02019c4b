#include "ui/main_dlg.h"

#include "operator/messages.h"
#include "settings/comm_settings.h"
#include "ui/clock_pane.h"
#include "ui/pane_texts.h"

namespace quillon {

CMainDlg::CMainDlg(Operator& window, AppPaths paths, Timing timing)
    : window_(window), paths_(std::move(paths)), timing_(timing), worker_(link_, window, timing_) {}

// The worker talks through the chip's device and reports to the operator, so it ends
// first: closed under it, the port would fail a transfer it is in the middle of and the
// worker would report that while the window is half gone.
CMainDlg::~CMainDlg() {
  StopLinkWorker();
  if (chip_) {
    chip_->Device().CloseIfOpen();
  }
  chip_.reset();
}

bool CMainDlg::OnInitDialog() {
  link_.LinkMode = DirectLink;
  link_.ChipReleased = false;
  link_.WorkerStarted = false;
  link_.Remap4KB = false;
  link_.LinkLost = false;
  chip_ = std::make_unique<CTargetChip>(window_, link_);
  chip_->Device().SetTiming(timing_);
  LoadCommSettings(paths_, chip_->Device(), [this](std::string_view text) { window_.Inform(text); });
  return true;
}

void CMainDlg::OnTimer() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  OnTimer(local);
}

void CMainDlg::OnTimer(const std::tm& localTime) {
  BeginCommand();
  const std::string clock = ClockPaneText(localTime);
  if (chip_) {
    window_.SetPaneTexts(clock, UpdatePortPane(chip_->Device()), UpdateBaudPane(chip_->Device()));
  } else {
    window_.SetPaneTexts(clock, PortPaneSizingText, BaudPaneSizingText);
  }
  RunLinkWatchdog();
}

void CMainDlg::RunLinkWatchdog() {
  if (!link_.LinkLost || !link_.WatchdogArmed) {
    return;
  }
  link_.WatchdogArmed = false;
  ClearChipInfo();
  StopLinkWorker();
  link_.LinkLost = false;
  if (chip_) {
    chip_->Device().ClearConnected();
    chip_->Device().PurgeOutput();
    chip_->Device().PurgeInput();
  }
  if (!link_.Remap4KB) {
    Fail(msg::TimeoutReset);
  } else if (window_.Ask(msg::ConnectionLost, Buttons::OkCancel, Answer::Cancel) != Answer::Cancel) {
    OnAutoDetect();
  } else {
    Note(Outcome::Failed);
  }
}

void CMainDlg::Fail(std::string_view text) {
  window_.Inform(text);
  Note(Outcome::Failed);
}

bool CMainDlg::Confirm(std::string_view text, Buttons buttons, Answer defaultAnswer) {
  const Answer goAhead = buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
  if (window_.Ask(text, buttons, defaultAnswer) == goAhead) {
    return true;
  }
  Note(Outcome::Declined);
  return false;
}

bool CMainDlg::RunExclusive(const std::function<void()>& command) {
  if (busy_) {
    return false;
  }
  busy_ = true;
  // A request belongs to the command it was raised during, not to the next one.
  link_.Stop.Clear();
  struct Release {
    bool& busy;
    ~Release() { busy = false; }
  } release{busy_};
  command();
  return true;
}

void CMainDlg::StopLinkWorker() {
  StoppingWorker([this] { worker_.Stop(); });
}

bool CMainDlg::StopLinkWorkerWhenSent(std::chrono::milliseconds limit) {
  bool sent = false;
  StoppingWorker([&] { sent = worker_.StopWhenSent(limit); });
  return sent;
}

// The window is told, so that a message the worker waits on cannot hold up the wait for
// the worker's end.
void CMainDlg::StoppingWorker(const std::function<void()>& stop) {
  window_.LinkWorkerStopping(true);
  stop();
  window_.LinkWorkerStopping(false);
}

void CMainDlg::ShowChipInfo() { window_.ShowChipInfo(info_); }

void CMainDlg::ClearChipInfo() {
  info_ = ChipInfo{};
  info_.Security = "SECURITY : UNKNOWN";
  ShowChipInfo();
}

}  // namespace quillon
