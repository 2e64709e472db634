#include "ui/qt_desktop.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "ui/qt_text.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

TEST(QtDesktop, FiltersBecomeQtFiltersWithTheTextEntryPreselected) {
  const QString filter =
      ui::QtFileFilter("All Files (*.*)|*.*|Text File (.txt)|*.txt|Kestrum File (.kmx)|*.kmx|HTML File (.html)|*.html");
  EXPECT_EQ(filter, QStringLiteral("All Files (*);;Text File (*.txt);;Kestrum File (*.kmx);;HTML File (*.html)"));
  EXPECT_EQ(ui::PreselectedFilter(filter), QStringLiteral("Text File (*.txt)"));
  EXPECT_EQ(ui::PreselectedFilter(ui::QtFileFilter("All Files (*.*)|*.*")), QStringLiteral("All Files (*)"));
}

TEST(QtDesktop, OnlyWebAddressesAndExistingFilesGoToTheDefaultHandler) {
  struct Case {
    const char* target;
    bool safe;
  };
  for (const auto& c : std::vector<Case>{{"http://example.test/", true},
                                         {"HTTPS://example.test/", true},
                                         {"mailto:abuse@example.test", true},
                                         {"javascript:alert(1)", false},
                                         {"file:///etc/passwd", false},
                                         {"data:text/html,<script>", false},
                                         {"/etc/hostname-that-is-not-there", false},
                                         {"/", true},
                                         {"relative/path", false}})
    EXPECT_EQ(ui::IsSafeToOpen(c.target), c.safe) << c.target;
}

TEST(QtDesktop, MessageBoxesShowOutsideTextAsPlainText) {
  ui::QtDesktop desktop;
  QString shown_text;
  Qt::TextFormat format = Qt::AutoText;
  QString title;
  QTimer::singleShot(0, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (auto* box = qobject_cast<QMessageBox*>(widget)) {
        shown_text = box->text();
        format = box->textFormat();
        title = box->windowTitle();
        box->button(QMessageBox::No)->click();
      }
    }
  });
  const MessageAnswer answer = desktop.showMessage("<b>not bold</b>\r\n<img src=x onerror=y>\x80", "Title",
                                                   MessageIcon::Question, MessageButtons::YesNo);
  EXPECT_EQ(answer, MessageAnswer::No);
  EXPECT_EQ(format, Qt::PlainText);
  EXPECT_EQ(shown_text, QStringLiteral("<b>not bold</b>\n<img src=x onerror=y>") + QChar(0x20AC));
  EXPECT_EQ(title, QStringLiteral("Title"));
}

TEST(QtText, AnsiRoundTripsThroughQtAndUnmappableCharactersBecomeQuestionMarks) {
  std::string every;
  for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
  EXPECT_EQ(ui::AnsiFromQString(ui::QStringFromAnsi(every)), every);
  EXPECT_EQ(ui::AnsiFromQString(QString::fromUtf8("\u0416 \U0001F600 \u20AC")), "? ? \x80");
}

}  // namespace
}  // namespace kestrum::testing
