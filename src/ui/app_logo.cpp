#include "ui/app_logo.h"

#include <QPainter>
#include <QPainterPath>

namespace kestrum::ui {
namespace {
const QColor kInk(32, 48, 80);
const QColor kMark(200, 30, 30);
}  // namespace

QPixmap DrawAppLogo(int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  painter.setBrush(kInk);
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
  // A magnifying glass over a page: looking at a page without opening it.
  painter.setPen(QPen(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(s * 0.42, s * 0.42), s * 0.22, s * 0.22);
  painter.drawLine(QPointF(s * 0.58, s * 0.58), QPointF(s * 0.82, s * 0.82));
  painter.setPen(QPen(kMark, s * 0.07, Qt::SolidLine, Qt::RoundCap));
  painter.drawLine(QPointF(s * 0.32, s * 0.42), QPointF(s * 0.52, s * 0.42));
  return picture;
}

QIcon AppIcon() {
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(DrawAppLogo(size));
  return icon;
}

QPixmap DrawPicture(PictureKind kind, int size) {
  QPixmap picture(size, size);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size;
  painter.setPen(QPen(kInk, s * 0.1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(Qt::NoBrush);
  switch (kind) {
    case PictureKind::Settings: {
      painter.drawEllipse(QPointF(s / 2, s / 2), s * 0.18, s * 0.18);
      for (int i = 0; i < 8; ++i) {
        painter.save();
        painter.translate(s / 2, s / 2);
        painter.rotate(i * 45.0);
        painter.drawLine(QPointF(0, s * 0.26), QPointF(0, s * 0.40));
        painter.restore();
      }
      break;
    }
    case PictureKind::Log:
      painter.drawRect(QRectF(s * 0.22, s * 0.12, s * 0.56, s * 0.76));
      for (int i = 0; i < 3; ++i)
        painter.drawLine(QPointF(s * 0.32, s * (0.32 + i * 0.18)), QPointF(s * 0.68, s * (0.32 + i * 0.18)));
      break;
    case PictureKind::Help: {
      QFont font = painter.font();
      font.setPixelSize(static_cast<int>(s * 0.8));
      font.setBold(true);
      painter.setFont(font);
      painter.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
      break;
    }
    case PictureKind::Exit:
      painter.setPen(QPen(kMark, s * 0.12, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(s * 0.25, s * 0.25), QPointF(s * 0.75, s * 0.75));
      painter.drawLine(QPointF(s * 0.75, s * 0.25), QPointF(s * 0.25, s * 0.75));
      break;
  }
  return picture;
}

}  // namespace kestrum::ui
