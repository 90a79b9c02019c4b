#include "ui/qt/message_boxes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>
#include <QWidget>
#include <memory>

#include "ui/qt/text.h"

namespace quillon::gui {

namespace {

QMessageBox::StandardButton ButtonOf(Answer answer) {
  switch (answer) {
    case Answer::Ok: return QMessageBox::Ok;
    case Answer::Cancel: return QMessageBox::Cancel;
    case Answer::Yes: return QMessageBox::Yes;
    case Answer::No: return QMessageBox::No;
  }
  return QMessageBox::Ok;
}

Answer AnswerOf(int button) {
  switch (button) {
    case QMessageBox::Cancel: return Answer::Cancel;
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Ok;
  }
}

QMessageBox::StandardButtons ButtonsOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return QMessageBox::Ok;
    case Buttons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case Buttons::YesNo: return QMessageBox::Yes | QMessageBox::No;
  }
  return QMessageBox::Ok;
}

// What a closed box without a pressed button counts as: the safe answer of its set.
Answer EscapeOf(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel: return Answer::Cancel;
    case Buttons::YesNo: return Answer::No;
  }
  return Answer::Ok;
}

struct PendingAnswer {
  bool answered = false;
  Answer answer = Answer::Ok;
};

}  // namespace

MessageBoxes::MessageBoxes(QWidget* owner) : QObject(owner), owner_(owner) {}

QString MessageBoxes::Caption() { return QCoreApplication::applicationName(); }

void MessageBoxes::Inform(std::string_view text) { Ask(text, Buttons::Ok, Answer::Ok); }

Answer MessageBoxes::Ask(std::string_view text, Buttons buttons, Answer defaultAnswer, std::string_view details) {
  if (QThread::currentThread() == thread()) {
    return Show(ToQString(text), buttons, defaultAnswer, ToQString(details));
  }
  return ShowFromOtherThread(ToQString(text), buttons, defaultAnswer, ToQString(details));
}

Answer MessageBoxes::Show(const QString& text, Buttons buttons, Answer defaultAnswer, const QString& details) {
  QMessageBox box(QMessageBox::NoIcon, Caption(), text, ButtonsOf(buttons), owner_);
  box.setInformativeText(details.trimmed());
  box.setDefaultButton(ButtonOf(defaultAnswer));
  box.setEscapeButton(ButtonOf(EscapeOf(buttons)));
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  return clicked == nullptr ? EscapeOf(buttons) : AnswerOf(box.standardButton(clicked));
}

void MessageBoxes::AskYesNoLater(std::string_view text, std::function<void(bool yes)> answered) {
  auto* box =
      new QMessageBox(QMessageBox::NoIcon, Caption(), ToQString(text), QMessageBox::Yes | QMessageBox::No, owner_);
  box->setDefaultButton(QMessageBox::No);
  box->setEscapeButton(QMessageBox::No);
  box->setAttribute(Qt::WA_DeleteOnClose);
  connect(box, &QMessageBox::finished, this, [box, answered = std::move(answered)] {
    QAbstractButton* clicked = box->clickedButton();
    answered(clicked != nullptr && box->standardButton(clicked) == QMessageBox::Yes);
  });
  box->open();
}

Answer MessageBoxes::ShowFromOtherThread(const QString& text, Buttons buttons, Answer defaultAnswer,
                                         const QString& details) {
  const auto pending = std::make_shared<PendingAnswer>();
  QMetaObject::invokeMethod(
      this,
      [this, pending, text, buttons, defaultAnswer, details] {
        const Answer answer = Show(text, buttons, defaultAnswer, details);
        std::lock_guard lock(mutex_);
        pending->answered = true;
        pending->answer = answer;
        answered_.notify_all();
      },
      Qt::QueuedConnection);
  std::unique_lock lock(mutex_);
  answered_.wait(lock, [&] { return pending->answered || workerStopping_; });
  return pending->answered ? pending->answer : defaultAnswer;
}

void MessageBoxes::LinkWorkerStopping(bool stopping) {
  std::lock_guard lock(mutex_);
  workerStopping_ = stopping;
  answered_.notify_all();
}

}  // namespace quillon::gui
