#pragma once

#include <QTreeWidget>
#include <functional>

namespace quillon::gui {

// The sector table and the memory view: report lists whose rows are shown, never
// selected. A click on a row tells its index and nothing else happens.
class CSectorListCtrl : public QTreeWidget {
  Q_OBJECT

 public:
  explicit CSectorListCtrl(QWidget* parent = nullptr);

  void SetColumns(const QStringList& headings, const std::vector<int>& widths);
  // The width the columns are measured against.
  int ClientWidth() const;
  void SetRows(const std::vector<QStringList>& rows);

  std::function<void(int row)> onRowClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace quillon::gui
