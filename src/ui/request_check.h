#pragma once

#include <optional>

#include "ui/command_request.h"

namespace quillon {

class CChipTypeDlg;

// How many entries the lists of a command's dialog hold when it opens on this chip in
// this link mode, with `currentBlock` the block the last command left current.
struct DialogLists {
  int starts = 0;
  int ranges = 0;
  int options = 0;
};
DialogLists ListsOf(int commandId, const CChipTypeDlg& chip, int linkMode, int currentBlock);

enum class RequestField { Start, Range, Option };

// An index its list does not hold: starts and ranges count from 0, options from 1.
struct RequestFault {
  RequestField field;
  int index;
  int entries;
};

// The first index of the request that its dialog could not have handed over.
std::optional<RequestFault> CheckRequest(const ImageRequest& request, const DialogLists& lists);
std::optional<RequestFault> CheckRequest(const RangeRequest& request, const DialogLists& lists);
std::optional<RequestFault> CheckRequest(const SaveRequest& request, const DialogLists& lists);
std::optional<RequestFault> CheckRequest(const OptionRequest& request, const DialogLists& lists);

}  // namespace quillon
