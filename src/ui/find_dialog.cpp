#include "ui/find_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

#include "ui/qt_text.h"
#include "ui/rich_text_pane.h"
#include "ui/text_button.h"

namespace kestrum::ui {
namespace {
enum { kHoverFind = 1, kHoverFindNext, kHoverReplace, kHoverReplaceAll, kHoverCancel, kHoverNoButton = 100 };
}  // namespace

FindDialog::FindDialog(Context& ctx, RichTextPane& source, QWidget* parent)
    : QDialog(parent), ctx_(ctx), source_(source), find_(ctx, source) {
  setObjectName(QStringLiteral("frmFind"));
  setWindowTitle(QStringLiteral("Find and Replace"));
  setAttribute(Qt::WA_DeleteOnClose);
  setMouseTracking(true);

  txtFind = new QLineEdit(this);
  txtFind->setObjectName(QStringLiteral("txtFind"));
  txtReplace = new QLineEdit(this);
  txtReplace->setObjectName(QStringLiteral("txtReplace"));
  Check1 = new QCheckBox(QStringLiteral("Case sensitive"), this);
  Check1->setObjectName(QStringLiteral("Check1"));
  Check2 = new QCheckBox(QStringLiteral("Whole word only"), this);
  Check2->setObjectName(QStringLiteral("Check2"));

  auto button = [this](const char* name, const char* caption, int number) {
    auto* made = new TextButton(QString::fromUtf8(caption), QString(), number, this);
    made->setObjectName(QString::fromUtf8(name));
    made->setHoverCaption(Qt::blue);
    made->setMinimumWidth(made->naturalWidth() + 8);
    connect(made, &TextButton::hovered, this, &FindDialog::hover);
    return made;
  };
  cmdFind = button("cmdFind", "Find", kHoverFind);
  cmdFindNext = button("cmdFindNext", "Find Next", kHoverFindNext);
  cmdReplace = button("cmdReplace", "Replace", kHoverReplace);
  cmdReplaceAll = button("cmdReplaceAll", "Replace All", kHoverReplaceAll);
  cmdCancel = button("cmdCancel", "Cancel", kHoverCancel);
  setReplaceEnabled(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(QStringLiteral("Find what:"), this), 0, 0);
  grid->addWidget(txtFind, 0, 1);
  grid->addWidget(new QLabel(QStringLiteral("Replace with:"), this), 1, 0);
  grid->addWidget(txtReplace, 1, 1);
  auto* checks = new QHBoxLayout;
  checks->addWidget(Check1);
  checks->addWidget(Check2);
  checks->addStretch();
  grid->addLayout(checks, 2, 1);
  auto* buttons = new QHBoxLayout;
  for (TextButton* each : {cmdFind, cmdFindNext, cmdReplace, cmdReplaceAll, cmdCancel}) {
    each->setFixedHeight(24);
    buttons->addWidget(each);
  }
  grid->addLayout(buttons, 3, 0, 1, 2);

  connect(cmdFind, &TextButton::clicked, this, &FindDialog::RunFind);
  connect(cmdFindNext, &TextButton::clicked, this, &FindDialog::RunFindNext);
  connect(cmdReplace, &TextButton::clicked, this, &FindDialog::RunReplace);
  connect(cmdReplaceAll, &TextButton::clicked, this, &FindDialog::RunReplaceAll);
  connect(cmdCancel, &TextButton::clicked, this, &QDialog::close);
  connect(txtFind, &QLineEdit::returnPressed, this, [this] {
    if (txtFind->text().size() >= 2) RunFind();
  });
  resize(440, 150);
}

FindOptions FindDialog::options() const {
  return {Check1->isChecked(), Check2->isChecked()};
}

void FindDialog::setReplaceEnabled(bool enabled) {
  cmdReplace->setEnabled(enabled);
  cmdReplaceAll->setEnabled(enabled);
}

void FindDialog::hover(int number) {
  for (TextButton* each : {cmdFind, cmdFindNext, cmdReplace, cmdReplaceAll, cmdCancel})
    each->setHovered(each->hoverNumber() == number);
}

bool FindDialog::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) txtFind->setFocus();
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave) hover(kHoverNoButton);
  return QDialog::event(event);
}

void FindDialog::RunFind() {
  setReplaceEnabled(find_.Find(AnsiFromQString(txtFind->text()), options()));
}

void FindDialog::RunFindNext() {
  setReplaceEnabled(find_.FindNext(AnsiFromQString(txtFind->text()), options()));
}

void FindDialog::RunReplace() {
  const RichTextPane::UserEdit edit(source_);
  setReplaceEnabled(find_.Replace(AnsiFromQString(txtFind->text()), AnsiFromQString(txtReplace->text()), options()));
  txtFind->setFocus();
}

void FindDialog::RunReplaceAll() {
  {
    const RichTextPane::UserEdit edit(source_);
    find_.ReplaceAll(AnsiFromQString(txtFind->text()), AnsiFromQString(txtReplace->text()), options());
  }
  setReplaceEnabled(false);
  txtFind->setFocus();
}

}  // namespace kestrum::ui
