#pragma once

#include <QIcon>
#include <map>
#include <vector>

class QAbstractButton;
class QFont;
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

// Builds the controls on `area` where the template puts them. The area opens at the
// template's size, widened so that the memory view shows a whole row; the lists take what
// it gains or loses beyond that.
WindowControls BuildWindowControls(QWidget& area);

// The columns of both lists, measured against the lists' widths.
void InsertListColumns(const WindowControls& controls);
std::vector<int> MemoryColumnWidths(const CSectorListCtrl& view);

// The security band's width: 331 of the template's dialog units.
int SecurityBandWidth(const QFont& font);

// The program's icon, drawn, for the window and the desktop's task bar.
QIcon WindowIcon();

}  // namespace quillon::gui
