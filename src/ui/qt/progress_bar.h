#pragma once

#include <QProgressBar>
#include <QRect>
#include <QString>
#include <string_view>

class QLabel;

namespace quillon::gui {

// A progress bar that lives in a status-bar pane: the pane shows the label at its left
// and the bar takes the rest, less a tenth of the height at top and bottom.
class CProgressBar : public QProgressBar {
  Q_OBJECT

 public:
  CProgressBar() = default;

  // Places the bar in the pane; `size` is the share, in per cent, of the width after the
  // label that the bar may use.
  bool Create(QLabel* pane, std::string_view message, int size, int maximum, bool smooth);
  bool SetRange(int lower, int upper, int step);
  int SetPos(int position);
  int SetStep(int step);
  int StepIt();
  void SetText(std::string_view text);
  bool Resize();
  // Hides the bar and gives the pane "Ready".
  void Clear();

  const QString& Message() const { return message_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Show();

  QLabel* pane_ = nullptr;
  int size_ = 100;
  QString message_;
  QRect placement_;
  int lower_ = 0;
  int upper_ = 0;
  int step_ = 1;
  int position_ = 0;
};

}  // namespace quillon::gui
