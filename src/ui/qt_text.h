#pragma once
// The one place where engine text (Windows-1252 bytes, CR LF line breaks) meets Qt strings.
#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "core/seams.h"

namespace kestrum::ui {

// Every byte becomes one QChar; the five bytes 1252 leaves undefined become U+0081 etc., so
// AnsiFromQString(QStringFromAnsi(x)) == x for any bytes.
QString QStringFromAnsi(std::string_view ansi);
// Characters the code page cannot hold become "?"; a surrogate pair counts as one character.
std::string AnsiFromQString(const QString& text);

inline QColor ToQColor(Rgb rgb) { return QColor(rgb.r, rgb.g, rgb.b); }
inline Rgb ToRgb(const QColor& color) {
  return Rgb{static_cast<uint8_t>(color.red()), static_cast<uint8_t>(color.green()),
             static_cast<uint8_t>(color.blue())};
}

}  // namespace kestrum::ui
