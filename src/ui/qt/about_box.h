#pragma once

class QWidget;

namespace quillon::gui {

void ShowAboutBox(QWidget* owner);

}  // namespace quillon::gui
