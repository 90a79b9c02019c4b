#pragma once

#include <optional>
#include <string>

#include "cli/cli_options.h"
#include "cli/command_request.h"
#include "cli/command_table.h"
#include "cli/serial_numbering.h"
#include "settings/app_paths.h"
#include "ui/board_report.h"

namespace quillon::cli {

class CliOperator;

// The command line as every port runs it.
struct RunPlan {
  const GlobalOptions& options;
  const CommandEntry& entry;
  AppPaths paths;
  // The file the command reads, and its SHA-256, for the log.
  std::optional<std::string> file;
  std::optional<std::string> sha256;
  // Each board's own serial number, or none.
  const SerialNumbering* serials = nullptr;
  CommandRequest request;
};

// Runs the plan as an operator at one window would on one port: the detection that
// --firmware names, then the command. The window, its link and its worker are this
// run's own, so runs on several ports at once share nothing but the operator's answers.
// With no port it runs on the one the settings file names.
BoardReport RunBoard(const RunPlan& plan, const std::optional<std::string>& port, CliOperator& op);

}  // namespace quillon::cli
