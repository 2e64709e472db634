#pragma once
// The link finder: cuts the source into words at blanks and applies seven fixed text rules to
// every word. It does not parse HTML; links come out as they stand in the source.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// Calls `emit` with every candidate in the order found: words in text order, and within a word
// rules 1 to 7 (href=, res://, ftp://, url(, src=, http://, https://). A word is cut at its
// first CR LF. Candidates may repeat and may be empty.
void FindLinks(std::string_view source_text, const std::function<void(std::string&)>& emit);

// Every candidate of a text, as FindLinks emits them. The Dissect command finds them once and
// hands them to the link marks, the links list and the executables scan.
// They are kept end to end in one buffer, with a number per candidate: a page can give hundreds
// of thousands. A candidate equal to the one before it (two rules cutting the same link from one
// word) is kept once.
class LinkCandidates {
 public:
  size_t size() const { return ends_.size(); }
  bool empty() const { return ends_.empty(); }
  std::string_view operator[](size_t number) const {
    while (repeats_previous_[number]) --number;
    const size_t begin = number == 0 ? 0 : ends_[number - 1];
    return std::string_view(bytes_).substr(begin, ends_[number] - begin);
  }
  // Whether the candidate is the same bytes as the one before it.
  bool repeatsPrevious(size_t number) const { return repeats_previous_[number]; }
  // Room for the candidates of a text of `bytes`: taken from the system only as it is filled.
  void reserveFor(size_t bytes) { bytes_.reserve(bytes + 4096); }
  void push_back(std::string_view candidate) {
    const bool repeat = !ends_.empty() && (*this)[ends_.size() - 1] == candidate;
    if (!repeat) bytes_.append(candidate);
    ends_.push_back(bytes_.size());
    repeats_previous_.push_back(repeat);
  }

 private:
  std::string bytes_;
  std::vector<size_t> ends_;
  std::vector<bool> repeats_previous_;
};
LinkCandidates FindAllLinks(std::string_view source_text);

// The rules whose test text the word holds (case-sensitive), bit k for rule k + 1: "href=",
// "res://", "ftp://", "url(", "src=", "http://", "https://".
unsigned LinkRuleTests(std::string_view word);

// The candidates the rules cut from one word (already cut at its first CR LF), in rule order.
void FindLinksInWord(std::string_view word, const std::function<void(std::string&)>& emit);

}  // namespace kestrum
