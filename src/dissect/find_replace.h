#pragma once
// Find and replace over the Source pane: the searches, the blue marks and the replacements of the
// find dialog. Positions are full-width, so matches far into a long page work like early ones.
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/seams.h"

namespace kestrum {

struct FindOptions {
  bool match_case = false;
  bool whole_word = false;
};

// Position of `what` in `text` at or after `from`, or kNotFound. Letter case is ignored as
// everywhere in the program unless `match_case`; a whole word has no letter, digit or "_" on
// either side.
size_t FindInText(std::string_view text, std::string_view what, size_t from, FindOptions options);

// The ranges Replace All replaces: the current selection, then every match after the previous
// replaced range. A search never starts inside text just inserted, so it always ends.
std::vector<std::pair<size_t, size_t>> ReplaceAllRanges(std::string_view text, size_t selection_start,
                                                        size_t selection_length, std::string_view what,
                                                        FindOptions options);

class FindReplace {
 public:
  FindReplace(Context& ctx, TextPane& pane) : ctx_(ctx), pane_(pane) {}

  // Each returns whether Replace and Replace All may be used afterwards.
  bool Find(std::string_view what, FindOptions options);
  bool FindNext(std::string_view what, FindOptions options);
  bool Replace(std::string_view what, std::string_view with, FindOptions options);
  // Replaces the selection and every later match; shows and returns the count.
  int ReplaceAll(std::string_view what, std::string_view with, FindOptions options);

  // Position of the last match; -1 after a failed search.
  int64_t lastMatch() const { return last_match_; }

 private:
  bool search(std::string_view what, size_t from, FindOptions options, bool caret_home_on_miss);

  Context& ctx_;
  TextPane& pane_;
  int64_t last_match_ = 0;
};

}  // namespace kestrum
