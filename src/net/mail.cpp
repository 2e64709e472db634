#include "net/mail.h"

#include <curl/curl.h>

#include <cstdint>
#include <ctime>
#include <memory>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/seams.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/url.h"

namespace kestrum {
namespace {

constexpr const char* kDefaultServer = "127.0.0.1";
constexpr const char* kDefaultPort = "25";
constexpr long kConnectSeconds = 60;
constexpr long kIdleSeconds = 60;

std::string StoredServer(Context& ctx) {
  return ReadSetting(ctx, "Settings", "SMTP", "");
}
std::string StoredPort(Context& ctx) {
  return ReadSetting(ctx, "Settings", "Port", "");
}

// Header values come from text boxes; a line break in one would start a header of its own.
std::string OneLine(std::string_view text) {
  std::string line;
  for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
  return line;
}

bool IsPlainAscii(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// RFC 2045 Base64 of a short piece, without line breaks (the net layer stands without the decoders).
std::string EncodedWordBase64(std::string_view bytes) {
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kAlphabet[(group >> 18) & 63];
    out += kAlphabet[(group >> 12) & 63];
    out += i + 1 < bytes.size() ? kAlphabet[(group >> 6) & 63] : '=';
    out += i + 2 < bytes.size() ? kAlphabet[group & 63] : '=';
  }
  return out;
}

// A header text with letters beyond ASCII as RFC 2047 words, whole UTF-8 characters per word.
std::string HeaderText(std::string_view ansi) {
  const std::string line = OneLine(ansi);
  if (IsPlainAscii(line)) return line;
  const std::string utf8 = AnsiToUtf8(line);
  std::string out;
  size_t start = 0;
  while (start < utf8.size()) {
    size_t end = std::min(utf8.size(), start + 45);  // 60 Base64 characters, no line break
    while (end < utf8.size() && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\r\n ";
    out += "=?UTF-8?B?" + EncodedWordBase64(std::string_view(utf8).substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string DateHeader() {
  char date[64];
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  std::strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S %z", &parts);
  return std::string("Date: ") + date;
}

// Host names and addresses only: a server text cannot add a path, a user or a scheme.
bool IsServerText(std::string_view server) {
  if (server.empty()) return false;
  for (char c : server) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                         c == '-' || c == ':' || c == '[' || c == ']';
    if (!allowed) return false;
  }
  return true;
}

bool IsPortText(std::string_view port) {
  if (port.empty() || port.size() > 5) return false;
  for (char c : port)
    if (c < '0' || c > '9') return false;
  const int value = std::stoi(std::string(port));
  return value > 0 && value < 65536;
}

struct CurlFree {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
  void operator()(curl_mime* mime) const { curl_mime_free(mime); }
};

}  // namespace

MailSettings ReadMailSettings(Context& ctx) {
  MailSettings settings;
  settings.server = StoredServer(ctx);
  if (settings.server.size() < 7) settings.server = kDefaultServer;
  settings.port = StoredPort(ctx);
  if (settings.port.size() < 2) settings.port = kDefaultPort;
  settings.user = ReadSetting(ctx, "Settings", "USR", "");
  settings.password = ReadSetting(ctx, "Settings", "PWD", "");
  settings.authenticate = ReadSetting(ctx, "Settings", "Auth", "1") == "1";
  return settings;
}

MailSettings ReadMailSetupBoxes(Context& ctx) {
  MailSettings boxes = ReadMailSettings(ctx);
  boxes.server = StoredServer(ctx);
  if (boxes.server.empty()) boxes.server = kDefaultServer;
  return boxes;
}

void SaveMailSetup(Context& ctx, const MailSettings& boxes) {
  const std::pair<const char*, const std::string*> fields[] = {
      {"SMTP", &boxes.server}, {"Port", &boxes.port}, {"USR", &boxes.user}, {"PWD", &boxes.password}};
  for (const auto& [key, value] : fields)
    if (value->size() > 1) WriteSetting(ctx, "Settings", key, *value);
  WriteSetting(ctx, "Settings", "Auth", boxes.authenticate ? "1" : "0");
}

std::string DefaultMailSubject(std::string_view attachment_path) {
  return "File [ " + GetPathPart(FileName, attachment_path) + " ], sent via " + kProgramTitle;
}

bool MailTransportAvailable() {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  for (const char* const* protocol = info->protocols; protocol && *protocol; ++protocol)
    if (std::string_view(*protocol) == "smtp") return true;
  return false;
}

MailResult TransmitMail(const MailSettings& settings, const MailMessage& message) {
  if (!IsServerText(settings.server)) return {CURLE_URL_MALFORMAT, "The SMTP server name is not valid"};
  if (!IsPortText(settings.port)) return {CURLE_URL_MALFORMAT, "The SMTP port is not a port number"};
  std::unique_ptr<CURL, CurlFree> curl(curl_easy_init());
  if (!curl) return {CURLE_FAILED_INIT, curl_easy_strerror(CURLE_FAILED_INIT)};
  CURL* handle = curl.get();
  const bool implicit_tls = settings.port == "465";
  const std::string url = std::string(implicit_tls ? "smtps://" : "smtp://") + settings.server + ":" + settings.port;
  char error_text[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "smtp,smtps");
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, error_text);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, kIdleSeconds);
  curl_easy_setopt(handle, CURLOPT_USE_SSL,
                   implicit_tls ? static_cast<long>(CURLUSESSL_ALL) : static_cast<long>(CURLUSESSL_TRY));
  if (settings.authenticate) {
    curl_easy_setopt(handle, CURLOPT_USERNAME, settings.user.c_str());
    curl_easy_setopt(handle, CURLOPT_PASSWORD, settings.password.c_str());
  }
  const std::string from = "<" + OneLine(message.from) + ">";
  const std::string to = "<" + OneLine(message.to) + ">";
  curl_easy_setopt(handle, CURLOPT_MAIL_FROM, from.c_str());
  std::unique_ptr<curl_slist, CurlFree> recipients(curl_slist_append(nullptr, to.c_str()));
  curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());

  curl_slist* header_list = nullptr;
  for (const std::string& header :
       {DateHeader(), "To: " + HeaderText(message.to), "From: " + HeaderText(message.from),
        "Subject: " + HeaderText(message.subject), std::string("X-Mailer: ") + kProgramTitle + " " + VersionText()})
    header_list = curl_slist_append(header_list, header.c_str());
  std::unique_ptr<curl_slist, CurlFree> headers(header_list);
  curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get());

  std::unique_ptr<curl_mime, CurlFree> mime(curl_mime_init(handle));
  const std::string body = AnsiToUtf8(ToCrLf(message.body));
  curl_mimepart* text = curl_mime_addpart(mime.get());
  curl_mime_data(text, body.data(), body.size());
  curl_mime_type(text, "text/plain; charset=utf-8");
  curl_mime_encoder(text, "quoted-printable");
  curl_mimepart* file = curl_mime_addpart(mime.get());
  if (curl_mime_filedata(file, message.attachment_path.c_str()) != CURLE_OK)
    return {CURLE_READ_ERROR, "The file to attach cannot be read: " + message.attachment_path};
  curl_mime_filename(file, AnsiToUtf8(GetPathPart(FileName, message.attachment_path)).c_str());
  curl_mime_type(file, "application/octet-stream");
  curl_mime_encoder(file, "base64");
  curl_easy_setopt(handle, CURLOPT_MIMEPOST, mime.get());

  const CURLcode code = curl_easy_perform(handle);
  if (code == CURLE_OK) return {};
  std::string description = curl_easy_strerror(code);
  if (error_text[0] != '\0' && description != error_text) description += std::string(" (") + error_text + ")";
  return {static_cast<int>(code), description};
}

SendOutcome SendMail(Context& ctx, MailMessage message) {
  Desktop* desktop = ctx.desktop;
  auto refuse = [&](const char* text) {
    if (desktop) desktop->showMessage(text, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
    return SendOutcome::Refused;
  };
  auto usable = [](const std::string& address) { return address.size() >= 7 && Contains(address, "@"); };
  if (!usable(message.to)) return refuse("Invalid recipient address");
  if (!usable(message.from)) return refuse("Invalid from address");
  const std::string fallback = DefaultMailSubject(message.attachment_path);
  if (message.subject.empty()) message.subject = fallback;
  if (message.body.empty()) message.body = fallback;

  MailResult result;
  const MailSettings settings = ReadMailSettings(ctx);
  if (!MailTransportAvailable()) {
    result = {CURLE_UNSUPPORTED_PROTOCOL, curl_easy_strerror(CURLE_UNSUPPORTED_PROTOCOL)};
  } else {
    if (settings.authenticate && settings.user.empty()) {
      if (desktop)
        desktop->showMessage(
            "You seem to have authentication enabled, but no credentials supplied. Please check and try again",
            kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
      return SendOutcome::NeedsCredentials;
    }
    result = TransmitMail(settings, message);
    if (result.error == 0) {
      WriteLog(ctx, "Mail sent to " + OneLine(message.to) + " through " + settings.server);
      return SendOutcome::Sent;
    }
  }
  const std::string text = std::string("I'm sorry, the message could not be sent") + kCrLf + kCrLf +
                           "Error: " + std::to_string(result.error) + kCrLf + "Description: " + result.description +
                           kCrLf + "SMTP Server: " + settings.server;
  WriteLog(ctx, ReplaceAll(text, kCrLf, " "));
  if (desktop) desktop->showMessage(text, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  return SendOutcome::Failed;
}

}  // namespace kestrum
