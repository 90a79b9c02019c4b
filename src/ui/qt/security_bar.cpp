#include "ui/qt/security_bar.h"

#include <QHBoxLayout>
#include <QLineEdit>

#include "ui/qt/text.h"

namespace quillon::gui {

CSecurityBar::CSecurityBar(int width, QWidget* parent) : QWidget(parent), field_(new QLineEdit(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(2, 0, 2, 0);
  layout->addWidget(field_);
  field_->setObjectName(QStringLiteral("security"));
  field_->setReadOnly(true);
  field_->setFocusPolicy(Qt::NoFocus);
  field_->setText(QStringLiteral("SECURITY: UNKNOWN"));
  setFixedWidth(width);
}

void CSecurityBar::SetText(std::string_view text) { field_->setText(ToQString(text)); }

QString CSecurityBar::Text() const { return field_->text(); }

}  // namespace quillon::gui
