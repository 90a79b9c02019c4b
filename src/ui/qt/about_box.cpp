#include "ui/qt/about_box.h"

#include <QMessageBox>

#include "ui/qt/message_boxes.h"

namespace quillon::gui {

void ShowAboutBox(QWidget* owner) {
  QMessageBox::about(owner, QStringLiteral("About ") + MessageBoxes::Caption(),
                     QStringLiteral("QRV Brevix Quillon (v1.1E)\n"
                                    "Version " QUILLON_VERSION "\n\n"
                                    "In-Application Programming of the QRV71A16 and QRV71A32\n"
                                    "through their boot-strap loader."));
}

}  // namespace quillon::gui
