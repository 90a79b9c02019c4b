#include "image/chosen_start.h"
#include "image/download.h"
#include "image/download_dialog.h"
#include "image/formatted.h"
#include "image/image_reader.h"
#include "image/image_texts.h"
#include "protocol/command_checks.h"
#include "ui/main_dlg.h"
#include "ui/messages.h"

namespace quillon {

int CMainDlg::OnDownload() {
  BeginFlashCommand(*this);
  CTargetChip* chip = SectorCommandTarget(*this);
  return chip == nullptr ? -1 : DoDownload(*chip);
}

// Anything but 0 keeps "Dnload/Run UserCode" from starting the code, so every download
// that did not put the whole file into flash gives -1; an operator who declines to erase
// has not asked for a download, and gets 0.
int CMainDlg::DoDownload(CTargetChip& chip) {
  const bool internal = chip.GetMemoryType() == MemoryInternal;
  const std::string savedTitle = window_.Title();
  window_.SetTitle(internal ? msg::WarnBlock0Erased : msg::WarnBlocks01Erased);
  CDownloadDlg dialog(chip);
  const bool chosen = dialog.DoModal(window_);
  SectorRange range{};
  if (chosen) {
    range = TakeChosenStart(*this, chip, dialog.GetChosenStart(), StartOnly);
  }
  window_.RedrawNow();
  if (!chosen) {
    window_.SetTitle(savedTitle);
    return -1;
  }
  // The whole file is read and checked first, so that one that will not do costs no
  // question, sends the target nothing and leaves the link as it was.
  PlannedImage image;
  if (PrepareImage(dialog.GetFileName(), range.block, range.address, internal ? SingleBlockRule : SplitRule, chip,
                   window_, StagingFile(paths_.cacheDir), image) != ImageDone) {
    window_.SetTitle(savedTitle);
    return -1;
  }
  if (window_.Ask(msg::ProceedToDownload, Buttons::YesNo, Answer::No) != Answer::Yes) {
    window_.SetTitle(savedTitle);
    return 0;
  }
  window_.SetTitle(Formatted(msg::DownloadingFormat, dialog.GetFileName().c_str()));
  const int result = internal ? DownloadImageInternal(chip, image) : DownloadImageExternal(chip, image);
  window_.SetTitle(savedTitle);
  if (result == ImageDone) {
    return 0;
  }
  if (result == ImageFailed) {
    DropFailedQueuedLink(*this);
  }
  return -1;
}

void CMainDlg::OnDownloadAndRun() {
  if (OnDownload() == 0) {
    OnExecuteUserCode();
  }
}

}  // namespace quillon
