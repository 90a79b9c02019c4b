#pragma once

#include <string>

namespace quillon {

// The Chip Information texts, the IAP Status line and the security line of the main window.
struct ChipInfo {
  std::string ChipType;
  std::string FlashSize;
  std::string ReMap;
  std::string MemMode;
  std::string FwVersion;
  std::string IapStatus;
  std::string Security = "SECURITY: UNKNOWN";

  bool operator==(const ChipInfo&) const = default;
};

}  // namespace quillon
