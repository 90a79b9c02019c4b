#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string_view>

#include "operator/operator.h"

class QWidget;

namespace quillon::gui {

// The message boxes of the main window. A message from another thread (the link worker)
// is shown on the window's thread and holds its caller until it is answered, except while
// the window waits for that worker to end: the caller then goes on and the box stays up.
class MessageBoxes : public QObject {
  Q_OBJECT

 public:
  explicit MessageBoxes(QWidget* owner);

  void Inform(std::string_view text);
  // `details`, when given, stand beneath the text.
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer, std::string_view details = {});
  // A Yes/No question, No the default, that does not hold its caller: `answered` is told
  // true for Yes once the operator has closed it.
  void AskYesNoLater(std::string_view text, std::function<void(bool yes)> answered);
  void LinkWorkerStopping(bool stopping);

  // The caption of every box: the program file's name.
  static QString Caption();

 private:
  Answer Show(const QString& text, Buttons buttons, Answer defaultAnswer, const QString& details);
  Answer ShowFromOtherThread(const QString& text, Buttons buttons, Answer defaultAnswer, const QString& details);

  QWidget* owner_;
  std::mutex mutex_;
  std::condition_variable answered_;
  bool workerStopping_ = false;
};

}  // namespace quillon::gui
