#pragma once

#include <QWidget>
#include <string_view>

class QLineEdit;

namespace quillon::gui {

// The band beside the toolbar that shows the chip's security line, `width` pixels wide.
class CSecurityBar : public QWidget {
  Q_OBJECT

 public:
  explicit CSecurityBar(int width, QWidget* parent = nullptr);
  void SetText(std::string_view text);
  QString Text() const;

 private:
  QLineEdit* field_;
};

}  // namespace quillon::gui
