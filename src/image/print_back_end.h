#pragma once

#include <string_view>

namespace quillon {

// A printer as the flash listing needs one: the desktop's over its print dialog, a fake in
// the tests. Heights are in the printer's own units; the back end sets the listing's
// font, 10 point Courier New, and prints over the whole printable area.
class PrintBackEnd {
 public:
  virtual ~PrintBackEnd() = default;

  // Asks the operator for a printer; false when the choice was cancelled.
  virtual bool ChoosePrinter() = 0;
  virtual int PageHeight() = 0;
  // How tall the text stands when wrapped at the printable area's width.
  virtual int MeasureWrappedHeight(std::string_view text) = 0;

  // False when no job could be started.
  virtual bool StartDoc() = 0;
  // One page with the text from its top-left corner; false when the printer failed.
  virtual bool PrintPage(std::string_view text) = 0;
  // False when the job could not be handed over whole: the file not written, the printer gone.
  virtual bool EndDoc() = 0;
  virtual void AbortDoc() = 0;
};

}  // namespace quillon
