#include "ui/qt_desktop.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QUrl>

#include "core/exit_codes.h"
#include "core/text.h"
#include "ui/qt_text.h"

namespace kestrum::ui {
namespace {

QString ForDisplay(std::string_view text) { return QStringFromAnsi(ReplaceAll(text, "\r\n", "\n")); }

QMessageBox::Icon ToQtIcon(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::Critical: return QMessageBox::Critical;
    case MessageIcon::None: break;
  }
  return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons) {
  switch (buttons) {
    case MessageButtons::Ok: return QMessageBox::Ok;
    case MessageButtons::OkCancel: return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo: return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel: return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

bool IsLocalPath(std::string_view target) { return !target.empty() && target.front() == '/'; }

}  // namespace

MessageAnswer QtDesktop::showMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                     MessageButtons buttons) {
  QMessageBox box(ToQtIcon(icon), ForDisplay(caption), ForDisplay(text), ToQtButtons(buttons), parent_.data());
  box.setTextFormat(Qt::PlainText);  // outside text is never interpreted
  if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel) box.setDefaultButton(QMessageBox::Yes);
  switch (box.exec()) {
    case QMessageBox::Yes: return MessageAnswer::Yes;
    case QMessageBox::No: return MessageAnswer::No;
    case QMessageBox::Cancel: return MessageAnswer::Cancel;
    default: break;
  }
  // Closing the box with Escape or the title bar answers the safe way.
  if (buttons == MessageButtons::YesNo) return MessageAnswer::No;
  if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
  return MessageAnswer::Cancel;
}

QString QtFileFilter(std::string_view filter) {
  if (!Contains(filter, "|")) return QStringFromAnsi(filter);
  const auto parts = Split(filter, "|");
  QStringList entries;
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    QString pattern = QStringFromAnsi(parts[i + 1]).replace(QStringLiteral("*.*"), QStringLiteral("*"));
    pattern.replace(';', ' ');
    const QString name = QStringFromAnsi(Before(parts[i], "(")).trimmed();
    entries << QStringLiteral("%1 (%2)").arg(name, pattern);
  }
  return entries.join(QStringLiteral(";;"));
}

QString PreselectedFilter(const QString& qt_filter) {
  const QStringList entries = qt_filter.split(QStringLiteral(";;"));
  for (const auto& entry : entries)
    if (entry.startsWith(QStringLiteral("Text File"), Qt::CaseInsensitive)) return entry;
  return entries.value(0);
}

std::optional<std::string> QtDesktop::chooseSaveFile(std::string_view caption, std::string_view filter,
                                                     std::string_view suggested_name) {
  const QString qt_filter = QtFileFilter(filter);
  QString selected = PreselectedFilter(qt_filter);
  const QString path = QFileDialog::getSaveFileName(parent_.data(), QStringFromAnsi(caption),
                                                    QStringFromAnsi(suggested_name), qt_filter, &selected);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();  // file names stay in the file system's own encoding
}

std::optional<std::string> QtDesktop::chooseOpenFile(std::string_view caption, std::string_view filter) {
  const QString path = QFileDialog::getOpenFileName(parent_.data(), QStringFromAnsi(caption), QString(),
                                                    QtFileFilter(filter));
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

void QtDesktop::processEvents() { QCoreApplication::processEvents(); }

void QtDesktop::endProgram() {
  // Queued: the request may come before the event loop runs, or from deep inside a command.
  QMetaObject::invokeMethod(
      qApp, [] { QCoreApplication::exit(kExitStorageUnusable); }, Qt::QueuedConnection);
}

bool IsSafeToOpen(std::string_view target) {
  for (const char* scheme : {"http://", "https://", "ftp://", "mailto:"})
    if (StartsWith(ToLowerAscii(target.substr(0, 8)), scheme)) return true;
  return IsLocalPath(target) && QFileInfo::exists(QString::fromStdString(std::string(target)));
}

bool QtDesktop::openWithDefaultHandler(std::string_view target) {
  if (!IsSafeToOpen(target)) return false;
  if (IsLocalPath(target)) return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(std::string(target))));
  return QDesktopServices::openUrl(QUrl(QStringFromAnsi(target), QUrl::StrictMode));
}

bool QtDesktop::startProgram(std::string_view program, const std::vector<std::string>& arguments) {
  QStringList list;
  for (const auto& argument : arguments) list << QStringFromAnsi(argument);
  return QProcess::startDetached(QString::fromStdString(std::string(program)), list);
}

void QtDesktop::setClipboardText(std::string_view text) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  clipboard->clear();
  clipboard->setText(QStringFromAnsi(text));
}

std::string QtDesktop::clipboardText() const { return AnsiFromQString(QGuiApplication::clipboard()->text()); }

}  // namespace kestrum::ui
