#include "image/staging_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "image_test_files.h"

namespace quillon {
namespace {

using namespace test;

mode_t ModeOf(const std::filesystem::path& path) {
  struct stat status {};
  ::lstat(path.c_str(), &status);
  return status.st_mode & 07777;
}

TEST(StagingFile, LivesInThePrivateCacheDirectory) {
  const char* saved = std::getenv("XDG_CACHE_HOME");
  const std::string previous = saved == nullptr ? "" : saved;
  ::setenv("XDG_CACHE_HOME", "/somewhere/cache", 1);
  EXPECT_EQ(StagingFile::InCacheDirectory().Path(), "/somewhere/cache/quillon/qrvtmp.bin");
  saved == nullptr ? ::unsetenv("XDG_CACHE_HOME") : ::setenv("XDG_CACHE_HOME", previous.c_str(), 1);
}

TEST(StagingFile, MakesPrivateDirectoriesAndReplacesTheContent) {
  test::TempDir top;
  const StagingFile staging(top / "cache/quillon");
  std::string failure;
  ASSERT_TRUE(staging.Write(std::vector<std::uint8_t>{1, 2, 3}, failure)) << failure;
  ASSERT_TRUE(staging.Write(std::vector<std::uint8_t>{9}, failure)) << failure;
  EXPECT_EQ(ReadFile(staging.Path()), std::vector<std::uint8_t>{9});
  EXPECT_EQ(ModeOf(top / "cache"), 0700u);
  EXPECT_EQ(ModeOf(top / "cache/quillon"), 0700u);
  EXPECT_EQ(ModeOf(staging.Path()), 0600u);
}

TEST(StagingFile, DirectoryOpenToOthersIsClosed) {
  test::TempDir top;
  std::filesystem::create_directory(top / "quillon");
  ::chmod((top / "quillon").c_str(), 0777);
  std::string failure;
  ASSERT_TRUE(StagingFile(top / "quillon").Write(std::vector<std::uint8_t>{1}, failure)) << failure;
  EXPECT_EQ(ModeOf(top / "quillon"), 0700u);
}

TEST(StagingFile, NoLinkIsFollowed) {
  test::TempDir top;
  std::filesystem::create_directory(top / "victim");
  WriteFile(top / "victim/file", "keep");

  std::filesystem::create_directory_symlink(top / "victim", top / "linked");
  std::string failure;
  EXPECT_FALSE(StagingFile(top / "linked").Write(std::vector<std::uint8_t>{1}, failure));
  EXPECT_NE(failure.find("linked"), std::string::npos) << failure;

  std::filesystem::create_directory(top / "quillon");
  std::filesystem::create_symlink(top / "victim/file", top / "quillon" / StagingFile::FileName);
  EXPECT_FALSE(StagingFile(top / "quillon").Write(std::vector<std::uint8_t>{1}, failure));
  EXPECT_EQ(ReadFile(top / "victim/file"), (std::vector<std::uint8_t>{'k', 'e', 'e', 'p'}));
  EXPECT_FALSE(std::filesystem::exists(top / "victim" / StagingFile::FileName));
}

TEST(StagingFile, DirectoryOfAnotherUserIsRefused) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "handing a directory to another user needs root";
  }
  test::TempDir top;
  std::filesystem::create_directory(top / "quillon");
  ASSERT_EQ(::chown((top / "quillon").c_str(), 65534, 65534), 0);
  std::string failure;
  EXPECT_FALSE(StagingFile(top / "quillon").Write(std::vector<std::uint8_t>{1}, failure));
  EXPECT_NE(failure.find("another user"), std::string::npos) << failure;
}

}  // namespace
}  // namespace quillon
