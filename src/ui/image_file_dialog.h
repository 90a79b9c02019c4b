#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/command_request.h"
#include "ui/sector_list.h"

namespace quillon {

class CTargetChip;

// What the download and compare dialogs share: a file name and a starting sector. The
// list is rebuilt, and its first entry selected, at every exchange of data: when the
// dialog opens, when a file has been browsed for, and after OK has taken the selection.
class CImageFileDlg {
 public:
  static constexpr std::string_view FileLabel = "File Name";
  static constexpr std::string_view StartLabel = "Starting Sector";
  static constexpr int IdBrowse = 1058;
  static constexpr int IdStartList = 1053;

  const std::string& GetFileName() const { return fileName_; }
  // What the operator typed into the edit.
  void SetFileName(std::string name) { fileName_ = std::move(name); }
  // The path chosen with "...": it becomes the file name and the list starts over.
  void Browse(std::string path);
  int GetChosenStart() const { return chosenStart_; }
  ImageRequest Request() const { return {fileName_, chosenStart_, std::nullopt}; }

  const std::vector<std::string>& StartEntries() const { return startList_.Entries(); }
  int StartSelection() const { return startList_.Selection(); }
  // False, and the selection unchanged, for an index the list does not hold.
  bool SelectStart(int index) { return startList_.Select(index); }

 protected:
  CImageFileDlg(const CTargetChip& chip, bool withBlock1) : chip_(chip), withBlock1_(withBlock1) {}
  ~CImageFileDlg() = default;

  // Fills the list, lets `run` show the dialog and, on OK, takes the selection.
  template <typename Run>
  bool Modal(Run run) {
    ExchangeData();
    if (!run()) {
      return false;
    }
    chosenStart_ = startList_.Selection();
    ExchangeData();
    return true;
  }

 private:
  void ExchangeData();

  const CTargetChip& chip_;
  bool withBlock1_;
  std::string fileName_;
  int chosenStart_ = 0;
  ListChoice startList_;
};

}  // namespace quillon
