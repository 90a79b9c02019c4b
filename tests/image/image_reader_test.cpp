#include "image/image_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <tuple>

#include "image/intel_hex.h"
#include "image_test_files.h"
#include "operator/messages.h"
#include "protocol/chip_type_dialog.h"
#include "support/scripted_operator.h"

namespace quillon {
namespace {

using namespace test;

TEST(ImageReader, HexFileNamesGoByTheLastExtension) {
  const struct {
    const char* name;
    bool hex;
  } cases[] = {
      {"blink.hex", true},         {"BLINK.HEX", true},          {"Blink.Hex", true},
      {"blink.ihx", true},         {"blink.IHEX", true},         {"/home/a.b/fw.hex", true},
      {"blink.bin", false},        {"blink.dat", false},         {"blink", false},
      {"blink.hex.bak", false},    {"/home/a.b/firmware", false}, {"blink.hexx", false},
      {"", false},                 {".hex", true},               {"blink.", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsHexFileName(c.name), c.hex) << c.name;
  }
}

struct ReaderFixture {
  test::TempDir directory;
  StagingFile staging{directory / "cache"};
  test::ScriptedOperator op;
  ImageFile image;

  int Open(const std::string& name) { return OpenImageFile(name, op, image, staging); }
  int OpenHex(const std::string& text, const char* name = "fw.hex") {
    WriteFile(directory / name, text);
    return Open((directory / name).string());
  }
};

TEST(ImageReader, HexFileBecomesTheStagingFileAndTheImage) {
  const std::vector<std::uint8_t> gap(16, 0xFF);
  std::vector<std::uint8_t> expected = Counting(16, 0);
  expected.insert(expected.end(), gap.begin(), gap.end());
  const std::vector<std::uint8_t> upper = Counting(16, 0x20);
  expected.insert(expected.end(), upper.begin(), upper.end());

  ReaderFixture f;
  ASSERT_EQ(f.OpenHex(HexRecord(0, 0x0020, upper) + HexRecord(0, 0x0000, Counting(16, 0)) + EndRecord, "fw.ihx"),
            ImageDone);
  EXPECT_EQ(f.image.Length, 48u);
  EXPECT_EQ(f.image.Bytes, expected);
  EXPECT_EQ(ReadFile(f.staging.Path()), expected);
  EXPECT_TRUE(f.op.Messages().empty());

  ASSERT_EQ(f.OpenHex(EndRecord), ImageDone);
  EXPECT_EQ(f.image.Length, 0u);
  EXPECT_TRUE(std::filesystem::exists(f.staging.Path()));
  EXPECT_EQ(std::filesystem::file_size(f.staging.Path()), 0u);
}

TEST(ImageReader, DamagedOrOutOfRangeHexIsNotUsed) {
  const struct {
    std::string text;
    int result;
    std::string message;
  } cases[] = {
      {HexRecord(0, 0, {1}) + ":0100010002FD\n" + EndRecord, ImageBadFile,
       "Invalid HEX file at line 2: wrong checksum"},
      {HexRecord(0, 0, {1}), ImageBadFile, "Invalid HEX file at line 1: the file ends before its end record"},
      {HexRecord(4, 0, {0, 1}) + HexRecord(0, 0, {1}) + EndRecord, ImageOverSize, std::string(msg::OverSize)},
  };
  for (const auto& c : cases) {
    ReaderFixture f;
    std::string ignored;
    ASSERT_TRUE(f.staging.Write(std::vector<std::uint8_t>{0xA5}, ignored));
    EXPECT_EQ(f.OpenHex(c.text), c.result) << c.message;
    EXPECT_EQ(f.op.Messages(), std::vector<std::string>{c.message});
    EXPECT_EQ(ReadFile(f.staging.Path()), std::vector<std::uint8_t>{0xA5}) << "the last good image stays";
  }
}

TEST(ImageReader, BinaryFileIsTakenAsItIs) {
  ReaderFixture f;
  const std::vector<std::uint8_t> bytes = Counting(200, 7);
  WriteFile(f.directory / "fw.bin", bytes);
  ::chmod((f.directory / "fw.bin").c_str(), 0444);
  ASSERT_EQ(f.Open((f.directory / "fw.bin").string()), ImageDone);
  EXPECT_EQ(f.image.Length, 200u);
  EXPECT_EQ(f.image.Bytes, bytes);
  EXPECT_FALSE(std::filesystem::exists(f.staging.Path()));

  std::filesystem::resize_file(f.directory / "fw.bin", 0x10001);
  ASSERT_EQ(f.Open((f.directory / "fw.bin").string()), ImageDone);
  EXPECT_EQ(f.image.Length, 0x10001u);
  EXPECT_TRUE(f.op.Messages().empty());
}

// A FIFO among them, which would hang a reader that opened it.
TEST(ImageReader, FilesThatCannotBeReadAreRefusedSayingWhy) {
  const struct {
    const char* name;
    const char* reason;  // none for no name at all
  } cases[] = {
      {"", nullptr},
      {"missing.bin", "No such file or directory"},
      {"a-directory", "Is a directory"},
      {"a-fifo", "Not a regular file"},
      {"missing.hex", "No such file or directory"},
      {"a-directory.hex", "Is a directory"},
      {"a-fifo.hex", "Not a regular file"},
  };
  for (const auto& c : cases) {
    ReaderFixture f;
    std::filesystem::create_directory(f.directory / "a-directory");
    std::filesystem::create_directory(f.directory / "a-directory.hex");
    ::mkfifo((f.directory / "a-fifo").c_str(), 0600);
    ::mkfifo((f.directory / "a-fifo.hex").c_str(), 0600);
    const std::string name = *c.name == '\0' ? "" : (f.directory / c.name).string();
    EXPECT_EQ(f.Open(name), ImageBadFile) << c.name;
    const std::string told = c.reason == nullptr ? std::string(msg::CannotOpenFile)
                                                 : "Cannot open " + name + ": " + c.reason;
    EXPECT_EQ(f.op.Messages(), std::vector<std::string>{told});
  }
}

TEST(ImageReader, StagingFileThatCannotBeWrittenFailsTheConversionQuietly) {
  ReaderFixture f;
  std::filesystem::create_directory(f.directory / "elsewhere");
  std::filesystem::create_directory_symlink(f.directory / "elsewhere", f.directory / "cache");
  EXPECT_EQ(f.OpenHex(HexRecord(0, 0, {1}) + EndRecord), ImageBadFile);
  EXPECT_TRUE(f.op.Messages().empty());
  EXPECT_EQ(f.op.Traces().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(f.directory / "elsewhere" / StagingFile::FileName));
}

CChipTypeDlg Chip(int chipType) {
  CChipTypeDlg chip;
  chip.SetChipType(chipType);
  chip.ApplyChipType();
  return chip;
}

TEST(ImageReader, SegmentPlanFollowsTheRuleAndTheBlocks) {
  using Segments = std::vector<ImageSegment>;
  const struct {
    int chipType;
    SegmentRule rule;
    int block;
    std::uint32_t start;
    std::uint64_t length;
    Segments segments;  // empty: over size
  } cases[] = {
      {ChipQRV71A32, SplitRule, 0, 0, 32768, {{0, 0, 0, 32768, 32768}}},
      {ChipQRV71A32, SplitRule, 0, 0, 0xF000, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 0, 0}}},
      {ChipQRV71A32, SplitRule, 0, 0, 0x10000, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 4096, 4096}}},
      {ChipQRV71A32, SplitRule, 0, 0, 0xF001, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 1, 64}}},
      {ChipQRV71A32, SplitRule, 0, 0, 40000, {}},
      {ChipQRV71A32, SplitRule, 0, 0, 0xEFFF, {}},
      {ChipQRV71A32, SplitRule, 0, 0, 0x10001, {}},
      {ChipQRV71A32, SplitRule, 0, 0, 200, {{0, 0, 0, 200, 256}}},
      {ChipQRV71A32, SplitRule, 0, 0x80, 32768 - 0x80, {{0, 0x80, 0, 32768 - 0x80, 32768 - 0x80}}},
      {ChipQRV71A32, SplitRule, 0, 0x80, 32768 - 0x7F, {}},
      {ChipQRV71A32, SplitRule, 0, 0x80, 0xF000 - 0x80, {}},
      {ChipQRV71A32, SplitRule, 0, 0x80, 0xF000, {}},
      {ChipQRV71A32, SplitRule, 1, 0xFFC0, 64, {{1, 0xFFC0, 0, 64, 64}}},
      {ChipQRV71A32, SplitRule, 1, 0xFFC0, 65, {}},
      {ChipQRV71A32, SplitRule, 1, 0xF000, 100, {{1, 0xF000, 0, 100, 128}}},
      {ChipQRV71A32, SplitRule, 1, 0xF000, 0, {{1, 0xF000, 0, 0, 0}}},
      {ChipQRV71A16, SplitRule, 0, 0, 16384, {{0, 0, 0, 16384, 16384}}},
      {ChipQRV71A16, SplitRule, 0, 0, 16385, {}},
      {ChipQRV71A16, SplitRule, 0, 0, 0x10000, {{0, 0, 0, 16384, 16384}, {1, 0xF000, 0xF000, 4096, 4096}}},
      {ChipQRV71A32, SingleBlockRule, 0, 0, 129, {{0, 0, 0, 129, 256}}},
      {ChipQRV71A32, SingleBlockRule, 0, 0, 0, {{0, 0, 0, 0, 0}}},
      {ChipQRV71A32, SingleBlockRule, 0, 0, 32768, {{0, 0, 0, 32768, 32768}}},
      {ChipQRV71A32, SingleBlockRule, 0, 0, 32769, {}},
      {ChipQRV71A32, SingleBlockRule, 0, 0, 0x10000, {}},
      {ChipQRV71A32, SingleBlockRule, 0, 0x7F80, 128, {{0, 0x7F80, 0, 128, 128}}},
      {ChipQRV71A32, SingleBlockRule, 0, 0x7F80, 129, {}},
      {ChipQRV71A16, SingleBlockRule, 0, 0, 0x4000, {{0, 0, 0, 0x4000, 0x4000}}},
      {ChipQRV71A16, SingleBlockRule, 0, 0, 0x4001, {}},
  };
  for (const auto& c : cases) {
    test::ScriptedOperator op;
    Segments segments;
    const int result = PlanImageSegments(c.length, c.block, c.start, c.rule, Chip(c.chipType), op, segments);
    const std::string what = "chip " + std::to_string(c.chipType) + " rule " + std::to_string(c.rule) + " block " +
                             std::to_string(c.block) + " start " + std::to_string(c.start) + " length " +
                             std::to_string(c.length);
    if (c.segments.empty()) {
      EXPECT_EQ(result, ImageOverSize) << what;
      EXPECT_EQ(op.Messages(), std::vector<std::string>{std::string(msg::OverSize)}) << what;
      EXPECT_TRUE(segments.empty()) << what;
      continue;
    }
    EXPECT_EQ(result, ImageDone) << what;
    EXPECT_TRUE(op.Messages().empty()) << what;
    ASSERT_EQ(segments.size(), c.segments.size()) << what;
    for (std::size_t i = 0; i < segments.size(); ++i) {
      const ImageSegment& got = segments[i];
      const ImageSegment& want = c.segments[i];
      EXPECT_EQ(std::tie(got.Block, got.FlashAddress, got.FileOffset, got.DataLength, got.FilledLength),
                std::tie(want.Block, want.FlashAddress, want.FileOffset, want.DataLength, want.FilledLength))
          << what << " segment " << i;
    }
  }
}

}  // namespace
}  // namespace quillon
