#include "dissect/page_redirects.h"

#include <algorithm>
#include <array>

#include "core/text.h"

namespace kestrum {
namespace {

constexpr std::array<std::string_view, 3> kScriptMethods = {"document.location", "window.location", "location.href"};

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

size_t SkipBlanks(std::string_view text, size_t at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  return at;
}

// A quoted text starting at `at` (after blanks); its start and length, or npos.
std::pair<size_t, size_t> QuotedAt(std::string_view text, size_t at) {
  at = SkipBlanks(text, at);
  if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return {std::string_view::npos, 0};
  const size_t close = text.find(text[at], at + 1);
  if (close == std::string_view::npos ||
      text.substr(at + 1, close - at - 1).find_first_of("\r\n") != std::string_view::npos)
    return {std::string_view::npos, 0};
  return {at + 1, close - at - 1};
}

// After a method name: ".href"? then "= 'x'", ".replace('x')", ".assign('x')" or "('x')".
std::pair<size_t, size_t> ScriptTarget(std::string_view lower, size_t at) {
  if (lower.substr(at, 5) == ".href") at += 5;
  at = SkipBlanks(lower, at);
  for (std::string_view call : {".replace", ".assign"}) {
    if (lower.substr(at, call.size()) == call) {
      at = SkipBlanks(lower, at + call.size());
      break;
    }
  }
  if (at >= lower.size()) return {std::string_view::npos, 0};
  if (lower[at] == '=' && (at + 1 >= lower.size() || lower[at + 1] != '=')) return QuotedAt(lower, at + 1);
  if (lower[at] == '(') return QuotedAt(lower, at + 1);
  return {std::string_view::npos, 0};
}

void AddMetaRefreshes(std::string_view text, std::string_view lower, std::vector<PageRedirect>& out) {
  for (size_t tag = lower.find("<meta"); tag != std::string_view::npos; tag = lower.find("<meta", tag + 5)) {
    const size_t end = std::min(lower.find('>', tag), lower.size());
    const std::string_view inside = lower.substr(tag, end - tag);
    if (inside.find("http-equiv") == std::string_view::npos || inside.find("refresh") == std::string_view::npos)
      continue;
    const size_t url = inside.find("url=", inside.find("content"));
    if (url == std::string_view::npos) continue;
    size_t start = SkipBlanks(lower, tag + url + 4);
    if (start < end && (lower[start] == '\'' || lower[start] == '"')) ++start;
    if (start < end && lower[start] == '\\' && start + 1 < end && lower[start + 1] == '"') start += 2;
    size_t stop = start;
    while (stop < end && lower[stop] != '"' && lower[stop] != '\'' && lower[stop] != '\\') ++stop;
    while (stop > start && IsBlank(lower[stop - 1])) --stop;
    if (stop > start) out.push_back({"meta refresh", std::string(text.substr(start, stop - start)), start});
  }
}

}  // namespace

std::vector<PageRedirect> FindPageRedirects(std::string_view text) {
  const std::string lower = ToLowerAscii(text);
  std::vector<PageRedirect> found;
  AddMetaRefreshes(text, lower, found);
  struct Hit {
    size_t method_start;
    PageRedirect redirect;
  };
  std::vector<Hit> hits;
  for (std::string_view method : kScriptMethods) {
    for (size_t at = lower.find(method); at != std::string::npos; at = lower.find(method, at + 1)) {
      const auto [start, length] = ScriptTarget(lower, at + method.size());
      if (start != std::string_view::npos)
        hits.push_back({at, {std::string(method), std::string(text.substr(start, length)), start}});
    }
  }
  std::sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.method_start < b.method_start; });
  for (const Hit& hit : hits) {
    const bool named =
        std::any_of(found.begin(), found.end(), [&](const PageRedirect& r) { return r.start == hit.redirect.start; });
    if (!named) found.push_back(hit.redirect);
  }
  std::sort(found.begin(), found.end(), [](const PageRedirect& a, const PageRedirect& b) { return a.start < b.start; });
  return found;
}

}  // namespace kestrum
