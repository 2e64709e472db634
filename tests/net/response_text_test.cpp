#include "net/response_text.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

TEST(ResponseTextInAnsi, DecodesByByteOrderMarkOrCharset) {
  struct Case {
    std::string body;
    const char* content_type;
    std::string text;
  };
  const Case cases[] = {
      {"caf\xC3\xA9 \xE2\x82\xAC", "text/html; charset=utf-8", "caf\xE9 \x80"},
      {"caf\xC3\xA9", "text/html", "caf\xE9"},  // no charset: UTF-8
      {"caf\xE9", "text/html", "caf?"},         // not UTF-8: each bad byte one "?"
      {"caf\xE9 \x80", "text/html; charset=ISO-8859-1", "caf\xE9 \x80"},
      {"caf\xE9", "text/html; charset=\"windows-1252\"; x=y", "caf\xE9"},
      {"\xEF\xBB\xBF"
       "caf\xC3\xA9",
       "text/html; charset=iso-8859-1", "caf\xE9"},  // the mark wins
      {std::string("\xFF\xFE"
                   "c\0\xE9\0\xAC\x20",
                   8),
       "text/html", "c\xE9\x80"},
      {std::string("\0c\0\xE9\x4E\x2D", 6), "text/plain; charset=UTF-16BE", "c\xE9?"},
      {std::string("\x3D\xD8\x00\xDE", 4), "text/plain; charset=utf-16le", "?"},  // one pair, one "?"
      {"\xF0\x9F\x98\x80!", "text/plain; charset=utf-8", "?!"},
      {std::string("a\0b", 3), "text/plain", std::string("a\0b", 3)},
      {"", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ResponseTextInAnsi(c.body, c.content_type), c.text) << c.content_type;
}

}  // namespace
}  // namespace kestrum
