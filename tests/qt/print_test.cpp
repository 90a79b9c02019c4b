#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>

#include "gui_host.h"
#include "ui/command_ids.h"

namespace quillon::test {
namespace {

// Pages in a PDF file: its page objects.
int PdfPageCount(const std::filesystem::path& path) {
  const QString text = QString::fromLatin1(ReadText(path));
  return static_cast<int>(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))));
}

struct PrintCase {
  const char* name;
  int start;
  int range;
  int pages;
};

class PrintTest : public testing::TestWithParam<PrintCase> {};

// A4 less 10 mm margins is 13099 dots high at 1200 dpi, and a line of 10 point Liberation
// Mono, the face that stands in for Courier New, lays out 190 dots high: 68 rows a page,
// so the 2048 rows of a 32 KB block fill 31 pages.
TEST_P(PrintTest, PrintsTheRangeToPdfPages) {
  const PrintCase& c = GetParam();
  GuiHost host(TargetOf(sim::Firmware::V11EInt, sim::Chip::A32));
  ASSERT_TRUE(host.Detect());
  host.modals.ClearMessages();
  const auto pdf = host.dir / "listing.pdf";
  host.window.SetPrinterChooser([&](QPrinter& printer) {
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(pdf.string()));
    printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                      QPageLayout::Millimeter));
    return true;
  });
  host.AnswerRange(c.start, c.range);

  ASSERT_TRUE(host.window.RunCommand(IdFilePrint));
  EXPECT_EQ(host.modals.Messages(), std::vector<std::string>{"Print data has completed"});
  EXPECT_EQ(PdfPageCount(pdf), c.pages);
}

INSTANTIATE_TEST_SUITE_P(Ranges, PrintTest,
                         testing::Values(PrintCase{"WholeBlock0", 0, 0, 31}, PrintCase{"OneSector", 0, 1, 1}),
                         [](const testing::TestParamInfo<PrintCase>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace quillon::test
