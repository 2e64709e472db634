// The link finder on arbitrary bytes: every candidate is cut out of one word and cut at its tag
// end and tab, so it holds no blank, ">" or tab (a line break can appear where a removed quote
// stood between CR and LF); and on small inputs the batched link colouring
// marks exactly what one pane search per candidate marks.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/memory_views.h"
#include "core/seams.h"
#include "dissect/highlight.h"
#include "dissect/link_extractor.h"
#include "dissect/link_finder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kestrum;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> candidates;
  FindLinks(text, [&](std::string& candidate) {
    if (candidate.find_first_of(" >\t") != std::string::npos) __builtin_trap();
    candidates.push_back(candidate);
  });
  if (size > 4096) return 0;

  MemoryTextPane one_by_one;
  one_by_one.setText(text);
  for (const auto& candidate : candidates) HighlightText(one_by_one, candidate, kBlue);

  MemoryTextPane batched;
  batched.setText(text);
  batched.applyFormats(LinkHighlightRuns(text, text));
  if (batched.formats() != one_by_one.formats()) __builtin_trap();
  return 0;
}
