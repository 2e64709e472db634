#include "ui/email_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include "net/mail.h"
#include "ui/qt_text.h"
#include "ui/text_button.h"

namespace kestrum::ui {
namespace {
enum { kHoverSetup = 1, kHoverSend, kHoverCancel, kHoverSave, kHoverCancelSetup, kHoverNoButton = 100 };

QLineEdit* NamedBox(const char* name, QWidget* parent) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromUtf8(name));
  return box;
}
}  // namespace

EmailDialog::EmailDialog(Context& ctx, QWidget* parent) : QDialog(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmEmail"));
  setWindowTitle(QStringLiteral("E-mail"));
  setAttribute(Qt::WA_DeleteOnClose);
  setMouseTracking(true);

  auto* heading = new QLabel(QStringLiteral("Send via e-mail"), this);
  QFont bold = heading->font();
  bold.setBold(true);
  bold.setPointSizeF(bold.pointSizeF() * 1.2);
  heading->setFont(bold);

  txtTo = NamedBox("txtTo", this);
  txtFrom = NamedBox("txtFrom", this);
  txtSubject = NamedBox("txtSubject", this);
  txtFile = NamedBox("txtFile", this);
  txtFile->setReadOnly(true);
  txtComments = new QPlainTextEdit(this);
  txtComments->setObjectName(QStringLiteral("txtComments"));
  auto* message = new QFormLayout;
  message->addRow(QStringLiteral("To:"), txtTo);
  message->addRow(QStringLiteral("From:"), txtFrom);
  message->addRow(QStringLiteral("Subject:"), txtSubject);
  message->addRow(QStringLiteral("File:"), txtFile);

  frMail = new QGroupBox(QStringLiteral("Setup e-mail"), this);
  frMail->setObjectName(QStringLiteral("frMail"));
  txtSMTPServer = NamedBox("txtSMTPServer", frMail);
  txtSMTPPort = NamedBox("txtSMTPPort", frMail);
  txtSMTPUsername = NamedBox("txtSMTPUsername", frMail);
  txtSMTPPassword = NamedBox("txtSMTPPassword", frMail);
  txtSMTPPassword->setEchoMode(QLineEdit::Password);
  chkAuth = new QCheckBox(frMail);
  chkAuth->setObjectName(QStringLiteral("chkAuth"));
  auto* setup = new QFormLayout(frMail);
  setup->addRow(QStringLiteral("SMTP Server:"), txtSMTPServer);
  setup->addRow(QStringLiteral("SMTP Port:"), txtSMTPPort);
  setup->addRow(QStringLiteral("Username:"), txtSMTPUsername);
  setup->addRow(QStringLiteral("Password:"), txtSMTPPassword);
  setup->addRow(QStringLiteral("Authenticate:"), chkAuth);

  auto button = [this](const char* name, const char* caption, int number, QWidget* parent_widget) {
    auto* made = new TextButton(QString::fromUtf8(caption), QString(), number, parent_widget);
    made->setObjectName(QString::fromUtf8(name));
    made->setFixedSize(std::max(70, made->naturalWidth()), 24);
    connect(made, &TextButton::hovered, this, &EmailDialog::hover);
    return made;
  };
  lblSetup = button("lblSetup", "Setup", kHoverSetup, this);
  lblSend = button("lblSend", "Send", kHoverSend, this);
  lblCancel = button("lblCancel", "Cancel", kHoverCancel, this);
  lblSave = button("lblSave", "Save", kHoverSave, frMail);
  lblCancelSetup = button("lblCancelSetup", "Cancel", kHoverCancelSetup, frMail);
  auto* setup_buttons = new QHBoxLayout;
  setup_buttons->addStretch();
  setup_buttons->addWidget(lblSave);
  setup_buttons->addWidget(lblCancelSetup);
  setup->addRow(setup_buttons);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(lblSetup);
  buttons->addStretch();
  buttons->addWidget(lblSend);
  buttons->addWidget(lblCancel);

  auto* column = new QVBoxLayout(this);
  column->addWidget(heading);
  column->addLayout(message);
  column->addWidget(txtComments, 1);
  column->addLayout(buttons);
  column->addWidget(frMail);

  connect(lblSetup, &TextButton::clicked, this, &EmailDialog::RunSetup);
  connect(lblSend, &TextButton::clicked, this, &EmailDialog::RunSend);
  connect(lblCancel, &TextButton::clicked, this, &QDialog::close);
  connect(lblSave, &TextButton::clicked, this, &EmailDialog::RunSaveSetup);
  connect(lblCancelSetup, &TextButton::clicked, this, &EmailDialog::RunCancelSetup);

  loadSetup();
  frMail->hide();
  resize(460, 360);
}

void EmailDialog::loadSetup() {
  const MailSettings boxes = ReadMailSetupBoxes(ctx_);
  txtSMTPServer->setText(QStringFromAnsi(boxes.server));
  txtSMTPPort->setText(QStringFromAnsi(boxes.port));
  txtSMTPUsername->setText(QStringFromAnsi(boxes.user));
  txtSMTPPassword->setText(QStringFromAnsi(boxes.password));
  chkAuth->setChecked(boxes.authenticate);
}

void EmailDialog::RunSetup() {
  frMail->show();
}

void EmailDialog::RunCancelSetup() {
  frMail->hide();
}

void EmailDialog::RunSaveSetup() {
  SaveMailSetup(
      ctx_, {AnsiFromQString(txtSMTPServer->text()), AnsiFromQString(txtSMTPPort->text()),
             AnsiFromQString(txtSMTPUsername->text()), AnsiFromQString(txtSMTPPassword->text()), chkAuth->isChecked()});
  frMail->hide();
}

void EmailDialog::RunSend() {
  MailMessage message{AnsiFromQString(txtTo->text()), AnsiFromQString(txtFrom->text()),
                      AnsiFromQString(txtSubject->text()), AnsiFromQString(txtComments->toPlainText()),
                      AnsiFromQString(txtFile->text())};
  switch (SendMail(ctx_, std::move(message))) {
    case SendOutcome::Sent:
      close();
      break;
    case SendOutcome::NeedsCredentials:
      frMail->show();
      break;
    case SendOutcome::Refused:
    case SendOutcome::Failed:
      break;
  }
}

void EmailDialog::hover(int number) {
  for (TextButton* each : {lblSetup, lblSend, lblCancel, lblSave, lblCancelSetup})
    each->setHovered(each->hoverNumber() == number);
}

bool EmailDialog::event(QEvent* event) {
  if (event->type() == QEvent::MouseMove || event->type() == QEvent::Leave) hover(kHoverNoButton);
  return QDialog::event(event);
}

}  // namespace kestrum::ui
