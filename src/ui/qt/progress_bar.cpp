#include "ui/qt/progress_bar.h"

#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

#include "ui/qt/text.h"

namespace quillon::gui {

bool CProgressBar::Create(QLabel* pane, std::string_view message, int size, int maximum, bool smooth) {
  if (pane == nullptr) {
    return false;
  }
  pane_ = pane;
  setParent(pane);
  setTextVisible(false);
  // The platform draws a bar in chunks unless it is asked for a smooth one.
  setStyleSheet(smooth ? QString() : QStringLiteral("QProgressBar::chunk { width: 6px; margin: 1px; }"));
  SetRange(0, maximum, 1);
  SetStep(1);
  size_ = size;
  message_ = ToQString(message);
  pane_->installEventFilter(this);
  show();
  Resize();
  return true;
}

bool CProgressBar::SetRange(int lower, int upper, int step) {
  lower_ = lower;
  upper_ = upper;
  step_ = step;
  Show();
  return pane_ != nullptr;
}

int CProgressBar::SetPos(int position) {
  const int previous = position_;
  position_ = position;
  setVisible(true);
  Show();
  return previous;
}

int CProgressBar::SetStep(int step) {
  const int previous = step_;
  step_ = step;
  setVisible(true);
  return previous;
}

int CProgressBar::StepIt() {
  const int previous = position_;
  position_ = std::min(position_ + step_, upper_);
  setVisible(true);
  Show();
  return previous;
}

// Qt shows an empty range as a busy animation; an empty range here is just an empty bar.
void CProgressBar::Show() {
  if (upper_ > lower_) {
    setRange(lower_, upper_);
    setValue(std::clamp(position_, lower_, upper_));
  } else {
    setRange(0, 1);
    setValue(0);
  }
  repaint();
}

void CProgressBar::SetText(std::string_view text) {
  message_ = ToQString(text);
  Resize();
}

bool CProgressBar::Resize() {
  if (pane_ == nullptr) {
    return false;
  }
  if (!isHidden()) {
    pane_->setText(message_);
    pane_->repaint();
  }
  const QFontMetrics metrics(pane_->font());
  const int margin = 2 * metrics.horizontalAdvance(QLatin1Char(' '));
  QRect area = pane_->contentsRect();
  int left = area.left();
  int right = area.right() + 1;
  if (!message_.isEmpty()) {
    left += metrics.horizontalAdvance(message_) + 2 * margin;
  }
  right -= (right - left) * (100 - size_) / 100;
  right = std::max(right, left);
  const int height = area.height();
  const int top = area.top() + height / 10;
  const int bottom = area.top() + height - height / 10;
  const QRect place(left, top, right - left, bottom - top);
  if (place != placement_) {
    setGeometry(place);
    repaint();
    placement_ = place;
  }
  return true;
}

void CProgressBar::Clear() {
  hide();
  if (pane_ != nullptr) {
    pane_->setText(QStringLiteral("Ready"));
    pane_->repaint();
  }
}

bool CProgressBar::eventFilter(QObject* watched, QEvent* event) {
  if (watched == pane_ && event->type() == QEvent::Resize) {
    Resize();
  }
  return QProgressBar::eventFilter(watched, event);
}

}  // namespace quillon::gui
