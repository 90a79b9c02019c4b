#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

namespace quillon {

// How tall a text stands once wrapped at the page's width.
using MeasureHeight = std::function<int(std::string_view text)>;

// The number of leading characters of `text` that one page of `pageHeight` holds: all of
// them when they fit, else the longest prefix that fits, found by halving so that a long
// listing costs about log2 of its length in measurements per page. 0 when not even one
// character fits, which the caller must not take for a page.
std::size_t PageBreak(std::string_view text, int pageHeight, const MeasureHeight& measure);

}  // namespace quillon
