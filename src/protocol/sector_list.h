#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillon {

class CTargetChip;

// The starting-sector list of the parameter dialogs: block 0's listed sectors, then, when
// asked, block 1's numbered again from 0, each as "Sector %03d    Addr=%04X".
std::vector<std::string> SectorListEntries(const CTargetChip& chip, bool withBlock1);

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

}  // namespace quillon
