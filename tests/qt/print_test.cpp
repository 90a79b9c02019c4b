#include <gtest/gtest.h>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QRegularExpression>

#include "gui_host.h"

namespace quillon::test {
namespace {

// A4 less 10 mm margins is 13099 dots high at 1200 dpi, and a line of 10 point Liberation
// Mono, the face that stands in for Courier New, lays out 190 dots high: 68 rows a page,
// so the 2048 rows of a 32 KB block fill 31 pages, each a page object of the PDF file. A
// PDF that cannot be written is a failed job; a printer choice cancelled is not.
TEST(PrintTest, PrintsAWholeBlockToThirtyOnePdfPagesOrSaysItFailed) {
  const struct {
    const char* file;
    bool chosen;
    const char* said;
    Outcome outcome;
    int pages;
  } cases[] = {{"listing.pdf", true, "Print data has completed", Outcome::Done, 31},
               {"missing/listing.pdf", true, "Print data failed", Outcome::Failed, -1},
               {"/dev/full", true, "Print data failed", Outcome::Failed, -1},
               {"listing.pdf", false, "Print data has completed", Outcome::Done, -1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    GuiHost host(TargetOf(sim::Firmware::V11EInt, sim::Chip::A32));
    ASSERT_TRUE(host.Detect());
    host.modals.messages.clear();
    const auto pdf = host.dir / c.file;
    host.window.SetPrinterChooser([&](QPrinter& printer) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(QString::fromStdString(pdf.string()));
      printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10),
                                        QPageLayout::Millimeter));
      return c.chosen;
    });
    host.AnswerRange(0, 0);
    ASSERT_TRUE(host.window.RunCommand(IdFilePrint));
    EXPECT_EQ(host.modals.messages, std::vector<std::string>{c.said});
    EXPECT_EQ(host.window.Dialog().LastOutcome(), c.outcome);
    if (c.pages > 0) {
      EXPECT_EQ(QString::fromLatin1(ReadText(pdf)).count(QRegularExpression(QStringLiteral("/Type\\s*/Page[^s]"))),
                c.pages);
    }
  }
}

}  // namespace
}  // namespace quillon::test
