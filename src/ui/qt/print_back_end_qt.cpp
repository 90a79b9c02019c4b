#include "ui/qt/print_back_end_qt.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QPrintDialog>
#include <limits>

#include "ui/qt/text.h"

namespace quillon::gui {

namespace {

constexpr int TextFlags = Qt::TextWordWrap | Qt::TextExpandTabs;

}  // namespace

QFont ListingFont() {
  QFont font(QStringLiteral("Courier New"), 10);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(10);
  }
  return font;
}

bool ChooseWithPrintDialog(QWidget* owner, QPrinter& printer) {
  QPrintDialog dialog(&printer, owner);
  dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize);
  return dialog.exec() == QDialog::Accepted;
}

QtPrintBackEnd::QtPrintBackEnd(QWidget* owner, PrinterChooser chooser)
    : owner_(owner), chooser_(std::move(chooser)), font_(ListingFont()) {}

bool QtPrintBackEnd::ChoosePrinter() { return chooser_ ? chooser_(printer_) : ChooseWithPrintDialog(owner_, printer_); }

QRect QtPrintBackEnd::PageRect() const {
  const QRect paint = printer_.pageLayout().paintRectPixels(printer_.resolution());
  return {0, 0, paint.width(), paint.height()};
}

int QtPrintBackEnd::PageHeight() { return PageRect().height(); }

// A line break at the very end starts no line of its own, as on the desktop's printers
// before: otherwise a page's last row would seem to need the room of one more.
int QtPrintBackEnd::MeasureWrappedHeight(std::string_view text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  const QFontMetrics metrics(font_, &printer_);
  const QRect bounds(0, 0, PageRect().width(), std::numeric_limits<int>::max() / 2);
  return metrics.boundingRect(bounds, TextFlags, ToQString(text)).height();
}

bool QtPrintBackEnd::StartDoc() {
  if (!painter_.begin(&printer_)) {
    return false;
  }
  painter_.setFont(font_);
  firstPage_ = true;
  return true;
}

bool QtPrintBackEnd::PrintPage(std::string_view text) {
  if (!firstPage_ && !printer_.newPage()) {
    return false;
  }
  firstPage_ = false;
  painter_.drawText(PageRect(), TextFlags, ToQString(text));
  return printer_.printerState() != QPrinter::Error;
}

bool QtPrintBackEnd::EndDoc() { return painter_.end() && printer_.printerState() != QPrinter::Error; }

void QtPrintBackEnd::AbortDoc() {
  printer_.abort();
  if (painter_.isActive()) {
    painter_.end();
  }
}

}  // namespace quillon::gui
