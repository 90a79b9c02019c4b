#pragma once

#include <map>

class QAction;
class QMainWindow;
class QToolBar;

namespace quillon::gui {

// The window's menus and toolbar, their actions by command id. Every command the window
// routes has an action, including the five that no button of the window shows.
std::map<int, QAction*> BuildMenusAndToolbar(QMainWindow& window, QToolBar& toolbar);

// Toolbar buttons whose commands do nothing.
inline constexpr int IdBlank1 = 32778;
inline constexpr int IdBlank2 = 32779;
inline constexpr int IdBlank3 = 32781;

}  // namespace quillon::gui
