#include "dissect/image_references.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <utility>

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr size_t kTagWindow = 8;
constexpr size_t kBackgroundWindow = 12;
constexpr size_t kYieldEvery = size_t{1} << 20;
constexpr size_t kNone = std::string_view::npos;
constexpr std::string_view kQuote = "\"";

bool EndsAtIgnoringCase(std::string_view page, size_t end, std::string_view marker) {
  return end >= marker.size() && EqualsNoCase(page.substr(end - marker.size(), marker.size()), marker);
}

size_t NextByte(std::string_view page, char byte, size_t from) {
  if (from >= page.size()) return kNone;
  const void* hit = std::memchr(page.data() + from, byte, page.size() - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - page.data()) : kNone;
}

// Horspool's search without regard to letter case. The blank in "script src" and in a double
// blank would stop a search anchored on one byte at every word of a text.
class SkippingSearch {
 public:
  explicit SkippingSearch(std::string_view pattern) : pattern_(pattern) {
    for (int byte = 0; byte < 256; ++byte) {
      skip_[byte] = static_cast<uint8_t>(pattern.size());
      for (size_t k = 0; k + 1 < pattern.size(); ++k)
        if (kAnsiCase.lower[byte] == kAnsiCase.lower[static_cast<unsigned char>(pattern[k])])
          skip_[byte] = static_cast<uint8_t>(pattern.size() - 1 - k);
    }
  }

  // First start at or after `from` of an occurrence that ends at or before `limit`.
  size_t find(std::string_view text, size_t from, size_t limit) const {
    const size_t length = pattern_.size();
    const char last = AnsiLower(pattern_.back());
    for (size_t at = from; at + length <= limit; at += skip_[static_cast<unsigned char>(text[at + length - 1])]) {
      if (AnsiLower(text[at + length - 1]) == last && EqualsNoCase(text.substr(at, length), pattern_)) return at;
    }
    return kNone;
  }

  size_t size() const { return pattern_.size(); }

 private:
  std::string_view pattern_;
  std::array<uint8_t, 256> skip_{};
};

// Two blanks in a row, eight bytes at a time: text has a blank every few bytes, and a search
// that stops at each one is slow.
class DoubleBlankSearch {
 public:
  size_t find(std::string_view text, size_t from, size_t limit) const {
    size_t at = from;
    if constexpr (std::endian::native == std::endian::little) {
      for (; at + 9 <= limit; at += 8) {
        uint64_t here, next;
        std::memcpy(&here, text.data() + at, 8);
        std::memcpy(&next, text.data() + at + 1, 8);
        const uint64_t pairs = Blanks(here) & Blanks(next);
        if (pairs != 0) return at + static_cast<size_t>(std::countr_zero(pairs)) / 8;
      }
    }
    for (; at + 2 <= limit; ++at)
      if (text[at] == ' ' && text[at + 1] == ' ') return at;
    return kNone;
  }

  size_t size() const { return 2; }

 private:
  // The high bit of every byte that is a blank.
  static uint64_t Blanks(uint64_t word) {
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7Full;
    const uint64_t x = word ^ 0x2020202020202020ull;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
  }
};

// A pattern with a rare byte, found by memchr on that byte.
struct AnchoredSearch {
  std::string_view pattern;
  size_t find(std::string_view text, size_t from, size_t limit) const {
    return FindIgnoringCase(text.substr(0, limit), pattern, from);
  }
  size_t size() const { return pattern.size(); }
};

// The next occurrence of a pattern in the page for windows that move forward: what one window
// searched is not searched again for the next.
template <typename Search>
class NextOccurrence {
 public:
  NextOccurrence(std::string_view page, Search search) : page_(page), search_(std::move(search)) {}

  // First start at or after `from` of an occurrence that ends at or before `limit`, or kNone.
  size_t find(size_t from, size_t limit) {
    if (from < clear_from_ || from > clear_to_) {
      clear_from_ = clear_to_ = from;
      found_ = false;
    }
    const size_t length = search_.size();
    if (!found_ && clear_to_ + length <= limit) {
      const size_t hit = search_.find(page_, clear_to_, limit);
      found_ = hit != kNone;
      clear_to_ = found_ ? hit : limit - length + 1;
    }
    return found_ && clear_to_ + length <= limit ? clear_to_ : kNone;
  }

 private:
  std::string_view page_;
  Search search_;
  // No occurrence starts in [clear_from_, clear_to_); when found_, one starts at clear_to_.
  size_t clear_from_ = 0;
  size_t clear_to_ = 0;
  bool found_ = false;
};

// What the image-tag rules read of one window: all of it with its double blanks removed
// (`whole`), or only the part before its first double blank, which the removal leaves as it is.
struct RuleText {
  std::string_view known;
  bool whole;
};

constexpr size_t kUnsure = kNone - 1;

// memchr on the pattern's last byte: quicker than memmem for the few bytes of a window.
size_t FindExactly(std::string_view text, std::string_view pattern, size_t from) {
  const size_t last = pattern.size() - 1;
  for (size_t at = NextByte(text, pattern[last], from + last); at != kNone; at = NextByte(text, pattern[last], at + 1))
    if (text.compare(at - last, last, pattern.substr(0, last)) == 0) return at - last;
  return kNone;
}

// First occurrence at or after `from`; kNone when there is none, kUnsure when one could lie
// beyond the known part. One found inside it is the first of the whole text as well.
size_t Find(const RuleText& text, std::string_view pattern, size_t from, bool ignore_case) {
  const size_t at = ignore_case ? FindIgnoringCase(text.known, pattern, from) : FindExactly(text.known, pattern, from);
  return at == kNone && !text.whole ? kUnsure : at;
}

size_t FindByte(const RuleText& text, char byte, size_t from) {
  const size_t at = NextByte(text.known, byte, from);
  return at == kNone && !text.whole ? kUnsure : at;
}

// The piece of the text the rules cut; src pieces come out lower-cased.
struct Cut {
  size_t begin;
  size_t end;
  bool lower;
};

std::optional<Cut> CutUrl(const RuleText& text);

// The image-tag rules after the script test, as offsets into the text; nothing when the answer
// depends on text beyond the known part. `src_absent` tells that the text holds no "src=".
std::optional<Cut> CutImageTag(const RuleText& text, bool src_absent) {
  if (src_absent) return CutUrl(text);
  const std::string_view known = text.known;
  const size_t quoted = Find(text, "src=\"", 0, true);
  if (quoted == kUnsure) return std::nullopt;
  if (quoted != kNone) {
    const size_t marker = Find(text, " src=\"", 0, true);
    if (marker == kUnsure) return std::nullopt;
    // Without the blank before it the window keeps its letter case up to its first quote.
    if (marker == kNone) return Cut{0, known.find('"'), false};
    const size_t begin = marker + 6;
    const size_t quote = FindByte(text, '"', begin);
    if (quote == kUnsure) return std::nullopt;
    if (quote == kNone) return Cut{begin, known.size(), true};
    // The piece also ends at a next ' src="', whose quote would be this first one.
    const bool next_marker = quote >= begin + 5 && EqualsNoCase(known.substr(quote - 5, 5), " src=");
    return Cut{begin, next_marker ? quote - 5 : quote, true};
  }
  for (const std::string_view marker : {std::string_view("src='"), std::string_view("src=")}) {
    const size_t at = Find(text, marker, 0, true);
    if (at == kUnsure) return std::nullopt;
    if (at == kNone) continue;
    const size_t begin = at + marker.size();
    const size_t blank = FindByte(text, ' ', begin);
    if (blank == kUnsure) return std::nullopt;
    const size_t end = blank == kNone ? known.size() : blank;
    // The marker holds no blank: a next one that comes before the blank lies wholly before it.
    const size_t next = FindIgnoringCase(known.substr(0, end), marker, begin);
    return Cut{begin, next == kNone ? end : next, true};
  }
  return CutUrl(text);
}

// The rules for a text without "src=".
std::optional<Cut> CutUrl(const RuleText& text) {
  const std::string_view known = text.known;
  const size_t any_url = Find(text, "url(", 0, true);
  if (any_url == kUnsure) return std::nullopt;
  if (any_url == kNone) {
    if (!text.whole) return std::nullopt;
    return Cut{0, known.size(), false};
  }
  // The split is case-sensitive: "URL(" alone leaves the text whole before its cut at ")".
  const size_t url = Find(text, "url(", 0, false);
  if (url == kUnsure) return std::nullopt;
  const size_t begin = url == kNone ? 0 : url + 4;
  const size_t paren = FindByte(text, ')', begin);
  if (paren == kUnsure) return std::nullopt;
  const size_t end = paren == kNone ? known.size() : paren;
  const size_t next = url == kNone ? kNone : FindExactly(known.substr(0, end), "url(", begin);
  return Cut{begin, next == kNone ? end : next, false};
}

// Every pair of consecutive blanks removed: a run of blanks leaves one when its length is odd.
size_t RemoveDoubleBlanksInto(std::string_view text, char* out) {
  size_t size = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] != ' ') {
      out[size++] = text[i++];
      continue;
    }
    const size_t run_start = i;
    while (i < text.size() && text[i] == ' ') ++i;
    if ((i - run_start) % 2 == 1) out[size++] = ' ';
  }
  return size;
}

// Backgrounds are few; their rules run on a copy of the window.
std::string BackgroundReference(std::string_view window) {
  std::string reference = RemoveDoubleBlanks(window);
  if (ContainsNoCase(reference, " background=")) {
    KeepSecondPiece(reference, " background=\"");
    KeepBefore(reference, kQuote);
  }
  if (ContainsNoCase(reference, " background=")) KeepSecondPiece(reference, " background=");
  if (Contains(reference, kQuote)) {
    KeepSecondPiece(reference, kQuote);
    KeepBefore(reference, kQuote);
  }
  KeepBefore(reference, ">");
  reference = RemoveDoubleBlanks(reference);
  RemoveEvery(reference, "\n");
  if (StartsWith(reference, "'")) reference.erase(0, 1);
  KeepBefore(reference, "' ");
  KeepBefore(reference, "\" ");
  return reference;
}

class ImageScan {
 public:
  ImageScan(std::string_view page, const ImageScanHooks& hooks)
      : page_(page),
        hooks_(hooks),
        script_(page, SkippingSearch("script src")),
        double_blank_(page, DoubleBlankSearch()),
        src_(page, AnchoredSearch{"src="}) {}

  void imageTag(size_t position) {
    const size_t end = std::min(position + kImageReferenceLimit, page_.size());
    if (script_.find(position, end) != kNone) return;
    // Most windows are decided before their first double blank and need no copy.
    const size_t double_blank = double_blank_.find(position, end);
    RuleText text{page_.substr(position, (double_blank == kNone ? end : double_blank) - position),
                  double_blank == kNone};
    // Windows of a style reference mostly hold no "src=": one search serves them all.
    const bool src_absent = text.whole && src_.find(position, end) == kNone;
    std::optional<Cut> cut = CutImageTag(text, src_absent);
    if (!cut) {
      text = {std::string_view(window_, RemoveDoubleBlanksInto(page_.substr(position, end - position), window_)), true};
      cut = CutImageTag(text, false);
    }
    finish(text.known.substr(cut->begin, cut->end - cut->begin), cut->lower, 3);
  }

  void background(size_t position) {
    const std::string reference = BackgroundReference(page_.substr(position, kImageReferenceLimit));
    finish(reference, false, 1);
  }

 private:
  void finish(std::string_view piece, bool lower, size_t minimum_length) {
    piece = piece.substr(0, piece.find(')'));
    const bool absolute = StartsWith(piece, "/");
    auto passes = [&](std::string_view text) {
      return TrimSpaces(text).size() >= minimum_length && text.find('.') != kNone;
    };
    if (!absolute && !passes(piece)) return;
    std::string reference;
    if (absolute) {
      // The address box keeps its text during the scan.
      if (!host_) host_ = hooks_.host_of_page();
      reference.reserve(host_->size() + piece.size());
      reference = *host_;
    }
    const size_t start = reference.size();
    reference.append(piece);
    if (lower) {
      for (size_t i = start; i < reference.size(); ++i) reference[i] = AnsiLower(reference[i]);
    }
    if (absolute) {
      if (reference.size() > kImageReferenceLimit) reference.resize(kImageReferenceLimit);
      if (!passes(reference)) return;
    }
    hooks_.found(reference);
  }

  std::string_view page_;
  const ImageScanHooks& hooks_;
  NextOccurrence<SkippingSearch> script_;
  NextOccurrence<DoubleBlankSearch> double_blank_;
  NextOccurrence<AnchoredSearch> src_;
  std::optional<std::string> host_;
  char window_[kImageReferenceLimit];
};

}  // namespace

void FindImageReferences(std::string_view page, const ImageScanHooks& hooks) {
  if (page.empty()) return;
  const size_t last_position = page.size() >= kBackgroundWindow ? page.size() - (kBackgroundWindow - 1) : 0;
  ImageScan scan(page, hooks);
  size_t next_yield = kYieldEvery;
  auto reached = [&](size_t position) {
    if (position < next_yield) return;
    if (hooks.yield) hooks.yield();
    next_yield = position + kYieldEvery;
  };
  // Markers are found at their last byte, "=" or "("; the positions they give come out in
  // ascending order, and a position seen by two markers is scanned once.
  size_t next_tag_position = 0;
  auto tag_marker = [&](size_t marker_start, size_t marker_length) {
    const size_t lead = kTagWindow - marker_length;
    const size_t last = std::min(marker_start, last_position);
    for (size_t p = std::max(marker_start >= lead ? marker_start - lead : 0, next_tag_position); p <= last; ++p) {
      reached(p);
      scan.imageTag(p);
    }
    next_tag_position = std::max(next_tag_position, marker_start + 1);
  };
  size_t equals = NextByte(page, '=', 0);
  size_t paren = NextByte(page, '(', 0);
  while (equals != kNone || paren != kNone) {
    if (equals < paren) {
      if (EndsAtIgnoringCase(page, equals, " src")) {
        tag_marker(equals - 4, 5);
      } else if (EndsAtIgnoringCase(page, equals, " background")) {
        reached(equals - 11);
        scan.background(equals - 11);
      }
      equals = NextByte(page, '=', equals + 1);
    } else {
      if (EndsAtIgnoringCase(page, paren, "url")) tag_marker(paren - 3, 4);
      paren = NextByte(page, '(', paren + 1);
    }
  }
}

}  // namespace kestrum
