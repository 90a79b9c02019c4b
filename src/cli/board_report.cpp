#include "cli/board_report.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "cli/command_table.h"
#include "cli/json_text.h"

namespace quillon::cli {

namespace {

std::string UtcTime(std::chrono::system_clock::time_point time) {
  const std::time_t whole = std::chrono::system_clock::to_time_t(time);
  const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(time.time_since_epoch()).count() % 1000;
  std::tm utc{};
  ::gmtime_r(&whole, &utc);
  char text[40];
  const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text + length, sizeof text - length, ".%03lldZ", static_cast<long long>(millis));
  return text;
}

// A signal's exit status is above every status of the program's own.
std::string Result(int exitStatus) {
  return exitStatus == ExitOk ? "ok" : exitStatus > ExitUsage ? "stopped" : "failed";
}

std::string OptionalText(const std::optional<std::string>& text) { return text ? JsonString(*text) : "null"; }

std::string SectorsJson(const std::vector<SectorTableRow>& rows) {
  std::vector<std::string> values;
  for (const SectorTableRow& row : rows) {
    values.push_back(JsonObject()
                         .Text("sector", row.Sector)
                         .Text("hexFrom", row.HexFrom)
                         .Text("hexTo", row.HexTo)
                         .Text("decFrom", row.DecFrom)
                         .Text("status", row.Status)
                         .Json());
  }
  return JsonArray(values);
}

std::string MemoryJson(const MemoryView& view) {
  std::vector<std::string> rows;
  for (const MemoryViewRow& row : view.Rows) {
    rows.push_back(JsonObject().Text("range", row.Range).Text("memory", row.Memory).Text("ascii", row.Ascii).Json());
  }
  return JsonObject().Text("heading", view.Heading).Value("rows", JsonArray(rows)).Json();
}

}  // namespace

std::string ReportJson(const BoardReport& report, bool withViews) {
  JsonObject json;
  json.Text("time", UtcTime(report.started))
      .Text("port", report.port)
      .Text("device", report.device)
      .Text("command", report.command)
      .Value("file", OptionalText(report.file))
      .Value("sha256", OptionalText(report.sha256))
      .Text("chip", report.chip.ChipType)
      .Text("flashSize", report.chip.FlashSize)
      .Text("remap", report.chip.ReMap)
      .Text("memMode", report.chip.MemMode)
      .Text("firmware", report.chip.FwVersion)
      .Text("security", report.chip.Security)
      .Text("iapStatus", report.chip.IapStatus)
      .Value("first", report.written ? std::to_string(report.written->first) : "null")
      .Value("last", report.written ? std::to_string(report.written->last) : "null")
      .Text("result", Result(report.exitStatus))
      .Integer("exit", report.exitStatus)
      .Value("serial", report.serial ? std::to_string(*report.serial) : "null")
      .Value("messages", JsonStrings(report.messages))
      .Seconds("seconds", report.seconds);
  if (withViews && !report.sectors.empty()) {
    json.Value("sectors", SectorsJson(report.sectors));
  }
  if (withViews && report.memory) {
    json.Value("memory", MemoryJson(*report.memory));
  }
  return json.Json();
}

std::string SummaryTable(const std::vector<BoardReport>& reports) {
  std::size_t portWidth = 4;
  std::size_t chipWidth = 4;
  for (const BoardReport& report : reports) {
    portWidth = std::max(portWidth, report.port.size());
    chipWidth = std::max(chipWidth, report.chip.ChipType.size());
  }
  const auto padded = [](std::string text, std::size_t width) {
    text.resize(std::max(text.size(), width), ' ');
    return text;
  };
  // A run that hands out serial numbers shows each board's, and only such a run.
  std::size_t serialWidth = 0;
  for (const BoardReport& report : reports) {
    if (report.serial) {
      serialWidth = std::max({serialWidth, std::size_t{6}, std::to_string(*report.serial).size()});
    }
  }
  const auto row = [&](const std::string& port, const std::string& chip, const std::string& result,
                       const std::string& serial, const std::string& time) {
    return padded(port, portWidth) + "  " + padded(chip, chipWidth) + "  " + padded(result, 7) + "  " +
           (serialWidth == 0 ? "" : padded(serial, serialWidth) + "  ") + time + "\n";
  };
  std::string table = row("PORT", "CHIP", "RESULT", "SERIAL", "TIME");
  for (const BoardReport& report : reports) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.1f s", report.seconds);
    table += row(report.port, report.chip.ChipType.empty() ? "-" : report.chip.ChipType, Result(report.exitStatus),
                 report.serial ? std::to_string(*report.serial) : "-", seconds);
  }
  return table;
}

std::string PortLabel(const std::string& port) {
  std::string label = port.starts_with("/dev/") ? port.substr(5) : port;
  if (label.starts_with("serial/")) {
    label = label.substr(label.rfind('/') + 1);
  }
  return label;
}

}  // namespace quillon::cli
