#include "net/wire_facts.h"

#include "core/text.h"

namespace kestrum {
namespace {

// "Name:value" lines of the leaf certificate as libcurl lists them.
void RecordCertificate(CURL* handle, CertificateFacts& certificate) {
  curl_certinfo* info = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_CERTINFO, &info) != CURLE_OK || info == nullptr || info->num_of_certs < 1)
    return;
  certificate = CertificateFacts{.checked = true, .reason = certificate.reason};
  for (curl_slist* item = info->certinfo[0]; item != nullptr; item = item->next) {
    const std::string_view line(item->data);
    const std::string_view name = Before(line, ":");
    const std::string value(TrimBlank(After(line, ":")));
    if (name == "Subject")
      certificate.subject = value;
    else if (name == "Issuer")
      certificate.issuer = value;
    else if (name == "Start date")
      certificate.valid_from = value;
    else if (name == "Expire date")
      certificate.valid_until = value;
    else if (name == "X509v3 Subject Alternative Name") {
      std::string_view rest = value;
      while (!rest.empty()) {
        const std::string one(TrimBlank(Before(rest, ",")));
        if (!one.empty()) certificate.names.push_back(one);
        rest = Contains(rest, ",") ? After(rest, ",") : std::string_view();
      }
    }
  }
}

std::string HeaderValue(std::string_view block, std::string_view name) {
  for (std::string_view rest = block; !rest.empty();) {
    const std::string_view line = Before(rest, "\r\n");
    rest = Contains(rest, "\r\n") ? After(rest, "\r\n") : std::string_view();
    if (line.size() > name.size() && line[name.size()] == ':' && FindNoCase(line, name) == 0)
      return std::string(TrimBlank(line.substr(name.size() + 1)));
  }
  return {};
}

}  // namespace

void RecordWireFacts(CURL* handle, FetchFacts& facts) {
  char* ip = nullptr;
  if (curl_easy_getinfo(handle, CURLINFO_PRIMARY_IP, &ip) == CURLE_OK && ip != nullptr && *ip != '\0')
    facts.primary_ip = ip;
  long port = 0;
  if (curl_easy_getinfo(handle, CURLINFO_PRIMARY_PORT, &port) == CURLE_OK && port != 0) facts.primary_port = port;
  curl_off_t micros = 0;
  if (curl_easy_getinfo(handle, CURLINFO_TOTAL_TIME_T, &micros) == CURLE_OK)
    facts.seconds += static_cast<double>(micros) / 1e6;
  RecordCertificate(handle, facts.certificate);
}

void RecordRedirectHops(const ResponseBlocks& responses, FetchFacts& facts) {
  facts.redirects.clear();
  for (size_t i = 0; i + 1 < responses.size(); ++i) {
    const auto& [status, block] = responses[i];
    if (status < 300 || status >= 400) continue;
    facts.redirects.push_back({status, HeaderValue(block, "Location"), block});
  }
}

}  // namespace kestrum
