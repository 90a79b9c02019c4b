#include "sim/option_list.h"

namespace quillon::sim {

std::vector<std::string> OptionListArguments(std::string_view list) {
  std::vector<std::string> args;
  while (!list.empty()) {
    const std::size_t comma = list.find(',');
    const std::string_view item = list.substr(0, comma);
    if (!item.empty()) {
      args.push_back("--" + std::string(item));
    }
    list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
  }
  return args;
}

}  // namespace quillon::sim
