#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "image/file_replacement.h"
#include "image/save_dialog.h"
#include "image/text_dump.h"
#include "image_host.h"
#include "ui/messages.h"

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

enum class Before { Nothing, File0640, LinkToFile, DanglingLink, Fifo, Directory, NoDirectory, NoName, NullDevice, FullDevice };

// Puts at `path` what the case starts from; false when it cannot be had here.
bool Make(Before before, const std::filesystem::path& path, int& fifoReader) {
  const auto elsewhere = path.parent_path() / "elsewhere";
  switch (before) {
    case Before::Nothing: case Before::NoDirectory: case Before::NoName: return true;
    case Before::File0640:
      test::WriteFile(path, std::string("old"));
      return ::chmod(path.c_str(), 0640) == 0;
    case Before::LinkToFile:
      test::WriteFile(elsewhere / "target.bin", std::string("old"));
      ::chmod((elsewhere / "target.bin").c_str(), 0640);
      [[fallthrough]];
    case Before::DanglingLink:
      std::filesystem::create_directories(elsewhere);
      std::filesystem::create_symlink("elsewhere/target.bin", path);
      return true;
    case Before::Fifo:
      // A reader that is there already lets the writer in at once and never blocks itself.
      return ::mkfifo(path.c_str(), 0600) == 0 &&
             (fifoReader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) >= 0;
    case Before::Directory: return std::filesystem::create_directory(path);
    case Before::NullDevice: case Before::FullDevice: {
      const dev_t device = ::makedev(1, before == Before::NullDevice ? 3 : 7);
      if (::mknod(path.c_str(), S_IFCHR | 0600, device) != 0) return false;
      // A file system mounted nodev holds the node but will not open it.
      const int probe = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
      return probe >= 0 && ::close(probe) == 0;
    }
  }
  return false;
}

std::vector<std::string> Tree(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
    names.push_back(entry.path().lexically_relative(directory).string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Only a regular file is ever replaced; what the name stands for otherwise stays what it
// is, and nothing is left beside it.
TEST(FileReplacement, ReplacesOnlyARegularFileFollowingLinksAndWritesOthersInPlace) {
  using std::filesystem::file_type;
  const std::string bytes(128, 'x');
  const Strings one = {"out.bin"};
  const Strings linked = {"elsewhere", "elsewhere/target.bin", "out.bin"};
  const struct {
    const char* name;
    Before before;
    bool done;
    file_type kind;  // at the name, a link not followed
    Strings left;
  } cases[] = {
      {"new file", Before::Nothing, true, file_type::regular, one},
      {"existing file keeps its permissions", Before::File0640, true, file_type::regular, one},
      {"link: the file behind it is replaced", Before::LinkToFile, true, file_type::symlink, linked},
      {"dangling link: the file behind it is made", Before::DanglingLink, true, file_type::symlink, linked},
      {"FIFO is written in place", Before::Fifo, true, file_type::fifo, one},
      {"directory", Before::Directory, false, file_type::directory, one},
      {"no directory", Before::NoDirectory, false, file_type::not_found, {}},
      {"no name", Before::NoName, false, file_type::not_found, {}},
      {"device is written in place", Before::NullDevice, true, file_type::character, one},
      {"full device: the write fails", Before::FullDevice, false, file_type::character, one},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    const std::filesystem::path path = c.before == Before::NoName        ? std::filesystem::path()
                                       : c.before == Before::NoDirectory ? dir / "missing" / "out.bin"
                                                                         : dir / "out.bin";
    int fifoReader = -1;
    if (!Make(c.before, path, fifoReader)) {
      GTEST_SKIP() << "cannot make " << c.name << " here; a device node needs root and a dev mount";
    }
    EXPECT_EQ(ReplaceFile(path, bytes), c.done);

    EXPECT_EQ(std::filesystem::symlink_status(path).type(), c.kind);
    EXPECT_EQ(Tree(dir.Path()), c.left);
    if (c.before == Before::Fifo) {
      std::string arrived(bytes.size() + 1, '\0');
      const ssize_t got = ::read(fifoReader, arrived.data(), arrived.size());
      ::close(fifoReader);
      EXPECT_EQ(arrived.substr(0, got < 0 ? 0 : static_cast<std::size_t>(got)), bytes);
    } else if (c.done && c.before != Before::NullDevice) {
      EXPECT_EQ(Text(ReadFile(path)), bytes);
    }
    if (c.before == Before::File0640 || c.before == Before::LinkToFile) {
      using std::filesystem::perms;
      EXPECT_EQ(std::filesystem::status(path).permissions(), perms::owner_read | perms::owner_write | perms::group_read);
    }
  }
}

}  // namespace
}  // namespace quillon
