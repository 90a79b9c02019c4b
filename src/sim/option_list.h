#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon::sim {

// The value of a host program's --simulate: quillon-sim's options without their dashes,
// separated by commas ("firmware=v1.1d,baud=9600"), as the arguments quillon-sim takes.
std::vector<std::string> OptionListArguments(std::string_view list);

}  // namespace quillon::sim
