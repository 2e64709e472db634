#pragma once
// Reading a finished libcurl transfer into FetchFacts.
#include <curl/curl.h>

#include <string>
#include <utility>
#include <vector>

#include "net/fetch_facts.h"

namespace kestrum {

// Every answer's status and header lines, in the order they came.
using ResponseBlocks = std::vector<std::pair<long, std::string>>;

// Address and port connected to, time taken (added to what is there), and the certificate.
void RecordWireFacts(CURL* handle, FetchFacts& facts);
// The answers before the final one that sent the request on, without interim (1xx) answers.
void RecordRedirectHops(const ResponseBlocks& responses, FetchFacts& facts);

}  // namespace kestrum
