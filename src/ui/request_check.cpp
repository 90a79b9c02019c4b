#include "ui/request_check.h"

#include "protocol/chip_type_dialog.h"
#include "transport/link_state.h"
#include "ui/command_ids.h"
#include "ui/download_dialog.h"
#include "ui/lock_dialog.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"
#include "ui/sector_list.h"

namespace quillon {

namespace {

int Count(const std::vector<std::string>& entries) { return static_cast<int>(entries.size()); }

template <typename Dialog>
int ChoicesOf() {
  return static_cast<int>(Dialog().Choices().size());
}

std::optional<RequestFault> Outside(RequestField field, int index, int first, int entries) {
  if (index >= first && index < first + entries) {
    return std::nullopt;
  }
  return RequestFault{field, index, entries};
}

}  // namespace

DialogLists ListsOf(int commandId, const CChipTypeDlg& chip, int linkMode, int currentBlock) {
  const bool legalBlock = currentBlock == 0 || currentBlock == 1;
  const int blockRanges = legalBlock ? Count(RangeListEntries(chip.SectorCount(currentBlock))) : 0;
  switch (commandId) {
    case IdDownload:
    case IdDownloadAndRun: return {Count(SectorListEntries(chip, CDownloadDlg::OffersBlock1(chip)))};
    case IdCompare: return {Count(SectorListEntries(chip, true))};
    case IdFileSave: return {Count(SectorListEntries(chip, true)), Count(RangeListEntries(chip.ListedSectorCount(0)))};
    // A read reaches block 1 wherever v1.1E firmware runs.
    case IdRead:
      return {Count(SectorListEntries(chip, CRangeDlg::OffersBlock1(chip, linkMode != DirectLink))), blockRanges};
    case IdSectorErase:
    case IdFilePrint: return {Count(SectorListEntries(chip, CRangeDlg::OffersBlock1(chip, false))), blockRanges};
    case IdSetLock: return {0, 0, ChoicesOf<CLockDlg>()};
    case IdMemoryRemap: return {0, 0, ChoicesOf<CRemapDlg>()};
    default: return {};
  }
}

std::optional<RequestFault> CheckRequest(const ImageRequest& request, const DialogLists& lists) {
  return Outside(RequestField::Start, request.start, 0, lists.starts);
}

std::optional<RequestFault> CheckRequest(const RangeRequest& request, const DialogLists& lists) {
  if (auto fault = Outside(RequestField::Start, request.start, 0, lists.starts)) {
    return fault;
  }
  return Outside(RequestField::Range, request.range, 0, lists.ranges);
}

std::optional<RequestFault> CheckRequest(const SaveRequest& request, const DialogLists& lists) {
  return CheckRequest(RangeRequest{request.start, request.range}, lists);
}

std::optional<RequestFault> CheckRequest(const OptionRequest& request, const DialogLists& lists) {
  return Outside(RequestField::Option, request.option, 1, lists.options);
}

}  // namespace quillon
