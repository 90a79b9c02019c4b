#pragma once

#include <QString>
#include <array>
#include <string_view>

#include "ui/qt/progress_bar.h"

class QLabel;
class QPushButton;
class QStatusBar;

namespace quillon::gui {

// The five panes of the status bar: the message pane, the progress pane with the Stop
// button beside it, then port, baud rate and clock, each of the last three as wide as its
// sizing text.
class StatusPanes {
 public:
  static constexpr int MessagePane = 0;
  static constexpr int ProgressPane = 1;
  static constexpr int PortPane = 2;
  static constexpr int BaudPane = 3;
  static constexpr int ClockPane = 4;

  explicit StatusPanes(QStatusBar& bar);

  void ShowMessage(const QString& text);
  void SetTexts(std::string_view clock, std::string_view port, std::string_view baud);
  QLabel* Pane(int index) const { return panes_.at(static_cast<std::size_t>(index)); }
  CProgressBar& Progress() { return *progress_; }
  // Enabled only while a command runs.
  QPushButton& StopButton() { return *stop_; }

 private:
  std::array<QLabel*, 5> panes_{};
  CProgressBar* progress_;
  QPushButton* stop_;
};

}  // namespace quillon::gui
