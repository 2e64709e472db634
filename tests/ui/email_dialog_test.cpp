// frmEmail against a real SMTP server on 127.0.0.1 (Debian's aiosmtpd, started per test).
#include "ui/email_dialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTest>
#include <filesystem>

#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/mail.h"
#include "ui/rich_text_pane.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

// The server records the last message it took in a JSON file.
class SmtpServer {
 public:
  SmtpServer(const std::string& record, const QStringList& options) : record_(record) {
    server_.setProgram(QStringLiteral("/usr/bin/python3"));
    server_.setArguments(QStringList{QStringLiteral(KESTRUM_SOURCE_DIR "/tests/ui/fixtures/smtp_server.py"),
                                     QString::fromStdString(record)} +
                         options);
    server_.start();
    if (server_.waitForReadyRead(20000)) port_ = server_.readLine().trimmed().toInt();
  }
  ~SmtpServer() {
    server_.kill();
    server_.waitForFinished(5000);
  }
  int port() const { return port_; }
  bool received() const { return std::filesystem::exists(record_); }
  QJsonObject message() const {
    return QJsonDocument::fromJson(QByteArray::fromStdString(ReadWholeFile(record_).value_or(""))).object();
  }

 private:
  std::string record_;
  QProcess server_;
  int port_ = 0;
};

std::string Text(const QJsonObject& message, const char* field) {
  return message.value(QString::fromUtf8(field)).toString().toStdString();
}

class EmailDialogTest : public WindowTest {
 protected:
  EmailDialogTest() {
    ctx().saved_page_file = program.root.file("page.html");
    program.root.write("page.html", "the page as fetched");
    window->rtfSource->setText("<html>\nedited in the pane\n</html>");
  }
  ui::EmailDialog& open() {
    window->mnuSRCMail->trigger();
    return *window->email_;
  }
  void useServer(const SmtpServer& server, const char* auth, const char* user = "", const char* password = "") {
    ASSERT_NE(server.port(), 0) << "the SMTP server did not start";
    WriteSetting(ctx(), "Settings", "SMTP", "127.0.0.1");
    WriteSetting(ctx(), "Settings", "Port", std::to_string(server.port()));
    WriteSetting(ctx(), "Settings", "Auth", auth);
    WriteSetting(ctx(), "Settings", "USR", user);
    WriteSetting(ctx(), "Settings", "PWD", password);
  }
  void address(ui::EmailDialog& mail, const char* to, const char* from) {
    mail.txtTo->setText(QString::fromUtf8(to));
    mail.txtFrom->setText(QString::fromUtf8(from));
  }
  const std::string expected_attachment = "<html>\r\nedited in the pane\r\n</html>\r\n";
};

TEST_F(EmailDialogTest, SendsThePaneTextAsAttachmentWithoutAuthentication) {
  SmtpServer server(program.root.file("mail.json"), {});
  useServer(server, "0");
  auto& mail = open();
  EXPECT_EQ(mail.windowTitle(), QStringLiteral("E-mail"));
  EXPECT_FALSE(mail.frMail->isVisibleTo(&mail));
  EXPECT_EQ(mail.txtFile->text().toStdString(), ctx().saved_page_file);
  EXPECT_EQ(program.root.read("page.html"), expected_attachment);  // written over the saved page

  address(mail, "analyst@example.test", "kestrum@example.test");
  mail.txtSubject->setText(QString::fromUtf8("Suspicious café page"));
  mail.txtComments->setPlainText(QString::fromUtf8("Have a look at this one, café included."));
  QTest::mouseClick(mail.lblSend, Qt::LeftButton);
  SettleEvents();
  EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text;
  EXPECT_TRUE(window->email_.isNull() || !window->email_->isVisible());

  ASSERT_TRUE(server.received());
  const QJsonObject got = server.message();
  EXPECT_EQ(Text(got, "mail_from"), "kestrum@example.test");
  EXPECT_EQ(got.value(QStringLiteral("rcpt_tos")).toVariant().toStringList(), QStringList{"analyst@example.test"});
  EXPECT_EQ(Text(got, "subject"), "Suspicious café page");
  EXPECT_EQ(TrimBlank(Text(got, "body")), "Have a look at this one, café included.");
  EXPECT_EQ(Text(got, "attachment_name"), "page.html");
  EXPECT_EQ(QByteArray::fromBase64(got.value(QStringLiteral("attachment")).toString().toLatin1()).toStdString(),
            expected_attachment);
}

TEST_F(EmailDialogTest, AuthenticatesWithTheStoredUserAndFillsAnEmptySubject) {
  SmtpServer server(program.root.file("mail.json"), {QStringLiteral("--auth"), QStringLiteral("mailer:s3cret!")});
  useServer(server, "1", "mailer", "s3cret!");
  auto& mail = open();
  address(mail, "analyst@example.test", "kestrum@example.test");
  mail.RunSend();
  EXPECT_TRUE(desktop.messages.empty()) << desktop.messages[0].text;
  ASSERT_TRUE(server.received());
  const QJsonObject got = server.message();
  EXPECT_EQ(Text(got, "user"), "mailer");
  const std::string fallback = "File [ page.html ], sent via Kestrum Desktop Edition";
  EXPECT_EQ(Text(got, "subject"), fallback);
  EXPECT_EQ(TrimBlank(Text(got, "body")), fallback);
  EXPECT_FALSE(Contains(logText(), "s3cret!"));
}

TEST_F(EmailDialogTest, AuthenticationWithoutAStoredUserOpensTheSetupAndSendsNothing) {
  SmtpServer server(program.root.file("mail.json"), {});
  useServer(server, "1");
  auto& mail = open();
  mail.txtSMTPUsername->setText(QStringLiteral("typed-but-not-saved"));
  address(mail, "analyst@example.test", "kestrum@example.test");
  mail.RunSend();
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text,
            "You seem to have authentication enabled, but no credentials supplied. Please check and try again");
  EXPECT_TRUE(mail.frMail->isVisibleTo(&mail));
  EXPECT_FALSE(server.received());
}

TEST_F(EmailDialogTest, ARefusingServerBringsUpTheErrorBoxAndTheDialogStays) {
  SmtpServer server(program.root.file("mail.json"), {QStringLiteral("--refuse")});
  useServer(server, "0");
  auto& mail = open();
  mail.show();
  address(mail, "nobody@example.test", "kestrum@example.test");
  mail.RunSend();
  ASSERT_EQ(desktop.messages.size(), 1u);
  const std::string& text = desktop.messages[0].text;
  EXPECT_TRUE(StartsWith(text, "I'm sorry, the message could not be sent\r\n\r\nError: ")) << text;
  EXPECT_FALSE(StartsWith(text, "I'm sorry, the message could not be sent\r\n\r\nError: 0\r\n")) << text;
  EXPECT_TRUE(Contains(text, "\r\nDescription: ")) << text;
  EXPECT_TRUE(EndsWith(text, "\r\nSMTP Server: 127.0.0.1")) << text;
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_TRUE(mail.isVisible());
  EXPECT_EQ(mail.txtTo->text(), QStringLiteral("nobody@example.test"));
  EXPECT_FALSE(server.received());
}

TEST_F(EmailDialogTest, AddressesAreCheckedRecipientFirst) {
  auto& mail = open();
  struct Case {
    const char* to;
    const char* from;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"a@b.cd", "x", "Invalid recipient address"},                       // 6 characters
      {"abcdefgh", "kestrum@example.test", "Invalid recipient address"},  // no "@"
      {"a@b.cde", "k@x.yz", "Invalid from address"},
  };
  for (const auto& c : cases) {
    desktop.messages.clear();
    address(mail, c.to, c.from);
    mail.RunSend();
    ASSERT_EQ(desktop.messages.size(), 1u) << c.to;
    EXPECT_EQ(desktop.messages[0].text, c.message) << c.to;
    EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  }
}

TEST_F(EmailDialogTest, SetupFrameShowsDefaultsAndSavesOnlyFilledBoxes) {
  auto& mail = open();
  EXPECT_EQ(mail.txtSMTPServer->text(), QStringLiteral("127.0.0.1"));
  EXPECT_EQ(mail.txtSMTPPort->text(), QStringLiteral("25"));
  EXPECT_TRUE(mail.chkAuth->isChecked());
  QTest::mouseClick(mail.lblSetup, Qt::LeftButton);
  EXPECT_TRUE(mail.frMail->isVisibleTo(&mail));
  mail.txtSMTPServer->setText(QStringLiteral("mail.example.test"));
  QTest::mouseClick(mail.lblCancelSetup, Qt::LeftButton);
  EXPECT_FALSE(mail.frMail->isVisibleTo(&mail));
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "SMTP", "none"), "none");

  WriteSetting(ctx(), "Settings", "PWD", "kept");
  mail.RunSetup();
  mail.txtSMTPPort->setText(QStringLiteral("587"));
  mail.txtSMTPUsername->setText(QStringLiteral("me"));
  mail.txtSMTPPassword->clear();
  mail.chkAuth->setChecked(false);
  QTest::mouseClick(mail.lblSave, Qt::LeftButton);
  EXPECT_FALSE(mail.frMail->isVisibleTo(&mail));
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "SMTP", ""), "mail.example.test");
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Port", ""), "587");
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "USR", ""), "me");
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "PWD", ""), "kept");
  EXPECT_EQ(ReadSetting(ctx(), "Settings", "Auth", ""), "0");
}

TEST_F(EmailDialogTest, SendUsesTheStoredServerAndPortRules) {
  struct Case {
    const char* server;
    const char* port;
    const char* used_server;
    const char* used_port;
  };
  const std::vector<Case> cases = {
      {"mail.example.test", "587", "mail.example.test", "587"},
      {"a.b.cd", "5", "127.0.0.1", "25"},
      {"", "", "127.0.0.1", "25"},
  };
  for (const auto& c : cases) {
    WriteSetting(ctx(), "Settings", "SMTP", c.server);
    WriteSetting(ctx(), "Settings", "Port", c.port);
    const MailSettings used = ReadMailSettings(ctx());
    EXPECT_EQ(used.server, c.used_server);
    EXPECT_EQ(used.port, c.used_port);
    EXPECT_TRUE(used.authenticate);  // Auth defaults to "1"
  }
}

}  // namespace
}  // namespace kestrum::testing
