#include "ui/rich_text_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinterInfo>
#include <QTextCursor>
#include <algorithm>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/text.h"
#include "ui/qt_text.h"
#include "ui/rich_text_pane.h"

namespace kestrum::ui {
namespace {

constexpr const char* kNoPrinterQuestion =
    "I couldn't find a printer to print to.\r\nWould you like to save the pages as a PDF file instead?";
constexpr const char* kPrintFailedMessage = "I was unable to print. Please check the printer and try again.";

}  // namespace

void CopyWithFormats(const RichTextPane& pane, QTextDocument& target) {
  target.setDefaultFont(pane.font());
  target.setPlainText(QStringFromAnsi(ReplaceAll(pane.text(), "\r\n", "\n")));
  QTextCursor cursor(&target);
  for (const auto& run : pane.formats()) {
    QTextCharFormat look;
    look.setForeground(ToQColor(run.color));
    look.setFontWeight(run.bold ? QFont::Bold : QFont::Normal);
    cursor.setPosition(pane.documentPosition(run.start));
    cursor.setPosition(pane.documentPosition(run.start + run.length), QTextCursor::KeepAnchor);
    cursor.mergeCharFormat(look);
  }
}

bool PrintDocument(const QTextDocument& source, QPrinter& printer, const PrintMargins& margins,
                   const QString& job_title) {
  printer.setDocName(job_title);
  // Origin at the paper's corner: margins are measured from the edge, as the caller gave them.
  printer.setFullPage(true);
  QPainter painter;
  if (!painter.begin(&printer)) return false;

  const double per_twip = printer.resolution() / 1440.0;
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  // The printable area's offsets from each edge; a margin never reaches into the border.
  const QMarginsF border = printer.pageLayout().minimumMargins();
  const double per_unit =
      printer.resolution() / (printer.pageLayout().units() == QPageLayout::Millimeter ? 25.4 : 72.0);
  auto side = [&](int twips, double border_units) { return std::max(twips * per_twip, border_units * per_unit); };
  const QRectF body(QPointF(side(margins.left, border.left()), side(margins.top, border.top())),
                    QPointF(paper.width() - side(margins.right, border.right()),
                            paper.height() - side(margins.bottom, border.bottom())));

  std::unique_ptr<QTextDocument> document(source.clone());
  document->documentLayout()->setPaintDevice(&printer);
  document->setDocumentMargin(0);
  document->setPageSize(body.size());
  // Lines that would cross a page's lower edge are laid out at the top of the next page, so a
  // page shows whole lines and the next one begins where it stopped.
  const int pages = std::max(1, document->pageCount());
  QAbstractTextDocumentLayout::PaintContext paint;
  paint.palette.setColor(QPalette::Text, Qt::black);
  for (int page = 0; page < pages; ++page) {
    if (page > 0 && !printer.newPage()) return false;
    painter.save();
    const QRectF shown(0, page * body.height(), body.width(), body.height());
    painter.translate(body.left(), body.top() - shown.top());
    painter.setClipRect(shown);
    paint.clip = shown;
    document->documentLayout()->draw(&painter, paint);
    painter.restore();
  }
  return painter.end();
}

bool PrintRichText(const RichTextPane& pane, QPrinter& printer, const PrintMargins& margins, const QString& job_title) {
  QTextDocument document;
  CopyWithFormats(pane, document);
  return PrintDocument(document, printer, margins, job_title);
}

std::unique_ptr<QPrinter> PdfPrinter(const QString& path) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  printer->setOutputFormat(QPrinter::PdfFormat);
  printer->setOutputFileName(path);
  return printer;
}

std::unique_ptr<QPrinter> SystemDefaultPrinter() {
  if (QPrinterInfo::defaultPrinter().isNull()) return nullptr;
  return std::make_unique<QPrinter>(QPrinter::HighResolution);
}

void RunPrintJob(Context& ctx, const QTextDocument& document, const QString& job_title, const PrinterChooser& choose,
                 const PrintMargins& margins) {
  std::unique_ptr<QPrinter> printer = choose ? choose() : nullptr;
  if (!printer) {
    WriteLog(ctx, "No printer found");
    if (!ctx.desktop || ctx.desktop->showMessage(kNoPrinterQuestion, kProgramTitle, MessageIcon::Question,
                                                 MessageButtons::YesNo) != MessageAnswer::Yes)
      return;
    const auto path = ctx.desktop->chooseSaveFile("Save as PDF", "PDF File (.pdf)|*.pdf", "");
    if (!path || path->empty()) return;
    QString file = QString::fromStdString(*path);
    if (!file.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)) file += QStringLiteral(".pdf");
    printer = PdfPrinter(file);
  }
  if (PrintDocument(document, *printer, margins, job_title)) return;
  WriteLog(ctx, kPrintFailedMessage);
  if (ctx.desktop)
    ctx.desktop->showMessage(kPrintFailedMessage, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
}

}  // namespace kestrum::ui
