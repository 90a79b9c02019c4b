#pragma once

namespace quillon {

class CTargetChip;
class PrintBackEnd;

// Asks for a printer, reads `length` bytes of flash from `start` in chunks of `chunk` and
// prints them as the text dump, as many rows to a page as the page holds. 0 when printed
// or when the printer choice was cancelled; 8 when memory is short, 10 when the read came
// back short; 12 when the job could not be started or finished, or a page cannot hold a
// single line, and then the job is abandoned.
int PrintFlash(CTargetChip& chip, PrintBackEnd& printer, int start, int length, int chunk);

}  // namespace quillon
