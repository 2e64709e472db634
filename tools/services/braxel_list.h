#pragma once
// The hosts blocklist: hosts-style lines "ADDRESS HOST [CLASS]" (or "HOST [CLASS]"), where the
// leading address is the sink a hosts file would point the name at and plays no part here, and
// the class is the rest of the line ("NOT SPECIFIED" holds a blank).
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrum::services {

class BraxelList {
 public:
  static BraxelList Parse(std::string_view text, std::vector<std::string>& warnings);

  // The class of a listed host (empty when the line names none), nothing when not listed.
  // `lookup_text` is what the program sends: protocol, "://" and host.
  std::optional<std::string> ClassOf(std::string_view lookup_text) const;
  size_t size() const { return classes_.size(); }

 private:
  std::unordered_map<std::string, std::string> classes_;
};

// The answer line: "Listed||CLASS", "Listed" for a host listed without class, or "Not Listed".
std::string BraxelAnswerText(const std::optional<std::string>& listed_class);

}  // namespace kestrum::services
