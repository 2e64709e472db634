#include "net/declared_charset.h"

#include "core/text.h"

namespace kestrum {
namespace {

std::string_view Unquoted(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

std::string MetaCharset(std::string_view head) {
  for (size_t tag = FindNoCase(head, "<meta"); tag != std::string_view::npos;
       tag = FindNoCase(head, "<meta", tag + 5)) {
    const size_t end = head.find('>', tag);
    const std::string_view inside =
        head.substr(tag, end == std::string_view::npos ? std::string_view::npos : end - tag);
    const size_t at = FindNoCase(inside, "charset=");
    if (at == std::string_view::npos) continue;
    std::string_view value = inside.substr(at + 8);
    if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
      const char quote = value.front();
      value = value.substr(1);
      value = value.substr(0, value.find(quote));
    }
    const size_t stop = value.find_first_of(" \t\r\n;\"'/>");
    return std::string(TrimBlank(value.substr(0, stop)));
  }
  return {};
}

}  // namespace

std::string_view CharsetParameter(std::string_view content_type) {
  const size_t at = FindNoCase(content_type, "charset=");
  if (at == std::string_view::npos) return {};
  std::string_view value = content_type.substr(at + 8);
  value = value.substr(0, value.find(';'));
  return Unquoted(TrimBlank(value));
}

DeclaredCharsets FindDeclaredCharsets(std::string_view head, std::string_view content_type) {
  DeclaredCharsets found;
  found.header = std::string(CharsetParameter(content_type));
  if (StartsWith(head, "\xEF\xBB\xBF"))
    found.bom = "utf-8";
  else if (StartsWith(head, "\xFF\xFE"))
    found.bom = "utf-16le";
  else if (StartsWith(head, "\xFE\xFF"))
    found.bom = "utf-16be";
  found.meta = MetaCharset(head);
  return found;
}

}  // namespace kestrum
