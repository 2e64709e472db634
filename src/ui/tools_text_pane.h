#pragma once
// rtfB64, the Tools pane's text: Ctrl+V is taken over by the cleaned paste, and a click into a
// pane that shows only the reset placeholder clears it.
#include "ui/rich_text_pane.h"

namespace kestrum::ui {

class ToolsTextPane : public RichTextPane {
  Q_OBJECT

 public:
  using RichTextPane::RichTextPane;

 signals:
  void pasteRequested();
  void menuRequested(const QPoint& global_position);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
};

}  // namespace kestrum::ui
