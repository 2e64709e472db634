#pragma once
// Sending a file by e-mail: the stored SMTP settings and their rules, the address checks, and the
// transport (libcurl SMTP with a MIME body: plain text and one attachment).
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// The settings as Send uses them, read from cfg.ini at the moment of sending.
struct MailSettings {
  std::string server;  // fewer than 7 characters stored: "127.0.0.1"
  std::string port;    // fewer than 2 characters stored: "25"
  std::string user;
  std::string password;
  bool authenticate = true;  // Auth, default "1"
};
MailSettings ReadMailSettings(Context& ctx);

// What the setup frame shows: the stored values, "127.0.0.1" and "25" when none are stored.
MailSettings ReadMailSetupBoxes(Context& ctx);
// Stores each box holding more than one character (a shorter one keeps the stored value) and Auth.
void SaveMailSetup(Context& ctx, const MailSettings& boxes);

struct MailMessage {
  std::string to, from, subject, body;
  std::string attachment_path;
};

// "File [ name ], sent via Kestrum Desktop Edition": the subject and text of a message left empty.
std::string DefaultMailSubject(std::string_view attachment_path);

// The transport's answer: error 0 when the server took the message.
struct MailResult {
  int error = 0;
  std::string description;
};
// Whether this libcurl can speak SMTP at all.
bool MailTransportAvailable();
// smtp:// with STARTTLS when the server offers it; smtps:// on port 465. Credentials only when
// the settings ask for authentication. The password never reaches the log.
MailResult TransmitMail(const MailSettings& settings, const MailMessage& message);

enum class SendOutcome { Sent, Refused, NeedsCredentials, Failed };
// The Send command: address checks, the default subject, the stored settings, the transport,
// and the one message of each failure.
SendOutcome SendMail(Context& ctx, MailMessage message);

}  // namespace kestrum
