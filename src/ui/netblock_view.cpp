// The Owner Info pane's menu: copy, save (the engine's commands) and print its text.
#include <QAction>
#include <QMenu>
#include <QPrinter>

#include "net/net_block.h"
#include "ui/main_window.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"

namespace kestrum::ui {
void MainWindow::buildNetBlockMenu() {
  mnuNBlock = new QMenu(this);
  mnuNBlock->setObjectName(QStringLiteral("mnuNBlock"));
  mnuNBCopy = mnuNBlock->addAction(QStringLiteral("Copy to clipboard"), this,
                                   [this] { CopyNetBlockSelection(ctx_, *rtfNetBlock); });
  mnuNBSave =
      mnuNBlock->addAction(QStringLiteral("Save to file"), this, [this] { SaveNetBlockText(ctx_, *rtfNetBlock); });
  mnuNBPrint = mnuNBlock->addAction(QStringLiteral("Send to printer"), this, &MainWindow::PrintNetBlock);
  rtfNetBlock->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(rtfNetBlock, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { NetBlockMenu(rtfNetBlock->viewport()->mapToGlobal(at)); });
}

void MainWindow::NetBlockMenu(const QPoint& global_position) {
  mnuNBlock->popup(global_position);
}

void MainWindow::PrintNetBlock() {
  QTextDocument document;
  CopyWithFormats(*rtfNetBlock, document);
  RunPrintJob(ctx_, document, QStringLiteral("Owner Info"), printer_for_job);
}

}  // namespace kestrum::ui
