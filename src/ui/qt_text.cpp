#include "ui/qt_text.h"

#include "core/text.h"

namespace kestrum::ui {

QString QStringFromAnsi(std::string_view ansi) {
  QString out(static_cast<qsizetype>(ansi.size()), Qt::Uninitialized);
  QChar* data = out.data();
  for (size_t i = 0; i < ansi.size(); ++i)
    data[i] = QChar(static_cast<char16_t>(AnsiToUnicode(static_cast<unsigned char>(ansi[i]))));
  return out;
}

std::string AnsiFromQString(const QString& text) {
  std::string out;
  out.reserve(static_cast<size_t>(text.size()));
  const QChar* data = text.constData();
  const qsizetype size = text.size();
  for (qsizetype i = 0; i < size; ++i) {
    const char16_t unit = data[i].unicode();
    if (unit < 0x80) {
      out += static_cast<char>(unit);
      continue;
    }
    if (QChar::isHighSurrogate(unit) && i + 1 < size && QChar::isLowSurrogate(data[i + 1].unicode())) {
      ++i;
      out += '?';
      continue;
    }
    const int byte = UnicodeToAnsi(unit);
    out += byte < 0 ? '?' : static_cast<char>(byte);
  }
  return out;
}

}  // namespace kestrum::ui
