#pragma once
// Generated web pages for the speed measurements of the dissection: a realistic page (navigation
// links repeated on every block, thumbnails, styles, scripts, frames, table backgrounds, a few
// downloads and redirects) and a page made of nothing but distinct links. Deterministic: the same
// size gives the same page. Line breaks are CR LF, as in the source pane.
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrum::bench {

inline void AppendNumber(std::string& out, uint64_t n) { out += std::to_string(n); }

// About `bytes` of HTML in blocks of ~900 bytes: per block one distinct article link, one
// thumbnail, a style url( and repeated navigation; every 4th block an external and an inline
// script, every 8th an inline frame and a table background, every 64th a download of an .exe,
// every 512th a meta refresh and a location.href redirect.
inline std::string RealisticPage(size_t bytes) {
  std::string page;
  page.reserve(bytes + 2048);
  page +=
      "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>Generated catalogue</title>\r\n"
      "<link rel=\"stylesheet\" href=\"/css/site.css\">\r\n"
      "<script src=\"http://cdn.example.net/lib/jquery.min.js\"></script>\r\n</head>\r\n<body>\r\n";
  uint64_t n = 0;
  while (page.size() < bytes) {
    const uint64_t category = n % 37;
    page += "<div class=\"item\" id=\"item";
    AppendNumber(page, n);
    page += "\">\r\n  <ul class=\"nav\"><li><a href=\"/index.html\">Home</a></li> <li><a href=\"/about.html\">About</a>"
            "</li> <li><a href=\"/Contact.html\">Contact</a></li></ul>\r\n  <h2><a href=\"/catalog/c";
    AppendNumber(page, category);
    page += "/item";
    AppendNumber(page, n);
    page += ".html\" title=\"Item ";
    AppendNumber(page, n);
    page += "\">Item ";
    AppendNumber(page, n);
    page += "</a></h2>\r\n  <img src=\"/images/c";
    AppendNumber(page, category);
    page += "/thumb";
    AppendNumber(page, n);
    page += ".jpg\" width=\"120\" height=\"90\" alt=\"Thumbnail\">\r\n  <p style=\"background:url(/images/bg";
    AppendNumber(page, n % 50);
    page += ".png)\">Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut "
            "labore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris "
            "nisi ut aliquip ex ea commodo consequat.</p>\r\n  <p>See also <a href=\"http://partner";
    AppendNumber(page, n % 211);
    page += ".example.org/offers?id=";
    AppendNumber(page, n);
    page += "&amp;ref=cat\">our partner</a> and <a href='/tags/t";
    AppendNumber(page, n % 97);
    page += ".html'>tag</a>.</p>\r\n";
    if (n % 4 == 0) {
      page += "  <script src=\"/js/module";
      AppendNumber(page, n % 200);
      page += ".js\"></script>\r\n  <script>var target = \"/api/v1/item/\" + ";
      AppendNumber(page, n);
      page += "; document.title = 'Item';</script>\r\n";
    }
    if (n % 8 == 0) {
      page += "  <iframe src=\"http://ads";
      AppendNumber(page, n % 20);
      page += ".example.com/frame.html\" width=\"1\" height=\"1\"></iframe>\r\n  <table><tr><td background=\"/img/cell";
      AppendNumber(page, n % 100);
      page += ".gif\">cell</td></tr></table>\r\n";
    }
    if (n % 64 == 0) {
      page += "  <a href=\"/downloads/setup";
      AppendNumber(page, n % 30);
      page += ".exe\">Download</a>\r\n";
    }
    if (n % 512 == 0)
      page += "  <meta http-equiv=\"refresh\" content=\"30;URL=http://example.com/next.html\">\r\n"
              "  <a onclick=\"location.href='/go.html'\">go</a>\r\n";
    page += "</div>\r\n";
    ++n;
  }
  page += "</body>\r\n</html>\r\n";
  return page;
}

// `links` distinct anchors, three to a line, each with its own host part and path.
inline std::string DistinctLinksPage(size_t links) {
  std::string page = "<html>\r\n<body>\r\n";
  page.reserve(links * 64 + 64);
  for (size_t i = 0; i < links; ++i) {
    page += "<a href=\"http://site";
    AppendNumber(page, i % 1000);
    page += ".example.com/path/";
    AppendNumber(page, i);
    page += "/page.html\">L</a>";
    page += (i % 3 == 2) ? "\r\n" : " ";
  }
  page += "</body>\r\n</html>\r\n";
  return page;
}

}  // namespace kestrum::bench
