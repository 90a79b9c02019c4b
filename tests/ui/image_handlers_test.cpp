#include <gtest/gtest.h>

#include "image/image_texts.h"
#include "image/print_back_end.h"
#include "image/text_dump.h"
#include "operator/formatted.h"
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
  return {all.begin() + long(from), all.begin() + long(from + count)};
}

// The chosen sectors are erased, programmed and verified. A file that reaches block 1 is
// written block by block, each verified, even after a difference in block 0.
TEST(Download, ErasesProgramsAndVerifiesEachBlockTheImageReaches) {
  const Bytes file = Counting(200, 1);
  Bytes filled = file;
  filled.resize(256, 0xFF);
  Commands queued;  // block 0: two sectors, two bursts each read back at once
  Commands direct;  // block 1: four sectors, the blank frame skipped, then read back
  for (std::uint32_t s = 0; s < 2; ++s) queued.push_back(Frame(QRV_CMD_ERASE, s * 128, 1));
  for (std::uint32_t s = 0; s < 4; ++s) direct.push_back(Frame(QRV_CMD_ERASE, 0xF000 + s * 64, 1));
  for (std::uint32_t s = 0; s < 2; ++s) {
    queued.push_back(Join(Frame(QRV_CMD_BURST_WRITE, s * 128, 128), Part(filled, s * 128, 128)));
    queued.push_back(Frame(QRV_CMD_READ, s * 128, 128));
  }
  for (std::uint32_t f = 0; f < 7; ++f)
    direct.push_back(Join(Frame(QRV_CMD_WRITE, 0xF000 + f * 32, 32), Part(filled, f * 32, 32)));
  for (std::uint32_t s = 0; s < 4; ++s) direct.push_back(Frame(QRV_CMD_READ, 0xF000 + s * 64, 64));
  const std::string binary(file.begin(), file.end());
  const std::string split = HexRecord(0, 0xFFF0, Counting(16, 0xA0)) + HexRecord(0, 0x0000, Counting(16, 1)) +
                            HexRecord(4, 0x0000, {0x00, 0x00}) + HexRecord(0, 0xF000, Counting(16, 0x50)) + EndRecord;
  const std::vector<std::pair<std::uint32_t, Bytes>> both = {{0x0000, Counting(16, 1)}, {0xF000, Counting(16, 0x50)}};
  // chipType: what the host takes the target for; wire empty: only the shape of the
  // conversation is checked; the last file's block 0 reaches past the A16's 16 KB
  // clang-format off
  const struct { Firmware firmware; Chip chip; int chipType; std::string file; int start; std::string_view warning; Commands wire; std::vector<WireRun> runs; std::vector<std::pair<std::uint32_t, Bytes>> flash; int result; } cases[] = {
      {Firmware::V11EInt, Chip::A32, ChipQRV71A32, binary, 0, msg::WarnBlock0Erased, queued, {}, {{0x0000, filled}}, 0},
      {Firmware::V11EExt, Chip::A32, ChipQRV71A32, binary, 256, msg::WarnBlocks01Erased, direct, {}, {{0xF000, filled}}, 0},
      {Firmware::V11EExt, Chip::A16, ChipQRV71A16, split, 0, {}, {}, {{QRV_CMD_ERASE, 128}, {QRV_CMD_WRITE, 1}, {QRV_CMD_READ, 128}, {QRV_CMD_ERASE, 64}, {QRV_CMD_WRITE, 2}, {QRV_CMD_READ, 64}}, both, 0},
      {Firmware::V11EExt, Chip::A16, ChipQRV71A32, HexRecord(0, 0x4000, {0x12}) + split, 0, {}, {}, {{QRV_CMD_ERASE, 256}, {QRV_CMD_WRITE, 2}, {QRV_CMD_READ, 256}, {QRV_CMD_ERASE, 64}, {QRV_CMD_WRITE, 2}, {QRV_CMD_READ, 64}}, both, -1},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    FlashHost host(TargetOf(c.firmware, c.chip));
    host.Chip().SetChipType(c.chipType);
    const std::string path = host.File(c.file.starts_with(':') ? "fw.hex" : "fw.bin", c.file);
    host.ChooseFile(path, c.start);
    host.op.QueueAnswer(Answer::Yes);
    EXPECT_EQ(host.window.OnDownload(), c.result);
    EXPECT_EQ(host.op.Messages(),
              (c.result == 0 ? Strings{Proceed} : Strings{Proceed, std::string(msg::FailedToVerify)}));
    for (const auto& [address, bytes] : c.flash)
      EXPECT_EQ(Part(host.target.FlashImage(), address, bytes.size()), bytes);
    if (c.wire.empty()) {
      EXPECT_EQ(Runs(host.Sent()), c.runs);
      EXPECT_EQ(host.Chip().BlockBuffer(1)[0xFF0], 0xA0) << "the read-back lands in the block image";
      continue;
    }
    EXPECT_EQ(host.Sent(), c.wire);
    EXPECT_EQ(host.op.Titles(),
              (Strings{std::string(c.warning), "Downloading \"" + path + "\"", FlashHost::WindowTitle}));
    EXPECT_EQ(host.op.ShownBlockTab(), c.start / 256);
  }
}

// Every download that did not put the whole file into flash says why and gives -1, so
// that nothing will run the code; Download and Run runs it only after a complete or a
// declined download.
TEST(Download, EveryFailureIsToldAndNothingRunsAfterIt) {
  // clang-format off
  const struct { const char* name; Firmware firmware; Chip targetChip; sim::Faults faults; std::string_view message; bool linkDropped; } cases[] = {
      {"erase, queued", Firmware::V11EInt, Chip::A32, {.eraseStatus = 0x00}, msg::SectorEraseFailed, true},
      {"erase, direct", Firmware::V11D, Chip::A32, {.eraseStatus = 0x00}, msg::SectorEraseFailed, false},
      {"program, queued", Firmware::V11EInt, Chip::A32, {.dropReplyByte = 5}, msg::FailedToDownload, true},
      {"program, direct", Firmware::V11EExt, Chip::A32, {.writeStatus = 0x00}, msg::FailedToDownload, false},
      {"read-back short", Firmware::V11EExt, Chip::A32, {.dropReplyByte = 10}, msg::FailedToRead, false},
      {"verify: an A16 taken for an A32", Firmware::V11EExt, Chip::A16, {}, msg::FailedToVerify, false},
      {"declined", Firmware::V11EInt, Chip::A32, {}, {}, false},
      {"cancelled", Firmware::V11EInt, Chip::A32, {}, {}, false},
  };
  // clang-format on
  for (const bool run : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(c.name);
      FlashHost host(TargetOf(c.firmware, c.targetChip));
      host.Chip().SetChipType(ChipQRV71A32);
      Bytes file = Counting(200, 1);
      if (c.targetChip == Chip::A16) file.insert(file.begin(), 0x4000, 0xFF);  // beyond the A16's block 0
      host.ChooseFile(host.File("fw.bin", file), 0);
      const bool cancelled = std::string_view(c.name) == "cancelled";
      if (cancelled) host.op.onDownload = nullptr;
      host.target.SetFaults(c.faults);
      host.op.QueueAnswer(c.message.empty() ? Answer::No : Answer::Yes);
      if (run) {
        host.window.OnDownloadAndRun();
        const bool runs = c.message.empty() && !cancelled;
        EXPECT_EQ(host.window.Link().ChipReleased, runs);
        EXPECT_EQ(WaitFor([&] { return !host.target.InBootLoader(); }, std::chrono::milliseconds(runs ? 2000 : 100)),
                  runs);
        continue;
      }
      EXPECT_EQ(host.window.OnDownload(), c.message.empty() && !cancelled ? 0 : -1);
      const Strings asked = cancelled ? Strings{} : Strings{Proceed};
      EXPECT_EQ(host.op.Messages(), (c.message.empty() ? asked : Strings{Proceed, std::string(c.message)}));
      EXPECT_EQ(host.window.Link().LinkLost.load(), c.linkDropped);
      EXPECT_EQ(host.op.Title(), FlashHost::WindowTitle);
      EXPECT_TRUE(!c.message.empty() || host.Sent().empty());
    }
  }
}

// A compare whose reply came late or with a byte too many must leave nothing on the line
// for the next command to take as its own reply: a save of sector 0 follows each.
TEST(Compare, TellsTheOutcomeInTheIapStatusLineAndLeavesNoReplyBehind) {
  const std::string succeed = "File name.bin Compare succeed!";
  const std::string differs = "Unmatched data at memory address %04Xh: 12h(MCU) vs. 34h in File name.bin";
  const Bytes flash = Counting(0x10000, 0);
  // start 256 + n: sector n of block 1; differAt -1: none
  // clang-format off
  const struct { const char* fault; Firmware firmware; std::size_t fileLength; int start; int differAt; sim::Faults faults; bool linkDropped; } cases[] = {
      {nullptr, Firmware::V11EInt, 0x200, 0, -1, {}, false},    {nullptr, Firmware::V11D, 0x155, 0, -1, {}, false},
      {nullptr, Firmware::V11EExt, 0x100, 2, -1, {}, false},    {nullptr, Firmware::V11EInt, 0x40, 257, -1, {}, false},
      {nullptr, Firmware::V11EInt, 0x200, 0, 0x100, {}, false}, {nullptr, Firmware::V11EExt, 0x200, 0, 0x1FF, {}, false},
      {nullptr, Firmware::V11EInt, 0x200, 0, 0, {}, false},     {nullptr, Firmware::V11D, 0x200, 0, 0, {}, false},
      {"target silent, then prompting again, queued", Firmware::V11EInt, 0x80, 1, -1, {.silenceAfter = 0}, true},
      {"stray byte in the last chunk, direct", Firmware::V11EExt, 0x80, 1, -1, {.extraByteAfterReply = 126, .extraByteValue = flash[0xFF], .atCommand = true}, false},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.differAt << " " << (c.fault ? c.fault : ""));
    FlashHost host(TargetOf(c.firmware));
    const std::uint32_t address =
        c.start < 256 ? std::uint32_t(c.start) * 128 : 0xF000 + std::uint32_t(c.start - 256) * 64;
    host.target.LoadFlash(0, flash);
    Bytes file = Part(flash, address, c.fileLength);
    if (c.differAt >= 0) {
      host.target.LoadFlash(std::uint32_t(c.differAt), {0x12});
      file[std::size_t(c.differAt)] = 0x34;
    }
    const std::string path = host.File("name.bin", file);
    host.ChooseFile(path, c.start);
    host.target.SetFaults(c.faults);
    host.window.OnCompare();
    const std::string outcome = c.differAt < 0 ? succeed : Formatted(differs.c_str(), c.differAt);
    EXPECT_EQ(host.op.ShownChipInfo().IapStatus, c.fault ? "File name.bin Compare failed!" : outcome);
    EXPECT_EQ(host.window.Link().LinkLost.load(), c.linkDropped);
    if (!c.fault) {
      const bool told = c.differAt >= 0 && !host.Queued();
      EXPECT_EQ(host.op.Messages(), told ? Strings{std::string(msg::FailedToVerify)} : Strings{});
      EXPECT_EQ(host.op.ShownBlockTab(), c.start / 256);
      EXPECT_EQ(host.op.Titles(),
                (Strings{Formatted(msg::ComparingFormat, path.c_str(), address), FlashHost::WindowTitle}));
    }
    host.target.SetFaults({});
    const std::string saved = (host.dir / "sector0.bin").string();
    host.ChooseSave(saved, 0, 1, CSaveDlg::IdBinaryFile);
    host.window.OnFileSave();
    EXPECT_EQ(std::filesystem::exists(saved), !c.linkDropped);
    EXPECT_EQ(ReadFile(saved), c.linkDropped ? Bytes{} : Part(host.target.FlashImage(), 0, 128));
  }
}

TEST(Save, WritesTheRangeCutAtTheBlocksEndOrNothing) {
  // button -1: none clicked; bytes 0: the read comes short
  // clang-format off
  const struct { int start; int range; int button; std::uint32_t address; std::size_t bytes; } cases[] = {
      {0, 1, -1, 0x0000, 128},
      {256, 0, CSaveDlg::IdTextFile, 0xF000, 4096},
      {250, 0, CSaveDlg::IdBinaryFile, 250 * 128, 6 * 128},
      {256 + 60, 10, CSaveDlg::IdTextFile, 0xFF00, 4 * 64},
      {0, 4, -1, 0, 0},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << " " << c.range);
    FlashHost host(TargetOf(c.bytes == 0 ? Firmware::V11EExt : Firmware::V11EInt));
    const std::string path = (host.dir / "flash.out").string();
    WriteFile(path, std::string("precious"));
    const Bytes flash = Counting(0x10000, 0);
    host.target.LoadFlash(0, flash);
    host.target.SetFaults({.dropReplyByte = c.bytes == 0 ? 100 : -1});
    host.ChooseSave(path, c.start, c.range, c.button);
    host.window.OnFileSave();
    EXPECT_EQ(host.op.Messages(), Strings{std::string(c.bytes == 0 ? msg::SaveFailed : msg::SaveCompleted)});
    const Bytes expected = Part(flash, c.address, c.bytes);
    const bool binary = c.button == CSaveDlg::IdBinaryFile;
    EXPECT_EQ(ReadText(path), c.bytes == 0 ? "precious"
                              : binary     ? std::string(expected.begin(), expected.end())
                                           : TextDump(expected, c.address));
  }
}

constexpr int LineHeight = 12;

struct FakePrinter : PrintBackEnd {
  bool chosen = true;
  int pageHeight = 40 * LineHeight;
  std::string_view failing;  // the call that fails: "start", "page" (the first) or "end"
  Strings calls;
  Strings pages;

  bool ChoosePrinter() override { return calls.emplace_back("choose"), chosen; }
  int PageHeight() override { return pageHeight; }
  // A row of the dump fits a line; the line feed that ends the text starts no line.
  int MeasureWrappedHeight(std::string_view text) override {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n') + (text.ends_with('\n') ? 0 : 1)) * LineHeight;
  }
  bool StartDoc() override { return calls.emplace_back("start"), failing != "start"; }
  bool PrintPage(std::string_view text) override { return pages.emplace_back(text), failing != "page"; }
  bool EndDoc() override { return calls.emplace_back("end"), failing != "end"; }
  void AbortDoc() override { calls.emplace_back("abort"); }
};

// A job the printer could not take whole is a failure; only a cancelled choice is not.
TEST(Print, PrinterOutcomesAndRefusals) {
  // message empty: the range dialog is cancelled
  // clang-format off
  const struct { bool chosen; int pageHeight; std::string_view failing; std::size_t pages; bool released; int block; std::string_view message; Strings calls; } cases[] = {
      {false, 40 * LineHeight, {}, 0, false, 0, msg::PrintCompleted, {"choose"}},
      {true, 40 * LineHeight, {}, 1, false, 0, msg::PrintCompleted, {"choose", "start", "end"}},
      {true, 40 * LineHeight, "start", 0, false, 0, msg::PrintFailed, {"choose", "start"}},
      {true, 4 * LineHeight, "page", 1, false, 0, msg::PrintFailed, {"choose", "start", "abort"}},
      {true, 40 * LineHeight, "end", 1, false, 0, msg::PrintFailed, {"choose", "start", "end"}},
      {true, LineHeight - 1, {}, 0, false, 0, msg::PrintFailed, {"choose", "start", "abort"}},  // lower than a line
      {true, 40 * LineHeight, {}, 0, true, 0, msg::NoFlashChip, {}},
      {true, 40 * LineHeight, {}, 0, false, 2, msg::IllegalBlockNumber, {}},
      {true, 40 * LineHeight, {}, 0, false, 0, {}, {}},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.message << ' ' << c.failing);
    FlashHost host(TargetOf(Firmware::V11EInt));
    FakePrinter printer;
    std::tie(printer.chosen, printer.pageHeight, printer.failing) = std::tie(c.chosen, c.pageHeight, c.failing);
    host.window.Link().ChipReleased = c.released;
    host.Chip().SetCurrentBlock(c.block);
    host.op.onRange = [&](CRangeDlg&) { return !c.message.empty(); };
    host.window.OnFilePrint(printer);
    EXPECT_EQ(host.op.Messages(), c.message.empty() ? Strings{} : Strings{std::string(c.message)});
    EXPECT_EQ(printer.calls, c.calls);
    EXPECT_EQ(printer.pages.size(), c.pages);
    EXPECT_EQ(host.Sent().empty(), c.calls.size() < 2);
    EXPECT_EQ(host.window.LastOutcome() == Outcome::Failed, c.message != msg::PrintCompleted && !c.message.empty());
  }
}

}  // namespace
}  // namespace quillon
