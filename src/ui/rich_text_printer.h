#pragma once
// PrintRichText: a formatted text, with its colours and bold, page after page inside margins given
// in twips (1440 to the inch) and measured from the paper's edge; a margin inside the printer's
// unprintable border is widened to that border. Each page begins at the character where the
// previous one stopped. Any pane or list can print through it: give it a QTextDocument.
#include <QPrinter>
#include <QString>
#include <QTextDocument>
#include <functional>
#include <memory>

#include "core/context.h"

namespace kestrum::ui {

class RichTextPane;

struct PrintMargins {
  int left = 100, top = 100, right = 100, bottom = 100;  // twips
};

// True when the pages went to the printer; false when the printer could not be started.
bool PrintDocument(const QTextDocument& document, QPrinter& printer, const PrintMargins& margins,
                   const QString& job_title);
bool PrintRichText(const RichTextPane& pane, QPrinter& printer, const PrintMargins& margins, const QString& job_title);

// The pane's text and looks as a document of real character formats (for printing).
void CopyWithFormats(const RichTextPane& pane, QTextDocument& target);

// Gives the printer for one job, or nothing when there is none.
using PrinterChooser = std::function<std::unique_ptr<QPrinter>()>;

// The system's default printer, or nothing.
std::unique_ptr<QPrinter> SystemDefaultPrinter();
// A printer that writes a PDF file.
std::unique_ptr<QPrinter> PdfPrinter(const QString& path);

// One print job from a command. Without a printer the user is told so and may print to a PDF file
// instead; a printer that fails gets a message.
void RunPrintJob(Context& ctx, const QTextDocument& document, const QString& job_title, const PrinterChooser& choose,
                 const PrintMargins& margins = PrintMargins{});

}  // namespace kestrum::ui
