#pragma once

#include <filesystem>

#include "protocol/target_chip.h"
#include "settings/app_paths.h"
#include "support/host_fixture.h"

namespace quillon::test {

// One host as the main window holds it: the operator, the target chip and the settings
// directory. A second host on the same directory stands for the program started again.
struct Host {
  explicit Host(const std::filesystem::path& root) : paths{root / "config" / "quillon", root / "cache" / "quillon"} {}

  ScriptedOperator window;
  LinkState link;
  CTargetChip chip{window, link};
  AppPaths paths;
};

}  // namespace quillon::test
