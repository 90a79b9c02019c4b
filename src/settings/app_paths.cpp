#include "settings/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace quillon {

namespace {

std::filesystem::path HomeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    return home;
  }
  if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/tmp";
}

// An XDG variable counts only when it holds an absolute path.
std::filesystem::path XdgDirectory(const char* variable, const char* fallbackUnderHome) {
  if (const char* value = std::getenv(variable); value != nullptr && value[0] == '/') {
    return value;
  }
  return HomeDirectory() / fallbackUnderHome;
}

}  // namespace

AppPaths AppPaths::FromEnvironment() {
  return {XdgDirectory("XDG_CONFIG_HOME", ".config") / "quillon", XdgDirectory("XDG_CACHE_HOME", ".cache") / "quillon"};
}

}  // namespace quillon
