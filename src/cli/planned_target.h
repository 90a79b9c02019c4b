#pragma once

#include "cli/cli_options.h"
#include "protocol/chip_type_dialog.h"

namespace quillon::cli {

// The chip and link a command will meet, as far as the options tell before any port is
// opened: the chip and memory mode that --chip and --memory name for the detections that
// take them, and for the auto-detection, which reads the chip itself, the largest chip in
// the internal memory it always finds.
struct PlannedTarget {
  CChipTypeDlg chip;
  int linkMode = 0;
};

PlannedTarget PlannedTargetOf(const GlobalOptions& options);

}  // namespace quillon::cli
