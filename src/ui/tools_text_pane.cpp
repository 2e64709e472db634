#include "ui/tools_text_pane.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>

#include "ui/tools_pane_rules.h"

namespace kestrum::ui {

void ToolsTextPane::keyPressEvent(QKeyEvent* event) {
  // Ctrl+V and no other modifier: the key is dropped and the cleaned paste runs instead.
  if (event->key() == Qt::Key_V && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
    event->accept();
    emit pasteRequested();
    return;
  }
  RichTextPane::keyPressEvent(event);
}

void ToolsTextPane::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) {
    const std::string current = text();
    if (current.empty() || IsResetPlaceholder(current)) setText("");
    RichTextPane::mousePressEvent(event);
    return;
  }
  event->accept();  // the right button opens the pane's own menu
}

void ToolsTextPane::contextMenuEvent(QContextMenuEvent* event) {
  event->accept();
  emit menuRequested(event->globalPos());
}

}  // namespace kestrum::ui
