#pragma once

#include <QFont>
#include <QPainter>
#include <QPrinter>
#include <functional>

#include "image/print_back_end.h"

class QWidget;

namespace quillon::gui {

// Chooses and sets up the printer; false when the person cancelled.
using PrinterChooser = std::function<bool(QPrinter& printer)>;

// The listing on a Qt printer: a CUPS printer, or a PDF file through "Print to File". The
// pages use the whole printable area; the text is measured with the printer's own metrics.
class QtPrintBackEnd : public PrintBackEnd {
 public:
  QtPrintBackEnd(QWidget* owner, PrinterChooser chooser);

  bool ChoosePrinter() override;
  int PageHeight() override;
  int MeasureWrappedHeight(std::string_view text) override;
  bool StartDoc() override;
  bool PrintPage(std::string_view text) override;
  bool EndDoc() override;
  void AbortDoc() override;

 private:
  QRect PageRect() const;

  QWidget* owner_;
  PrinterChooser chooser_;
  QPrinter printer_{QPrinter::HighResolution};
  QFont font_;
  QPainter painter_;
  bool firstPage_ = true;
};

// The print dialog, offering every printer and a file, with neither page numbers nor a
// selection to print.
bool ChooseWithPrintDialog(QWidget* owner, QPrinter& printer);

// Courier New at 10 points, or the system's fixed-pitch font where it is missing.
QFont ListingFont();

}  // namespace quillon::gui
