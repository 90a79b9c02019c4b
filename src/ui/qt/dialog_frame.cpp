#include "ui/qt/dialog_frame.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "ui/qt/text.h"

namespace quillon::gui {

DialogFrame::DialogFrame(QWidget* owner, std::string_view title, const char* objectName)
    : QDialog(owner), content_(new QVBoxLayout) {
  setObjectName(QString::fromLatin1(objectName));
  setWindowTitle(ToQString(title));
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(content_);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool DialogFrame::Run() {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  layout()->addWidget(buttons);
  return exec() == QDialog::Accepted;
}

QComboBox* AddChoiceList(DialogFrame& frame, std::string_view label, const char* objectName,
                         std::function<void(int)> select) {
  auto* caption = new QLabel(ToQString(label), &frame);
  auto* list = new QComboBox(&frame);
  list->setObjectName(QString::fromLatin1(objectName));
  list->setMinimumContentsLength(24);
  caption->setBuddy(list);
  frame.Content().addWidget(caption);
  frame.Content().addWidget(list);
  QObject::connect(list, &QComboBox::currentIndexChanged, &frame, std::move(select));
  return list;
}

void AddFileRow(DialogFrame& frame, std::string_view label, const std::string& fileName,
                std::function<void(const std::string&)> typed, std::function<QString(QWidget*)> browse,
                std::function<void(const std::string&)> chosen) {
  frame.Content().addWidget(new QLabel(ToQString(label), &frame));
  auto* row = new QHBoxLayout;
  auto* file = new QLineEdit(ToQString(fileName), &frame);
  file->setObjectName(QStringLiteral("file"));
  file->setMinimumWidth(320);
  auto* button = new QPushButton(QStringLiteral("..."), &frame);
  button->setObjectName(QStringLiteral("browse"));
  row->addWidget(file);
  row->addWidget(button);
  frame.Content().addLayout(row);
  QObject::connect(file, &QLineEdit::textChanged, &frame,
                   [typed = std::move(typed)](const QString& text) { typed(ToStdString(text)); });
  QObject::connect(button, &QPushButton::clicked, &frame,
                   [&frame, file, browse = std::move(browse), chosen = std::move(chosen)] {
                     const QString path = browse(&frame);
                     if (!path.isEmpty()) {
                       chosen(ToStdString(path));
                       file->setText(path);
                     }
                   });
}

void ShowChoices(QComboBox& list, const std::vector<std::string>& entries, int selection) {
  const QSignalBlocker quiet(list);
  list.clear();
  for (const std::string& entry : entries) {
    list.addItem(ToQString(entry));
  }
  list.setCurrentIndex(selection);
}

}  // namespace quillon::gui
