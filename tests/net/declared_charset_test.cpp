#include "net/declared_charset.h"

#include <gtest/gtest.h>

#include "net/response_text.h"

namespace kestrum {
namespace {

TEST(DeclaredCharset, EachPlaceAPageNamesItsCharsetAndTheOneUsed) {
  struct Case {
    std::string head, content_type;
    std::string header, bom, meta, used;
  } cases[] = {
      {"<html>", "text/html", "", "", "", "utf-8"},
      {"<html>", "text/html; charset=\"ISO-8859-1\"", "ISO-8859-1", "", "", "windows-1252"},
      {"\xEF\xBB\xBF<html>", "text/html; charset=windows-1252", "windows-1252", "utf-8", "", "utf-8"},
      {"\xFF\xFEx", "", "", "utf-16le", "", "utf-16le"},
      {"<META CHARSET=koi8-r>", "text/html", "", "", "koi8-r", "utf-8"},
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=Shift_JIS\">", "", "", "", "Shift_JIS", "utf-8"},
      {"<meta name=\"viewport\"><meta charset='utf-8'/>", "", "", "", "utf-8", "utf-8"},
  };
  for (const auto& c : cases) {
    const DeclaredCharsets found = FindDeclaredCharsets(c.head, c.content_type);
    EXPECT_EQ(found.header, c.header) << c.head;
    EXPECT_EQ(found.bom, c.bom) << c.head;
    EXPECT_EQ(found.meta, c.meta) << c.head;
    EXPECT_EQ(ResponseCharsetName(c.head, c.content_type), c.used) << c.head;
  }
}

}  // namespace
}  // namespace kestrum
