#pragma once

#include <QDockWidget>
#include <filesystem>
#include <functional>
#include <string>

class QPlainTextEdit;

namespace quillon::gui {

// View > Log: one time-stamped line for every command and every message shown, kept for
// the window's life and saved as text on request.
class LogDock : public QDockWidget {
  Q_OBJECT

 public:
  explicit LogDock(QWidget* parent);

  // From any thread; the line lands on the window's.
  void Append(const QString& text);
  QString Text() const;
  // Replaces the file whole; the reason, for the operator, when it could not.
  std::string SaveTo(const std::filesystem::path& file) const;

  // Where Save asks for the file and tells a failure; a test or a script sets its own.
  std::function<QString(QWidget*)> chooseFile;
  std::function<void(const std::string&)> tellFailure;

 private:
  void AppendHere(const QString& text);
  void Save();

  QPlainTextEdit* text_;
};

}  // namespace quillon::gui
