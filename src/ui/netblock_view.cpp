// The Owner Info pane's menu: copy, save (the engine's commands) and print its text.
#include <QAction>
#include <QMenu>
#include <QPrinter>

#include "core/app_log.h"
#include "core/identity.h"
#include "net/net_block.h"
#include "ui/main_window.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"

namespace kestrum::ui {
namespace {
constexpr int kPrintMarginTwips = 100;
constexpr const char* kNoPrinterMessage = "I couldn't find a printer to print to. Please set one up and try again.";
}  // namespace

void MainWindow::buildNetBlockMenu() {
  mnuNBlock = new QMenu(this);
  mnuNBlock->setObjectName(QStringLiteral("mnuNBlock"));
  mnuNBCopy = mnuNBlock->addAction(QStringLiteral("Copy to clipboard"), this,
                                   [this] { CopyNetBlockSelection(ctx_, *rtfNetBlock); });
  mnuNBSave = mnuNBlock->addAction(QStringLiteral("Save to file"), this,
                                   [this] { SaveNetBlockText(ctx_, *rtfNetBlock); });
  mnuNBPrint = mnuNBlock->addAction(QStringLiteral("Send to printer"), this, &MainWindow::PrintNetBlock);
  rtfNetBlock->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rtfNetBlock, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { NetBlockMenu(rtfNetBlock->viewport()->mapToGlobal(at)); });
}

void MainWindow::NetBlockMenu(const QPoint& global_position) { mnuNBlock->popup(global_position); }

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
