#include "cli/view_text.h"

#include <cstdio>

namespace quillon::cli {

namespace {

template <typename... Texts>
std::string Line(const char* format, const Texts&... texts) {
  const int size = std::snprintf(nullptr, 0, format, texts.c_str()...);
  std::string line(static_cast<std::size_t>(size), '\0');
  std::snprintf(line.data(), line.size() + 1, format, texts.c_str()...);
  return line;
}

}  // namespace

std::string ChipInfoText(const ChipInfo& info) {
  return Line("Chip Type:  %s\nFlash Size: %s\nReMap:      %s\nMem Mode:   %s\nFw Version: %s\nIAP Status: %s\n%s\n",
              info.ChipType, info.FlashSize, info.ReMap, info.MemMode, info.FwVersion, info.IapStatus, info.Security);
}

std::string SectorTableText(const std::vector<SectorTableRow>& rows) {
  std::string text = "SECTOR  HEX - FROM  HEX - TO  DEC - FROM   STATUS\n";
  for (const auto& row : rows) {
    text += Line("%-6s  %-10s  %-8s  %-10s   %s\n", row.Sector, row.HexFrom, row.HexTo, row.DecFrom, row.Status);
  }
  return text;
}

std::string MemoryViewText(const MemoryView& view) {
  const std::string memory = "MEMORY";
  const std::string ascii = "ASCII";
  std::string text = Line("%-13s  %-49s  %s\n", view.Heading, memory, ascii);
  for (const auto& row : view.Rows) {
    text += Line("%-13s  %-49s  %s\n", row.Range, row.Memory, row.Ascii);
  }
  return text;
}

}  // namespace quillon::cli
