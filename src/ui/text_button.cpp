#include "ui/text_button.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace kestrum::ui {

TextButton::TextButton(const QString& caption, const QString& tool_tip, int hover_number, QWidget* parent)
    : QLabel(parent), hover_number_(hover_number) {
  setTextFormat(Qt::PlainText);
  setText(caption);
  setToolTip(tool_tip);
  setAlignment(Qt::AlignCenter);
  setAutoFillBackground(true);
  setCursor(Qt::PointingHandCursor);
  setFrameShape(QFrame::Box);
  setFocusPolicy(Qt::StrongFocus);
  restyle();
}

void TextButton::setHoverCaption(const QColor& colour) {
  hover_caption_ = colour;
  restyle();
}

void TextButton::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

// The focused button shows a thicker frame, so the keyboard user sees where Space will act.
void TextButton::focusInEvent(QFocusEvent* event) {
  setLineWidth(2);
  QLabel::focusInEvent(event);
}

void TextButton::focusOutEvent(QFocusEvent* event) {
  setLineWidth(1);
  QLabel::focusOutEvent(event);
}

int TextButton::naturalWidth() const {
  return fontMetrics().horizontalAdvance(text()) + 18;
}

void TextButton::setActive(bool active) {
  if (active_ == active) return;
  active_ = active;
  restyle();
}

void TextButton::setHovered(bool hovered) {
  if (hovered_ == hovered) return;
  hovered_ = hovered;
  restyle();
}

void TextButton::restyle() {
  const QColor window_colour = QApplication::palette().color(QPalette::Window);
  const QColor background = active_ ? QColor(Qt::black) : (hovered_ ? QColor(Qt::white) : window_colour);
  const QColor caption = active_ ? QColor(Qt::white) : (hovered_ ? hover_caption_ : QColor(Qt::black));
  QPalette colours = palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    colours.setColor(group, QPalette::Window, background);
    colours.setColor(group, QPalette::WindowText, caption);
  }
  colours.setColor(QPalette::Disabled, QPalette::Window, active_ ? QColor(Qt::black) : window_colour);
  colours.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 128, 128));
  setPalette(colours);
}

void TextButton::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) pressed_ = true;
  QLabel::mousePressEvent(event);
}

void TextButton::mouseReleaseEvent(QMouseEvent* event) {
  const bool was_pressed = pressed_;
  pressed_ = false;
  if (was_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void TextButton::enterEvent(QEnterEvent* event) {
  emit hovered(hover_number_);
  QLabel::enterEvent(event);
}

PictureButton::PictureButton(const QPixmap& picture, const QString& tool_tip, QWidget* parent) : QLabel(parent) {
  setPixmap(picture);
  setToolTip(tool_tip);
  setAlignment(Qt::AlignCenter);
  setCursor(Qt::PointingHandCursor);
  setFrameShape(QFrame::NoFrame);
}

void PictureButton::setBordered(bool bordered) {
  setFrameShape(bordered ? QFrame::Box : QFrame::NoFrame);
  setLineWidth(1);
}

void PictureButton::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
  QLabel::mouseReleaseEvent(event);
}

void PictureButton::enterEvent(QEnterEvent* event) {
  emit hovered();
  QLabel::enterEvent(event);
}

}  // namespace kestrum::ui
