#include "services/service_answer.h"

namespace kestrum::services {

ServiceAnswer PlainAnswer(int status, std::string body) {
  ServiceAnswer answer;
  answer.status = status;
  answer.body = std::move(body);
  return answer;
}

}  // namespace kestrum::services
