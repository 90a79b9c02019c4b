#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

class QWidget;

namespace quillon::gui {

// One window per user: a second start asks the running one, over a local socket named
// after the window's title, to come to the front, and ends. A window whose title is
// replaced by an instruction line declines, and the second start opens its own window.
class SingleInstance : public QObject {
  Q_OBJECT

 public:
  explicit SingleInstance(const QString& title);

  // True when a running window showing its title came to the front.
  bool HandOverToRunning();
  // Answers later starts for this window, unless another window answers them already.
  void Serve(QWidget* window);

  // The socket name for a title: private to the user, free of path characters.
  static QString KeyOf(const QString& title);

 private:
  void Answer();

  QString title_;
  QString key_;
  bool otherRunning_ = false;
  QWidget* window_ = nullptr;
  QLocalServer server_;
};

}  // namespace quillon::gui
