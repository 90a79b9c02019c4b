#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "ui/chip_info.h"
#include "ui/main_dlg.h"
#include "ui/sector_rows.h"

namespace quillon {

// What one board's run came to: a row of the summary, a line of the results log and the
// object --json prints.
struct BoardReport {
  std::string port;    // as the output names it
  std::string device;  // the path that was opened
  std::chrono::system_clock::time_point started;
  double seconds = 0;
  std::string command;
  std::optional<std::string> file;
  std::optional<std::string> sha256;
  ChipInfo chip;
  std::optional<FlashSpan> written;
  int exitStatus = 0;
  std::optional<std::uint64_t> serial;  // the number this board took, whatever came of it
  std::vector<std::string> messages;
  // Only the commands that show the sector table and memory view fill them.
  std::vector<SectorTableRow> sectors;
  std::optional<MemoryView> memory;
};

// One line of JSON; with the views, the sector table and memory view a read left too.
std::string ReportJson(const BoardReport& report, bool withViews);

// Each port's chip, result and time, one row a port under a heading.
std::string SummaryTable(const std::vector<BoardReport>& reports);

// "/dev/ttyUSB0" is "ttyUSB0", "/dev/pts/3" "pts/3", a link under /dev/serial/ its own
// name: short enough to lead every line, and still telling ports apart.
std::string PortLabel(const std::string& port);

}  // namespace quillon
