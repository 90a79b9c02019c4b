#include "ui/board_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <nlohmann/json.hpp>

#include "ui/exit_status.h"

namespace quillon {

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

using Json = nlohmann::ordered_json;

Json OptionalText(const std::optional<std::string>& text) { return text ? Json(*text) : Json(); }

Json SectorsJson(const std::vector<SectorTableRow>& rows) {
  Json values = Json::array();
  for (const SectorTableRow& row : rows) {
    values.push_back(Json{{"sector", row.Sector},
                          {"hexFrom", row.HexFrom},
                          {"hexTo", row.HexTo},
                          {"decFrom", row.DecFrom},
                          {"status", row.Status}});
  }
  return values;
}

Json MemoryJson(const MemoryView& view) {
  Json rows = Json::array();
  for (const MemoryViewRow& row : view.Rows) {
    rows.push_back(Json{{"range", row.Range}, {"memory", row.Memory}, {"ascii", row.Ascii}});
  }
  return Json{{"heading", view.Heading}, {"rows", rows}};
}

// To the millisecond, as a person reading the log compares times.
double Millis(double seconds) { return std::round(seconds * 1000) / 1000; }

}  // namespace

std::string ReportJson(const BoardReport& report, bool withViews) {
  Json json;
  json["time"] = UtcTime(report.started);
  json["port"] = report.port;
  json["device"] = report.device;
  json["command"] = report.command;
  json["file"] = OptionalText(report.file);
  json["sha256"] = OptionalText(report.sha256);
  json["chip"] = report.chip.ChipType;
  json["flashSize"] = report.chip.FlashSize;
  json["remap"] = report.chip.ReMap;
  json["memMode"] = report.chip.MemMode;
  json["firmware"] = report.chip.FwVersion;
  json["security"] = report.chip.Security;
  json["iapStatus"] = report.chip.IapStatus;
  json["first"] = report.written ? Json(report.written->first) : Json();
  json["last"] = report.written ? Json(report.written->last) : Json();
  json["result"] = Result(report.exitStatus);
  json["exit"] = report.exitStatus;
  json["serial"] = report.serial ? Json(*report.serial) : Json();
  json["messages"] = report.messages;
  json["seconds"] = Millis(report.seconds);
  if (withViews && !report.sectors.empty()) {
    json["sectors"] = SectorsJson(report.sectors);
  }
  if (withViews && report.memory) {
    json["memory"] = MemoryJson(*report.memory);
  }
  // A file name or a target's reply may hold bytes that are not UTF-8; the line must
  // still be valid JSON.
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
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

}  // namespace quillon
