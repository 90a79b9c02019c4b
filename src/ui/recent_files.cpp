#include "ui/recent_files.h"

#include <algorithm>
#include <map>

#include "settings/setting_values.h"

namespace quillon {

namespace {

std::string ValueName(std::size_t index) { return "RECENTFILE" + std::to_string(index + 1); }

}  // namespace

RecentFiles::RecentFiles(AppPaths paths) : paths_(std::move(paths)) {
  const SettingValues values(paths_);
  for (std::size_t index = 0; index < Most; ++index) {
    if (const auto file = values.Read(ValueName(index)); file && !file->empty()) {
      files_.push_back(*file);
    }
  }
}

std::error_code RecentFiles::Add(const std::string& file) {
  std::erase(files_, file);
  files_.insert(files_.begin(), file);
  if (files_.size() > Most) {
    files_.resize(Most);
  }
  std::map<std::string, std::string, std::less<>> stored;
  for (std::size_t index = 0; index < Most; ++index) {
    stored[ValueName(index)] = index < files_.size() ? files_[index] : std::string();
  }
  return SettingValues(paths_).Write(stored);
}

}  // namespace quillon
