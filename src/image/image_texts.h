#pragma once

#include <string_view>

// The texts of the download, compare, save and print commands that the window's title and
// IAP Status line show; their printf formats are filled in by the commands.
namespace quillon::msg {

inline constexpr std::string_view WarnBlock0Erased =
    "WARNING! DATA IN BLOCK 0 WILL BE ERASED. PLEASE BACK THEM UP FIRST.";
inline constexpr std::string_view WarnBlocks01Erased =
    "WARNING! DATA IN BLOCK 0/1 WILL BE ERASED. PLEASE BACK THEM UP FIRST.";
inline constexpr const char* DownloadingFormat = "Downloading \"%s\"";
inline constexpr const char* ComparingFormat = "Comparing \"%s\" with memory starting address %04Xh...";

// IAP Status line.
inline constexpr const char* UnmatchedDataFormat =
    "Unmatched data at memory address %04Xh: %02Xh(MCU) vs. %02Xh in File %s";
inline constexpr const char* CompareSucceedFormat = "File %s Compare succeed!";
inline constexpr const char* CompareFailedFormat = "File %s Compare failed!";
inline constexpr const char* DownloadedFormat = "Downloaded %llu bytes to %04Xh-%04Xh, %s";
inline constexpr const char* DownloadVerified = "verified";
inline constexpr const char* DownloadNotVerified = "not read back";

}  // namespace quillon::msg
