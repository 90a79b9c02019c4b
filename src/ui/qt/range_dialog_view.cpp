#include <QComboBox>

#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/range_dialog.h"

namespace quillon::gui {

bool RunRangeDialogView(QWidget* owner, CRangeDlg& dialog) {
  DialogFrame frame(owner, "Sector Range", "rangeDialog");
  QComboBox* start =
      AddChoiceList(frame, CRangeDlg::StartLabel, "start", [&dialog](int index) { dialog.SelectStart(index); });
  QComboBox* range =
      AddChoiceList(frame, CRangeDlg::RangeLabel, "range", [&dialog](int index) { dialog.SelectRange(index); });
  ShowChoices(*start, dialog.StartEntries(), dialog.StartSelection());
  ShowChoices(*range, dialog.RangeEntries(), dialog.RangeSelection());
  return frame.Run();
}

}  // namespace quillon::gui
