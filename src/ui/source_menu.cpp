// The Source pane's menu (mnuSource) and its commands; find and e-mail open their own windows.
#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

#include "core/settings.h"
#include "dissect/source_commands.h"
#include "net/mail.h"
#include "ui/email_dialog.h"
#include "ui/find_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"

namespace kestrum::ui {

void MainWindow::buildSourceMenu() {
  txtTemp = new QLineEdit(central_);
  txtTemp->setObjectName(QStringLiteral("txtTemp"));
  txtTemp->hide();

  mnuSource = new QMenu(this);
  mnuSource->setObjectName(QStringLiteral("mnuSource"));
  auto item = [this](const char* name, const char* caption, auto command) {
    QAction* action = mnuSource->addAction(QString::fromUtf8(caption), this, command);
    action->setObjectName(QString::fromUtf8(name));
    return action;
  };
  auto separator = [this](const char* name) {
    QAction* line = mnuSource->addSeparator();
    line->setObjectName(QString::fromUtf8(name));
    return line;
  };
  mnuSRCFind = item("mnuSRCFind", "Find Word or Phrase", [this] { ShowFind(); });
  mnuSRCSep = separator("mnuSRCSep");
  mnuSRCDissect = item("mnuSRCDissect", "Dissect this link", [this] {
    DissectLink(ctx_, AnsiFromQString(txtTemp->text()), own_executable.toStdString());
  });
  separator("mnuSRCSep2");
  mnuSRCWrap = item("mnuSRCWrap", "Wordwrap", [this] { ToggleWordWrap(); });
  mnuSRCWrap->setCheckable(true);
  separator("mnuSRCSep3");
  mnuSRCSave = item("mnuSRCSave", "Save source to file", [this] { SaveSource(ctx_, *this, false); });
  mnuSRCSaveWithLinks =
      item("mnuSRCSaveWithLinks", "Save source to file [With Links]", [this] { SaveSource(ctx_, *this, true); });
  mnuSRCMail = item("mnuSRCMail", "Send to Recipient", [this] { SendSourceByMail(); });
  mnuSRCPrint = item("mnuSRCPrint", "Send to Printer", [this] { PrintSource(); });
  separator("mnuSRCSep4");
  mnuSRCCopy = item("mnuSRCCopy", "Send to clipboard", [this] { CopySourceSelection(ctx_, *rtfSource); });
  separator("mnuSRCSep5");
  mnuSRCClear = item("mnuSRCClear", "Clear All ....", [this] { ClearAllViews(*this); });

  rtfSource->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rtfSource, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { SourceMenu(rtfSource->viewport()->mapToGlobal(at)); });
  rtfSource->viewport()->installEventFilter(this);
}

void MainWindow::OfferSelectedLink() {
  const auto link = LinkToDissect(rtfSource->selectedText());
  mnuSRCDissect->setVisible(link.has_value());
  mnuSRCSep->setVisible(link.has_value());
  if (link) txtTemp->setText(QStringFromAnsi(*link));
}

void MainWindow::SourceMenu(const QPoint& global_position) {
  OfferSelectedLink();
  // Without SMTP in this libcurl nothing could be sent; the item stays off for the session.
  if (!MailTransportAvailable()) mnuSRCMail->setEnabled(false);
  mnuSource->popup(global_position);
}

void MainWindow::ShowFind() {
  if (!find_) find_ = new FindDialog(ctx_, *rtfSource, this);
  find_->show();
  find_->raise();
  find_->activateWindow();
}

void MainWindow::SendSourceByMail() {
  const auto attachment = WriteMailAttachment(ctx_, *rtfSource);
  if (!attachment) return;
  if (!email_) email_ = new EmailDialog(ctx_, this);
  email_->txtFile->setText(QStringFromAnsi(*attachment));
  email_->show();
  email_->raise();
}

void MainWindow::PrintSource() {
  QTextDocument document;
  CopyWithFormats(*rtfSource, document);
  RunPrintJob(ctx_, document, QStringLiteral("Source"), printer_for_job);
}

void MainWindow::ToggleWordWrap() {
  const bool wrapping = rtfSource->lineWrapMode() == QPlainTextEdit::NoWrap;
  ApplyWordWrap(wrapping);
  WriteSetting(ctx_, "Settings", "Wordwrap", wrapping ? "1" : "0");
}

void MainWindow::ApplyWordWrap(bool wrapping) {
  rtfSource->setLineWrapMode(wrapping ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  mnuSRCWrap->setChecked(wrapping);
}

void MainWindow::RestoreWordWrap() {
  // Wrapping is on unless the user turned it off; the value in force is stored either way.
  const bool wrapping = ReadSetting(ctx_, "Settings", "Wordwrap", "1") != "0";
  ApplyWordWrap(wrapping);
  WriteSetting(ctx_, "Settings", "Wordwrap", wrapping ? "1" : "0");
}

void MainWindow::ShowSourceTop() {
  rtfSource->select(0, 0);
  rtfSource->verticalScrollBar()->setValue(0);
  rtfSource->horizontalScrollBar()->setValue(0);
}

}  // namespace kestrum::ui
