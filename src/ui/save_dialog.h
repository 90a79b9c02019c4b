#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "ui/command_request.h"
#include "ui/sector_list.h"

namespace quillon {

class CTargetChip;
class OperatorDialogs;

// Where to save which flash range, as raw bytes or as the text dump. The lists are filled
// once, when the dialog opens, so choosing a file keeps the chosen sectors. Neither format
// button is checked at first, and a save without a click writes text.
class CSaveDlg : public StartAndRangeLists {
 public:
  static constexpr std::string_view Title = "Save Flash Contents into a Disk File";
  static constexpr std::string_view FileLabel = "File Name";
  static constexpr std::string_view FormatGroup = "Save as";
  static constexpr std::string_view BinaryLabel = "Binary File";
  static constexpr std::string_view TextLabel = "Text File";
  static constexpr std::string_view StartLabel = "Starting Sector";
  static constexpr std::string_view RangeLabel = "Range";
  static constexpr int IdFileName = 1067;
  static constexpr int IdBrowse = 1070;
  static constexpr int IdBinaryFile = 1065;
  static constexpr int IdTextFile = 1066;
  static constexpr int IdStartList = 1068;
  static constexpr int IdRangeList = 1069;

  explicit CSaveDlg(const CTargetChip& chip) : chip_(chip) {}

  bool DoModal(OperatorDialogs& dialogs);

  const std::string& GetFileName() const { return fileName_; }
  // Typed, or chosen with "...": the lists keep their selections either way.
  void SetFileName(std::string name) { fileName_ = std::move(name); }
  // A click on a format button chooses its format at once.
  void Click(int controlId);
  bool IsChecked(int controlId) const { return controlId == checked_; }
  // 1 for the text dump, 0 for raw bytes.
  int GetTextFormat() const { return textFormat_; }
  SaveRequest Request() const {
    return {fileName_, GetChosenStart(), GetChosenRange(), textFormat_ != 0, std::nullopt};
  }

 private:
  void ExchangeData();

  const CTargetChip& chip_;
  std::string fileName_;
  int textFormat_ = 1;
  bool fill_ = true;
  int checked_ = 0;
};

}  // namespace quillon
