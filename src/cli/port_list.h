#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

namespace quillon::cli {

// The ports --port names, in the order given, then those each --ports pattern matches,
// in name order; a port named twice runs once. Throws UsageError for a pattern that
// matches nothing: a row of adapters with none plugged in is no run at all.
std::vector<std::string> GatherPorts(const GlobalOptions& options);

}  // namespace quillon::cli
