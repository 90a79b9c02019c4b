#include <gtest/gtest.h>

#include <cstdio>

#include "image/formatted.h"
#include "image/image_texts.h"
#include "image/pagination.h"
#include "image/print_back_end.h"
#include "image/text_dump.h"
#include "operator/messages.h"
#include "protocol/commands.h"
#include "support/host_fixture.h"
#include "ui/save_dialog.h"

namespace quillon {
namespace {

using namespace test;
using sim::Chip;
using sim::Firmware;
using WireRun = std::pair<std::uint8_t, int>;

const std::string Proceed(msg::ProceedToDownload);

Bytes Part(const Bytes& all, std::size_t from, std::size_t count) {
  return {all.begin() + static_cast<std::ptrdiff_t>(from), all.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

TEST(Download, ErasesProgramsAndVerifiesTheChosenSectors) {
  const Bytes file = Counting(200, 1);
  Bytes filled = file;
  filled.resize(256, 0xFF);
  Commands external;  // block 1: four sectors, the blank frames skipped, read back
  for (std::uint32_t s = 0; s < 4; ++s) external.push_back(Frame(QRV_CMD_ERASE, 0xF000 + s * 64, 1));
  for (std::uint32_t f = 0; f < 7; ++f) {
    external.push_back(Join(Frame(QRV_CMD_WRITE, 0xF000 + f * 32, 32), Part(filled, f * 32, 32)));
  }
  for (std::uint32_t s = 0; s < 4; ++s) external.push_back(Frame(QRV_CMD_READ, 0xF000 + s * 64, 64));
  const struct {
    Firmware firmware;
    int start;
    std::uint32_t address;
    std::string_view warning;
    Strings labels;
    Commands wire;
  } cases[] = {
      {Firmware::V11EInt, 0, 0x0000, msg::WarnBlock0Erased, {"text Erasing", "text Done", "text Writing", "text Done"},
       {Frame(QRV_CMD_ERASE, 0x0000, 1), Frame(QRV_CMD_ERASE, 0x0080, 1),
        Join(Frame(QRV_CMD_BURST_WRITE, 0x0000, 128), Part(filled, 0, 128)), Frame(QRV_CMD_READ, 0x0000, 128),
        Join(Frame(QRV_CMD_BURST_WRITE, 0x0080, 128), Part(filled, 128, 128)), Frame(QRV_CMD_READ, 0x0080, 128)}},
      {Firmware::V11EExt, 256, 0xF000, msg::WarnBlocks01Erased,
       {"text Erasing", "text Done", "text Writing", "text Done", "text Reading", "text Done"}, external},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(c.firmware));
    const std::string path = host.File("fw.bin", file);
    host.ChooseFile(path, c.start);
    host.op.QueueAnswer(Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), 0);
    EXPECT_EQ(host.Sent(), c.wire);
    EXPECT_EQ(host.op.Messages(), Strings{Proceed});
    EXPECT_EQ(host.op.Titles(), (Strings{std::string(c.warning), "Downloading \"" + path + "\"", FlashHost::WindowTitle}));
    EXPECT_EQ(host.op.ShownBlockTab(), c.start / 256);
    EXPECT_EQ(Part(host.target.FlashImage(), c.address, 256), filled);
    Strings labels;
    for (const auto& event : host.op.Progress()) {
      if (event.starts_with("text ")) labels.push_back(event);
    }
    EXPECT_EQ(labels, c.labels);
  }
}

// A file that reaches block 1 is written block by block, each verified; one that ends
// where block 1 starts leaves it alone.
TEST(Download, WritesEachBlockTheImageReaches) {
  const struct {
    std::string file;
    std::vector<WireRun> runs;
  } cases[] = {
      {HexRecord(0, 0xFFF0, Counting(16, 0xA0)) + HexRecord(0, 0x0000, Counting(16, 1)) +
           HexRecord(4, 0x0000, {0x00, 0x00}) + HexRecord(0, 0xF000, Counting(16, 0x50)) + EndRecord,
       {{QRV_CMD_ERASE, 128}, {QRV_CMD_WRITE, 1}, {QRV_CMD_READ, 128},
        {QRV_CMD_ERASE, 64}, {QRV_CMD_WRITE, 2}, {QRV_CMD_READ, 64}}},
      {HexRecord(0, 0x0000, Counting(16, 1)) + HexRecord(0, 0xEFFF, {0xFF}) + EndRecord,
       {{QRV_CMD_ERASE, 128}, {QRV_CMD_WRITE, 1}, {QRV_CMD_READ, 128}}},
  };
  for (const auto& c : cases) {
    FlashHost host(TargetOf(Firmware::V11EExt, Chip::A16));
    host.ChooseFile(host.File("fw.hex", c.file), 0);
    host.op.QueueAnswer(Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), 0);
    EXPECT_EQ(Runs(host.Sent()), c.runs);
    EXPECT_EQ(host.op.Messages(), Strings{Proceed});
    const Bytes flash = host.target.FlashImage();
    EXPECT_EQ(Part(flash, 0x0000, 16), Counting(16, 1));
    if (c.runs.size() > 3) {
      EXPECT_EQ(Part(flash, 0xF000, 16), Counting(16, 0x50));
      EXPECT_EQ(Part(flash, 0xFFF0, 16), Counting(16, 0xA0));
      EXPECT_EQ(host.Chip().BlockBuffer(1)[0xFF0], 0xA0) << "the read-back lands in the block image";
    }
  }
  FlashHost host(TargetOf(Firmware::V11EExt, Chip::A16));
  host.Chip().SetChipType(ChipQRV71A32);  // so block 0 reaches past the target's 16 KB
  host.ChooseFile(host.File("fw.hex", HexRecord(0, 0x4000, {0x12}) + HexRecord(0, 0xFFFF, {0x34}) + EndRecord), 0);
  host.op.QueueAnswer(Answer::Yes);
  EXPECT_EQ(host.window.OnDownload(), -1);
  EXPECT_EQ(host.op.Messages(), (Strings{Proceed, std::string(msg::FailedToVerify)}));
  EXPECT_EQ(Runs(host.Sent()).back(), WireRun(QRV_CMD_READ, 64)) << "a difference in block 0 still writes block 1";
  EXPECT_EQ(host.target.FlashImage()[0xFFFF], 0x34);
}

// Every download that did not put the whole file into flash says why and gives -1, so
// that nothing will run the code.
TEST(Download, EveryFailureIsToldAndGivesMinusOne) {
  const struct {
    const char* name;
    Firmware firmware;
    int memoryType;
    Chip targetChip;
    sim::Faults faults;
    std::string_view message;
    bool linkDropped;
  } cases[] = {
      {"erase, queued", Firmware::V11EInt, MemoryInternal, Chip::A32, {.eraseStatus = 0x00}, msg::SectorEraseFailed, true},
      {"erase, direct", Firmware::V11D, MemoryInternal, Chip::A32, {.eraseStatus = 0x00}, msg::SectorEraseFailed, false},
      {"program, queued", Firmware::V11EInt, MemoryInternal, Chip::A32, {.dropReplyByte = 5}, msg::FailedToDownload, true},
      {"program, external", Firmware::V11EExt, MemoryExternal, Chip::A32, {.writeStatus = 0x00}, msg::FailedToDownload,
       false},
      {"read-back short", Firmware::V11EExt, MemoryExternal, Chip::A32, {.dropReplyByte = 10}, msg::FailedToRead, false},
      {"verify: an A16 taken for an A32", Firmware::V11EExt, MemoryExternal, Chip::A16, {}, msg::FailedToVerify, false},
      {"declined", Firmware::V11EInt, MemoryInternal, Chip::A32, {}, {}, false},
      {"cancelled", Firmware::V11EInt, MemoryInternal, Chip::A32, {}, {}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FlashHost host(TargetOf(c.firmware, c.targetChip));
    host.Chip().SetChipType(ChipQRV71A32);
    host.Chip().SetMemoryType(c.memoryType);
    Bytes file = Counting(200, 1);
    if (c.targetChip == Chip::A16) file.insert(file.begin(), 0x4000, 0xFF);  // beyond the A16's block 0
    host.ChooseFile(host.File("fw.bin", file), 0);
    const bool cancelled = std::string_view(c.name) == "cancelled";
    if (cancelled) host.op.onDownload = nullptr;
    host.target.SetFaults(c.faults);
    host.op.QueueAnswer(c.message.empty() ? Answer::No : Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), c.message.empty() && !cancelled ? 0 : -1);
    const Strings asked = cancelled ? Strings{} : Strings{Proceed};
    EXPECT_EQ(host.op.Messages(), (c.message.empty() ? asked : Strings{Proceed, std::string(c.message)}));
    EXPECT_EQ(host.window.Link().LinkLost.load(), c.linkDropped);
    EXPECT_EQ(host.op.Title(), FlashHost::WindowTitle);
    EXPECT_TRUE(!c.message.empty() || host.Sent().empty());
  }
}

TEST(DownloadAndRun, RunsTheCodeOnlyAfterACompleteDownloadOrADeclinedOne) {
  const struct {
    Answer answer;
    sim::Faults faults;
    bool runs;
  } cases[] = {{Answer::Yes, {}, true}, {Answer::No, {}, true}, {Answer::Yes, {.dropReplyByte = 5}, false}};
  for (const auto& c : cases) {
    FlashHost host(TargetOf(Firmware::V11EInt));
    host.ChooseFile(host.File("fw.bin", Counting(200, 1)), 0);
    host.target.SetFaults(c.faults);
    host.op.QueueAnswer(c.answer);
    host.window.OnDownloadAndRun();
    EXPECT_EQ(host.window.Link().ChipReleased, c.runs);
    // The run command may still be on its way when the command returns.
    EXPECT_EQ(WaitFor([&] { return !host.target.InBootLoader(); }, std::chrono::milliseconds(c.runs ? 2000 : 300)),
              c.runs);
  }
}

TEST(Compare, TellsTheOutcomeInTheIapStatusLine) {
  const std::string succeed = "File name.bin Compare succeed!";
  const struct {
    Firmware firmware;
    std::size_t fileLength;
    int start;
    int differAt;  // -1: none
    std::string status;
  } cases[] = {
      {Firmware::V11EInt, 0x200, 0, -1, succeed},
      {Firmware::V11D, 0x155, 0, -1, succeed},  // not whole sectors
      {Firmware::V11EExt, 0x100, 2, -1, succeed},
      {Firmware::V11EInt, 0x200, 0, 0x100, "Unmatched data at memory address 0100h: 12h(MCU) vs. 34h in File name.bin"},
      {Firmware::V11EExt, 0x200, 0, 0x100, "Unmatched data at memory address 0100h: 12h(MCU) vs. 34h in File name.bin"},
      {Firmware::V11EInt, 0x200, 0, 0, "Unmatched data at memory address 0000h: 12h(MCU) vs. 34h in File name.bin"},
      {Firmware::V11D, 0x200, 0, 0, "Unmatched data at memory address 0000h: 12h(MCU) vs. 34h in File name.bin"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.status);
    FlashHost host(TargetOf(c.firmware));
    const Bytes flash = Counting(0x200, 0);
    host.target.LoadFlash(0, flash);
    Bytes file = Part(flash, std::size_t(c.start) * 128, flash.size() - std::size_t(c.start) * 128);
    file.resize(c.fileLength, 0x00);
    if (c.differAt >= 0) {
      host.target.LoadFlash(std::uint32_t(c.differAt), {0x12});
      file[std::size_t(c.differAt)] = 0x34;
    }
    const std::string path = host.File("name.bin", file);
    host.ChooseFile(path, c.start);
    host.window.OnCompare();
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus, c.status);
    const bool told = c.differAt >= 0 && !host.Queued();
    EXPECT_EQ(host.op.Messages(), told ? Strings{std::string(msg::FailedToVerify)} : Strings{});
    EXPECT_FALSE(host.window.Link().LinkLost.load());
    EXPECT_EQ(host.op.Titles(), (Strings{Formatted(msg::ComparingFormat, path.c_str(), c.start * 128),
                                         FlashHost::WindowTitle}));
  }
}

TEST(Compare, ComparesBlockByBlockAndCancelLeavesTheStatusEmpty) {
  FlashHost host(TargetOf(Firmware::V11EInt));
  Bytes file(0x10000, 0xFF);
  file[0x7FFF] = 0x11;
  file[0x9000] = 0x22;  // between the blocks: never compared
  file[0xFFFF] = 0x33;
  host.target.LoadFlash(0x7FFF, {0x11});
  host.target.LoadFlash(0xFFFF, {0x33});
  host.ChooseFile(host.File("name.bin", file), 0);
  host.window.OnCompare();
  EXPECT_EQ(host.window.Info().IapStatus, "File name.bin Compare succeed!");
  EXPECT_EQ(Runs(host.Sent()), (std::vector<WireRun>{{QRV_CMD_READ, 256 + 64}}));
  EXPECT_EQ(host.Sent()[256], Frame(QRV_CMD_READ, 0xF000, 64));

  for (const int memoryType : {MemoryInternal, MemoryExternal}) {
    FlashHost block1(TargetOf(Firmware::V11EInt));
    block1.Chip().SetMemoryType(memoryType);
    block1.ChooseFile(block1.File("name.bin", Bytes(64, 0xFF)), 256 + 1);
    block1.window.OnCompare();
    EXPECT_EQ(block1.op.ShownBlockTab(), 1);
    EXPECT_EQ(block1.Sent(), Commands{Frame(QRV_CMD_READ, 0xF040, 64)});
    EXPECT_EQ(block1.window.Info().IapStatus, "File name.bin Compare succeed!");
  }

  host.op.onCompare = nullptr;
  host.op.ClearRecords();
  host.window.OnCompare();
  EXPECT_EQ(host.window.Info().IapStatus, "");
  EXPECT_EQ(host.op.Titles(), Strings{FlashHost::WindowTitle});
  EXPECT_TRUE(host.op.Messages().empty());
}

struct SaveHost : FlashHost {
  using FlashHost::FlashHost;
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
    int start;
    int range;
    int button;
    std::uint32_t address;
    std::size_t bytes;
  } cases[] = {
      {0, 1, -1, 0x0000, 128},  // text when no button is clicked
      {0, 1, CSaveDlg::IdBinaryFile, 0x0000, 128},
      {256, 0, CSaveDlg::IdTextFile, 0xF000, 4096},
      {256, 0, CSaveDlg::IdBinaryFile, 0xF000, 4096},
      {250, 0, CSaveDlg::IdBinaryFile, 250 * 128, 6 * 128},
      {256 + 60, 10, CSaveDlg::IdTextFile, 0xFF00, 4 * 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.range);
    SaveHost host(TargetOf(Firmware::V11EInt));
    const Bytes flash = Counting(0x10000, 0);
    host.target.LoadFlash(0, flash);
    host.ChooseSave(c.start, c.range, c.button);
    host.window.OnFileSave();
    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::SaveCompleted)});
    EXPECT_EQ(host.op.ShownBlockTab(), c.address >= 0xF000 ? 1 : 0);
    const Bytes expected = Part(flash, c.address, c.bytes);
    if (c.button == CSaveDlg::IdBinaryFile) {
      EXPECT_EQ(ReadFile(host.path), expected);
    } else {
      EXPECT_EQ(ReadText(host.path), TextDump(expected, c.address));
    }
  }
}

TEST(Save, WritesNothingAfterAShortReadACancelOrWithoutAChip) {
  for (const int kind : {0, 1, 2, 3}) {
    SaveHost host(TargetOf(Firmware::V11EExt));
    if (kind == 0) WriteFile(host.path, std::string("precious"));
    if (kind < 2) {
      host.target.SetFaults({.dropReplyByte = 100});
      host.ChooseSave(0, 4, -1);
    }
    host.window.Link().ChipReleased = kind == 3;
    host.window.OnFileSave();
    const std::string_view told[] = {msg::SaveFailed, msg::SaveFailed, {}, msg::NoFlashChip};
    EXPECT_EQ(host.op.Messages(), told[kind].empty() ? Strings{} : Strings{std::string(told[kind])});
    EXPECT_EQ(std::filesystem::exists(host.path), kind == 0);
    EXPECT_TRUE(kind != 0 || ReadText(host.path) == "precious");
  }
}

constexpr int LineHeight = 12;

struct FakePrinter : PrintBackEnd {
  bool chosen = true;
  int pageHeight = 40 * LineHeight;
  std::size_t failingPage = 0;  // 1-based; 0 for none
  Strings calls;
  Strings pages;

  bool ChoosePrinter() override { calls.emplace_back("choose"); return chosen; }
  int PageHeight() override { return pageHeight; }
  // 80 characters a line; the line feed that ends the text starts no line.
  int MeasureWrappedHeight(std::string_view text) override {
    int rows = 0;
    for (std::size_t at = 0; at < text.size();) {
      const std::size_t end = std::min(text.find('\n', at), text.size());
      rows += static_cast<int>(std::max<std::size_t>(1, (end - at + 79) / 80));
      at = end + 1;
    }
    return rows * LineHeight;
  }
  bool StartDoc() override { calls.emplace_back("start"); return true; }
  bool PrintPage(std::string_view text) override {
    pages.emplace_back(text);
    return pages.size() != failingPage;
  }
  void EndDoc() override { calls.emplace_back("end"); }
  void AbortDoc() override { calls.emplace_back("abort"); }
};

TEST(Print, PrintsTheChosenRangePageByPage) {
  const struct {
    int start;
    int range;  // -1 keeps the dialog's preset: one sector
    std::uint32_t address;
    std::size_t rows;
    std::size_t pages;
  } cases[] = {
      {0, -1, 0x0000, 8, 1}, {256, -1, 0xF000, 4, 1}, {0, 0, 0x0000, 2048, 52}, {256 + 60, 10, 0xFF00, 16, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.start);
    FlashHost host(TargetOf(Firmware::V11EExt));
    FakePrinter printer;
    const Bytes flash = Counting(0x10000, 3);
    host.target.LoadFlash(0, flash);
    if (c.range < 0) {
      host.op.onRange = [start = c.start](CRangeDlg& dialog) { return dialog.SelectStart(start); };
    } else {
      host.ChooseRange(c.start, c.range);
    }
    host.window.OnFilePrint(printer);
    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::PrintCompleted)});
    EXPECT_EQ(printer.calls, (Strings{"choose", "start", "end"}));
    EXPECT_EQ(printer.pages.size(), c.pages);
    std::string printed;
    for (const auto& page : printer.pages) {
      EXPECT_EQ(page.back(), '\n') << "a page ends with a whole row";
      printed += page;
    }
    EXPECT_EQ(printed, TextDump(Part(flash, c.address, c.rows * 16), c.address));
  }
}

TEST(Print, PrinterOutcomesAndRefusals) {
  const struct {
    bool chosen;
    int pageHeight;
    std::size_t failingPage;
    bool released;
    int block;
    std::string_view message;
    Strings calls;
  } cases[] = {
      {false, 40 * LineHeight, 0, false, 0, msg::PrintCompleted, {"choose"}},
      {true, 4 * LineHeight, 1, false, 0, msg::PrintCompleted, {"choose", "start", "abort"}},
      {true, LineHeight - 1, 0, false, 0, msg::PrintFailed, {"choose", "start", "abort"}},  // lower than a line
      {true, 40 * LineHeight, 0, true, 0, msg::NoFlashChip, {}},
      {true, 40 * LineHeight, 0, false, 2, msg::IllegalBlockNumber, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    FlashHost host(TargetOf(Firmware::V11EInt));
    FakePrinter printer;
    printer.chosen = c.chosen;
    printer.pageHeight = c.pageHeight;
    printer.failingPage = c.failingPage;
    host.window.Link().ChipReleased = c.released;
    host.Chip().SetCurrentBlock(c.block);
    host.op.onRange = [](CRangeDlg&) { return true; };
    host.window.OnFilePrint(printer);
    EXPECT_EQ(host.op.Messages(), Strings{std::string(c.message)});
    EXPECT_EQ(printer.calls, c.calls);
    EXPECT_EQ(printer.pages.size(), c.failingPage);
    EXPECT_EQ(host.Sent().empty(), c.calls.size() < 2);
  }
  FlashHost host(TargetOf(Firmware::V11EInt));
  FakePrinter printer;
  host.window.OnFilePrint(printer);
  EXPECT_TRUE(host.op.Messages().empty()) << "a cancelled range dialog prints nothing";
  EXPECT_TRUE(printer.calls.empty());
}

}  // namespace
}  // namespace quillon
