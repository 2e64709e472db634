#include "services/netblock_list.h"

#include <algorithm>
#include <charconv>

#include "core/text.h"
#include "services/host_text.h"
#include "services/list_file.h"

namespace kestrum::services {
namespace {

struct Block {
  uint32_t first;
  uint32_t last;
};

std::optional<Block> ParseBlock(std::string_view text) {
  if (const size_t slash = text.find('/'); slash != std::string_view::npos) {
    const auto base = ParseIPv4(text.substr(0, slash));
    const std::string_view bits_text = text.substr(slash + 1);
    unsigned bits = 0;
    const auto [end, error] = std::from_chars(bits_text.data(), bits_text.data() + bits_text.size(), bits);
    if (!base || error != std::errc() || end != bits_text.data() + bits_text.size() || bits > 32 || bits_text.empty())
      return std::nullopt;
    const uint32_t mask = bits == 0 ? 0 : ~uint32_t{0} << (32 - bits);
    return Block{*base & mask, (*base & mask) | ~mask};
  }
  if (const size_t dash = text.find('-'); dash != std::string_view::npos) {
    const auto first = ParseIPv4(text.substr(0, dash));
    const auto last = ParseIPv4(text.substr(dash + 1));
    if (!first || !last || *first > *last) return std::nullopt;
    return Block{*first, *last};
  }
  if (const auto single = ParseIPv4(text)) return Block{*single, *single};
  return std::nullopt;
}

bool LooksLikeDomain(std::string_view text) {
  if (text.empty() || text.front() == '.' || text.back() == '.') return false;
  for (const char c : text) {
    const bool ok =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
    if (!ok) return false;
  }
  // Without a letter it is a malformed address or range, not a name.
  return std::any_of(text.begin(), text.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); });
}

std::optional<uint32_t> ParseDecimalAddress(std::string_view text) {
  uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || text.empty() || value > 0xFFFFFFFFu)
    return std::nullopt;
  return static_cast<uint32_t>(value);
}

// The program cuts the answer at these markers; an owner holding one would be cut apart.
bool HoldsAnswerMarker(std::string_view owner) {
  for (const char* marker : {"<b>", "</b>", "[content]", "[/content]"})
    if (ContainsNoCase(owner, marker)) return true;
  return false;
}

}  // namespace

NetblockList NetblockList::Parse(std::string_view text, std::vector<std::string>& warnings) {
  NetblockList list;
  for (const ListLine& line : MeaningfulLines(text)) {
    const std::string owner = line.RestAfter(1);
    if (owner.empty()) {
      warnings.push_back(LineWarning(line, "no owner after the range"));
      continue;
    }
    if (HoldsAnswerMarker(owner)) {
      warnings.push_back(LineWarning(line, "an owner may not hold \"<b>\", \"</b>\", \"[CONTENT]\" or \"[/CONTENT]\""));
      continue;
    }
    if (const auto block = ParseBlock(line.fields[0])) {
      list.ranges_.push_back({block->first, block->last, owner});
    } else if (LooksLikeDomain(line.fields[0])) {
      list.domains_.push_back({ToLowerAscii(line.fields[0]), owner});
    } else {
      warnings.push_back(LineWarning(line, "neither an address range nor a domain name"));
    }
  }
  return list;
}

std::optional<NetblockMatch> NetblockList::Find(const std::vector<uint32_t>& addresses, std::string_view host) const {
  for (const uint32_t address : addresses) {
    const Range* best = nullptr;
    for (const Range& range : ranges_) {
      if (address < range.first || address > range.last) continue;
      if (!best || range.last - range.first < best->last - best->first) best = &range;
    }
    if (best) return NetblockMatch{best->owner, address, best->first, best->last, {}};
  }
  const std::string name = HostOfLookupText(host);
  const Domain* best = nullptr;
  for (const Domain& domain : domains_) {
    const bool covers = name == domain.name || (name.size() > domain.name.size() && EndsWith(name, domain.name) &&
                                                name[name.size() - domain.name.size() - 1] == '.');
    if (covers && (!best || domain.name.size() > best->name.size())) best = &domain;
  }
  if (best) return NetblockMatch{best->owner, std::nullopt, 0, 0, best->name};
  return std::nullopt;
}

NetblockQuery ParseNetblockQuery(std::string_view s_value) {
  NetblockQuery query;
  const size_t separator = s_value.find("||");
  const std::string_view address_text = s_value.substr(0, separator);
  if (separator != std::string_view::npos)
    query.host = std::string(TrimBlank(Before(s_value.substr(separator + 2), "||")));
  for (const std::string& piece : Split(address_text, ",")) {
    const std::string_view trimmed = TrimBlank(piece);
    if (auto address = ParseIPv4(trimmed))
      query.addresses.push_back(*address);
    else if (auto decimal = ParseDecimalAddress(trimmed))
      query.addresses.push_back(*decimal);
    if (query.addresses.size() >= 16) break;
  }
  if (auto host_address = ParseIPv4(query.host)) query.addresses.push_back(*host_address);
  return query;
}

std::string NetblockAnswerText(const std::optional<NetblockMatch>& match) {
  if (!match) return "unable to determine the whois server for this name\r\n";
  std::string text = "[CONTENT]\r\n<b>" + match->owner + "</b>\r\n";
  if (match->address) {
    text += "Range: " + IPv4Text(match->first) + " - " + IPv4Text(match->last) + "\r\n";
    text += "Address: " + IPv4Text(*match->address) + "\r\n";
  } else {
    text += "Domain: " + match->domain + "\r\n";
  }
  return text + "[/CONTENT]\r\n";
}

}  // namespace kestrum::services
