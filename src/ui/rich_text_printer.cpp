#include "ui/rich_text_printer.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>

#include "core/text.h"
#include "ui/qt_text.h"
#include "ui/rich_text_pane.h"

namespace kestrum::ui {

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

bool PrintRichText(const RichTextPane& pane, QPrinter& printer, int left_twips, int top_twips, int right_twips,
                   int bottom_twips) {
  QTextDocument document;
  CopyWithFormats(pane, document);

  printer.setFullPage(false);  // the painter's origin is the printable area's corner
  QPainter painter;
  if (!painter.begin(&printer)) return false;

  const double per_twip = printer.resolution() / 1440.0;
  const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
  const QRectF printable = printer.pageRect(QPrinter::DevicePixel);
  const double offset_x = printable.left() - paper.left();
  const double offset_y = printable.top() - paper.top();
  // Margins are measured from the paper's edge, so the printer's unprintable border is taken off.
  const QRectF body(QPointF(left_twips * per_twip - offset_x, top_twips * per_twip - offset_y),
                    QPointF(paper.width() - right_twips * per_twip - offset_x,
                            paper.height() - bottom_twips * per_twip - offset_y));

  document.documentLayout()->setPaintDevice(&printer);
  document.setDocumentMargin(0);
  document.setPageSize(body.size());
  const int pages = std::max(1, document.pageCount());
  for (int page = 0; page < pages; ++page) {
    if (page > 0) printer.newPage();
    painter.save();
    const QRectF shown(0, page * body.height(), body.width(), body.height());
    painter.translate(body.left(), body.top() - shown.top());
    painter.setClipRect(shown);
    document.drawContents(&painter, shown);
    painter.restore();
  }
  painter.end();
  return true;
}

}  // namespace kestrum::ui
