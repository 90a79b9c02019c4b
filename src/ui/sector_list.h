#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class CChipTypeDlg;

// The starting-sector list of the parameter dialogs: block 0's listed sectors, then, when
// asked, block 1's numbered again from 0, each as "Sector %03d    Addr=%04X".
std::vector<std::string> SectorListEntries(const CChipTypeDlg& chip, bool withBlock1);

// A range list: "All Sectors", then "%03d sectors" for 1 up to count - 1.
std::vector<std::string> RangeListEntries(std::uint32_t count);

// A drop-down list's entries and its selection, -1 for none.
class ListChoice {
 public:
  // New entries; the selection stays only if the list holds it.
  void Fill(std::vector<std::string> entries, int selection);
  const std::vector<std::string>& Entries() const { return entries_; }
  int Selection() const { return selection_; }
  // False, and the selection unchanged, for an index the list does not hold.
  bool Select(int index);

 private:
  bool Holds(int index) const { return index >= 0 && index < static_cast<int>(entries_.size()); }

  std::vector<std::string> entries_;
  int selection_ = -1;
};

// The starting-sector and range lists of the dialogs that take a run of sectors, and the
// selections that OK takes from them.
class StartAndRangeLists {
 public:
  const std::vector<std::string>& StartEntries() const { return startList_.Entries(); }
  const std::vector<std::string>& RangeEntries() const { return rangeList_.Entries(); }
  int StartSelection() const { return startList_.Selection(); }
  int RangeSelection() const { return rangeList_.Selection(); }
  // False, and the selection unchanged, for an index the list does not hold.
  bool SelectStart(int index) { return startList_.Select(index); }
  bool SelectRange(int index) { return rangeList_.Select(index); }
  int GetChosenStart() const { return chosenStart_; }
  int GetChosenRange() const { return chosenRange_; }

 protected:
  ~StartAndRangeLists() = default;
  void TakeSelections() {
    chosenStart_ = startList_.Selection();
    chosenRange_ = rangeList_.Selection();
  }

  ListChoice startList_;
  ListChoice rangeList_;

 private:
  int chosenStart_ = 0;
  int chosenRange_ = 0;
};

}  // namespace quillon
