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
  if (!printer.StartDoc()) {
    return ImagePrinterFailed;
  }
  for (std::string_view remaining = text; !remaining.empty();) {
    const std::size_t pageLength = PageBreak(remaining, printer.PageHeight(), measure);
    // Without the first test the same text would be offered to page after page for ever.
    if (pageLength == 0 || !printer.PrintPage(remaining.substr(0, pageLength))) {
      printer.AbortDoc();
      return ImagePrinterFailed;
    }
    remaining.remove_prefix(pageLength);
  }
  return printer.EndDoc() ? ImageDone : ImagePrinterFailed;
}

}  // namespace quillon
