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

  using ColumnWidths = std::function<std::vector<int>(const CSectorListCtrl&)>;
  // The widths are measured now and whenever the list changes its size.
  void SetColumns(const QStringList& headings, ColumnWidths widths);
  // The width the columns are measured against: the inside less a vertical scroll bar,
  // so that the last column is not clipped once the rows need one.
  int ClientWidth() const;
  void SetRows(const std::vector<QStringList>& rows);

  std::function<void(int row)> onRowClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void ApplyColumnWidths();

  ColumnWidths widths_;
};

}  // namespace quillon::gui
