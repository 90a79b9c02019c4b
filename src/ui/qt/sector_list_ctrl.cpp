#include "ui/qt/sector_list_ctrl.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyle>

namespace quillon::gui {

CSectorListCtrl::CSectorListCtrl(QWidget* parent) : QTreeWidget(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setSelectionMode(QAbstractItemView::NoSelection);
  setFocusPolicy(Qt::NoFocus);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  header()->setStretchLastSection(false);
  header()->setDefaultAlignment(Qt::AlignCenter);
  header()->setSectionsMovable(false);
}

void CSectorListCtrl::SetColumns(const QStringList& headings, ColumnWidths widths) {
  setColumnCount(static_cast<int>(headings.size()));
  setHeaderLabels(headings);
  widths_ = std::move(widths);
  ApplyColumnWidths();
}

void CSectorListCtrl::ApplyColumnWidths() {
  if (!widths_) {
    return;
  }
  const std::vector<int> widths = widths_(*this);
  for (int column = 0; column < static_cast<int>(widths.size()); ++column) {
    setColumnWidth(column, widths[static_cast<std::size_t>(column)]);
  }
}

int CSectorListCtrl::ClientWidth() const {
  return contentsRect().width() - style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
}

void CSectorListCtrl::resizeEvent(QResizeEvent* event) {
  QTreeWidget::resizeEvent(event);
  ApplyColumnWidths();
}

void CSectorListCtrl::SetRows(const std::vector<QStringList>& rows) {
  clear();
  QList<QTreeWidgetItem*> items;
  items.reserve(static_cast<qsizetype>(rows.size()));
  for (const QStringList& texts : rows) {
    auto* item = new QTreeWidgetItem(texts);
    for (int column = 0; column < texts.size(); ++column) {
      item->setTextAlignment(column, Qt::AlignCenter);
    }
    items.append(item);
  }
  addTopLevelItems(items);
}

void CSectorListCtrl::mousePressEvent(QMouseEvent* event) {
  const QModelIndex hit = indexAt(event->position().toPoint());
  if (!hit.isValid()) {
    QTreeWidget::mousePressEvent(event);
    return;
  }
  if (onRowClick) {
    onRowClick(hit.row());
  }
}

}  // namespace quillon::gui
