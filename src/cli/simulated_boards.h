#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillon::cli {

// The emulated targets that --simulate asks for, as quillon-sim's arguments for each.
struct SimulatedBoards {
  // boards=N was given: a gang, even of one, so that its output has one form.
  bool gang = false;
  std::vector<std::vector<std::string>> arguments;
};

// --simulate's option list after the arguments every target takes first. boards=N asks
// for N targets; an option written NAME@K=VALUE is target K's alone (K from 1), so that
// one board of a gang can be given a fault. Throws UsageError.
SimulatedBoards ParseSimulatedBoards(std::string_view list, const std::vector<std::string>& leading);

}  // namespace quillon::cli
