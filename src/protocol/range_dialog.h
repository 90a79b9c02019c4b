#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon {

class CTargetChip;
class OperatorDialogs;
class OperatorMessages;
struct LinkState;

// The start-sector and range dialog of Read, Sector Erase, Save and Print. The start list
// offers block 0's sectors and, when block 1 is reachable, block 1's numbered again from 0;
// the range list counts the sectors of the block current when the dialog opened, entry 0
// being "All Sectors". Both lists are rebuilt at every data exchange.
class CRangeDlg {
 public:
  static constexpr int IdStartList = 1059;
  static constexpr int IdRangeList = 1060;
  static constexpr std::string_view StartLabel = "Starting From:";
  static constexpr std::string_view RangeLabel = "Range:";

  CRangeDlg(const CTargetChip& chip, const LinkState& link, OperatorMessages& messages);

  void SetInitialRange(int index) { initialRange_ = index; }
  void SetInitialStart(int index) { initialStart_ = index; }
  int GetChosenStart() const { return chosenStart_; }
  int GetChosenRange() const { return chosenRange_; }

  // Fills the lists, shows the dialog and, on OK, takes the selections.
  bool DoModal(OperatorDialogs& dialogs);

  const std::vector<std::string>& StartEntries() const { return startEntries_; }
  const std::vector<std::string>& RangeEntries() const { return rangeEntries_; }
  int StartSelection() const { return startSelection_; }
  int RangeSelection() const { return rangeSelection_; }
  // False, and the selection unchanged, for an index the list does not hold.
  bool SelectStart(int index);
  bool SelectRange(int index);

 private:
  void ExchangeData();
  void FillStartList();
  void FillRangeList();

  const CTargetChip& chip_;
  const LinkState& link_;
  OperatorMessages& messages_;
  int initialRange_ = 0;
  int initialStart_ = 0;
  int chosenStart_ = 0;
  int chosenRange_ = 0;
  std::vector<std::string> startEntries_;
  std::vector<std::string> rangeEntries_;
  int startSelection_ = -1;
  int rangeSelection_ = -1;
};

}  // namespace quillon
