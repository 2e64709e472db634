#pragma once
// picLines: the line numbers beside the Source pane, redrawn whenever the pane scrolls or changes.
#include <QWidget>

namespace kestrum::ui {

class RichTextPane;

class LineNumberGutter : public QWidget {
  Q_OBJECT

 public:
  LineNumberGutter(RichTextPane* pane, QWidget* parent);
  // Wide enough for the numbers of the pane's last line.
  int preferredWidth() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  RichTextPane* pane_;
};

}  // namespace kestrum::ui
