#pragma once

#include <cstdio>

#include "cli/board_run.h"

namespace quillon::cli {

// Checks all that the line asks before any port is opened, and builds the request that
// every port then runs: its indexes against the dialog lists of the planned target and,
// for a command that reads an image, the image itself, read, parsed and laid out from
// its start. Throws a UsageError for what the line got wrong; false, once the reader has
// said why on `err`, for an image that will not do.
bool PrepareRun(RunPlan& plan, std::FILE* err);

}  // namespace quillon::cli
