#pragma once

#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "operator/operator.h"
#include "sim/emulator.h"
#include "support/host_fixture.h"
#include "ui/qt/main_window.h"

class QDialog;

namespace quillon::test {

// Answers every modal window of the thread as soon as it opens: a message box with the
// next queued answer or else its default button, a dialog with the action set for its
// name (rejected when there is none). Records the texts of the boxes in order.
class ModalScript : public QObject {
 public:
  ModalScript();

  void QueueAnswer(Answer answer) { answers_.push_back(answer); }
  std::vector<std::string> Messages() const { return messages_; }
  void ClearMessages() { messages_.clear(); }
  // The action fills the dialog's controls; true accepts it, false cancels it.
  std::map<std::string, std::function<bool(QDialog&)>> dialogs;
  // Called with each box's text before it is answered.
  std::function<void(const std::string&)> onMessage;

 private:
  void AnswerOpenWindow();

  QTimer poll_;
  std::deque<Answer> answers_;
  std::vector<std::string> messages_;
};

// The desktop window against an emulated target over a pty.
struct GuiHost {
  explicit GuiHost(sim::Config config = {});

  // Runs the detection that fits the target; true when the handshake succeeded.
  bool Detect();
  // Answers the range dialog with these list indexes.
  void AnswerRange(int start, int range);
  std::string PaneText(int pane);

  sim::Config config;
  TempDir dir;
  sim::Emulator target;
  ModalScript modals;
  gui::CMainWindow window;
};

// Selects the entry of the named list in the dialog.
void Choose(QDialog& dialog, const char* list, int index);

}  // namespace quillon::test
