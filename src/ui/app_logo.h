#pragma once
// The program's picture: drawn in code so the window needs no image plug-in.
#include <QIcon>
#include <QPixmap>

namespace kestrum::ui {

QPixmap DrawAppLogo(int size);
QIcon AppIcon();

// Small pictures of the picture buttons, drawn in the same style.
enum class PictureKind { Settings, Log, Help, Exit };
QPixmap DrawPicture(PictureKind kind, int size);

}  // namespace kestrum::ui
