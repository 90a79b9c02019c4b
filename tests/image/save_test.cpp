#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "image/file_replacement.h"
#include "image/text_dump.h"
#include "image_host.h"
#include "operator/messages.h"
#include "ui/save_dialog.h"

namespace quillon {
namespace {

using sim::Firmware;
using namespace test;
using Strings = std::vector<std::string>;

std::string Text(const Bytes& bytes) { return {bytes.begin(), bytes.end()}; }

TEST(TextDump, SixteenBytesARowAndNothingForATail) {
  EXPECT_EQ(TextDump(Bytes(16, 0xFF), 0xF000), "F000 - F00F  FF FF FF FF FF FF FF FF - FF FF FF FF FF FF FF FF\n");
  EXPECT_EQ(TextDump(Counting(40, 0xA0), 0x0010),
            "0010 - 001F  A0 A1 A2 A3 A4 A5 A6 A7 - A8 A9 AA AB AC AD AE AF\n"
            "0020 - 002F  B0 B1 B2 B3 B4 B5 B6 B7 - B8 B9 BA BB BC BD BE BF\n");
  EXPECT_EQ(TextDump(Bytes(15, 0), 0), "");
}

struct SaveHost : ImageHost {
  using ImageHost::ImageHost;
  std::string path = (dir.Path() / "flash.out").string();

  // -1 for no click on a format button.
  void ChooseSave(int start, int range, int formatButton) {
    op.onSave = [=, this](CSaveDlg& dialog) {
      dialog.SetFileName(path);
      if (formatButton >= 0) dialog.Click(formatButton);
      return dialog.SelectStart(start) && dialog.SelectRange(range);
    };
  }
};

TEST(Save, WritesTheRangeCutAtTheBlocksEnd) {
  const struct {
    const char* name;
    int start;
    int range;
    int button;
    std::uint32_t address;
    std::size_t bytes;
    int block;
  } cases[] = {
      {"one sector as text, no click", 0, 1, -1, 0x0000, 128, 0},
      {"one sector raw", 0, 1, CSaveDlg::IdBinaryFile, 0x0000, 128, 0},
      {"block 1, all sectors, text", 256, 0, CSaveDlg::IdTextFile, 0xF000, 4096, 1},
      {"block 1, all sectors, raw", 256, 0, CSaveDlg::IdBinaryFile, 0xF000, 4096, 1},
      {"block 0, all sectors from sector 250", 250, 0, CSaveDlg::IdBinaryFile, 250 * 128, 6 * 128, 0},
      {"block 1, 10 sectors from its sector 60", 256 + 60, 10, CSaveDlg::IdTextFile, 0xFF00, 4 * 64, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SaveHost host(TargetOf(Firmware::V11EInt));
    const Bytes flash = Counting(0x10000, 0);
    host.target.LoadFlash(0, flash);
    host.ChooseSave(c.start, c.range, c.button);
    host.window.OnFileSave();

    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::SaveCompleted)});
    EXPECT_EQ(host.op.ShownBlockTab(), c.block);
    const Bytes expected(flash.begin() + c.address, flash.begin() + c.address + static_cast<std::ptrdiff_t>(c.bytes));
    const Bytes saved = ReadFile(host.path);
    if (c.button == CSaveDlg::IdBinaryFile) {
      EXPECT_EQ(saved, expected);
      continue;
    }
    EXPECT_EQ(Text(saved), TextDump(expected, c.address));
  }
}

TEST(Save, ShortReadLeavesAnExistingFileAsItWasAndMakesNoNewOne) {
  for (const bool existing : {true, false}) {
    SaveHost host(TargetOf(Firmware::V11EExt));
    if (existing) {
      test::WriteFile(host.path, std::string("precious"));
    }
    sim::Faults faults;
    faults.dropReplyByte = 100;
    host.target.SetFaults(faults);
    host.ChooseSave(0, 4, -1);
    host.window.OnFileSave();
    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::SaveFailed)});
    EXPECT_EQ(std::filesystem::exists(host.path), existing);
    if (existing) {
      EXPECT_EQ(Text(ReadFile(host.path)), "precious");
    }
  }
}

TEST(Save, CancelOrReleasedChipWritesNothing) {
  for (const bool released : {false, true}) {
    SaveHost host(TargetOf(Firmware::V11EInt));
    host.window.Link().ChipReleased = released;
    host.window.OnFileSave();
    EXPECT_EQ(host.op.Messages(), released ? Strings{std::string(msg::NoFlashChip)} : Strings{});
    EXPECT_FALSE(std::filesystem::exists(host.path));
    EXPECT_TRUE(host.Sent().empty());
  }
}

std::vector<std::string> Tree(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    names.push_back(entry.path().lexically_relative(directory).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Only a regular file is ever replaced: a name that stands for anything else stays what
// it is, and nothing is left beside it.
TEST(FileReplacement, ReplacesOnlyARegularFileFollowingLinksAndWritesOthersInPlace) {
  namespace fs = std::filesystem;
  using Make = std::function<bool(const fs::path&)>;
  const std::string bytes(128, 'x');
  int fifoReader = -1;
  const Make nothing = [](const fs::path&) { return true; };
  const Make file0640 = [](const fs::path& path) {
    test::WriteFile(path, std::string("old"));
    return ::chmod(path.c_str(), 0640) == 0;
  };
  const Make link = [&](const fs::path& path) {
    fs::create_symlink("elsewhere/target.bin", path);
    return file0640(path.parent_path() / "elsewhere" / "target.bin");
  };
  // A reader that is there already lets the writer in at once and never blocks itself.
  const Make fifo = [&](const fs::path& path) {
    return ::mkfifo(path.c_str(), 0600) == 0 &&
           (fifoReader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0;
  };
  // Only root may make a node, and a file system mounted nodev will not open one.
  const auto device = [](unsigned minor) -> Make {
    return [minor](const fs::path& path) {
      const bool made = ::mknod(path.c_str(), S_IFCHR | 0600, ::makedev(1, minor)) == 0;
      const int fd = made ? ::open(path.c_str(), O_WRONLY | O_CLOEXEC) : -1;
      return fd >= 0 && ::close(fd) == 0;
    };
  };
  const Strings one = {"out.bin"};
  const struct {
    const char* name;
    const char* at;
    Make make;
    bool done;
    fs::file_type kind;  // at the name, a link not followed
    Strings left;
    unsigned mode;  // of the file behind the name; 0: not looked at
  } cases[] = {
      {"new file", "out.bin", nothing, true, fs::file_type::regular, one, 0},
      {"existing file keeps its permissions", "out.bin", file0640, true, fs::file_type::regular, one, 0640},
      {"link: the file behind it is replaced", "out.bin", link, true, fs::file_type::symlink,
       {"elsewhere", "elsewhere/target.bin", "out.bin"}, 0640},
      {"FIFO is written in place", "out.bin", fifo, true, fs::file_type::fifo, one, 0},
      {"directory", "out.bin", [](const fs::path& path) { return fs::create_directory(path); }, false,
       fs::file_type::directory, one, 0},
      {"no directory", "missing/out.bin", nothing, false, fs::file_type::not_found, {}, 0},
      {"device is written in place", "out.bin", device(3), true, fs::file_type::character, one, 0},
      {"full device: the write fails", "out.bin", device(7), false, fs::file_type::character, one, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const fs::path path = dir / c.at;
    if (!c.make(path)) {
      GTEST_SKIP() << "cannot make " << c.name << " here";
    }
    EXPECT_EQ(ReplaceFile(path, bytes), c.done);

    EXPECT_EQ(fs::symlink_status(path).type(), c.kind);
    EXPECT_EQ(Tree(dir.Path()), c.left);
    if (c.kind == fs::file_type::fifo) {
      std::string arrived(bytes.size() + 1, '\0');
      const ssize_t got = ::read(fifoReader, arrived.data(), arrived.size());
      ::close(fifoReader);
      arrived.resize(static_cast<std::size_t>(std::max<ssize_t>(got, 0)));
      EXPECT_EQ(arrived, bytes);
    } else if (c.done && c.kind != fs::file_type::character) {
      EXPECT_EQ(Text(ReadFile(path)), bytes);
    }
    if (c.mode != 0) {
      EXPECT_EQ(fs::status(path).permissions(), static_cast<fs::perms>(c.mode));
    }
  }
}

}  // namespace
}  // namespace quillon
