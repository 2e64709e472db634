#include <gtest/gtest.h>

#include <QAction>
#include <QPrinter>
#include <fstream>

#include "core/text.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

// Pages in a PDF file written by Qt: one "/Type /Page" object each.
int PdfPageCount(const std::string& pdf) {
  int pages = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1))
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++pages;
  return pages;
}

class NetBlockViewTest : public WindowTest {
 protected:
  NetBlockViewTest() {
    window->printer_for_job = [this] {
      auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
      printer->setOutputFormat(QPrinter::PdfFormat);
      printer->setOutputFileName(QString::fromStdString(pdf_path));
      return printer;
    };
  }
  std::string pdf_path = program.root.file("printed.pdf");
};

TEST_F(NetBlockViewTest, CopyAndSaveUseCrLfAndSaveAddsNoFinalBreak) {
  window->rtfNetBlock->setText("NetRange: 127.0.0.0\nOrgName: Loopback");
  window->rtfNetBlock->select(0, 19);
  window->mnuNBCopy->trigger();
  EXPECT_EQ(desktop.clipboardText(), "NetRange: 127.0.0.0");

  desktop.scriptSaveFile(program.root.file("owner.txt"));
  window->mnuNBSave->trigger();
  EXPECT_EQ(program.root.read("owner.txt"), "NetRange: 127.0.0.0\r\nOrgName: Loopback");
}

TEST_F(NetBlockViewTest, SaveToAnUnwritableFileIsReported) {
  window->rtfNetBlock->setText("owner");
  desktop.scriptSaveFile(program.root.file("no-such-folder/owner.txt"));
  window->mnuNBSave->trigger();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(StartsWith(desktop.messages[0].text, "I was unable to write the file: "));
  EXPECT_TRUE(Contains(logText(), "I was unable to write the file: "));
}

TEST_F(NetBlockViewTest, PrintsEveryPageAndAnEmptyPaneAsOnePage) {
  std::string long_text;
  for (int i = 0; i < 400; ++i) long_text += "inetnum line " + std::to_string(i) + "\r\n";
  window->rtfNetBlock->setText(long_text);
  window->rtfNetBlock->applyFormats({{0, 7, kRed, true}});
  window->mnuNBPrint->trigger();
  const int pages = PdfPageCount(program.root.read("printed.pdf"));
  EXPECT_GT(pages, 3);

  window->rtfNetBlock->setText("");
  window->mnuNBPrint->trigger();
  EXPECT_EQ(PdfPageCount(program.root.read("printed.pdf")), 1);
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(NetBlockViewTest, NoPrinterIsReported) {
  window->printer_for_job = [] { return std::unique_ptr<QPrinter>(); };
  window->mnuNBPrint->trigger();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Question);  // offering a PDF file instead
  EXPECT_TRUE(StartsWith(desktop.messages[0].text, "I couldn't find a printer to print to."));
}

TEST(RichTextPrinting, CopyCarriesTheLooksToRealFormats) {
  ui::RichTextPane pane;
  pane.setText("ab\r\ncd");
  pane.applyFormats({{1, 4, kBlue, true}});  // "b", CR, LF, "c"
  QTextDocument copy;
  ui::CopyWithFormats(pane, copy);
  EXPECT_EQ(copy.toPlainText(), QStringLiteral("ab\ncd"));
  auto look_at = [&copy](int position) {
    QTextCursor cursor(&copy);
    cursor.setPosition(position + 1);
    return cursor.charFormat();
  };
  EXPECT_NE(look_at(0).foreground().color(), QColor(Qt::blue));
  EXPECT_EQ(look_at(1).foreground().color(), QColor(Qt::blue));
  EXPECT_EQ(look_at(3).fontWeight(), QFont::Bold);
  EXPECT_NE(look_at(4).foreground().color(), QColor(Qt::blue));
}

}  // namespace
}  // namespace kestrum::testing
