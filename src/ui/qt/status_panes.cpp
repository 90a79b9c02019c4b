#include "ui/qt/status_panes.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

#include "ui/pane_texts.h"
#include "ui/qt/text.h"

namespace quillon::gui {

namespace {

constexpr std::string_view ClockSizingText = "HH:MM AM";

QLabel* AddPane(QStatusBar& bar, const QString& text, int stretch) {
  auto* pane = new QLabel(text, &bar);
  pane->setFrameShape(QFrame::Panel);
  pane->setFrameShadow(QFrame::Sunken);
  pane->setIndent(0);
  bar.addWidget(pane, stretch);
  return pane;
}

// Sized by its text, as the pane's string says, and never narrower than what it shows.
QLabel* AddSizedPane(QStatusBar& bar, std::string_view sizingText) {
  QLabel* pane = AddPane(bar, ToQString(sizingText), 0);
  const QFontMetrics metrics(pane->font());
  pane->setMinimumWidth(metrics.horizontalAdvance(ToQString(sizingText)) + 2 * metrics.horizontalAdvance(' ') +
                        2 * pane->frameWidth());
  return pane;
}

}  // namespace

StatusPanes::StatusPanes(QStatusBar& bar)
    : progress_(new CProgressBar), stop_(new QPushButton(QStringLiteral("Stop"))) {
  bar.setSizeGripEnabled(false);
  panes_[MessagePane] = AddPane(bar, QStringLiteral("Ready"), 1);
  panes_[ProgressPane] = AddPane(bar, QString(), 0);
  const QScreen* screen = QGuiApplication::primaryScreen();
  panes_[ProgressPane]->setFixedWidth(screen != nullptr ? screen->geometry().width() / 4 : 200);
  stop_->setObjectName(QStringLiteral("stop"));
  stop_->setEnabled(false);
  stop_->setFocusPolicy(Qt::NoFocus);
  stop_->setToolTip(QStringLiteral("Stop the running operation (Esc)"));
  bar.addWidget(stop_, 0);
  panes_[PortPane] = AddSizedPane(bar, PortPaneSizingText);
  panes_[BaudPane] = AddSizedPane(bar, BaudPaneSizingText);
  panes_[ClockPane] = AddSizedPane(bar, ClockSizingText);
  progress_->Create(panes_[ProgressPane], "", 100, 1000, false);
}

void StatusPanes::ShowMessage(const QString& text) { panes_[MessagePane]->setText(text); }

void StatusPanes::SetTexts(std::string_view clock, std::string_view port, std::string_view baud) {
  panes_[ClockPane]->setText(ToQString(clock));
  panes_[PortPane]->setText(ToQString(port));
  panes_[BaudPane]->setText(ToQString(baud));
}

}  // namespace quillon::gui
