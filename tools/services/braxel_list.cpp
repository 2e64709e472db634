#include "services/braxel_list.h"

#include "services/host_text.h"
#include "services/list_file.h"

namespace kestrum::services {
namespace {

bool LooksLikeAddress(std::string_view field) {
  return ParseIPv4(field).has_value() || field.find(':') != std::string_view::npos;
}

// The program reads the answer as comma-separated fields and splits it at "||", so a class
// holding either would be cut apart on the way.
bool IsUsableClass(std::string_view cls) {
  return cls.find_first_of(",\"|") == std::string_view::npos;
}

}  // namespace

BraxelList BraxelList::Parse(std::string_view text, std::vector<std::string>& warnings) {
  BraxelList list;
  for (const ListLine& line : MeaningfulLines(text)) {
    const bool hosts_style = line.fields.size() >= 2 && LooksLikeAddress(line.fields[0]);
    const size_t host_field = hosts_style ? 1 : 0;
    const std::string host = HostOfLookupText(line.fields[host_field]);
    if (host.empty()) {
      warnings.push_back(LineWarning(line, "no host"));
      continue;
    }
    std::string cls = line.RestAfter(host_field + 1);
    if (!IsUsableClass(cls)) {
      warnings.push_back(LineWarning(line, "a class may not hold a comma, a quote or \"|\"; listed without class"));
      cls.clear();
    }
    if (!list.classes_.emplace(host, std::move(cls)).second)
      warnings.push_back(LineWarning(line, "host listed before; the first line counts"));
  }
  return list;
}

std::optional<std::string> BraxelList::ClassOf(std::string_view lookup_text) const {
  const auto found = classes_.find(HostOfLookupText(lookup_text));
  if (found == classes_.end()) return std::nullopt;
  return found->second;
}

std::string BraxelAnswerText(const std::optional<std::string>& listed_class) {
  if (!listed_class) return "Not Listed";
  if (listed_class->empty()) return "Listed";
  return "Listed||" + *listed_class;
}

}  // namespace kestrum::services
