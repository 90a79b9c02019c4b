#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <tuple>

#include "image/file_replacement.h"
#include "image/image_reader.h"
#include "image/intel_hex.h"
#include "image/pagination.h"
#include "image/staging_file.h"
#include "image/text_dump.h"
#include "operator/messages.h"
#include "protocol/chip_type_dialog.h"
#include "support/host_fixture.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace test;

Bytes Erased(std::size_t count) { return Bytes(count, 0xFF); }

// A sound text gives the image from address zero; a damaged one names its first faulty
// line, and one beyond the address space (line 0) gives nothing, lest it land at a wrapped
// address.
TEST(IntelHex, SoundTextsGiveTheImageAndOthersTheirFirstFaultyLine) {
  const std::string good = HexRecord(0, 0, {1, 2, 3});
  // clang-format off
  const std::tuple<std::string, Bytes, std::size_t, std::string_view> cases[] = {
      {HexRecord(0, 0x0000, Counting(16, 0)) + HexRecord(0, 0x0020, Counting(16, 0x20)) + EndRecord, Join(Join(Counting(16, 0), Erased(16)), Counting(16, 0x20)), 0, {}},
      {HexRecord(0, 0x0004, {4, 5, 6, 7}) + HexRecord(0, 0, {0, 1, 2, 3, 9}) + HexRecord(0, 6, {0xA6}) + EndRecord,
       {0, 1, 2, 3, 9, 5, 0xA6, 7}, 0, {}},  // out of order, the later overlap wins
      {HexRecord(0, 0x0100, {}) + HexRecord(4, 0, {0, 0}) + HexRecord(0, 0, {7}) + EndRecord, {7}, 0, {}},
      {HexRecord(2, 0, {0x0F, 0x00}) + HexRecord(0, 0x0002, {0x5A}) + EndRecord, Join(Erased(0xF002), {0x5A}), 0, {}},
      {HexRecord(2, 0, {0x0F, 0x00}) + HexRecord(4, 0, {0, 0}) + HexRecord(0, 1, {3}) + EndRecord, {0xFF, 3}, 0, {}},
      {HexRecord(3, 0, {0, 0, 0x12, 0x34}) + HexRecord(5, 0, {0, 0, 0x56, 0x78}) + HexRecord(0, 1, {1}) + EndRecord,
       {0xFF, 1}, 0, {}},  // start addresses ignored
      {"  :0200000012ab41 \t\r\n\r\n\n:00000001FF", {0x12, 0xAB}, 0, {}},
      {"\xEF\xBB\xBF :0200000012ab41\n" + EndRecord, {0x12, 0xAB}, 0, {}},  // a byte-order mark, then a blank
      {good + "\xEF\xBB\xBF" + EndRecord, {}, 2, msg::HexNoStartMark},
      {HexRecord(0, 0, {1}) + EndRecord + "not hex at all", {1}, 0, {}},
      {HexRecord(0, 0xFFFF, {9}) + EndRecord, Join(Erased(0xFFFF), {9}), 0, {}},
      {good + ":0300030001020300\n" + EndRecord, {}, 2, msg::HexWrongChecksum},
      {good + good + ":03000300010G03F0\n" + EndRecord, {}, 3, msg::HexNotADigit},
      {good + ":10000000AABB\n" + EndRecord, {}, 2, msg::HexEndsEarly},
      {":\n", {}, 1, msg::HexEndsEarly},
      {":0100000001FE00\n" + EndRecord, {}, 1, msg::HexRunsPastCount},
      {good + "\n; a comment\n" + EndRecord, {}, 3, msg::HexNoStartMark},
      {good + HexRecord(6, 0, {}) + EndRecord, {}, 2, msg::HexUnknownType},
      {HexRecord(4, 0, {0}) + EndRecord, {}, 1, msg::HexWrongLengthForType},
      {good + HexRecord(1, 0, {0}), {}, 2, msg::HexWrongLengthForType},
      {good + good, {}, 2, msg::HexNoEndRecord},
      {":" + std::string(5000, '0') + "\n" + EndRecord, {}, 1, msg::HexRunsPastCount},
      {HexRecord(0, 0xFFF8, Counting(16, 0)) + EndRecord, {}, 0, {}},
      {HexRecord(4, 0, {0x00, 0x01}) + HexRecord(0, 0, {0xAA}) + EndRecord, {}, 0, {}},
      {HexRecord(2, 0, {0x0F, 0xFF}) + HexRecord(0, 0x0010, {0xAA}) + EndRecord, {}, 0, {}},
  };
  // clang-format on
  for (const auto& [text, image, line, fault] : cases) {
    SCOPED_TRACE(text);
    std::istringstream stream(text);
    const HexReading reading = ReadIntelHex(stream);
    EXPECT_EQ(std::tuple(reading.faultLine, std::string_view(reading.fault), reading.beyondAddressSpace, reading.image),
              std::tuple(line, fault, line == 0 && image.empty(), image))
        << text.substr(0, 80);
  }
}

struct ReaderFixture {
  TempDir directory;
  StagingFile staging{directory / "cache"};
  ScriptedOperator op;
  ImageFile image;
};

// A HEX file is converted through the staging file, which keeps the last good image;
// anything else is taken as it is. A file that cannot be read is refused saying why, a FIFO
// among them, which would hang a reader that opened it. A row without text writes no file;
// @ in its message stands for the refusal and the path.
TEST(ImageReader, ConvertsHexFilesByTheirLastExtensionTakesOthersAsTheyAreAndRefusesTheUnreadable) {
  // clang-format off
  const std::tuple<const char*, std::string, int, Bytes, std::string> cases[] = {
      {"fw.ihx", HexRecord(0, 0x0020, {7}) + HexRecord(0, 0, {1}) + EndRecord, ImageDone, Join(Join({1}, Erased(31)), {7}), ""},
      {"FW.HEX", EndRecord, ImageDone, {}, ""},
      {"fw.hex", HexRecord(0, 0, {1}) + ":0100010002FD\n" + EndRecord, ImageBadFile, {},
       "Invalid HEX file at line 2: wrong checksum"},
      {"fw.hex", HexRecord(4, 0, {0, 1}) + HexRecord(0, 0, {1}) + EndRecord, ImageOverSize, {}, std::string(msg::OverSize) + "\nThe image ends at 10000h, past the last address FFFFh"},
      {"fw.hex.bak", EndRecord, ImageDone, Bytes(EndRecord.begin(), EndRecord.end()), ""},
      {"fw", "\x01\x02", ImageDone, {1, 2}, ""},
      {"Blink.IHex", EndRecord, ImageDone, {}, ""},
      {".hex", EndRecord, ImageDone, {}, ""},
      {"a.b/fw", "\x04", ImageDone, {4}, ""},
      {"blink.hexx", EndRecord, ImageDone, Bytes(EndRecord.begin(), EndRecord.end()), ""},
      {"blink.", "\x03", ImageDone, {3}, ""},
      {"", "", ImageBadFile, {}, std::string(msg::CannotOpenFile)},
      {"missing.bin", "", ImageBadFile, {}, "@: No such file or directory"},
      {"dir", "", ImageBadFile, {}, "@: Is a directory"},
      {"fifo", "", ImageBadFile, {}, "@: Not a regular file"},
      {"missing.hex", "", ImageBadFile, {}, "@: No such file or directory"},
      {"dir.hex", "", ImageBadFile, {}, "@: Is a directory"},
      {"fifo.hex", "", ImageBadFile, {}, "@: Not a regular file"},
  };
  // clang-format on
  for (const auto& [name, text, result, image, said] : cases) {
    SCOPED_TRACE(name);
    ReaderFixture f;
    std::string ignored;
    ASSERT_TRUE(f.staging.Write(Bytes{0xA5}, ignored));
    for (const char* dir : {"dir", "dir.hex"}) fs::create_directory(f.directory / dir);
    for (const char* fifo : {"fifo", "fifo.hex"}) ::mkfifo((f.directory / fifo).c_str(), 0600);
    const std::string path = *name == '\0' ? "" : (f.directory / name).string();
    if (!text.empty()) WriteFile(path, text);
    const std::string message =
        said.starts_with('@') ? std::string(msg::CannotOpenFile) + "\n" + path + said.substr(1) : said;
    EXPECT_EQ(OpenImageFile(path, f.op, f.image, f.staging), result);
    EXPECT_EQ(f.op.Messages(), message.empty() ? Strings{} : Strings{message});
    EXPECT_TRUE(result != ImageDone || f.image.Bytes == image);
    EXPECT_EQ(ReadFile(f.staging.Path()), IsHexFileName(name) && result == ImageDone ? image : Bytes{0xA5});
  }
}

TEST(ImageReader, SegmentPlanFollowsTheRuleAndTheBlocks) {
  using Segments = std::vector<ImageSegment>;
  constexpr int A32 = ChipQRV71A32, A16 = ChipQRV71A16;
  // Chip, rule, block, start, length and the segments; none: over size.
  const std::tuple<int, SegmentRule, int, std::uint32_t, std::uint64_t, Segments> cases[] = {
      {A32, SplitRule, 0, 0, 0xF000, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 0, 0}}},
      {A32, SplitRule, 0, 0, 0xF001, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 1, 64}}},
      {A32, SplitRule, 0, 0, 0x10000, {{0, 0, 0, 32768, 32768}, {1, 0xF000, 0xF000, 4096, 4096}}},
      {A32, SplitRule, 0, 0, 0xEFFF, {}},
      {A32, SplitRule, 0, 0, 200, {{0, 0, 0, 200, 256}}},
      {A32, SplitRule, 0, 0x80, 32768 - 0x80, {{0, 0x80, 0, 32768 - 0x80, 32768 - 0x80}}},
      {A32, SplitRule, 0, 0x80, 32768 - 0x7F, {}},
      {A32, SplitRule, 1, 0xFFC0, 64, {{1, 0xFFC0, 0, 64, 64}}},
      {A32, SplitRule, 1, 0xFFC0, 65, {}},
      {A16, SplitRule, 0, 0, 16385, {}},
      {A16, SplitRule, 0, 0, 0x10000, {{0, 0, 0, 16384, 16384}, {1, 0xF000, 0xF000, 4096, 4096}}},
      {A32, SingleBlockRule, 0, 0, 129, {{0, 0, 0, 129, 256}}},
      {A32, SingleBlockRule, 0, 0x7F80, 128, {{0, 0x7F80, 0, 128, 128}}},
      {A32, SingleBlockRule, 0, 0x7F80, 129, {}},
  };
  for (const auto& [chipType, rule, block, start, length, expected] : cases) {
    SCOPED_TRACE(testing::Message() << chipType << ' ' << rule << ' ' << block << ' ' << start << ' ' << length);
    CChipTypeDlg chip;
    chip.SetChipType(chipType);
    chip.ApplyChipType();
    ScriptedOperator op;
    Segments segments;
    EXPECT_EQ(PlanImageSegments(length, block, start, rule, chip, op, segments),
              expected.empty() ? ImageOverSize : ImageDone);
    EXPECT_EQ(op.Messages().size() == 1 && op.Messages()[0].starts_with(msg::OverSize), expected.empty());
    EXPECT_EQ(segments, expected);
  }
}

TEST(StagingFile, LivesPrivatelyInTheCacheAndFollowsNoLink) {
  const auto mode = [](const fs::path& path) { return static_cast<unsigned>(fs::status(path).permissions()); };
  TempDir top;
  const StagingFile staging(top / "cache/quillon");
  std::string failure;
  ASSERT_TRUE(staging.Write(Bytes{1, 2, 3}, failure)) << failure;
  ::chmod((top / "cache/quillon").c_str(), 0777);
  ASSERT_TRUE(staging.Write(Bytes{9}, failure)) << failure;
  EXPECT_EQ(std::tuple(mode(top / "cache"), mode(top / "cache/quillon"), mode(staging.Path())),
            std::tuple(0700u, 0700u, 0600u))
      << "a directory open to others is closed";
  WriteFile(top / "victim" / StagingFile::FileName, "keep");
  fs::create_directory_symlink(top / "victim", top / "linked");
  EXPECT_FALSE(StagingFile(top / "linked").Write(Bytes{1}, failure));
  EXPECT_NE(failure.find("linked"), std::string::npos) << failure;
  fs::create_directory(top / "quillon");
  fs::create_symlink(top / "victim" / StagingFile::FileName, top / "quillon" / StagingFile::FileName);
  EXPECT_FALSE(StagingFile(top / "quillon").Write(Bytes{1}, failure));
  EXPECT_EQ(ReadText(top / "victim" / StagingFile::FileName), "keep");
}

// Only a regular file is ever replaced: a name that stands for anything else stays what
// it is, and nothing is left beside it.
TEST(FileReplacement, ReplacesOnlyARegularFileFollowingLinksAndWritesOthersInPlace) {
  using Make = std::function<bool(const fs::path&)>;
  const std::string bytes(128, 'x');
  int fifoReader = -1;
  const Make file0640 = [](const fs::path& path) {
    return WriteFile(path, std::string("old")), ::chmod(path.c_str(), 0640) == 0;
  };
  // Only root may make a node, and a file system mounted nodev will not open one.
  const auto device = [](unsigned minor) -> Make {
    return [minor](const fs::path& path) {
      const int fd =
          ::mknod(path.c_str(), S_IFCHR | 0600, ::makedev(1, minor)) == 0 ? ::open(path.c_str(), O_WRONLY) : -1;
      return fd >= 0 && ::close(fd) == 0;
    };
  };
  // Where, how it is made, whether it is replaced, what then stands at the name (a link not
  // followed), and the mode of the file behind the name (0: not looked at).
  // clang-format off
  const std::tuple<const char*, Make, bool, fs::file_type, unsigned> cases[] = {
      {"out.bin", [](const fs::path&) { return true; }, true, fs::file_type::regular, 0},
      {"out.bin", file0640, true, fs::file_type::regular, 0640},
      {"out.bin", [&](const fs::path& path) { return fs::create_symlink("elsewhere", path), file0640(path.parent_path() / "elsewhere"); },
       true, fs::file_type::symlink, 0640},
      // A reader that is there already lets the writer in at once and never blocks itself.
      {"out.bin", [&](const fs::path& path) { return ::mkfifo(path.c_str(), 0600) == 0 && (fifoReader = ::open(path.c_str(), O_RDONLY | O_NONBLOCK)) >= 0; }, true, fs::file_type::fifo, 0},
      {"missing/out.bin", [](const fs::path&) { return true; }, false, fs::file_type::not_found, 0},
      {"out.bin", device(3), true, fs::file_type::character, 0},   // /dev/null
      {"out.bin", device(7), false, fs::file_type::character, 0},  // /dev/full
  };
  // clang-format on
  for (const auto& c : cases) {
    const auto& [at, make, done, kind, mode] = c;
    SCOPED_TRACE(static_cast<int>(&c - cases));
    TempDir dir;
    const fs::path path = dir / at;
    if (!make(path)) GTEST_SKIP() << "cannot make case " << &c - cases << " here";
    const bool existed = fs::symlink_status(path).type() != fs::file_type::not_found;
    const auto before = std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator());
    EXPECT_EQ(!ReplaceFile(path, bytes), done);
    EXPECT_EQ(fs::symlink_status(path).type(), kind);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), before + (!existed && done))
        << "nothing is left beside the name";
    // What a reader then finds behind the name; a device keeps nothing.
    const bool kept = done && kind != fs::file_type::character;
    std::string arrived(bytes.size() + 1, '\0');
    if (kind == fs::file_type::fifo) {
      arrived.resize(
          static_cast<std::size_t>(std::max<ssize_t>(::read(fifoReader, arrived.data(), arrived.size()), 0)));
      ::close(fifoReader);
    }
    EXPECT_EQ(kind == fs::file_type::fifo ? arrived : kept ? ReadText(path) : "", kept ? bytes : "");
    EXPECT_TRUE(mode == 0 || fs::status(path).permissions() == static_cast<fs::perms>(mode));
  }
}

TEST(TextDump, SixteenBytesARowPagedAtTheLastWholeRow) {
  EXPECT_EQ(TextDump(Counting(40, 0xA0), 0xF010),
            "F010 - F01F  A0 A1 A2 A3 A4 A5 A6 A7 - A8 A9 AA AB AC AD AE AF\n"
            "F020 - F02F  B0 B1 B2 B3 B4 B5 B6 B7 - B8 B9 BA BB BC BD BE BF\n");
  EXPECT_EQ(TextDump(Bytes(15, 0), 0), "");
  const std::string text = TextDump(Bytes(2048 * 16, 0xFF), 0);
  // Lines a page, characters a line, where the page breaks.
  const std::tuple<int, std::size_t, std::size_t> cases[] = {
      {4096, 80, text.size()},  // all of it on one page
      {40, 80, 40 * 63},        // the break falls after the last whole row
      {40, 40, 20 * 63},        // each row wraps to two
      {1, 40, 40},              // a row wider than the page: as much as one line holds
      {0, 80, 0},               // not a single character fits
  };
  for (const auto& [pageLines, width, expected] : cases) {
    SCOPED_TRACE(testing::Message() << pageLines << " lines of " << width);
    int measurements = 0;
    const MeasureHeight measure = [&, width = width](std::string_view part) {
      ++measurements;
      int rows = 0;
      for (std::size_t at = 0; at < part.size();) {
        const std::size_t end = std::min(part.find('\n', at), part.size());
        rows += static_cast<int>(std::max<std::size_t>(1, (end - at + width - 1) / width));
        at = end + 1;
      }
      return rows;
    };
    EXPECT_EQ(PageBreak(text, pageLines, measure), expected) << pageLines << " lines";
    EXPECT_LE(measurements, 2 + static_cast<int>(std::log2(text.size())));
  }
}

// The example program's HEX gives exactly the binary srec_cat makes of it.
TEST(HexCrossCheck, ExampleProgramConvertsAsSrecCatConvertsIt) {
  ReaderFixture f;
  const std::string example =
      (fs::path(__FILE__).parent_path().parent_path().parent_path() / "examples" / "blink.hex").string();
  ASSERT_EQ(OpenImageFile(example, f.op, f.image, f.staging), ImageDone);
  EXPECT_LE(f.image.Length, 0x4000u) << "the example must fit the smaller model's block 0";
  if (std::system("command -v srec_cat >/dev/null 2>&1") != 0) GTEST_SKIP() << "srec_cat (package srecord) is missing";
  const std::string command = "srec_cat '" + example + "' -Intel -fill 0xFF -over '" + example + "' -Intel -o '" +
                              (f.directory / "blink.bin").string() + "' -Binary";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  EXPECT_TRUE(f.image.Bytes == ReadFile(f.directory / "blink.bin"));
}

}  // namespace
}  // namespace quillon
