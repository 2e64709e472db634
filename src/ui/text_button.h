#pragma once
// The window's buttons as the program has always drawn them: text labels that react to a click
// and report the pointer passing over them, and small picture buttons that get a border on hover.
#include <QLabel>

namespace kestrum::ui {

class TextButton : public QLabel {
  Q_OBJECT

 public:
  // `hover_number` is what the pointer over this button passes to the window's hover look.
  TextButton(const QString& caption, const QString& tool_tip, int hover_number, QWidget* parent);

  int hoverNumber() const { return hover_number_; }
  // The active view's button: white on black, whatever the pointer does.
  void setActive(bool active);
  bool isActive() const { return active_; }
  void setHovered(bool hovered);
  bool isHovered() const { return hovered_; }
  // The width the caption needs with its padding.
  int naturalWidth() const;
  // The caption's colour while the pointer is over the button (black unless set).
  void setHoverCaption(const QColor& colour);

 signals:
  void clicked();
  void hovered(int hover_number);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  // Reachable with Tab and pressed with Space or Enter, like any button.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void restyle();
  int hover_number_;
  QColor hover_caption_ = Qt::black;
  bool active_ = false, hovered_ = false, pressed_ = false;
};

class PictureButton : public QLabel {
  Q_OBJECT

 public:
  PictureButton(const QPixmap& picture, const QString& tool_tip, QWidget* parent);
  void setBordered(bool bordered);
  bool isBordered() const { return frameShape() != QFrame::NoFrame; }

 signals:
  void clicked();
  void hovered();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
};

}  // namespace kestrum::ui
