#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/board_run.h"

namespace quillon {
class ResultsLog;
}

namespace quillon::sim {
class Emulator;
}

namespace quillon::cli {

// A port of a gang: a device path, or an emulated target that makes its pty when started.
// Each target starts on its port's own thread right before that port opens, so that it
// meets the host as a single target does, rather than having prompted into a port that
// was not yet open.
struct GangPort {
  std::string path;
  sim::Emulator* target = nullptr;
};

// One port, its output as it has always been: the messages as they come, or with --json
// one object at the end. Returns the exit status.
int RunOnePort(const RunPlan& plan, const std::optional<std::string>& port, ResultsLog* log);

// Every port at once, each in a thread of its own: each line of output behind its port,
// then the summary (with --json, one object a port instead). Each board's log line is
// written as that board finishes. 0 only when every port succeeded and was logged.
int RunGang(const RunPlan& plan, const std::vector<GangPort>& ports, ResultsLog* log);

}  // namespace quillon::cli
