#pragma once

#include <QLayout>
#include <QList>
#include <QRect>
#include <QSize>

namespace quillon::gui {

// How a control follows the area when it is larger or smaller than the template: the
// share of the change in width it moves right by or grows by, and the same downwards.
struct Follow {
  double moveX = 0;
  double growX = 0;
  double moveY = 0;
  double growY = 0;
};

// Places each control where the dialog template puts it, and hands the room that the
// area has beyond the template's size (or lacks) to the controls by their Follow shares.
class TemplateLayout : public QLayout {
 public:
  // `base` is the template's size, `preferred` the size the area opens at.
  TemplateLayout(QWidget* area, QSize base, QSize preferred, QSize minimum);
  ~TemplateLayout() override;

  void Place(QWidget* widget, QRect rect, Follow follow = {});
  void SetPreferredSize(QSize preferred) { preferred_ = preferred; }

  void addItem(QLayoutItem* item) override;
  int count() const override { return static_cast<int>(items_.size()); }
  QLayoutItem* itemAt(int index) const override;
  QLayoutItem* takeAt(int index) override;
  QSize sizeHint() const override { return preferred_; }
  QSize minimumSize() const override { return minimum_; }
  void setGeometry(const QRect& rect) override;

 private:
  struct Entry {
    QLayoutItem* item;
    QRect rect;
    Follow follow;
  };

  QSize base_;
  QSize preferred_;
  QSize minimum_;
  QList<Entry> items_;
};

}  // namespace quillon::gui
