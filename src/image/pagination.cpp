#include "image/pagination.h"

namespace quillon {

std::size_t PageBreak(std::string_view text, int pageHeight, const MeasureHeight& measure) {
  if (measure(text) <= pageHeight) {
    return text.size();
  }
  // lo is known to fit and hi known not to; the gap halves with every measurement.
  std::size_t lo = 0;
  std::size_t hi = text.size();
  while (hi - lo > 1) {
    const std::size_t mid = lo + (hi - lo) / 2;
    if (measure(text.substr(0, mid)) <= pageHeight) {
      lo = mid;
    } else {
      hi = mid;
    }
  }
  return lo;
}

}  // namespace quillon
