#include "dissect/marker_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "dissect/text_pieces.h"

namespace kestrum {
namespace {

// Every start where the marker stands, found one search at a time.
std::vector<size_t> SearchedOneByOne(std::string_view text, std::string_view marker) {
  std::vector<size_t> starts;
  for (size_t hit = FindIgnoringCase(text, marker, 0); hit != std::string_view::npos;
       hit = FindIgnoringCase(text, marker, hit + 1))
    starts.push_back(hit);
  return starts;
}

TEST(MarkerFinder, FindsWhatSearchingForEachMarkerFinds) {
  const std::vector<std::string_view> markers = {"<iframe", "iframe>", "script ", "http-equiv=\\\"refresh\\\"",
                                                 "window.location", "aa"};
  const MarkerFinder finder(markers);
  // Capitals, markers at both ends, a run where "aa" overlaps itself, and bytes that the filter
  // confuses with marker bytes (0x1C with '<', 0x7C with '\\', 0x00 with ' ').
  const std::vector<std::string> pages = {
      "", "<IFRAME", "x<iFrame src=a></IFRAME>", "aaaa", "\x1ciframe <iframe", "HTTP-EQUIV=\\\"Refresh\\\"",
      "http-equiv=|\"refresh|\"", std::string("script\0script ", 14), "Window.Location=1;WINDOW.LOCATION"};
  for (const std::string& page : pages) {
    const auto found = finder.findAll(page);
    for (size_t m = 0; m < markers.size(); ++m) EXPECT_EQ(found[m], SearchedOneByOne(page, markers[m])) << page;
  }
  std::mt19937 random(5);
  const std::string alphabet = "<>iIfFrRaAmMeE sScCpPtT.wWnNdDoOlL\\\"=-\x1c|";
  for (int round = 0; round < 3000; ++round) {
    std::string page;
    for (size_t n = random() % 90; n > 0; --n) page += alphabet[random() % alphabet.size()];
    if (random() % 2) page.insert(random() % (page.size() + 1), markers[random() % markers.size()]);
    const auto found = finder.findAll(page);
    for (size_t m = 0; m < markers.size(); ++m) ASSERT_EQ(found[m], SearchedOneByOne(page, markers[m])) << page;
  }
}

}  // namespace
}  // namespace kestrum
