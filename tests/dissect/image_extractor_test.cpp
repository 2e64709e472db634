#include "dissect/image_extractor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/image_references.h"
#include "literal_image_scan.h"
#include "scan_test_support.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

using testing::LoggedMessages;
using testing::TestProgram;
using List = std::vector<std::string>;

constexpr const char* kAddress = "http://host.example/dir/page.htm";

// Ends every page with enough filler that the markers are not among the last bytes.
const std::string kTail(200, ' ');

List ImagesOf(const std::string& page, std::string_view address = kAddress) {
  TestProgram program;
  program.root.write("page.htm", page);
  MemoryItemList images;
  ExtractImages(program.ctx, images, program.root.file("page.htm"), address);
  return images.items();
}

TEST(ExtractImages, CutsReferencesFromTagsStylesAndBackgrounds) {
  struct Case {
    std::string page;
    List expected;
  } const cases[] = {
      // src references come out lower-cased; found from several positions, listed once.
      {"<img src=\"pics/Logo.GIF\">", {"pics/logo.gif"}},
      {"<p>x</p><IMG SRC=\"A.PNG\" alt=\"\">", {"a.png"}},
      // A reference beginning with "/" gets the page's protocol and host.
      {"<img src=\"/pics/a.gif\">", {"http://host.example/pics/a.gif"}},
      // url( and background references keep their letter case.
      {"<div style=\"background:url(Img/Back.png)\">", {"Img/Back.png"}},
      {"<td background=\"tile.jpg\">", {"tile.jpg"}},
      // Apostrophe form: cut at the next blank, so the closing apostrophe stays.
      {"<img src='b.gif' alt=x>", {"b.gif'"}},
      // Unquoted: cut at the next blank.
      {"<img src=c.gif width=3>", {"c.gif"}},
      // Without a "." there is no image.
      {"<img src=\"pixel?id=7\">", {}},
      // Two spellings of one reference are listed once, in the first spelling.
      {"<img src=\"x.gif\"> <div style=\"background:url(X.GIF)\">", {"x.gif"}},
      // Letters of the code page beyond A-Z are lower-cased and compared the same way.
      {"<img src=\"\xC9t\xE9.gif\">", {"\xE9t\xE9.gif"}},
      {"<img src=\"\x8A\x8C\x8E\x9F\xDE.gif\"> <div style=\"background:url(\x9A\x9C\x9E\xFF\xFE.GIF)\">",
       {"\x9A\x9C\x9E\xFF\xFE.gif"}},
      // \xD7 and \xF7, \xDF and \xFF are no pairs.
      {"<img src=\"\xD7\xDF.gif\"> <div style=\"background:url(\xF7\xFF.gif)\">", {"\xD7\xDF.gif", "\xF7\xFF.gif"}},
      // An upper-case background attribute passes the test but not the case-sensitive cut.
      {"<td BACKGROUND=\"t.jpg\">", {}},
      // A background reference needs only one character and a ".".
      {"<td background=\".\">", {"."}},
  };
  for (const auto& c : cases) EXPECT_EQ(ImagesOf(c.page + kTail), c.expected) << c.page;
}

TEST(ExtractImages, ScriptSourceInSightHidesTheImage) {
  // The image tag's windows all see "script src"; the script's own source is listed.
  EXPECT_EQ(ImagesOf("<img src=\"a.gif\"><script src=\"s.js\"></script>" + kTail), List{"s.js"});
  // Far enough apart, both are listed.
  EXPECT_EQ(ImagesOf("<img src=\"a.gif\">" + std::string(160, '-') + "<script src=\"s.js\"></script>" + kTail),
            (List{"a.gif", "s.js"}));
}

TEST(ExtractImages, LongReferenceIsCutAfterTheHostIsPutInFront) {
  const std::string path = "/" + std::string(140, 'p') + ".gif";
  const List images = ImagesOf("<img src=\"" + path + "\">" + kTail);
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].size(), 150u) << images[0];
  EXPECT_EQ(images[0], ("http://host.example" + path).substr(0, 150));
}

TEST(ExtractImages, HostOfTheAddressIsWorkedOutOnceForTheWholeScan) {
  TestProgram program;
  program.root.write("page.htm", "<img src=\"/a.gif\"><td background=\"/b.gif\">" + kTail);
  MemoryItemList images;
  ExtractImages(program.ctx, images, program.root.file("page.htm"), "https://user@cdn.example:8443/x/y.htm");
  EXPECT_EQ(images.items(), (List{"https://cdn.example/a.gif", "https://cdn.example/b.gif"}));
  const List log = LoggedMessages(program.ctx);
  EXPECT_EQ(std::count(log.begin(), log.end(), "I made it out of GetHostFromURL"), 1);
  EXPECT_EQ(log[1], "Protocol stripped");
}

TEST(ExtractImages, ReferencesNearTheEndOfTheFileAreAllFound) {
  // The reference window of the first image reaches past the end; the scan goes on to the next.
  EXPECT_EQ(ImagesOf("<img src=\"a.gif\"><img src=\"b.gif\"></body></html>"), (List{"a.gif", "b.gif"}));
  EXPECT_EQ(ImagesOf("<td background=\"t.jpg\">"), List{"t.jpg"});
  EXPECT_EQ(ImagesOf("img src=a.gif"), List{"a.gif"});
}

TEST(ExtractImages, LogsDuplicatesCountAndTime) {
  TestProgram program;
  program.root.write("page.htm", "<img src=\"pics/Logo.GIF\">" + kTail);
  MemoryItemList images;
  images.add("stale");
  ScriptedDesktop desktop;
  program.ctx.desktop = &desktop;
  ExtractImages(program.ctx, images, program.root.file("page.htm"), kAddress);
  EXPECT_EQ(images.items(), List{"pics/logo.gif"});
  EXPECT_TRUE(images.visible());
  EXPECT_TRUE(images.headerVisible());
  const List log = LoggedMessages(program.ctx);
  // Found from the "img src=" position and again from the three positions of " src=".
  const List expected_start = {"Scanning source for images .... please wait (this may take a few minutes)",
                               "[ pics/logo.gif ] was a match to [ pics/logo.gif ]",
                               "[ pics/logo.gif ] was a match to [ pics/logo.gif ]",
                               "[ pics/logo.gif ] was a match to [ pics/logo.gif ]", "Images found: 1"};
  ASSERT_EQ(log.size(), expected_start.size() + 1);
  EXPECT_EQ(List(log.begin(), log.end() - 1), expected_start);
  EXPECT_TRUE(log.back().starts_with("Scan completed in: ") && log.back().ends_with("  seconds"));
  EXPECT_TRUE(desktop.messages.empty());
}

TEST(ExtractImages, MissingOrEmptyFileGivesEmptyListAndClosingLines) {
  for (const bool present : {false, true}) {
    TestProgram program;
    if (present) program.root.write("empty.htm", "");
    MemoryItemList images;
    images.add("stale");
    ExtractImages(program.ctx, images, present ? program.root.file("empty.htm") : "", kAddress);
    EXPECT_EQ(images.count(), 0u);
    const List log = LoggedMessages(program.ctx);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], "Images found: 0");
  }
}

constexpr const char* kHost = "http://host.example";

// The references the scan hands over, duplicates included, in its order.
List ScannedReferences(const std::string& page) {
  List found;
  ImageScanHooks hooks;
  hooks.host_of_page = [] { return std::string(kHost); };
  hooks.found = [&](std::string& reference) { found.push_back(reference); };
  FindImageReferences(page, hooks);
  return found;
}

// Pages pieced together from the markers, quotes, blanks and letters the rules react to, so
// that markers overlap, windows start inside blank runs and references reach the end of a
// window or of the page.
std::string GeneratedPage(std::mt19937& random) {
  static const std::vector<std::string> fragments = {
      // Image sources, quoted, apostrophed and bare; blanks before and inside the marker.
      "<img src=\"", "<IMG SRC=\"", "img src='", "<img src=", " src=\"", " sRc=", "  src=\"", "   src='", " src  =\"",
      "src=  \"", "sr  c=",
      // Script sources hide the images around them.
      "script src=\"", "<SCRIPT SRC=", "script  src=",
      // Style references and backgrounds.
      "url(", "URL(", "Url(\"", "url('", "u  rl(", "background:url(", " background=\"", " background=", " BACKGROUND='",
      " background  =",
      // What the cuts look for.
      "\"", "\"", "'", "'", ")", "(", ">", "<", "=", ".", ".gif", ".JPG", "/", "/pics/", "/" + std::string(140, 'p'),
      "pics/Logo", "a", "Z",
      // Letters of the code page with and without a pair.
      "\xC9", "\xE9", "\x8A", "\x9A", "\xD7", "\xDF", "\xFF", "\x9F",
      // Blank runs of every parity, tabs and line breaks.
      "\t", "\r\n", "\n", " ", " ", "  ", "   ", "    ", std::string(40, 'x'), std::string(120, ' ')};
  std::uniform_int_distribution<size_t> pick(0, fragments.size() - 1);
  std::uniform_int_distribution<int> count(0, 60);
  std::string page;
  for (int n = count(random); n > 0; --n) page += fragments[pick(random)];
  return page;
}

TEST(FindImageReferences, WindowsThatStartInBlankRunsOrEndInsideTheReference) {
  const std::string filler(20, '-');
  const std::string long_name = "P.q" + std::string(160, 'x');
  auto lowered_to_window_end = [&](size_t length) { return "p.q" + std::string(length - 3, 'x'); };
  struct Case {
    std::string page;
    List expected;
  } const cases[] = {
      // The window that starts on the first of two blanks loses both and with them " src=".
      {"<img  src=\"A.gif\">" + filler, {"a.gif"}},
      // Three blanks: only the window that starts on the second keeps none.
      {"<img   src=\"A.gif\">" + filler, {"a.gif", "a.gif", "a.gif"}},
      // Removing the double blank joins src= and its quote.
      {"<img src=  \"B.gif\">" + filler, {"b.gif", "b.gif", "b.gif", "b.gif"}},
      // "URL(" passes the test but not the case-sensitive split: each window keeps its own start.
      {"<p style=\"background:URL(Pic.png)\">" + filler,
       {"und:URL(Pic.png", "nd:URL(Pic.png", "d:URL(Pic.png", ":URL(Pic.png", "URL(Pic.png"}},
      // No closing quote in the window: each window's reference ends where the window does.
      {"<img src=\"" + long_name + "\">",
       {lowered_to_window_end(141), lowered_to_window_end(142), lowered_to_window_end(143),
        lowered_to_window_end(144)}},
      // A second "url(" in the first one's windows: those cut an empty piece, the second's its own.
      {"<p style=\"x:url(url(a.gif)\">" + filler, {"a.gif", "a.gif", "a.gif", "a.gif"}},
      // Windows that still see src= take the src rule, the later ones the url( rule.
      {"<i src=url(a.gif)>" + filler,
       {"url(a.gif", "url(a.gif", "url(a.gif", "url(a.gif", "a.gif", "a.gif", "a.gif", "a.gif"}},
      // A src= that comes into the later windows of a "url(" at their far end takes them over:
      // the cut "b.g" of the last one is the first long enough.
      {"<p style=\"x:url(a.gif)\">" + std::string(131, '-') + "src=b.gif" + filler, {"a.gif", "b.g"}},
      // The last eleven bytes start no window, but a window may reach past the end.
      {"<img src=\"a.gif\">", {"a.gif", "a.gif", "a.gif", "a.gif"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScannedReferences(c.page), c.expected) << c.page;
    EXPECT_EQ(testing::literal::ImageScan(c.page, kHost), c.expected) << c.page;
  }
}

TEST(FindImageReferences, HandsOverWhatTheLiteralScanFinds) {
  std::mt19937 random(20261210);
  for (int n = 0; n < 4000; ++n) {
    const std::string page = GeneratedPage(random);
    ASSERT_EQ(ScannedReferences(page), testing::literal::ImageScan(page, kHost)) << ::testing::PrintToString(page);
  }
}

}  // namespace
}  // namespace kestrum
