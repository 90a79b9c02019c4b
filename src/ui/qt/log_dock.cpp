#include "ui/qt/log_dock.h"

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTime>
#include <QVBoxLayout>

#include "settings/atomic_file.h"
#include "ui/qt/text.h"

namespace quillon::gui {

LogDock::LogDock(QWidget* parent) : QDockWidget(QStringLiteral("Log"), parent), text_(new QPlainTextEdit) {
  setObjectName(QStringLiteral("logDock"));
  text_->setObjectName(QStringLiteral("log"));
  text_->setReadOnly(true);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  auto* save = new QPushButton(QStringLiteral("&Save As..."));
  save->setObjectName(QStringLiteral("saveLog"));
  auto* content = new QWidget;
  auto* layout = new QVBoxLayout(content);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->addWidget(text_);
  layout->addWidget(save, 0, Qt::AlignRight);
  setWidget(content);
  chooseFile = [](QWidget* owner) {
    return QFileDialog::getSaveFileName(owner, QStringLiteral("Save Log"), QString(),
                                        QStringLiteral("Text (*.txt *.log);;All files (*)"));
  };
  connect(save, &QPushButton::clicked, this, &LogDock::Save);
}

void LogDock::Append(const QString& text) {
  const QString stamped = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz  ")) + text;
  QMetaObject::invokeMethod(
      this, [this, stamped] { AppendHere(stamped); }, Qt::AutoConnection);
}

// A message of several lines stays one line of the log.
void LogDock::AppendHere(const QString& text) {
  QString line = text;
  line.replace(QLatin1Char('\n'), QStringLiteral(" / "));
  text_->appendPlainText(line);
}

QString LogDock::Text() const { return text_->toPlainText(); }

std::string LogDock::SaveTo(const std::filesystem::path& file) const {
  const std::string bytes = ToStdString(Text() + QLatin1Char('\n'));
  const std::error_code error = WriteFileAtomically(file, bytes);
  return error ? WriteFailureText(file, error) : std::string();
}

void LogDock::Save() {
  const QString file = chooseFile(this);
  if (file.isEmpty()) {
    return;
  }
  if (const std::string failure = SaveTo(file.toStdString()); !failure.empty() && tellFailure) {
    tellFailure(failure);
  }
}

}  // namespace quillon::gui
