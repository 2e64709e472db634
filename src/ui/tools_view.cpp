// The Tools pane: decoders for pasted text, its placeholders, buttons and menu.
#include <QAction>
#include <QMenu>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/text.h"
#include "decode/base64.h"
#include "decode/html_entities.h"
#include "decode/js_unescape.h"
#include "ui/main_window.h"
#include "ui/text_button.h"
#include "ui/tools_pane_rules.h"
#include "ui/tools_text_pane.h"
#include "ui/widget_files.h"

namespace kestrum::ui {

void MainWindow::buildToolsPane() {
  rtfB64 = new ToolsTextPane(central_);
  rtfB64->setObjectName(QStringLiteral("rtfB64"));
  rtfB64->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  rtfB64->setWordWrapMode(QTextOption::WrapAnywhere);  // pasted Base64 is one long line
  rtfB64->installEventFilter(this);
  rtfB64->setVisible(false);

  mnuBase64 = new QMenu(this);
  mnuBase64->setObjectName(QStringLiteral("mnuBase64"));
  mnuBReset = mnuBase64->addAction(QStringLiteral("Reset"), this, &MainWindow::ResetTools);
  mnuBase64->addSeparator();
  mnuBCopy = mnuBase64->addAction(QStringLiteral("Copy to clipboard"), this, &MainWindow::CopyTools);
  mnuBase64->addSeparator();
  mnuBPaste = mnuBase64->addAction(QStringLiteral("Paste"), this, &MainWindow::PasteTools);
  mnuBSelAll = mnuBase64->addAction(QStringLiteral("Select All"), this,
                                    [this] { rtfB64->select(0, rtfB64->length()); });
  mnuBase64->addSeparator();
  mnuBSave = mnuBase64->addAction(QStringLiteral("Save to file"), this, &MainWindow::SaveTools);

  connect(rtfB64, &QPlainTextEdit::textChanged, this, &MainWindow::AnalyseToolsText);
  connect(rtfB64, &ToolsTextPane::pasteRequested, this, &MainWindow::PasteTools);
  connect(rtfB64, &ToolsTextPane::menuRequested, this, &MainWindow::ToolsMenu);
  connect(lblBase64, &TextButton::clicked, this, &MainWindow::DecodeBase64);
  connect(lblJScript, &TextButton::clicked, this, &MainWindow::DecodeJavaScript);
  connect(lblHTMLConv, &TextButton::clicked, this, &MainWindow::DecodeEntities);
  connect(lblClsTools, &TextButton::clicked, this, &MainWindow::LeaveToolsView);
}

void MainWindow::ToggleToolsView() {
  if (ctx_.view_mode == kModeTools && !rtfB64->isHidden())
    LeaveToolsView();
  else
    EnterToolsView();
}

void MainWindow::EnterToolsView() {
  SetViewMode(kModeTools);
  WriteLog(ctx_, "Mode changed to " + std::to_string(kModeTools));
  showPane(kModeTools);
  for (TextButton* button : {lblBase64, lblJScript, lblHTMLConv}) button->setVisible(true);
  rtfB64->setText(kToolsPlaceholderEntry);
}

void MainWindow::LeaveToolsView() {
  ShowSourceView();
  hideToolsButtons();
}

void MainWindow::AnalyseToolsText() {
  const std::string current = rtfB64->text();
  const ToolsAnalysis analysis = ::kestrum::ui::AnalyseToolsText(current);
  if (analysis.text != current) {
    // The caret stays with the character it was after, not at the start of the text.
    const size_t caret = CaretAfterTidying(current, rtfB64->selectionStart());
    rtfB64->setText(analysis.text);  // runs this analysis once more, on a text that is now tidy
    rtfB64->select(caret, 0);
    return;
  }
  lblJScript->setEnabled(analysis.escape_javascript);
  lblHTMLConv->setEnabled(analysis.decode_entities);
  lblBase64->setEnabled(analysis.decode_base64);
}

void MainWindow::DecodeBase64() {
  const std::string current = rtfB64->text();
  if (current.empty() || IsEntryPlaceholder(current)) return;
  if (Base64Decode(ctx_, *rtfB64, current)) {
    lblJScript->setEnabled(false);
    lblBase64->setEnabled(false);
  }
}

void MainWindow::DecodeJavaScript() {
  const std::string current = rtfB64->text();
  if (current.empty() || IsEntryPlaceholder(current)) return;
  rtfB64->setText(UnescapeJavascript(ctx_, current));
}

void MainWindow::DecodeEntities() {
  const std::string current = rtfB64->text();
  if (!HasEntitiesToConvert(current)) {
    if (ctx_.desktop)
      ctx_.desktop->showMessage(kNothingToConvert, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
    return;
  }
  rtfB64->setText(DecodeHTMLEntities(current));
}

void MainWindow::ResetTools() {
  showPane(kModeTools);
  rtfB64->setText(kToolsPlaceholderReset);
}

void MainWindow::CopyTools() {
  if (ctx_.desktop) ctx_.desktop->setClipboardText(ToCrLf(rtfB64->selectedText()));
}

void MainWindow::PasteTools() {
  if (ctx_.desktop) rtfB64->setText(CleanPastedText(ctx_.desktop->clipboardText()));
}

void MainWindow::SaveTools() { SavePaneText(ctx_, *rtfB64); }

void MainWindow::ToolsMenu(const QPoint& global_position) {
  const std::string current = rtfB64->text();
  const bool has_text = !current.empty() && !IsResetPlaceholder(current);
  mnuBCopy->setEnabled(has_text);
  mnuBSave->setEnabled(has_text);
  mnuBase64->popup(global_position);
}

}  // namespace kestrum::ui
