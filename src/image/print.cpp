#include "image/print.h"

#include <string>
#include <vector>

#include "image/flash_copy.h"
#include "image/image_reader.h"
#include "image/pagination.h"
#include "image/print_back_end.h"
#include "image/text_dump.h"
#include "protocol/target_chip.h"

namespace quillon {

int PrintFlash(CTargetChip& chip, PrintBackEnd& printer, int start, int length, int chunk) {
  if (!printer.ChoosePrinter()) {
    return ImageDone;
  }
  std::vector<std::uint8_t> bytes;
  const int copied = CopyFlash(chip.Device(), start, length, chunk, bytes);
  if (copied != ImageDone) {
    return copied;
  }
  const std::string text = TextDump(bytes, static_cast<std::uint32_t>(start));
  const MeasureHeight measure = [&printer](std::string_view part) { return printer.MeasureWrappedHeight(part); };
  std::string_view remaining = text;
  bool printing = printer.StartDoc();
  while (printing && !remaining.empty()) {
    const std::size_t pageLength = PageBreak(remaining, printer.PageHeight(), measure);
    // Without this the same text would be offered to page after page for ever.
    if (pageLength == 0) {
      printer.AbortDoc();
      return ImageFailed;
    }
    printing = printer.PrintPage(remaining.substr(0, pageLength));
    remaining.remove_prefix(pageLength);
  }
  if (printing) {
    printer.EndDoc();
  } else {
    printer.AbortDoc();
  }
  return ImageDone;
}

}  // namespace quillon
