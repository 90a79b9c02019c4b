#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/command_request.h"
#include "ui/sector_list.h"

namespace quillon {

class CChipTypeDlg;
class CTargetChip;
class OperatorDialogs;
class OperatorMessages;
struct LinkState;

// The start-sector and range dialog of Read, Sector Erase, Save and Print. The start list
// offers block 0's sectors and, when block 1 is reachable, block 1's numbered again from 0;
// the range list counts the sectors of the block current when the dialog opened, entry 0
// being "All Sectors". Both lists are rebuilt at every data exchange.
class CRangeDlg : public StartAndRangeLists {
 public:
  static constexpr int IdStartList = 1059;
  static constexpr int IdRangeList = 1060;
  static constexpr std::string_view StartLabel = "Starting From:";
  static constexpr std::string_view RangeLabel = "Range:";

  CRangeDlg(const CTargetChip& chip, const LinkState& link, OperatorMessages& messages);

  void SetInitialRange(int index) { initialRange_ = index; }
  void SetInitialStart(int index) { initialStart_ = index; }

  // Fills the lists, shows the dialog and, on OK, takes the selections.
  bool DoModal(OperatorDialogs& dialogs);
  RangeRequest Request() const { return {GetChosenStart(), GetChosenRange()}; }

  // Block 1 is listed where the link reads every block, or in external memory.
  static bool OffersBlock1(const CChipTypeDlg& chip, bool readAllBlocks);

 private:
  void ExchangeData();
  void FillStartList();
  void FillRangeList();

  const CTargetChip& chip_;
  const LinkState& link_;
  OperatorMessages& messages_;
  int initialRange_ = 0;
  int initialStart_ = 0;
};

}  // namespace quillon
