#pragma once
// The link finder: cuts the source into words at blanks and applies seven fixed text rules to
// every word. It does not parse HTML; links come out as they stand in the source.
#include <functional>
#include <string>
#include <algorithm>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kestrum {

// Calls `emit` with every candidate in the order found: words in text order, and within a word
// rules 1 to 7 (href=, res://, ftp://, url(, src=, http://, https://). A word is cut at its
// first CR LF. Candidates may repeat and may be empty.
void FindLinks(std::string_view source_text, const std::function<void(std::string&)>& emit);

// Every candidate of a text, as FindLinks emits them. The Dissect command finds them once and
// hands them to the link marks, the links list and the executables scan.
// They are kept end to end in blocks of 2 MiB that never move: a page can give hundreds of
// thousands, and a buffer grown by copying would hold them twice while it grows.
class LinkCandidates {
 public:
  size_t size() const { return views_.size(); }
  bool empty() const { return views_.empty(); }
  std::string_view operator[](size_t number) const { return views_[number]; }
  void push_back(std::string_view candidate) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < candidate.size()) {
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(kBlockBytes, candidate.size()));
    }
    std::string& block = blocks_.back();
    const size_t at = block.size();
    block.append(candidate);  // within the capacity reserved: the block does not move
    views_.emplace_back(block.data() + at, candidate.size());
  }

 private:
  // Just under a huge page, so that each block fills the page it is given.
  static constexpr size_t kBlockBytes = (size_t{2} << 20) - 4096;
  std::vector<std::string> blocks_;
  std::vector<std::string_view> views_;
};
LinkCandidates FindAllLinks(std::string_view source_text);

// The rules whose test text the word holds (case-sensitive), bit k for rule k + 1: "href=",
// "res://", "ftp://", "url(", "src=", "http://", "https://".
unsigned LinkRuleTests(std::string_view word);

// The candidates the rules cut from one word (already cut at its first CR LF), in rule order.
void FindLinksInWord(std::string_view word, const std::function<void(std::string&)>& emit);

}  // namespace kestrum
