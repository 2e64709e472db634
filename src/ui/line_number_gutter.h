#pragma once
// picLines: the line numbers beside the Source pane, redrawn whenever the pane scrolls or changes.
#include <QWidget>
#include <vector>

namespace kestrum::ui {

class RichTextPane;

class LineNumberGutter : public QWidget {
  Q_OBJECT

 public:
  LineNumberGutter(RichTextPane* pane, QWidget* parent);
  // Wide enough for the numbers of the pane's last line.
  int preferredWidth() const;
  // The numbers on show, top to bottom: those of the pane's visible lines only.
  std::vector<int> shownNumbers() const;

 signals:
  // The pane's line count gained or lost a digit: the gutter wants another width.
  void widthChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  RichTextPane* pane_;
  int digits_ = 1;
};

}  // namespace kestrum::ui
