#include "image/compare.h"
#include "image/download.h"
#include "image/image_reader.h"
#include "image/image_stamp.h"
#include "image/image_texts.h"
#include "image/print.h"
#include "image/save.h"
#include "operator/formatted.h"
#include "operator/messages.h"
#include "settings/atomic_file.h"
#include "ui/chosen_start.h"
#include "ui/command_checks.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/main_dlg.h"
#include "ui/range_dialog.h"
#include "ui/request_image.h"
#include "ui/save_dialog.h"

namespace quillon {

namespace {

// The image's own bytes, without what pads its pieces to whole sectors or bursts.
std::optional<FlashSpan> SpanOf(const PlannedImage& image) {
  std::optional<FlashSpan> span;
  for (const ImageSegment& segment : image.Segments) {
    if (segment.DataLength == 0) {
      continue;
    }
    const std::uint32_t last = segment.FlashAddress + segment.DataLength - 1;
    span = FlashSpan{span ? span->first : segment.FlashAddress, last};
  }
  return span;
}

// The command's dialog, opened on the chip as it is.
template <typename Dialog>
std::optional<decltype(std::declval<Dialog>().Request())> AskDialog(Operator& window, Dialog&& dialog) {
  return dialog.DoModal(window) ? std::optional(dialog.Request()) : std::nullopt;
}

template <typename Request>
auto Given(const Request& request) {
  return [&request](CTargetChip&) { return std::optional(request); };
}

}  // namespace

int CMainDlg::OnDownload() {
  return Download([this](CTargetChip& chip) { return AskDialog(window_, CDownloadDlg(chip)); });
}

int CMainDlg::RunDownload(const ImageRequest& request) { return Download(Given(request)); }

int CMainDlg::Download(const Asking<ImageRequest>& ask) {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  return chip == nullptr ? -1 : DoDownload(*chip, ask);
}

// Anything but 0 keeps "Dnload/Run UserCode" from starting the code, so every download
// that did not put the whole file into flash gives -1; an operator who declines to erase
// has not asked for a download, and gets 0.
int CMainDlg::DoDownload(CTargetChip& chip, const Asking<ImageRequest>& ask) {
  written_.reset();
  downloaded_.reset();
  const bool internal = chip.GetMemoryType() == MemoryInternal;
  const std::string savedTitle = window_.Title();
  window_.SetTitle(internal ? msg::WarnBlock0Erased : msg::WarnBlocks01Erased);
  const std::optional<ImageRequest> request = ask(chip);
  const bool chosen = request.has_value();
  if (chosen) {
    TakeChosenStart(*this, chip, request->start, StartOnly);
  }
  window_.RedrawNow();
  if (!chosen) {
    window_.SetTitle(savedTitle);
    Note(Outcome::Declined);
    return -1;
  }
  // The whole file is read and checked first, so that one that will not do costs no
  // question, sends the target nothing and leaves the link as it was.
  PlannedImage image;
  if (PlanImageRequest(IdDownload, *request, chip, window_, StagingFile(paths_.cacheDir), image) != ImageDone ||
      (stamp_ && StampImage(image, *stamp_, window_) != ImageDone)) {
    window_.SetTitle(savedTitle);
    Note(Outcome::Failed);
    return -1;
  }
  if (!Confirm(msg::ProceedToDownload, Buttons::YesNo, Answer::No)) {
    window_.SetTitle(savedTitle);
    return 0;
  }
  window_.SetTitle(Formatted(msg::DownloadingFormat, request->file.c_str()));
  written_ = SpanOf(image);
  const int result = internal ? DownloadImageInternal(chip, image) : DownloadImageExternal(chip, image);
  window_.SetTitle(savedTitle);
  if (result == ImageDone) {
    ReportDownload(image, !internal || link_.Queued());
    return 0;
  }
  if (result == ImageStopped) {
    EndedByStop(*this);
  } else if (result == ImageNoMemory) {
    Note(Outcome::Failed);
  } else {
    // Erase, program or verify: every transfer that failed leaves a queued link unknown.
    DropFailedQueuedLink(*this);
  }
  return -1;
}

// The status line says what went where, so that a look at the window afterwards tells it.
void CMainDlg::ReportDownload(const PlannedImage& image, bool verified) {
  DownloadSummary summary{0, SpanOf(image).value_or(FlashSpan{}), verified};
  for (const ImageSegment& segment : image.Segments) {
    summary.bytes += segment.DataLength;
  }
  downloaded_ = summary;
  info_.IapStatus = Formatted(msg::DownloadedFormat, static_cast<unsigned long long>(summary.bytes),
                              static_cast<unsigned>(summary.span.first), static_cast<unsigned>(summary.span.last),
                              verified ? msg::DownloadVerified : msg::DownloadNotVerified);
  ShowChipInfo();
}

void CMainDlg::OnDownloadAndRun() { DownloadAndRun(OnDownload()); }

void CMainDlg::RunDownloadAndRun(const ImageRequest& request) { DownloadAndRun(RunDownload(request)); }

void CMainDlg::DownloadAndRun(int downloaded) {
  if (downloaded == 0) {
    const Outcome download = outcome_;
    OnExecuteUserCode();
    Note(download);
  }
}

void CMainDlg::OnCompare() {
  Compare([this](CTargetChip& chip) { return AskDialog(window_, CCompareDlg(chip)); });
}

void CMainDlg::RunCompare(const ImageRequest& request) { Compare(Given(request)); }

void CMainDlg::Compare(const Asking<ImageRequest>& ask) {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  if (chip == nullptr) {
    return;
  }
  const std::string savedTitle = window_.Title();
  const std::optional<ImageRequest> request = ask(*chip);
  const bool chosen = request.has_value();
  SectorRange range{};
  if (chosen) {
    range = TakeChosenStart(*this, *chip, request->start, StartOnly);
  }
  window_.RedrawNow();
  if (!chosen) {
    window_.SetTitle(savedTitle);
    ShowChipInfo();
    Note(Outcome::Declined);
    return;
  }
  const std::string& path = request->file;
  window_.SetTitle(Formatted(msg::ComparingFormat, path.c_str(), range.address));
  int mismatchAddress = -1;
  int mismatchPair = 0;
  PlannedImage image;
  int result = PlanImageRequest(IdCompare, *request, *chip, window_, StagingFile(paths_.cacheDir), image);
  if (result == ImageDone) {
    result = CompareImageWithFlash(*chip, image, mismatchAddress, mismatchPair);
  }
  window_.SetTitle(savedTitle);
  if (result == ImageStopped) {
    ShowChipInfo();
    EndedByStop(*this);
    return;
  }
  info_.IapStatus = CompareStatusText(path, result, mismatchAddress, mismatchPair);
  ShowChipInfo();
  // A difference leaves the conversation in step; a transfer that failed does not.
  if (result == ImageProgramFailed && mismatchAddress < 0) {
    DropFailedQueuedLink(*this);
  } else if (result != ImageDone) {
    Note(Outcome::Failed);
  }
}

void CMainDlg::OnFileSave() {
  FileSave([this](CTargetChip& chip) { return AskDialog(window_, CSaveDlg(chip)); });
}

void CMainDlg::RunFileSave(const SaveRequest& request) { FileSave(Given(request)); }

void CMainDlg::FileSave(const Asking<SaveRequest>& ask) {
  BeginFlashCommand(*this);
  if (chip_ == nullptr || link_.ChipReleased) {
    Fail(msg::NoFlashChip);
    return;
  }
  if (const std::optional<SaveRequest> request = ask(*chip_)) {
    const SectorRange range = TakeChosenStart(*this, *chip_, request->start, request->range);
    const auto sectorSize = static_cast<int>(chip_->SectorSize(range.block));
    std::error_code writeError;
    const SaveTarget target{request->file, request->descriptor};
    const int result = SaveFlashToFile(*chip_, target, static_cast<int>(range.address), range.count * sectorSize,
                                       sectorSize, request->text ? 1 : 0, writeError);
    if (result == ImageStopped) {
      EndedByStop(*this);
      window_.RedrawNow();
      return;
    }
    if (result != 0 && !writeError && result != ImageNoMemory) {
      DropFailedQueuedLink(*this);
    } else if (result != 0) {
      Note(Outcome::Failed);
    }
    // Only a read that succeeded gets as far as the file, so the link is up to tell this.
    if (writeError) {
      window_.Inform(WriteFailureText(request->file, writeError));
    }
    // A queued link that failed is reported once, by the watchdog.
    if (!link_.LinkLost) {
      window_.Inform(result == 0 ? msg::SaveCompleted : msg::SaveFailed);
    }
  } else {
    Note(Outcome::Declined);
  }
  window_.RedrawNow();
}

void CMainDlg::OnFilePrint(PrintBackEnd& printer) {
  BeginFlashCommand(*this);
  if (chip_ == nullptr || link_.ChipReleased) {
    Fail(msg::NoFlashChip);
    return;
  }
  if (!chip_->CurrentBlockLegal()) {
    Fail(msg::IllegalBlockNumber);
    return;
  }
  // Opens on the first sector and one sector's range: a quick look is the usual print.
  CRangeDlg dialog(*chip_, link_, window_);
  dialog.SetInitialStart(0);
  dialog.SetInitialRange(1);
  const bool chosen = dialog.DoModal(window_);
  SectorRange range{};
  if (chosen) {
    range = TakeChosenStart(*this, *chip_, dialog.GetChosenStart(), dialog.GetChosenRange());
  }
  window_.RedrawNow();
  if (!chosen) {
    Note(Outcome::Declined);
    return;
  }
  const auto sectorSize = static_cast<int>(chip_->SectorSize(range.block));
  const int result = PrintFlash(*chip_, printer, static_cast<int>(range.address), range.count * sectorSize, sectorSize);
  if (result == ImageStopped) {
    EndedByStop(*this);
    return;
  }
  if (result == ImageReadShort) {
    DropFailedQueuedLink(*this);
  } else if (result != 0) {
    Note(Outcome::Failed);
  }
  if (!link_.LinkLost) {
    window_.Inform(result == 0 ? msg::PrintCompleted : msg::PrintFailed);
  }
}

}  // namespace quillon
