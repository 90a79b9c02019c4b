#include "ui/qt/template_layout.h"

#include <QWidgetItem>
#include <cmath>

namespace quillon::gui {

TemplateLayout::TemplateLayout(QWidget* area, QSize base, QSize preferred, QSize minimum)
    : QLayout(area), base_(base), preferred_(preferred), minimum_(minimum) {
  setContentsMargins(0, 0, 0, 0);
}

TemplateLayout::~TemplateLayout() {
  while (QLayoutItem* item = takeAt(0)) {
    delete item;
  }
}

void TemplateLayout::Place(QWidget* widget, QRect rect, Follow follow) {
  addChildWidget(widget);
  items_.append({new QWidgetItem(widget), rect, follow});
  invalidate();
}

// Only Place adds controls: an item without a place would have nowhere to go.
void TemplateLayout::addItem(QLayoutItem* item) { items_.append({item, item->geometry(), {}}); }

QLayoutItem* TemplateLayout::itemAt(int index) const {
  return index >= 0 && index < items_.size() ? items_[index].item : nullptr;
}

QLayoutItem* TemplateLayout::takeAt(int index) {
  return index >= 0 && index < items_.size() ? items_.takeAt(index).item : nullptr;
}

void TemplateLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const int dx = rect.width() - base_.width();
  const int dy = rect.height() - base_.height();
  const auto share = [](double part, int change) { return static_cast<int>(std::lround(part * change)); };
  for (const Entry& entry : items_) {
    const Follow& f = entry.follow;
    const QRect place(rect.x() + entry.rect.x() + share(f.moveX, dx), rect.y() + entry.rect.y() + share(f.moveY, dy),
                      std::max(1, entry.rect.width() + share(f.growX, dx)),
                      std::max(1, entry.rect.height() + share(f.growY, dy)));
    entry.item->setGeometry(place);
  }
}

}  // namespace quillon::gui
