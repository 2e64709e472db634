#include "dissect/image_references.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

constexpr size_t kTagWindow = 8;
constexpr size_t kBackgroundWindow = 12;
constexpr size_t kYieldEvery = size_t{1} << 20;
constexpr size_t kNone = std::string_view::npos;
constexpr std::string_view kQuote = "\"";

// EqualsNoCase for the few bytes of a marker, inline: it is asked at every "=" of a page.
bool SameNoCase(const char* text, std::string_view marker) {
  for (size_t k = 0; k < marker.size(); ++k)
    if (AnsiLower(text[k]) != AnsiLower(marker[k])) return false;
  return true;
}

bool EndsAtIgnoringCase(std::string_view page, size_t end, std::string_view marker) {
  return end >= marker.size() && SameNoCase(page.data() + end - marker.size(), marker);
}

size_t NextByte(std::string_view page, char byte, size_t from) {
  if (from >= page.size()) return kNone;
  const void* hit = std::memchr(page.data() + from, byte, page.size() - from);
  return hit ? static_cast<size_t>(static_cast<const char*>(hit) - page.data()) : kNone;
}

// Finds a pattern without regard to letter case by a pair of neighbouring bytes of it, eight
// text positions at a time, and compares the whole where the pair occurs. Blanks and common
// letters would stop a search for a single byte every few bytes of running text.
class PairSearch {
 public:
  // The pair begins at `pair_at` in the pattern; its letters are ASCII.
  PairSearch(std::string_view pattern, size_t pair_at)
      : pattern_(pattern), pair_at_(pair_at), first_(pattern[pair_at]), second_(pattern[pair_at + 1]) {}

  // First start at or after `from` of an occurrence that ends at or before `limit`.
  size_t find(std::string_view text, size_t from, size_t limit) const {
    const size_t length = pattern_.size();
    if (limit < length || from > limit - length) return kNone;
    const size_t last_start = limit - length;
    size_t at = from;
    if constexpr (std::endian::native == std::endian::little) {
      for (; at + 7 <= last_start; at += 8) {
        uint64_t here, next;
        std::memcpy(&here, text.data() + at + pair_at_, 8);
        std::memcpy(&next, text.data() + at + pair_at_ + 1, 8);
        for (uint64_t hits = first_.matches(here) & second_.matches(next); hits != 0; hits &= hits - 1) {
          const size_t start = at + static_cast<size_t>(std::countr_zero(hits)) / 8;
          if (SameNoCase(text.data() + start, pattern_)) return start;
        }
      }
    }
    for (; at <= last_start; ++at)
      if (SameNoCase(text.data() + at, pattern_)) return at;
    return kNone;
  }

  size_t size() const { return pattern_.size(); }

 private:
  // The high bit of each byte of a word that is this byte; a letter in either case.
  class Byte {
   public:
    explicit Byte(char c) {
      const auto lower = static_cast<uint8_t>(c | 0x20);
      const bool letter = lower >= 'a' && lower <= 'z';
      case_bit_ = letter ? kOnes * 0x20 : 0;
      value_ = kOnes * (letter ? lower : static_cast<uint8_t>(c));
    }
    uint64_t matches(uint64_t word) const {
      constexpr uint64_t kLow7 = kOnes * 0x7F;
      const uint64_t x = (word | case_bit_) ^ value_;
      return ~(((x & kLow7) + kLow7) | x | kLow7);
    }

   private:
    static constexpr uint64_t kOnes = 0x0101010101010101ull;
    uint64_t case_bit_;
    uint64_t value_;
  };

  std::string_view pattern_;
  size_t pair_at_;
  Byte first_;
  Byte second_;
};

// The next occurrence of a pattern in the page for windows that move forward: what one window
// searched is not searched again for the next.
class NextOccurrence {
 public:
  NextOccurrence(std::string_view page, PairSearch search) : page_(page), search_(search) {}

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
  PairSearch search_;
  // No occurrence starts in [clear_from_, clear_to_); when found_, one starts at clear_to_.
  size_t clear_from_ = 0;
  size_t clear_to_ = 0;
  bool found_ = false;
};

constexpr size_t kUnsure = kNone - 1;

// memchr on the pattern's last byte: quicker than memmem for the few bytes of a window.
size_t FindExactly(std::string_view text, std::string_view pattern, size_t from) {
  const size_t last = pattern.size() - 1;
  for (size_t at = NextByte(text, pattern[last], from + last); at != kNone; at = NextByte(text, pattern[last], at + 1))
    if (std::equal(pattern.begin(), pattern.end() - 1, text.begin() + (at - last))) return at - last;
  return kNone;
}

// The piece of a window the image-tag rules cut, as offsets; src pieces come out lower-cased.
struct Cut {
  size_t begin;
  size_t end;
  bool lower;
};

// The image-tag rules (after the script test) over what they may read of one window: all of it
// with its double blanks removed (`whole`), or only the part before its first double blank,
// which the removal leaves as it is. A search that finds nothing in a part answers kUnsure.
class WindowRules {
 public:
  WindowRules(std::string_view known, bool whole) : known_(known), whole_(whole) {}

  // `src_absent` tells that the text holds no "src=". Nothing when the cut depends on text
  // beyond the known part.
  std::optional<Cut> cut(bool src_absent) {
    if (src_absent) return cutUrl();
    const size_t quoted = find("src=\"", 0, true);
    if (quoted == kUnsure) return std::nullopt;
    if (quoted != kNone) {
      const size_t marker = find(" src=\"", 0, true);
      if (marker == kUnsure) return std::nullopt;
      // Without the blank before it the window keeps its letter case up to its first quote.
      if (marker == kNone) return Cut{0, known_.find('"'), false};
      const size_t begin = marker + 6;
      const size_t quote = findByte('"', begin);
      if (quote == kUnsure) return std::nullopt;
      if (quote == kNone) return Cut{begin, known_.size(), true};
      // The piece also ends at a next ' src="', whose quote would be this first one.
      const bool next_marker = quote >= begin + 5 && SameNoCase(known_.data() + quote - 5, " src=");
      return Cut{begin, next_marker ? quote - 5 : quote, true};
    }
    for (const std::string_view marker : {std::string_view("src='"), std::string_view("src=")}) {
      const size_t at = find(marker, 0, true);
      if (at == kUnsure) return std::nullopt;
      if (at == kNone) continue;
      const size_t begin = at + marker.size();
      const size_t blank = findByte(' ', begin);
      if (blank == kUnsure) return std::nullopt;
      const size_t end = blank == kNone ? known_.size() : blank;
      // The marker holds no blank: a next one that comes before the blank lies wholly before it.
      const size_t next = FindIgnoringCase(known_.substr(0, end), marker, begin);
      return Cut{begin, next == kNone ? end : next, true};
    }
    return cutUrl();
  }

  std::string_view known() const { return known_; }

  // The span of the text the cut was read from, and whether it also rests on an absence up to
  // the window's end or on where the window starts, which move with the window.
  size_t firstRead() const { return first_read_; }
  size_t lastRead() const { return last_read_; }
  bool readWindowEdges() const { return read_window_edges_; }

 private:
  std::optional<Cut> cutUrl() {
    const size_t any_url = find("url(", 0, true);
    if (any_url == kUnsure) return std::nullopt;
    if (any_url == kNone) return Cut{0, known_.size(), false};
    // The split is case-sensitive: "URL(" alone leaves the text whole before its cut at ")".
    const size_t url = find("url(", 0, false);
    if (url == kUnsure) return std::nullopt;
    const size_t begin = url == kNone ? 0 : url + 4;
    const size_t paren = findByte(')', begin);
    if (paren == kUnsure) return std::nullopt;
    const size_t end = paren == kNone ? known_.size() : paren;
    const size_t next = url == kNone ? kNone : FindExactly(known_.substr(0, end), "url(", begin);
    return Cut{begin, next == kNone ? end : next, false};
  }

  // First occurrence at or after `from`; one found in the known part is the first of the whole
  // text as well.
  size_t find(std::string_view pattern, size_t from, bool ignore_case) {
    return result(ignore_case ? FindIgnoringCase(known_, pattern, from) : FindExactly(known_, pattern, from),
                  pattern.size());
  }
  size_t findByte(char byte, size_t from) { return result(NextByte(known_, byte, from), 1); }

  // An absence reaches to the window's end. Each cut that begins at the window's start follows
  // one, so that flag covers both edges.
  size_t result(size_t at, size_t length) {
    if (at == kNone) {
      read_window_edges_ = true;
      return whole_ ? kNone : kUnsure;
    }
    first_read_ = std::min(first_read_, at);
    last_read_ = std::max(last_read_, at + length);
    return at;
  }

  std::string_view known_;
  bool whole_;
  size_t first_read_ = kNone;
  size_t last_read_ = 0;
  bool read_window_edges_ = false;
};

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
        script_(page, PairSearch("script src", 4)),
        double_blank_(page, PairSearch("  ", 0)),
        src_(page, PairSearch("src=", 2)) {}

  void imageTag(size_t position) {
    const size_t end = std::min(position + kImageReferenceLimit, page_.size());
    if (script_.find(position, end) != kNone) return;
    // Most windows are decided before their first double blank and need no copy.
    const size_t double_blank = double_blank_.find(position, end);
    const size_t known_end = double_blank == kNone ? end : double_blank;
    // Windows of a style reference mostly hold no "src=": one search serves them all.
    const bool src_absent = double_blank == kNone && src_.find(position, end) == kNone;
    // The windows of one marker mostly read the same text: a cut read from text that starts
    // after this window's start and ends in its known part is this window's cut too.
    if (taken_ && position <= taken_->first_read && known_end >= taken_->last_read &&
        src_absent == taken_->src_absent) {
      if (taken_->reference) handOver(std::string(*taken_->reference));
      return;
    }
    taken_.reset();
    WindowRules rules(page_.substr(position, known_end - position), double_blank == kNone);
    if (const std::optional<Cut> cut = rules.cut(src_absent)) {
      std::optional<std::string> reference =
          finished(rules.known().substr(cut->begin, cut->end - cut->begin), cut->lower, 3);
      if (!rules.readWindowEdges())
        taken_ = Taken{.first_read = position + rules.firstRead(),
                       .last_read = position + rules.lastRead(),
                       .src_absent = src_absent,
                       .reference = reference};
      if (reference) handOver(std::move(*reference));
      return;
    }
    WindowRules copy(std::string_view(window_, RemoveDoubleBlanksInto(page_.substr(position, end - position), window_)),
                     true);
    const Cut cut = *copy.cut(false);
    if (auto reference = finished(copy.known().substr(cut.begin, cut.end - cut.begin), cut.lower, 3))
      handOver(std::move(*reference));
  }

  void background(size_t position) {
    const std::string reference = BackgroundReference(page_.substr(position, kImageReferenceLimit));
    if (auto finished_reference = finished(reference, false, 1)) handOver(std::move(*finished_reference));
  }

 private:
  // The reference the finish rules make of a cut piece, when it is one.
  std::optional<std::string> finished(std::string_view piece, bool lower, size_t minimum_length) {
    piece = piece.substr(0, piece.find(')'));
    const bool absolute = !piece.empty() && piece.front() == '/';
    auto passes = [&](std::string_view text) {
      return TrimSpaces(text).size() >= minimum_length && text.find('.') != kNone;
    };
    if (!absolute && !passes(piece)) return std::nullopt;
    // The address box keeps its text during the scan.
    if (absolute && !host_) host_ = hooks_.host_of_page();
    const std::string_view host = absolute ? std::string_view(*host_) : std::string_view();
    if (host.size() + piece.size() > kImageReferenceLimit)
      piece = piece.substr(0, kImageReferenceLimit - std::min(host.size(), kImageReferenceLimit));
    std::string reference(std::min(host.size(), kImageReferenceLimit) + piece.size(), '\0');
    char* out = reference.data();
    out = std::copy_n(host.data(), reference.size() - piece.size(), out);
    if (lower) {
      for (const char c : piece) *out++ = AnsiLower(c);
    } else {
      std::copy(piece.begin(), piece.end(), out);
    }
    if (absolute && !passes(reference)) return std::nullopt;
    return reference;
  }

  void handOver(std::string reference) { hooks_.found(reference); }

  std::string_view page_;
  const ImageScanHooks& hooks_;
  NextOccurrence script_;
  NextOccurrence double_blank_;
  NextOccurrence src_;
  std::optional<std::string> host_;
  char window_[kImageReferenceLimit];
  // The last cut that did not depend on its window's edges: the span it was read from, in page
  // positions, and the reference it gave.
  struct Taken {
    size_t first_read;
    size_t last_read;
    bool src_absent;
    std::optional<std::string> reference;
  };
  std::optional<Taken> taken_;
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
