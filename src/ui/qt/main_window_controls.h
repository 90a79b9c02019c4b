#pragma once

#include <QIcon>
#include <map>

class QAbstractButton;
class QLineEdit;
class QTabBar;
class QWidget;

namespace quillon::gui {

class CSectorListCtrl;

// The controls of the window's client area, laid out where the dialog template puts them.
struct WindowControls {
  QTabBar* blockTab = nullptr;
  CSectorListCtrl* sectorTable = nullptr;
  CSectorListCtrl* memoryView = nullptr;
  QLineEdit* chipType = nullptr;
  QLineEdit* flashSize = nullptr;
  QLineEdit* reMap = nullptr;
  QLineEdit* fwVersion = nullptr;
  QLineEdit* memMode = nullptr;
  QLineEdit* iapStatus = nullptr;
  // The IAP Function buttons by command id.
  std::map<int, QAbstractButton*> buttons;
};

// Builds the controls on `area` and gives it the template's fixed size.
WindowControls BuildWindowControls(QWidget& area);

// The columns of both lists, measured against the lists' widths at this moment.
void InsertListColumns(const WindowControls& controls);

// The program's icon, drawn, for the window and the desktop's task bar.
QIcon WindowIcon();

}  // namespace quillon::gui
