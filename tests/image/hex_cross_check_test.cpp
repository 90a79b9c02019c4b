#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>

#include "image/image_reader.h"
#include "image_test_files.h"
#include "operator/messages.h"
#include "support/scripted_operator.h"

namespace quillon {
namespace {

using namespace test;

bool HaveSrecCat() { return std::system("command -v srec_cat >/dev/null 2>&1") == 0; }

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

const std::filesystem::path ExampleHex =
    std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "blink.hex";

struct Piece {
  std::uint32_t address;
  std::size_t size;
};

// srec_cat writes the HEX from random binaries placed at their addresses; the reader must
// give back exactly those bytes, with 0xFF between them.
TEST(HexCrossCheck, ImagesWrittenBySrecCatReadBack) {
  if (!HaveSrecCat()) {
    GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  }
  const std::vector<std::vector<Piece>> layouts = {
      {{0x0000, 32768}},
      {{0x0000, 0x0123}, {0x7F00, 0x100}, {0xF000, 4096}},
      {{0x0042, 1}, {0xFFC0, 64}},
  };
  const struct {
    int blockSize;
    int addressLength;
    const char* lineEnd;
  } formats[] = {
      {16, 2, "nl"}, {32, 2, "crlf"}, {255, 2, "nl"}, {16, 3, "nl"}, {32, 4, "crlf"}, {255, 4, "nl"},
  };
  std::mt19937 random(20240601);
  for (const auto& layout : layouts) {
    test::TempDir directory;
    std::vector<std::uint8_t> expected;
    std::string inputs;
    for (std::size_t i = 0; i < layout.size(); ++i) {
      std::vector<std::uint8_t> bytes(layout[i].size);
      std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<std::uint8_t>(random()); });
      const std::filesystem::path piece = directory / ("piece" + std::to_string(i) + ".bin");
      WriteFile(piece, bytes);
      inputs += " " + Quoted(piece) + " -Binary -offset " + std::to_string(layout[i].address);
      expected.resize(std::max<std::size_t>(expected.size(), layout[i].address + bytes.size()), 0xFF);
      std::copy(bytes.begin(), bytes.end(), expected.begin() + layout[i].address);
    }
    for (const auto& format : formats) {
      const std::filesystem::path hex = directory / "image.hex";
      const std::string command = "srec_cat" + inputs + " -o " + Quoted(hex) + " -Intel -Output_Block_Size " +
                                  std::to_string(format.blockSize) + " -address-length=" +
                                  std::to_string(format.addressLength) + " -line-termination=" + format.lineEnd;
      ASSERT_EQ(std::system(command.c_str()), 0) << command;
      test::ScriptedOperator op;
      ImageFile image;
      const StagingFile staging(directory / "cache");
      ASSERT_EQ(OpenImageFile(hex.string(), op, image, staging), ImageDone) << command;
      EXPECT_TRUE(image.Bytes == expected) << command;
      EXPECT_TRUE(ReadFile(staging.Path()) == expected) << command;
      EXPECT_TRUE(op.Messages().empty()) << command;
    }
  }
}

TEST(HexCrossCheck, DataAboveTheAddressSpaceIsOverSize) {
  if (!HaveSrecCat()) {
    GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  }
  test::TempDir directory;
  WriteFile(directory / "low.bin", std::vector<std::uint8_t>{0x02, 0x00, 0x06});
  WriteFile(directory / "high.bin", std::vector<std::uint8_t>{0xAA});
  const std::filesystem::path hex = directory / "image.hex";
  const std::string command = "srec_cat " + Quoted(directory / "low.bin") + " -Binary " +
                              Quoted(directory / "high.bin") + " -Binary -offset 0x10000 -o " + Quoted(hex) +
                              " -Intel -address-length=4";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  test::ScriptedOperator op;
  ImageFile image;
  EXPECT_EQ(OpenImageFile(hex.string(), op, image, StagingFile(directory / "cache")), ImageOverSize);
  EXPECT_EQ(op.Messages(), std::vector<std::string>{std::string(msg::OverSize)});
  EXPECT_FALSE(std::filesystem::exists(directory / "cache" / StagingFile::FileName));
}

TEST(HexCrossCheck, ExampleProgramConvertsToItsCode) {
  test::TempDir directory;
  test::ScriptedOperator op;
  ImageFile image;
  ASSERT_EQ(OpenImageFile(ExampleHex.string(), op, image, StagingFile(directory / "cache")), ImageDone);
  ASSERT_GE(image.Bytes.size(), 3u);
  // An 8051 starts at address 0, where SDCC puts a long jump to its start-up code.
  EXPECT_EQ(image.Bytes[0], 0x02);
  EXPECT_LT(image.Bytes[1] << 8 | image.Bytes[2], static_cast<int>(image.Bytes.size()));
  EXPECT_LE(image.Length, 0x4000u) << "the example must fit the smaller model's block 0";

  if (!HaveSrecCat()) {
    GTEST_SKIP() << "srec_cat (Debian package srecord) is not installed";
  }
  const std::filesystem::path bin = directory / "blink.bin";
  const std::string command = "srec_cat " + Quoted(ExampleHex) + " -Intel -fill 0xFF -over " + Quoted(ExampleHex) +
                              " -Intel -o " + Quoted(bin) + " -Binary";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(image.Bytes == ReadFile(bin));
}

}  // namespace
}  // namespace quillon
