#include "ui/about_dialog.h"

#include <QDate>
#include <QFormLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <cstdio>

#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/storage.h"
#include "core/text.h"
#include "ui/app_logo.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/text_button.h"

namespace kestrum::ui {
namespace {

constexpr int kDisclaimerResource = 101;

std::string DisclaimerCopyPath(Context& ctx) {
  return JoinPath(StorageFolder(ctx), "adisc.kmx");
}

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

AboutDialog::AboutDialog(Context& ctx, QWidget* owner) : QDialog(owner), ctx_(ctx) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About"));
  setAttribute(Qt::WA_DeleteOnClose);

  // The disclaimer travels inside the program and is written out while the dialog is open.
  const std::string copy = DisclaimerCopyPath(ctx_);
  std::remove(copy.c_str());
  std::string disclaimer;
  if (ExtractResourceToFile(kDisclaimerResource, "aDisc", copy)) {
    const auto lines = Split(ToCrLf(ReadWholeFile(copy).value_or("")), "\r\n");
    std::vector<std::string> kept(lines.begin(), lines.end());
    while (!kept.empty() && kept.back().empty()) kept.pop_back();
    for (size_t i = 0; i < kept.size(); ++i) disclaimer += (i ? "\r\n" : "") + kept[i];
  }

  auto* layout = new QVBoxLayout(this);
  auto* heading = new QHBoxLayout;
  auto* logo = new QLabel(this);
  logo->setPixmap(DrawAppLogo(48));
  heading->addWidget(logo);
  auto* title = PlainLabel(QString::fromUtf8(kProgramTitle), this);
  title->setObjectName(QStringLiteral("lblTitle"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  big.setBold(true);
  title->setFont(big);
  heading->addWidget(title, 1);
  layout->addLayout(heading);

  auto* facts = new QFormLayout;
  auto* version = PlainLabel(QString::fromStdString(VersionText()), this);
  version->setObjectName(QStringLiteral("lblVersion"));
  facts->addRow(QStringLiteral("Version"), version);
  facts->addRow(QStringLiteral("Author"), PlainLabel(QString::fromUtf8(kCompanyName), this));
  const std::string homepage_address = HomepageAddress(ctx_);
  auto* homepage =
      new TextButton(QString::fromStdString(homepage_address), QStringLiteral("Visit the homepage"), 0, this);
  homepage->setObjectName(QStringLiteral("lblHomepage"));
  homepage->setFrameShape(QFrame::NoFrame);
  homepage->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  connect(homepage, &TextButton::clicked, this, [this, homepage_address] {
    if (ctx_.desktop) ctx_.desktop->openWithDefaultHandler(homepage_address);
  });
  facts->addRow(QStringLiteral("Homepage"), homepage);
  layout->addLayout(facts);

  auto* licence = new QPlainTextEdit(this);
  licence->setObjectName(QStringLiteral("txtLicence"));
  licence->setReadOnly(true);
  licence->setPlainText(QStringFromAnsi(ReplaceAll(disclaimer, "\r\n", "\n")));
  layout->addWidget(licence, 1);

  auto* copyright = PlainLabel(
      QStringLiteral("Copyright (c) 2009-%1 %2").arg(QDate::currentDate().year()).arg(QString::fromUtf8(kCompanyName)),
      this);
  copyright->setObjectName(QStringLiteral("lblAboutCP"));
  layout->addWidget(copyright);

  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("lblClose"));
  connect(close, &QPushButton::clicked, this, &QDialog::close);
  layout->addWidget(close, 0, Qt::AlignRight);
  resize(460, 380);
}

void AboutDialog::removeDisclaimerCopy() {
  const std::string copy = DisclaimerCopyPath(ctx_);
  std::remove(copy.c_str());
}

void AboutDialog::closeEvent(QCloseEvent* event) {
  removeDisclaimerCopy();
  QDialog::closeEvent(event);
}

}  // namespace kestrum::ui
