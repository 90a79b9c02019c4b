#include "ui/qt/dialog_frame.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
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

void ShowChoices(QComboBox& list, const std::vector<std::string>& entries, int selection) {
  const QSignalBlocker quiet(list);
  list.clear();
  for (const std::string& entry : entries) {
    list.addItem(ToQString(entry));
  }
  list.setCurrentIndex(selection);
}

}  // namespace quillon::gui
