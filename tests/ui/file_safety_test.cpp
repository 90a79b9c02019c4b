#include <sys/resource.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <functional>
#include <optional>

#include "settings/atomic_file.h"
#include "support/host_fixture.h"
#include "ui/comm_config_dialog.h"

namespace quillon::test {
namespace {

namespace fs = std::filesystem;

// Every file this process writes stops at `bytes`, as on a disk that is full (0) or fills
// up part-way through a write; root is held to the limit too.
struct FileSizeLimit {
  explicit FileSizeLimit(rlim_t bytes) : handler(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit limited{bytes, saved.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() { ::setrlimit(RLIMIT_FSIZE, &saved), std::signal(SIGXFSZ, handler); }
  rlimit saved{};
  void (*handler)(int);
};

// A directory closed to writing, met as the person at the bench would: without root's
// override of file permissions, for as long as this lives.
struct ReadOnlyDirectory {
  explicit ReadOnlyDirectory(fs::path path) : directory(std::move(path)) {
    ::chmod(directory.c_str(), 0500), HoldFileRights(false);
  }
  ~ReadOnlyDirectory() { HoldFileRights(true), ::chmod(directory.c_str(), 0700); }
  fs::path directory;
};

// A detected window whose save, settings and download dialogs are answered, so that each
// of those commands writes its file.
struct WritingHost : FlashHost {
  WritingHost() : FlashHost(TargetOf(sim::Firmware::V11EExt)) {
    ChooseSave(saved, 0, 1);
    op.onCommConfig = [](CCommConfigDlg& dialog) { return dialog.SelectPort(1), dialog.SelectBaud(3), true; };
    ChooseFile(File("image.hex", HexRecord(0, 0, Counting(64, 1)) + EndRecord), 0);
  }
  const AppPaths paths{dir / "config", dir / "cache"};
  const fs::path saved = dir / "saved" / "flash.bin";
};

// Every file the program writes, met by each failure while it writes: the command fails,
// says which file and why, and leaves the file as it was with nothing beside it.
TEST(FileSafety, EveryFileSurvivesEveryFailureWhole) {
  WritingHost host;
  const AppPaths& paths = host.paths;
  const auto configure = [&] { host.window.OnCommSettings(); };
  // clang-format off
  const struct { fs::path file; std::function<void()> command; } kinds[] = {
      {host.saved, [&] { host.window.OnFileSave(); }},
      {paths.configDir / "QrvBslComDft.txt", configure},
      {paths.configDir / "registry.ini", configure},
      {paths.cacheDir / "qrvtmp.bin", [&] { host.window.OnDownload(); }},
  };
  // clang-format on
  enum Failure { FullDisk, CutShort, ReadOnly, Directory };
  for (const auto& [file, command] : kinds) {
    for (const Failure failure : {FullDisk, CutShort, ReadOnly, Directory}) {
      SCOPED_TRACE(file.string() + " failure " + std::to_string(failure));
      fs::remove_all(file);
      if (failure == Directory)
        fs::create_directories(file / "kept");
      else
        WriteFile(file, std::string("old contents"));
      ::chmod(file.parent_path().c_str(), 0700);
      host.op.ClearRecords();
      {
        std::optional<FileSizeLimit> limit;
        std::optional<ReadOnlyDirectory> readOnly;
        if (failure == FullDisk || failure == CutShort) limit.emplace(failure == FullDisk ? 0 : 5);
        if (failure == ReadOnly) readOnly.emplace(file.parent_path());
        command();
      }
      EXPECT_EQ(host.window.LastOutcome(), Outcome::Failed);
      const std::errc reason = failure == ReadOnly    ? std::errc::permission_denied
                               : failure == Directory ? std::errc::is_a_directory
                                                      : std::errc::file_too_large;
      const Strings messages = host.op.Messages();
      EXPECT_EQ(std::ranges::count(messages, WriteFailureText(file, std::make_error_code(reason))), 1)
          << ::testing::PrintToString(messages);
      if (failure == Directory)
        EXPECT_TRUE(fs::is_directory(file / "kept"));
      else
        EXPECT_EQ(ReadText(file), "old contents");
      for (const auto& entry : fs::directory_iterator(file.parent_path()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("." + file.filename().string())) << entry.path();
    }
  }
}

// A FIFO that nobody reads in place of a file: nothing waits on it. The save and the
// registry values refuse it, saying why; the settings file and the staging file are the
// program's own and replaced; start-up tells what it cannot read and goes on.
TEST(FileSafety, NothingWaitsOnAFifoInPlaceOfAFile) {
  WritingHost host;
  const AppPaths& paths = host.paths;
  const fs::path& saved = host.saved;
  const fs::path registry = paths.configDir / "registry.ini", settings = paths.configDir / "QrvBslComDft.txt";
  const auto start = [&] { CMainDlg(host.op, paths, FastTiming()).OnInitDialog(); };
  const auto configure = [&] { host.window.OnCommSettings(); };
  // clang-format off
  const struct { fs::path file; std::function<void()> command; std::string said; bool replaced; } cases[] = {
      {saved, [&] { host.window.OnFileSave(); }, WriteFailureText(saved, "Nothing reads from it"), false},
      {registry, configure, WriteFailureText(registry, "Not a regular file"), false},
      {settings, configure, {}, true},
      {paths.cacheDir / "qrvtmp.bin", [&] { host.window.OnDownload(); }, {}, true},
      {registry, start, "Cannot open " + registry.string() + ": Not a regular file", false},
      {settings, start, "Cannot open " + settings.string() + ": Not a regular file", false},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.string() + (c.said.empty() ? "" : " " + c.said));
    fs::remove_all(c.file);
    const FifoTrap fifo(c.file);
    host.op.ClearRecords();
    const auto began = std::chrono::steady_clock::now();
    c.command();
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(1));
    const Strings messages = host.op.Messages();
    EXPECT_TRUE(c.said.empty() || std::ranges::count(messages, c.said) == 1) << ::testing::PrintToString(messages);
    EXPECT_EQ(fs::symlink_status(c.file).type(), c.replaced ? fs::file_type::regular : fs::file_type::fifo);
  }
}

}  // namespace
}  // namespace quillon::test
