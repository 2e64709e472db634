#pragma once
// The addresses a page names for sending its visitor on, read from the text without running
// anything: meta refresh tags and script assignments or calls on location.
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

struct PageRedirect {
  std::string method;  // "meta refresh", "location.href", "document.location" or "window.location"
  std::string target;  // as written, without its quotes
  size_t start = 0;    // where the target stands in the text
};

// In order of position; a target named through two methods at once ("document.location.href")
// is listed once, under the method that begins first.
std::vector<PageRedirect> FindPageRedirects(std::string_view text);

}  // namespace kestrum
