#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "image/pagination.h"
#include "image/print_back_end.h"
#include "image/text_dump.h"
#include "image_host.h"
#include "operator/messages.h"

namespace quillon {
namespace {

using sim::Firmware;
using namespace test;
using Strings = std::vector<std::string>;

constexpr int LineHeight = 12;

// Wraps like a printer's text layout: each line of the text takes as many rows of
// `width` characters as it needs, and the line feed that ends the text starts no row.
int WrappedHeight(std::string_view text, std::size_t width) {
  int rows = 0;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    rows += static_cast<int>(std::max<std::size_t>(1, (end - at + width - 1) / width));
    at = end + 1;
  }
  return rows * LineHeight;
}

struct FakePrinter : PrintBackEnd {
  bool chosen = true;
  int pageHeight = 40 * LineHeight;
  std::size_t width = 80;
  std::size_t failingPage = 0;  // 1-based; 0 for none
  Strings calls;
  Strings pages;
  int measurements = 0;

  bool ChoosePrinter() override { calls.emplace_back("choose"); return chosen; }
  int PageHeight() override { return pageHeight; }
  int MeasureWrappedHeight(std::string_view text) override { ++measurements; return WrappedHeight(text, width); }
  bool StartDoc() override { calls.emplace_back("start"); return true; }
  bool PrintPage(std::string_view text) override {
    pages.emplace_back(text);
    return pages.size() != failingPage;
  }
  void EndDoc() override { calls.emplace_back("end"); }
  void AbortDoc() override { calls.emplace_back("abort"); }
};

TEST(PageBreak, LongestPrefixThatFitsFoundInLogarithmicTime) {
  const std::string text = TextDump(Bytes(2048 * 16, 0xFF), 0);
  const struct {
    int pageLines;
    std::size_t width;
    std::size_t expected;
  } cases[] = {
      {4096, 80, text.size()},  // all of it on one page
      {40, 80, 40 * 63},        // the break falls after the last whole row
      {40, 40, 20 * 63},        // each row wraps to two
      {1, 40, 40},              // a row wider than the page: as much as one line holds
      {0, 80, 0},               // not a single character fits
  };
  for (const auto& c : cases) {
    int measurements = 0;
    const MeasureHeight measure = [&](std::string_view part) {
      ++measurements;
      return WrappedHeight(part, c.width);
    };
    EXPECT_EQ(PageBreak(text, c.pageLines * LineHeight, measure), c.expected) << c.pageLines << " lines";
    EXPECT_LE(measurements, 2 + static_cast<int>(std::log2(text.size())));
  }
}

struct PrintHost : ImageHost {
  using ImageHost::ImageHost;
  FakePrinter printer;
  std::string Printed() const {
    std::string all;
    for (const auto& page : printer.pages) all += page;
    return all;
  }
};

TEST(Print, PrintsTheChosenRangePageByPage) {
  const struct {
    const char* name;
    int start;
    int range;  // -1 keeps the dialog's preset: one sector
    std::uint32_t address;
    std::size_t rows;
    std::size_t pages;
  } cases[] = {
      {"preset, block 0", 0, -1, 0x0000, 8, 1},
      {"preset, block 1", 256, -1, 0xF000, 4, 1},
      {"whole block 0", 0, 0, 0x0000, 2048, 52},
      {"block 1 range cut at its end", 256 + 60, 10, 0xFF00, 16, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PrintHost host(TargetOf(Firmware::V11EExt));
    const Bytes flash = Counting(0x10000, 3);
    host.target.LoadFlash(0, flash);
    if (c.range < 0) {
      host.op.onRange = [start = c.start](CRangeDlg& dialog) { return dialog.SelectStart(start); };
    } else {
      host.ChooseRange(c.start, c.range);
    }
    host.window.OnFilePrint(host.printer);

    EXPECT_EQ(host.op.Messages(), Strings{std::string(msg::PrintCompleted)});
    EXPECT_EQ(host.printer.calls, (Strings{"choose", "start", "end"}));
    EXPECT_EQ(host.printer.pages.size(), c.pages);
    const Bytes expected(flash.begin() + c.address, flash.begin() + c.address + static_cast<std::ptrdiff_t>(c.rows * 16));
    EXPECT_EQ(host.Printed(), TextDump(expected, c.address));
    for (const auto& page : host.printer.pages) {
      EXPECT_EQ(page.back(), '\n') << "a page ends with a whole row";
    }
  }
}

TEST(Print, PrinterOutcomesAndAPageTooSmallForALine) {
  const struct {
    const char* name;
    bool chosen;
    int pageHeight;
    std::size_t failingPage;
    std::string message;
    Strings calls;
    bool read;
  } cases[] = {
      {"printer choice cancelled", false, 40 * LineHeight, 0, std::string(msg::PrintCompleted), {"choose"}, false},
      {"printer fails on page 1", true, 4 * LineHeight, 1, std::string(msg::PrintCompleted),
       {"choose", "start", "abort"}, true},
      {"page lower than a line", true, LineHeight - 1, 0, std::string(msg::PrintFailed),
       {"choose", "start", "abort"}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    PrintHost host(TargetOf(Firmware::V11EInt));
    host.printer.chosen = c.chosen;
    host.printer.pageHeight = c.pageHeight;
    host.printer.failingPage = c.failingPage;
    host.op.onRange = [](CRangeDlg&) { return true; };
    host.window.OnFilePrint(host.printer);
    EXPECT_EQ(host.op.Messages(), Strings{c.message});
    EXPECT_EQ(host.printer.calls, c.calls);
    EXPECT_EQ(host.printer.pages.size(), c.failingPage);
    EXPECT_EQ(host.Sent().empty(), !c.read);
  }
}

TEST(Print, RefusesWithoutAChipOrALegalBlockAndCancelsQuietly) {
  const struct {
    bool released;
    int block;
    Strings messages;
  } cases[] = {
      {true, 0, {std::string(msg::NoFlashChip)}},
      {false, 2, {std::string(msg::IllegalBlockNumber)}},
      {false, 0, {}},
  };
  for (const auto& c : cases) {
    PrintHost host(TargetOf(Firmware::V11EInt));
    host.window.Link().ChipReleased = c.released;
    host.Chip().SetCurrentBlock(c.block);
    host.window.OnFilePrint(host.printer);
    EXPECT_EQ(host.op.Messages(), c.messages);
    EXPECT_TRUE(host.printer.calls.empty());
  }
}

}  // namespace
}  // namespace quillon
