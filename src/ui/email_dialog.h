#pragma once
// frmEmail: sends the page file to one recipient and keeps the SMTP settings (the setup frame).
// Checks, settings rules and the transport are the engine's (net/mail.h).
#include <QDialog>

#include "core/context.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;

namespace kestrum::ui {

class TextButton;

class EmailDialog : public QDialog {
  Q_OBJECT

 public:
  EmailDialog(Context& ctx, QWidget* parent);

  void RunSend();
  void RunSetup();
  void RunSaveSetup();
  void RunCancelSetup();

  QLineEdit *txtTo = nullptr, *txtFrom = nullptr, *txtSubject = nullptr, *txtFile = nullptr;
  QPlainTextEdit* txtComments = nullptr;
  QGroupBox* frMail = nullptr;
  QLineEdit *txtSMTPServer = nullptr, *txtSMTPPort = nullptr, *txtSMTPUsername = nullptr, *txtSMTPPassword = nullptr;
  QCheckBox* chkAuth = nullptr;
  TextButton *lblSetup = nullptr, *lblSend = nullptr, *lblCancel = nullptr, *lblSave = nullptr,
             *lblCancelSetup = nullptr;

 protected:
  bool event(QEvent* event) override;

 private:
  void loadSetup();
  void hover(int number);

  Context& ctx_;
};

}  // namespace kestrum::ui
