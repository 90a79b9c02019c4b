#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class QWidget;

namespace quillon::gui {

// One window per user: a second start asks the running one, over a local socket named
// after the program's main title, to come to the front, and ends. The name is fixed, so a
// window whose title is replaced by an instruction line during a command answers too.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& name);

  // True when a running window came to the front.
  bool HandOverToRunning();
  // Answers later starts for this window, unless another window answers them already.
  void Serve(QWidget* window);

  // The socket name: private to the user, free of path characters.
  static QString KeyOf(const QString& name);

 private:
  void Answer();

  QString key_;
  bool otherRunning_ = false;
  QWidget* window_ = nullptr;
  QLocalServer server_;
};

}  // namespace quillon::gui
