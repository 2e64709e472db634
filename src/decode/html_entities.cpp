#include "decode/html_entities.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

namespace kestrum {
namespace {

constexpr bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A decoded character that can become part of a later reference.
constexpr bool CanJoinReference(char c) { return c == '#' || c == ';' || IsDigit(c); }

bool HasAt(std::string_view text, size_t pos, std::string_view what) { return text.substr(pos, what.size()) == what; }

// "&quot;", "&lt;", "&gt;", "&amp;" and "&nbsp;" replaced one after the other, in a single scan.
// The names never overlap and the characters they give are not part of a name, so the order only
// shows in one place: the "&" that "&amp;" leaves forms "&nbsp;" with a "nbsp;" right after it.
std::string DecodeNamedEntities(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t amp; (amp = text.find('&', pos)) != std::string_view::npos;) {
    out.append(text.substr(pos, amp - pos));
    pos = amp + 1;
    if (HasAt(text, amp, "&quot;")) {
      out += '"', pos = amp + 6;
    } else if (HasAt(text, amp, "&lt;")) {
      out += '<', pos = amp + 4;
    } else if (HasAt(text, amp, "&gt;")) {
      out += '>', pos = amp + 4;
    } else if (HasAt(text, amp, "&amp;nbsp;")) {
      out += ' ', pos = amp + 10;
    } else if (HasAt(text, amp, "&amp;")) {
      out += '&', pos = amp + 5;
    } else if (HasAt(text, amp, "&nbsp;")) {
      out += ' ', pos = amp + 6;
    } else {
      out += '&';
    }
  }
  out.append(text.substr(pos));
  return out;
}

struct PlainCode {
  int code;       // 1 to 255, or 0 when there is none
  size_t length;  // digits and ";"
};

// The decimal digits of 1 to 255 without leading zero followed by ";", at `pos` of a plain text.
PlainCode PlainCodeAt(std::string_view text, size_t pos) {
  int code = 0;
  size_t digits = 0;
  while (pos + digits < text.size() && IsDigit(text[pos + digits])) {
    if ((digits == 0 && text[pos] == '0') || digits == 3) return {0, 0};
    code = code * 10 + (text[pos + digits] - '0');
    ++digits;
  }
  if (digits == 0 || pos + digits >= text.size() || text[pos + digits] != ';' || code > 255) return {0, 0};
  return {code, digits + 1};
}

// The numeric references in one walk instead of one pass over the text per code.
//
// The passes for codes 1 to 255 are replayed in order, but each pass only visits the references
// of its own code, kept in a list per code. The text is edited in place: a replaced reference
// keeps its first position, which takes the decoded character, and its other positions are
// marked dead. Three facts make the lists exact:
// - "#code;" references never overlap, so replacing one leaves every other waiting reference
//   intact until its own pass;
// - a decoded character ("#", a digit or ";") can complete a new reference with its neighbours;
//   it is listed for a later code only, as the pass that made it does not look again and the
//   passes for lower codes are over;
// - whether a pass takes "&#code;" or the bare "#code;" depends on any "&#" being left anywhere,
//   so the number of "&" "#" neighbour pairs is kept up to date at every replacement.
// A pass decides all of its matches before replacing any, as a replace-all over the text does.
// Dead positions are bits, so the working set stays near the size of the text.
template <typename Index>
class NumericReferencePasses {
 public:
  explicit NumericReferencePasses(std::string_view text) {
    settleInertReferences(text);
    size_ = static_cast<Index>(text_.size());
    dead_.assign(text_.size() / 64 + 1, 0);
    for (size_t hash = text_.find('#'); hash != std::string::npos; hash = text_.find('#', hash + 1)) {
      if (hash > 0 && text_[hash - 1] == '&') ++amp_hash_pairs_;
      if (const auto ref = referenceAt(static_cast<Index>(hash))) waiting_[ref->code].push_back(ref->hash);
    }
  }

  std::string run() && {
    for (int code = 1; code <= 255; ++code) {
      runPass(code);
      settled_pairs_ -= settled_[code];
    }
    if (!has_dead_positions_) return std::move(text_);
    // Close the gaps left by dead positions.
    size_t kept = 0;
    for (size_t word = 0; word < dead_.size(); ++word) {
      const size_t base = word * 64;
      const size_t end = std::min(base + 64, text_.size());
      if (dead_[word] == 0) {
        std::memmove(text_.data() + kept, text_.data() + base, end - base);
        kept += end - base;
        continue;
      }
      for (size_t p = base; p < end; ++p)
        if (!isDead(static_cast<Index>(p))) text_[kept++] = text_[p];
    }
    text_.resize(kept);
    return std::move(text_);
  }

 private:
  static constexpr Index kNone = static_cast<Index>(-1);

  struct Reference {
    Index hash;       // the "#"
    Index semicolon;  // the closing ";"
    int code;
  };
  struct Span {
    Index first, last;
  };

  // Copies the text into text_, decoding at once every "&#code;" whose character is none of "#",
  // "&", ";" and the digits. Such a reference is certain to go in the pass of its code: its own
  // "&#" keeps that pass in the "&#" form, and nothing else can use its characters. Its
  // character can never join another reference or "&#" pair, so until then it matters only as
  // one "&#" more, counted in settled_ under its code.
  void settleInertReferences(std::string_view text) {
    text_.reserve(text.size());
    size_t pos = 0;
    for (size_t amp; (amp = text.find("&#", pos)) != std::string_view::npos;) {
      const auto [code, length] = PlainCodeAt(text, amp + 2);
      if (code == 0 || CanJoinReference(static_cast<char>(code)) || code == '&') {
        text_.append(text.substr(pos, amp + 1 - pos));
        pos = amp + 1;
        continue;
      }
      text_.append(text.substr(pos, amp - pos));
      text_ += static_cast<char>(code);
      ++settled_[code];
      ++settled_pairs_;
      pos = amp + 2 + length;
    }
    text_.append(text.substr(pos));
  }

  bool isDead(Index p) const { return (dead_[p / 64] >> (p % 64)) & 1; }

  // The living position after `p`, or kNone.
  Index next(Index p) const {
    Index q = p + 1;
    if (q >= size_) return kNone;
    size_t word = q / 64;
    uint64_t alive = ~dead_[word] >> (q % 64);
    while (alive == 0) {
      if (++word == dead_.size()) return kNone;
      q = static_cast<Index>(word * 64);
      alive = ~dead_[word];
    }
    q += static_cast<Index>(std::countr_zero(alive));
    return q < size_ ? q : kNone;
  }

  // The living position before `p`, or kNone. Position 0 never dies.
  Index prev(Index p) const {
    if (p == 0) return kNone;
    Index q = p - 1;
    size_t word = q / 64;
    uint64_t alive = ~dead_[word] << (63 - q % 64);
    while (alive == 0) {
      if (word-- == 0) return kNone;
      q = static_cast<Index>(word * 64 + 63);
      alive = ~dead_[word];
    }
    return q - static_cast<Index>(std::countl_zero(alive));
  }

  void markDead(Index from, Index to) {  // from..to inclusive
    for (Index p = from; p <= to;) {
      if (p % 64 == 0 && to - p >= 63) {
        dead_[p / 64] = ~uint64_t{0};
        p += 64;
      } else {
        dead_[p / 64] |= uint64_t{1} << (p % 64);
        ++p;
      }
    }
  }

  // "#", the decimal digits of 1 to 255 without leading zero, and ";", starting at `hash`.
  std::optional<Reference> referenceAt(Index hash) const {
    if (text_[hash] != '#') return std::nullopt;
    int code = 0, digits = 0;
    Index p = next(hash);
    for (; p != kNone && IsDigit(text_[p]); p = next(p)) {
      if ((digits == 0 && text_[p] == '0') || ++digits > 3) return std::nullopt;
      code = code * 10 + (text_[p] - '0');
    }
    if (digits == 0 || p == kNone || text_[p] != ';' || code > 255) return std::nullopt;
    return Reference{hash, p, code};
  }

  // The reference that the character at `node` is part of, if any. References are at most five
  // characters long, so its "#" is at most three digits back.
  std::optional<Reference> referenceThrough(Index node) const {
    const char c = text_[node];
    if (c == '#') return referenceAt(node);
    Index p = (c == ';') ? prev(node) : node;
    for (int digits = 0; p != kNone && IsDigit(text_[p]); p = prev(p))
      if (++digits > 3) return std::nullopt;
    // Walking forward from that "#" crosses the same digits, so the reference found holds `node`.
    return p == kNone ? std::nullopt : referenceAt(p);
  }

  // "&" "#" neighbours among the living positions from..to.
  size_t ampHashPairs(Index from, Index to) const {
    size_t pairs = 0;
    for (Index p = from; p != to;) {
      const Index q = next(p);
      if (text_[p] == '&' && text_[q] == '#') ++pairs;
      p = q;
    }
    return pairs;
  }

  // The living positions first..last become the single character `c`, held by `first`.
  void replace(Span span, char c) {
    const Index before = prev(span.first);
    const Index left = before != kNone ? before : span.first;
    const Index after = next(span.last);
    const size_t pairs_before = ampHashPairs(left, after != kNone ? after : span.last);
    text_[span.first] = c;
    markDead(span.first + 1, span.last);
    amp_hash_pairs_ = amp_hash_pairs_ - pairs_before + ampHashPairs(left, after != kNone ? after : span.first);
  }

  void runPass(int code) {
    std::vector<Index>& waiting = waiting_[code];
    if (waiting.empty()) return;
    const bool amp_form = amp_hash_pairs_ + settled_pairs_ > 0;
    matches_.clear();
    for (const Index hash : waiting) {
      const auto ref = referenceAt(hash);
      if (!ref || ref->code != code) continue;  // cannot happen: waiting references stay intact
      if (!amp_form) {
        matches_.push_back({hash, ref->semicolon});
      } else if (const Index amp = prev(hash); amp != kNone && text_[amp] == '&') {
        matches_.push_back({amp, ref->semicolon});
      }
    }
    std::vector<Index>().swap(waiting);

    const char decoded = static_cast<char>(code);
    for (const Span span : matches_) replace(span, decoded);
    has_dead_positions_ = has_dead_positions_ || !matches_.empty();
    if (!CanJoinReference(decoded)) return;

    made_.clear();
    for (const Span span : matches_)
      if (const auto ref = referenceThrough(span.first); ref && ref->code > code) made_.push_back(*ref);
    // Two decoded characters of this pass can sit in the same new reference.
    std::sort(made_.begin(), made_.end(), [](const Reference& a, const Reference& b) { return a.hash < b.hash; });
    made_.erase(std::unique(made_.begin(), made_.end(),
                            [](const Reference& a, const Reference& b) { return a.hash == b.hash; }),
                made_.end());
    for (const Reference& ref : made_) waiting_[ref.code].push_back(ref.hash);
  }

  std::string text_;
  Index size_ = 0;
  std::array<size_t, 256> settled_{};  // references decoded before the passes, by code
  size_t settled_pairs_ = 0;           // ... of which the passes have not yet reached the code
  bool has_dead_positions_ = false;
  std::vector<uint64_t> dead_;                   // one bit per position of text_
  std::array<std::vector<Index>, 256> waiting_;  // "#" positions of the references of each code
  size_t amp_hash_pairs_ = 0;
  std::vector<Span> matches_;
  std::vector<Reference> made_;
};

}  // namespace

std::string DecodeHTMLEntities(std::string_view text) {
  std::string named = DecodeNamedEntities(text);
  if (named.find('#') == std::string::npos) return named;
  if (named.size() < UINT32_MAX) return NumericReferencePasses<uint32_t>(named).run();
  return NumericReferencePasses<uint64_t>(named).run();
}

}  // namespace kestrum
