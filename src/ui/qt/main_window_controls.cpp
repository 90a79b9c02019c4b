#include "ui/qt/main_window_controls.h"

#include <QButtonGroup>
#include <QFont>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <algorithm>
#include <array>

#include "ui/command_ids.h"
#include "ui/qt/sector_list_ctrl.h"
#include "ui/qt/template_layout.h"

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

// Arrow keys move the focus along the IAP Function buttons and nothing more: a radio
// button's own handling would click the next one, and so run its command.
class FunctionButton : public QRadioButton {
 public:
  using QRadioButton::QRadioButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    const int key = event->key();
    if (key != Qt::Key_Up && key != Qt::Key_Down && key != Qt::Key_Left && key != Qt::Key_Right) {
      QRadioButton::keyPressEvent(event);
      return;
    }
    const QList<QAbstractButton*> all = group()->buttons();
    const qsizetype step = key == Qt::Key_Up || key == Qt::Key_Left ? all.size() - 1 : 1;
    for (qsizetype index = (all.indexOf(this) + step) % all.size(); all[index] != this;
         index = (index + step) % all.size()) {
      if (all[index]->isEnabled()) {
        all[index]->setFocus(step == 1 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        break;
      }
    }
    event->accept();
  }
};

// The room the area has beyond the template goes to the lists; the chip information and
// the IAP Function buttons keep their right-hand place, the IAP Status line stays below.
constexpr double TableShare = 113.0 / 213.0;
constexpr Follow RightColumn{.moveX = 1};
constexpr Follow SectorTable{.growX = 1, .growY = TableShare};
constexpr Follow MemoryView{.growX = 1, .moveY = TableShare, .growY = 1 - TableShare};
constexpr Follow StatusLine{.moveY = 1};
constexpr Follow StatusField{.growX = 1, .moveY = 1};

QLineEdit* Field(TemplateLayout& layout, QWidget& parent, const char* name, const QString& label, QRect field, int left,
                 Follow follow, Follow fieldFollow) {
  auto* caption = new QLabel(label, &parent);
  layout.Place(caption, QRect(left, field.y(), field.x() - left, field.height()), follow);
  auto* edit = new QLineEdit(&parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setReadOnly(true);
  edit->setFocusPolicy(Qt::NoFocus);
  layout.Place(edit, field, fieldFollow);
  return edit;
}

// Courier New at 14 of the 10 2/3 pixels of the template's font, so that it follows the
// desktop's font size; the style hint lets a system without it pick its own fixed pitch.
QFont ListFont(const QFont& windowFont) {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(std::max(8, QFontInfo(windowFont).pixelSize() * 14 * 3 / 32));
  font.setStyleHint(QFont::TypeWriter);
  return font;
}

// The memory view's columns as wide as their texts, with a margin of two blanks.
std::array<int, 3> MemoryColumnsNeeded(const QFont& font) {
  const QFontMetrics metrics(font);
  const int margin = 2 * metrics.horizontalAdvance(QLatin1Char(' '));
  return {metrics.horizontalAdvance(QStringLiteral("SECTOR 000")) + margin,
          metrics.horizontalAdvance(QStringLiteral("00 00 00 00 00 00 00 00 - 00 00 00 00 00 00 00 00")) + margin,
          metrics.horizontalAdvance(QString(16, QLatin1Char('W'))) + margin};
}

}  // namespace

WindowControls BuildWindowControls(QWidget& area) {
  WindowControls controls;
  const DialogUnits units(area.font());
  const QSize base = units(0, 0, 468, 266).size();
  const QRect sectorTable = units(7, 32, 338, 113);
  const QRect memoryView = units(5, 145, 338, 100);
  const QFont listFont = ListFont(area.font());

  // At its opening size the memory view shows a whole row without scrolling sideways.
  const std::array<int, 3> needed = MemoryColumnsNeeded(listFont);
  const int scrollBar = area.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int frames = 2 * area.style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 4;
  const int extra = std::max(0, needed[0] + needed[1] + needed[2] + scrollBar + frames - memoryView.width());
  // Smallest: the lists keep a few rows and the right-hand column its full height.
  const QSize minimum(base.width() - memoryView.width() / 2, units.Y(230));
  auto* layout = new TemplateLayout(&area, base, base + QSize(extra, 0), minimum);

  controls.blockTab = new QTabBar(&area);
  controls.blockTab->setObjectName(QStringLiteral("blockTab"));
  controls.blockTab->addTab(QStringLiteral("Block 0"));
  controls.blockTab->addTab(QStringLiteral("Block 1"));
  controls.blockTab->setDrawBase(false);
  layout->Place(controls.blockTab, QRect(units(7, 18, 0, 0).topLeft(), controls.blockTab->sizeHint()));

  controls.sectorTable = new CSectorListCtrl(&area);
  controls.sectorTable->setObjectName(QStringLiteral("sectorTable"));
  layout->Place(controls.sectorTable, sectorTable, SectorTable);
  controls.memoryView = new CSectorListCtrl(&area);
  controls.memoryView->setObjectName(QStringLiteral("memoryView"));
  layout->Place(controls.memoryView, memoryView, MemoryView);
  for (CSectorListCtrl* list : {controls.sectorTable, controls.memoryView}) {
    list->setFont(listFont);
  }

  auto* chipGroup = new QGroupBox(QStringLiteral("Chip Information"), &area);
  layout->Place(chipGroup, units(355, 30, 105, 105), RightColumn);
  const int left = units.X(360);
  controls.chipType = Field(*layout, area, "chipType", QStringLiteral("Chip Type:"), units(400, 41, 55, 12), left,
                            RightColumn, RightColumn);
  controls.flashSize = Field(*layout, area, "flashSize", QStringLiteral("Flash Size:"), units(400, 60, 55, 12), left,
                             RightColumn, RightColumn);
  controls.reMap =
      Field(*layout, area, "reMap", QStringLiteral("ReMap:"), units(399, 80, 56, 12), left, RightColumn, RightColumn);
  controls.fwVersion = Field(*layout, area, "fwVersion", QStringLiteral("Fw Version:"), units(399, 96, 56, 12), left,
                             RightColumn, RightColumn);
  controls.memMode = Field(*layout, area, "memMode", QStringLiteral("Mem Mode:"), units(400, 115, 55, 12), left,
                           RightColumn, RightColumn);

  auto* functionGroup = new QGroupBox(QStringLiteral("IAP Function"), &area);
  layout->Place(functionGroup, units(355, 140, 105, 80), RightColumn);
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
    auto* button = new FunctionButton(QString::fromLatin1(function.label), &area);
    // Never narrower than its label, which a wide desktop font would otherwise clip.
    layout->Place(button,
                  function.place.adjusted(0, 0, std::max(0, button->sizeHint().width() - function.place.width()), 0),
                  RightColumn);
    exclusive->addButton(button, function.id);
    controls.buttons[function.id] = button;
  }
  // The groups are drawn behind the controls they hold.
  chipGroup->lower();
  functionGroup->lower();

  controls.iapStatus = Field(*layout, area, "iapStatus", QStringLiteral("IAP Status:"), units(45, 250, 300, 12),
                             units.X(5), StatusLine, StatusField);
  return controls;
}

int SecurityBandWidth(const QFont& font) { return DialogUnits(font).X(331); }

// Measured again whenever a list changes its size, so the columns fill it.
void InsertListColumns(const WindowControls& controls) {
  controls.sectorTable->SetColumns(
      {QStringLiteral("SECTOR"), QStringLiteral("HEX - FROM"), QStringLiteral("HEX - TO"), QStringLiteral("DEC - FROM"),
       QStringLiteral(" STATUS ")},
      [](const CSectorListCtrl& table) {
        const int width = table.ClientWidth();
        return std::vector<int>{width / 5, width / 5, width / 5, width / 5, width - 4 * (width / 5)};
      });
  controls.memoryView->SetColumns({QStringLiteral("SECTOR ???"), QStringLiteral("MEMORY"), QStringLiteral("ASCII")},
                                  MemoryColumnWidths);
}

// Each column as wide as its text, and what the list has beyond that shared by the
// template's 1 : 4 : 2.
std::vector<int> MemoryColumnWidths(const CSectorListCtrl& view) {
  const std::array<int, 3> needed = MemoryColumnsNeeded(view.font());
  const int spare = std::max(0, view.ClientWidth() - needed[0] - needed[1] - needed[2]);
  return {needed[0] + spare / 7, needed[1] + 4 * spare / 7, needed[2] + spare - spare / 7 - 4 * spare / 7};
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
