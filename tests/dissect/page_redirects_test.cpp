#include "dissect/page_redirects.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(PageRedirects, TargetsAndWhereTheyStand) {
  struct Case {
    std::string text;
    std::vector<std::pair<std::string, std::string>> found;  // method, target
  } cases[] = {
      {"<META HTTP-EQUIV=\"Refresh\" CONTENT=\"5; URL=http://a.test/x\">", {{"meta refresh", "http://a.test/x"}}},
      {"<meta http-equiv='refresh' content='0;url=\"/next\"'>", {{"meta refresh", "/next"}}},
      {"document.write(\"<meta http-equiv=\\\"refresh\\\" content=\\\"0; url=http://b.test/\\\">\")",
       {{"meta refresh", "http://b.test/"}}},
      {"<meta http-equiv=\"refresh\" content=\"30\">", {}},  // reloads itself: no target
      {"<meta name=\"x\" content=\"url=http://no.test/\">", {}},
      {"location.href='http://c.test/'", {{"location.href", "http://c.test/"}}},
      {"document.location = \"http://d.test/\";", {{"document.location", "http://d.test/"}}},
      {"document.location.href=\"http://e.test/\"", {{"document.location", "http://e.test/"}}},
      {"window.location.replace('http://f.test/')", {{"window.location", "http://f.test/"}}},
      {"Window.Location.assign (\"http://g.test/\")", {{"window.location", "http://g.test/"}}},
      {"if (window.location == 'http://h.test/') {}", {}},  // a comparison sends nobody anywhere
      {"location.href = someVariable;", {}},
      {"location.href = 'unclosed\nnext line'", {}},
      {"location.href='http://1.test/'; <meta http-equiv=refresh content=\"0;url=http://2.test/\">",
       {{"location.href", "http://1.test/"}, {"meta refresh", "http://2.test/"}}},
  };
  for (const auto& c : cases) {
    const auto found = FindPageRedirects(c.text);
    ASSERT_EQ(found.size(), c.found.size()) << c.text;
    for (size_t i = 0; i < found.size(); ++i) {
      EXPECT_EQ(found[i].method, c.found[i].first) << c.text;
      EXPECT_EQ(found[i].target, c.found[i].second) << c.text;
      EXPECT_EQ(c.text.substr(found[i].start, found[i].target.size()), found[i].target) << c.text;
    }
  }
}

}  // namespace
}  // namespace kestrum
