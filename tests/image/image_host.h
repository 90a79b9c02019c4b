#pragma once

#include <string>
#include <utility>
#include <vector>

#include "image_test_files.h"
#include "protocol/flash_host.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"

namespace quillon::test {

// A detected window whose image dialogs are answered with a file of its scratch directory
// and a starting sector, its title set so that a test can see it put back.
struct ImageHost : FlashHost {
  static constexpr const char* WindowTitle = "Quillon";

  explicit ImageHost(sim::Config targetConfig) : FlashHost(targetConfig) {
    op.SetTitle(WindowTitle);
    op.ClearRecords();
  }

  template <typename Contents>  // bytes or text
  std::string File(const std::string& name, const Contents& contents) {
    WriteFile(dir / name, contents);
    return (dir / name).string();
  }

  void ChooseDownload(std::string path, int start) {
    op.onDownload = [path = std::move(path), start](CDownloadDlg& dialog) {
      dialog.Browse(path);
      return dialog.SelectStart(start);
    };
  }
  void ChooseCompare(std::string path, int start) {
    op.onCompare = [path = std::move(path), start](CCompareDlg& dialog) {
      dialog.Browse(path);
      return dialog.SelectStart(start);
    };
  }
};

// Consecutive commands with the same code, counted, so that a long conversation can be
// stated as its shape.
inline std::vector<std::pair<std::uint8_t, int>> Runs(const Commands& commands) {
  std::vector<std::pair<std::uint8_t, int>> runs;
  for (const Bytes& command : commands) {
    if (runs.empty() || runs.back().first != command.front()) {
      runs.emplace_back(command.front(), 0);
    }
    ++runs.back().second;
  }
  return runs;
}

}  // namespace quillon::test
