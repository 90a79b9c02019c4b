#include "ui/qt/main_window_commands.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QToolBar>

#include "ui/command_ids.h"

namespace quillon::gui {

namespace {

struct MenuEntry {
  int id;
  const char* text;
  // Shown in the message pane while the entry is highlighted; a tooltip may follow a '\n'.
  const char* prompt = nullptr;
};

QAction* AddEntry(QMenu& menu, std::map<int, QAction*>& actions, const MenuEntry& entry) {
  QAction* action = menu.addAction(QString::fromLatin1(entry.text));
  if (entry.prompt != nullptr) {
    const QStringList parts = QString::fromLatin1(entry.prompt).split('\n');
    action->setStatusTip(parts.front());
    if (parts.size() > 1) {
      action->setToolTip(parts.back());
    }
  }
  actions[entry.id] = action;
  return action;
}

void AddMenu(QMenuBar& bar, const char* title, std::initializer_list<MenuEntry> entries,
             std::map<int, QAction*>& actions) {
  QMenu* menu = bar.addMenu(QString::fromLatin1(title));
  for (const MenuEntry& entry : entries) {
    if (entry.id == 0) {
      menu->addSeparator();
    } else {
      AddEntry(*menu, actions, entry);
    }
  }
}

QIcon ButtonImage(bool clear) {
  QPixmap pixmap(16, 15);
  pixmap.fill(clear ? QColor(Qt::yellow) : QColor(0xc0, 0xc0, 0xc0));
  if (clear) {
    QPainter painter(&pixmap);
    QFont font = painter.font();
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("CLR"));
  }
  return QIcon(pixmap);
}

QAction* AddButton(QToolBar& toolbar, int id, bool clear, std::map<int, QAction*>& actions) {
  QAction* action = toolbar.addAction(ButtonImage(clear), QString());
  // Their texts are blank: no tip, and a blank message pane while the pointer rests.
  action->setToolTip(QString());
  action->setStatusTip(QStringLiteral(" "));
  actions[id] = action;
  return action;
}

}  // namespace

std::map<int, QAction*> BuildMenusAndToolbar(QMainWindow& window, QToolBar& toolbar) {
  std::map<int, QAction*> actions;
  QMenuBar& bar = *window.menuBar();
  AddMenu(bar, "&File", {{IdCompare, "&Compare"}, {IdFileSave, "&Save"}, {IdFilePrint, "&Print"}}, actions);
  actions[IdCommSettings] = bar.addAction(QStringLiteral("&RS232"));
  AddMenu(
      bar, "&Auto DetectChip",
      {{IdAutoDetect, "&Detect ChipType(v1.1E) - Internal MemMode(EA#=1)", "Auto Detect QRV MCU Chip Type ( v1.1E)"},
       {0, nullptr},
       {IdExternalSelect, "Detect ChipType(v1.1E) - &External MemMode(EA#=0)"},
       {IdChipTypeSelect, "&Select ChipType(v1.1D)", "Select QRV MCU Chip Type (FW:  v1.1D)\nChip Type"}},
      actions);
  AddMenu(bar, "&RunCode", {{IdExecuteUserCode, "&Execute User Code (Fw: v1.1E-Int)"}}, actions);
  AddMenu(bar, "&Chip", {{IdChipErase, "Chip &Erase"}, {IdSetLock, "Set &Lock"}, {IdMemoryRemap, "Memory &Remap"}},
          actions);
  AddMenu(bar, "&Help", {{IdAbout, "&About"}}, actions);

  AddButton(toolbar, IdResetLink, true, actions)
      ->setToolTip(QStringLiteral("Clear: drop the link to the target and the chip information"));
  AddButton(toolbar, IdBlank1, false, actions);
  AddButton(toolbar, IdBlank2, false, actions);
  toolbar.addSeparator();
  AddButton(toolbar, IdBlank3, false, actions);
  return actions;
}

}  // namespace quillon::gui
