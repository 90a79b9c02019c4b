#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "settings/app_paths.h"

namespace quillon {

// The image files last opened, newest first, at most eight, kept in the key-value store
// as RECENTFILE1..RECENTFILE8 so that the next start offers them again.
class RecentFiles {
 public:
  static constexpr std::size_t Most = 8;

  explicit RecentFiles(AppPaths paths);

  const std::vector<std::string>& Files() const { return files_; }
  // Puts the file first, once; the reason when the store could not be written.
  std::error_code Add(const std::string& file);

 private:
  AppPaths paths_;
  std::vector<std::string> files_;
};

}  // namespace quillon
