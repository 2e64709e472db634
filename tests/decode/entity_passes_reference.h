#pragma once
// The HTML entity decoder written the slow, literal way: one replace-all per named entity, then
// one per code from 1 to 255. The fast decoder must agree with it on every input.
#include <string>
#include <string_view>

#include "core/text.h"

namespace kestrum::testing {

inline std::string DecodeHTMLEntitiesByPasses(std::string_view text) {
  std::string out(text);
  for (const auto& [entity, character] : {std::pair{"&quot;", "\""}, std::pair{"&lt;", "<"}, std::pair{"&gt;", ">"},
                                          std::pair{"&amp;", "&"}, std::pair{"&nbsp;", " "}})
    out = ReplaceAll(out, entity, character);
  for (int code = 1; code <= 255; ++code) {
    const std::string reference = "#" + std::to_string(code) + ";";
    const std::string character(1, static_cast<char>(code));
    out = Contains(out, "&#") ? ReplaceAll(out, "&" + reference, character) : ReplaceAll(out, reference, character);
  }
  return out;
}

}  // namespace kestrum::testing
