#include "cli/simulated_boards.h"

#include <utility>

#include "cli/cli_options.h"
#include "sim/option_list.h"

namespace quillon::cli {

namespace {

// More would be a test of the machine rather than a demonstration.
constexpr int MostBoards = 64;

}  // namespace

SimulatedBoards ParseSimulatedBoards(std::string_view list, const std::vector<std::string>& leading) {
  std::vector<std::string> shared = leading;
  std::vector<std::pair<int, std::string>> own;
  int count = 1;
  SimulatedBoards boards;
  for (std::string& item : sim::OptionListArguments(list)) {
    const std::size_t equals = item.find('=');
    const std::string name = item.substr(0, equals);
    const std::string rest = equals == std::string::npos ? "" : item.substr(equals);
    if (name == "--boards") {
      count = ParseIndex(rest.empty() ? "" : rest.substr(1), "--simulate: boards");
      if (count < 1 || count > MostBoards) {
        throw UsageError("--simulate: boards is 1 to " + std::to_string(MostBoards));
      }
      boards.gang = true;
    } else if (const std::size_t at = name.find('@'); at != std::string::npos) {
      own.emplace_back(ParseIndex(name.substr(at + 1), "--simulate: the target after @"), name.substr(0, at) + rest);
    } else {
      shared.push_back(std::move(item));
    }
  }
  boards.arguments.assign(static_cast<std::size_t>(count), shared);
  for (auto& [board, item] : own) {
    if (board < 1 || board > count) {
      throw UsageError("--simulate: " + item.substr(2) + " is for target " + std::to_string(board) +
                       ", but targets are 1 to " + std::to_string(count));
    }
    boards.arguments[static_cast<std::size_t>(board - 1)].push_back(std::move(item));
  }
  return boards;
}

}  // namespace quillon::cli
