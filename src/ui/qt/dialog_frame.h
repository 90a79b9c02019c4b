#pragma once

#include <QDialog>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QComboBox;
class QString;
class QWidget;
class QVBoxLayout;

namespace quillon::gui {

// A parameter dialog: its controls top to bottom, then OK and Cancel. Tests and the
// screenshots find it, and its controls, by object name.
class DialogFrame : public QDialog {
  Q_OBJECT

 public:
  DialogFrame(QWidget* owner, std::string_view title, const char* objectName);

  QVBoxLayout& Content() { return *content_; }
  // Adds OK and Cancel and runs the dialog; true for OK.
  bool Run();

 private:
  QVBoxLayout* content_;
};

// A labelled drop-down list whose choices go to `select` as they are made.
QComboBox* AddChoiceList(DialogFrame& frame, std::string_view label, const char* objectName,
                         std::function<void(int)> select);
// A labelled file name with a browse button beside it. What is typed goes to `typed`; a
// path the system's file dialog (`browse`) gives goes to `chosen`, then into the field.
void AddFileRow(DialogFrame& frame, std::string_view label, const std::string& fileName,
                std::function<void(const std::string&)> typed, std::function<QString(QWidget*)> browse,
                std::function<void(const std::string&)> chosen);
// What the file dialogs offer to show.
inline constexpr const char* ImageFileFilters = "Intel HEX (*.hex *.ihx *.ihex);;Binary (*.bin);;All files (*)";

// Shows the entries and the selection without telling `select`.
void ShowChoices(QComboBox& list, const std::vector<std::string>& entries, int selection);

}  // namespace quillon::gui
