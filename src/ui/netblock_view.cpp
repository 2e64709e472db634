// The Owner Info pane's menu: copy, save and print its text.
#include <QAction>
#include <QMenu>
#include <QPrinter>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/text.h"
#include "ui/main_window.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"
#include "ui/widget_files.h"

namespace kestrum::ui {
namespace {
constexpr int kPrintMarginTwips = 100;
constexpr const char* kNoPrinterMessage = "I couldn't find a printer to print to. Please set one up and try again.";
}  // namespace

void MainWindow::buildNetBlockMenu() {
  mnuNBlock = new QMenu(this);
  mnuNBlock->setObjectName(QStringLiteral("mnuNBlock"));
  mnuNBCopy = mnuNBlock->addAction(QStringLiteral("Copy to clipboard"), this, &MainWindow::CopyNetBlock);
  mnuNBSave = mnuNBlock->addAction(QStringLiteral("Save to file"), this, &MainWindow::SaveNetBlock);
  mnuNBPrint = mnuNBlock->addAction(QStringLiteral("Send to printer"), this, &MainWindow::PrintNetBlock);
  rtfNetBlock->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rtfNetBlock, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { NetBlockMenu(rtfNetBlock->viewport()->mapToGlobal(at)); });
}

void MainWindow::NetBlockMenu(const QPoint& global_position) { mnuNBlock->popup(global_position); }

void MainWindow::CopyNetBlock() {
  if (ctx_.desktop) ctx_.desktop->setClipboardText(ToCrLf(rtfNetBlock->selectedText()));
}

void MainWindow::SaveNetBlock() { SavePaneText(ctx_, *rtfNetBlock, false); }

void MainWindow::PrintNetBlock() {
  std::unique_ptr<QPrinter> printer = printer_for_job ? printer_for_job() : nullptr;
  if (!printer || !PrintRichText(*rtfNetBlock, *printer, kPrintMarginTwips, kPrintMarginTwips, kPrintMarginTwips,
                                 kPrintMarginTwips)) {
    WriteLog(ctx_, kNoPrinterMessage);
    if (ctx_.desktop)
      ctx_.desktop->showMessage(kNoPrinterMessage, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  }
}

}  // namespace kestrum::ui
