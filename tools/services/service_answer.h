#pragma once
// What one exchange answers: status, body and any extra header lines.
#include <string>
#include <utility>
#include <vector>

namespace kestrum::services {

struct ServiceAnswer {
  int status = 200;
  std::string content_type = "text/plain; charset=windows-1252";
  std::string body;
  std::vector<std::pair<std::string, std::string>> headers;
};

// A plain-text answer; error answers use it with a 4xx or 5xx status.
ServiceAnswer PlainAnswer(int status, std::string body);

}  // namespace kestrum::services
