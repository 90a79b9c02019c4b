#pragma once

#include <filesystem>

namespace quillon {

// Where this user's settings and scratch files live: $XDG_CONFIG_HOME/quillon and
// $XDG_CACHE_HOME/quillon, falling back to ~/.config and ~/.cache as usual.
struct AppPaths {
  std::filesystem::path configDir;
  std::filesystem::path cacheDir;

  static AppPaths FromEnvironment();
};

}  // namespace quillon
