#pragma once
// A one-column list: every line's entry, put into the form lookups compare. The Malware
// Domain List holds hosts (compared without letter case); the phishing list holds whole
// addresses (scheme and host without letter case, an empty path read as "/").
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "services/host_text.h"
#include "services/list_file.h"

namespace kestrum::services {

template <std::string (*Normalize)(std::string_view)>
class EntryList {
 public:
  static EntryList Parse(std::string_view text, std::vector<std::string>& warnings) {
    EntryList list;
    for (const ListLine& line : MeaningfulLines(text)) {
      if (line.fields.size() > 1) warnings.push_back(LineWarning(line, "text after the entry ignored"));
      std::string entry = Normalize(line.fields.front());
      if (entry.empty())
        warnings.push_back(LineWarning(line, "no usable entry"));
      else
        list.entries_.insert(std::move(entry));
    }
    return list;
  }

  bool Lists(std::string_view text) const {
    const std::string key = Normalize(text);
    return !key.empty() && entries_.count(key) > 0;
  }
  size_t size() const { return entries_.size(); }

 private:
  std::unordered_set<std::string> entries_;
};

// Lookups send protocol, "://" and host; the list holds host names or addresses.
using MdlList = EntryList<HostOfLookupText>;
using PhishList = EntryList<NormalizedAddress>;

}  // namespace kestrum::services
