#include "ui/qt/main_window_controls.h"

#include <QButtonGroup>
#include <algorithm>
#include <QFont>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QTabBar>

#include "ui/command_ids.h"
#include "ui/qt/sector_list_ctrl.h"

namespace quillon::gui {

namespace {

// Dialog units, as a dialog template measures: a quarter of the font's average character
// width across, an eighth of its height down. The layout thus grows with the desktop's
// font instead of clipping its labels.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    baseX_ = (metrics.horizontalAdvance(alphabet) / 26 + 1) / 2;
    baseY_ = metrics.height();
  }
  int X(int units) const { return units * baseX_ / 4; }
  int Y(int units) const { return units * baseY_ / 8; }
  QRect operator()(int x, int y, int width, int height) const { return {X(x), Y(y), X(width), Y(height)}; }

 private:
  int baseX_;
  int baseY_;
};

QLineEdit* Field(QWidget& parent, const char* name, const QString& label, QRect field, int left) {
  auto* caption = new QLabel(label, &parent);
  caption->setGeometry(left, field.y(), field.x() - left, field.height());
  auto* edit = new QLineEdit(&parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  edit->setGeometry(field);
  return edit;
}

// Courier New, 14 pixels high; the style hint lets a system without it pick its own
// fixed-pitch font.
QFont ListFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(14);
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

}  // namespace

WindowControls BuildWindowControls(QWidget& area) {
  WindowControls controls;
  const DialogUnits units(area.font());
  area.setFixedSize(units(0, 0, 468, 266).size());

  controls.blockTab = new QTabBar(&area);
  controls.blockTab->setObjectName(QStringLiteral("blockTab"));
  controls.blockTab->addTab(QStringLiteral("Block 0"));
  controls.blockTab->addTab(QStringLiteral("Block 1"));
  controls.blockTab->setDrawBase(false);
  controls.blockTab->move(units(7, 18, 0, 0).topLeft());
  controls.blockTab->resize(controls.blockTab->sizeHint());

  controls.sectorTable = new CSectorListCtrl(&area);
  controls.sectorTable->setObjectName(QStringLiteral("sectorTable"));
  controls.sectorTable->setGeometry(units(7, 32, 338, 113));
  controls.memoryView = new CSectorListCtrl(&area);
  controls.memoryView->setObjectName(QStringLiteral("memoryView"));
  controls.memoryView->setGeometry(units(5, 145, 338, 100));
  for (CSectorListCtrl* list : {controls.sectorTable, controls.memoryView}) {
    list->setFont(ListFont());
  }

  auto* chipGroup = new QGroupBox(QStringLiteral("Chip Information"), &area);
  chipGroup->setGeometry(units(355, 30, 105, 105));
  chipGroup->lower();
  controls.chipType = Field(area, "chipType", QStringLiteral("Chip Type:"), units(400, 41, 55, 12), units.X(360));
  controls.flashSize = Field(area, "flashSize", QStringLiteral("Flash Size:"), units(400, 60, 55, 12), units.X(360));
  controls.reMap = Field(area, "reMap", QStringLiteral("ReMap:"), units(399, 80, 56, 12), units.X(360));
  controls.fwVersion = Field(area, "fwVersion", QStringLiteral("Fw Version:"), units(399, 96, 56, 12), units.X(360));
  controls.memMode = Field(area, "memMode", QStringLiteral("Mem Mode:"), units(400, 115, 55, 12), units.X(360));

  auto* functionGroup = new QGroupBox(QStringLiteral("IAP Function"), &area);
  functionGroup->setGeometry(units(355, 140, 105, 80));
  functionGroup->lower();
  // They look like radio buttons and show the last one clicked; the choice means nothing.
  auto* exclusive = new QButtonGroup(&area);
  const struct {
    int id;
    const char* label;
    QRect place;
  } functions[] = {
      {IdDownload, "Download", units(360, 155, 60, 10)},
      {IdDownloadAndRun, "Dnload/Run UserCode", units(360, 170, 90, 10)},
      {IdRead, "Read", units(360, 185, 60, 10)},
      {IdSectorErase, "Sector Erase", units(360, 200, 60, 10)},
  };
  for (const auto& function : functions) {
    auto* button = new QRadioButton(QString::fromLatin1(function.label), &area);
    // Never narrower than its label, which a wide desktop font would otherwise clip.
    button->setGeometry(function.place.adjusted(0, 0, std::max(0, button->sizeHint().width() - function.place.width()), 0));
    exclusive->addButton(button, function.id);
    controls.buttons[function.id] = button;
  }

  controls.iapStatus = Field(area, "iapStatus", QStringLiteral("IAP Status:"), units(45, 250, 300, 12), units.X(5));
  return controls;
}

void InsertListColumns(const WindowControls& controls) {
  const int table = controls.sectorTable->ClientWidth();
  controls.sectorTable->SetColumns(
      {QStringLiteral("SECTOR"), QStringLiteral("HEX - FROM"), QStringLiteral("HEX - TO"), QStringLiteral("DEC - FROM"),
       QStringLiteral(" STATUS ")},
      {table / 5, table / 5, table / 5, table / 5, table - 4 * (table / 5)});
  const int fifth = controls.memoryView->ClientWidth() / 5;
  controls.memoryView->SetColumns({QStringLiteral("SECTOR ???"), QStringLiteral("MEMORY"), QStringLiteral("ASCII")},
                                  {fifth, 4 * fifth, 2 * fifth});
}

QIcon WindowIcon() {
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x30, 0x30, 0x30), 2));
  for (int pin = 0; pin < 4; ++pin) {
    painter.drawLine(4, 9 + pin * 5, 28, 9 + pin * 5);
  }
  painter.setBrush(QColor(0x1f, 0x4e, 0x79));
  painter.drawRoundedRect(QRectF(8, 5, 16, 22), 2, 2);
  painter.setPen(QPen(QColor(0xf2, 0xc1, 0x2e), 2));
  painter.drawLine(12, 22, 20, 10);
  return QIcon(pixmap);
}

}  // namespace quillon::gui
