#pragma once
// PrintRichText: the whole text of a pane, with its colours and bold, page after page inside
// margins given in twips (1440 to the inch) and measured from the paper's edge.
#include <QPrinter>
#include <QTextDocument>

namespace kestrum::ui {

class RichTextPane;

// True when the pages went to the printer; false when the printer could not be started.
bool PrintRichText(const RichTextPane& pane, QPrinter& printer, int left_twips, int top_twips, int right_twips,
                   int bottom_twips);

// The pane's text and looks as a document of real character formats (for printing).
void CopyWithFormats(const RichTextPane& pane, QTextDocument& target);

}  // namespace kestrum::ui
