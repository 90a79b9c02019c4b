#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "protocol/target_chip.h"
#include "settings/app_paths.h"
#include "support/scripted_operator.h"

namespace quillon::test {

// A directory of its own for each test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "quillon-settings-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
      ADD_FAILURE() << "mkdtemp failed";
    }
    path_ = pattern;
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

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
