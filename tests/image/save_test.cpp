#include <gtest/gtest.h>
#include <sys/stat.h>

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

TEST(FileReplacement, ReplacesWholeOrNotAtAllAndKeepsThePermissions) {
  test::TempDir dir;
  const auto file = dir / "out.bin";
  ASSERT_TRUE(ReplaceFile(file, "first"));
  ::chmod(file.c_str(), 0640);
  ASSERT_TRUE(ReplaceFile(file, "second"));
  EXPECT_EQ(Text(ReadFile(file)), "second");
  EXPECT_EQ(std::filesystem::status(file).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);

  EXPECT_FALSE(ReplaceFile(dir / "missing" / "out.bin", "x"));
  EXPECT_FALSE(ReplaceFile(dir.Path(), "x")) << "a directory is not replaced";
  EXPECT_FALSE(ReplaceFile("", "x"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

}  // namespace
}  // namespace quillon
