#include "settings/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>

#include "settings_fixture.h"

namespace quillon {
namespace {

std::vector<std::string> Names(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(directory)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Makes every file this process writes end at `bytes`, as a disk that fills up part-way
// through a write would, for as long as it lives. Root is held to the limit too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    savedHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, savedHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*savedHandler_)(int) = SIG_DFL;
};

TEST(AtomicFile, ReplacesTheFileAndLeavesNothingBeside) {
  test::TempDir dir;
  const auto file = dir.Path() / "registry.ini";
  ASSERT_TRUE(WriteFileAtomically(file, "COMMPORT=1\n"));
  ASSERT_TRUE(WriteFileAtomically(file, "COMMPORT=2\n"));
  EXPECT_EQ(test::ReadText(file), "COMMPORT=2\n");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"registry.ini"});
}

TEST(AtomicFile, AWriteCutShortLeavesTheOldFileWhole) {
  test::TempDir dir;
  const auto file = dir.Path() / "QrvBslComDft.txt";
  test::WriteFile(file, "COM1 BAUD38400 $$");
  bool written = true;
  {
    FileSizeLimit limit(4);
    written = WriteFileAtomically(file, "COM2 BAUD4800 $$");
  }
  EXPECT_FALSE(written);
  EXPECT_EQ(test::ReadText(file), "COM1 BAUD38400 $$");
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"QrvBslComDft.txt"});
}

TEST(AtomicFile, ReplacesALinkPlantedAtTheNameInsteadOfWritingThroughIt) {
  test::TempDir dir;
  const auto victim = dir.Path() / "victim";
  test::WriteFile(victim, "precious");
  const auto file = dir.Path() / "QrvBslComDft.txt";
  std::filesystem::create_symlink(victim, file);
  ASSERT_TRUE(WriteFileAtomically(file, "COM2 BAUD4800 $$"));
  EXPECT_EQ(test::ReadText(victim), "precious");
  EXPECT_FALSE(std::filesystem::is_symlink(file));
  EXPECT_EQ(test::ReadText(file), "COM2 BAUD4800 $$");
}

TEST(AtomicFile, FailsWithoutTouchingWhatStandsInTheWay) {
  test::TempDir dir;
  const auto occupied = dir.Path() / "registry.ini";
  std::filesystem::create_directory(occupied);
  test::WriteFile(occupied / "keep", "x");
  EXPECT_FALSE(WriteFileAtomically(occupied, "COMMPORT=1\n"));
  EXPECT_TRUE(std::filesystem::is_directory(occupied));
  EXPECT_EQ(Names(dir.Path()), std::vector<std::string>{"registry.ini"});

  EXPECT_FALSE(WriteFileAtomically(dir.Path() / "missing" / "registry.ini", "COMMPORT=1\n"));
}

TEST(AtomicFile, MakesTheSettingsDirectoryPrivate) {
  test::TempDir dir;
  const auto settings = dir.Path() / "config" / "quillon";
  ASSERT_TRUE(EnsurePrivateDirectory(settings));
  EXPECT_EQ(std::filesystem::status(settings).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
  EXPECT_TRUE(EnsurePrivateDirectory(settings));

  test::WriteFile(dir.Path() / "file", "x");
  EXPECT_FALSE(EnsurePrivateDirectory(dir.Path() / "file"));
  EXPECT_FALSE(EnsurePrivateDirectory(dir.Path() / "file" / "quillon"));
}

}  // namespace
}  // namespace quillon
