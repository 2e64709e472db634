#include "net/url.h"

#include <gtest/gtest.h>

#include "core/app_log.h"
#include "core/text.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

TEST(GetHostFromURL, KeepsProtocolAndHostOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"http://example.com/path/page.htm", "http://example.com"},
      {"http://user:pw@example.com:8080/x", "http://example.com"},
      {"http://decoy.com@evil.com/x", "http://evil.com"},
      {"http://example.com/?m=user@evil.com/x", "http://evil.com"},  // "@" in the query moves the host
      {"http://a@b@c/", "http://b"},
      {"http://example.com", "http://example.com"},
      {"http://example.com:81", "http://example.com"},
      {"HTTPS://Example.COM./X", "HTTPS://Example.COM."},
      {"example.com", "example.com://"},  // no protocol: the host part stays empty
      {"ftp://a://b/c", "ftp://a"},
  };
  testing::TestProgram program;
  for (const auto& [address, host] : cases) EXPECT_EQ(GetHostFromURL(program.ctx, address), host) << address;
}

TEST(GetHostFromURL, LogsItsSteps) {
  testing::TestProgram program;
  GetHostFromURL(program.ctx, "http://a@b/");
  GetHostFromURL(program.ctx, "bare-host");
  const std::string log = program.root.read("program/Storage/Logs/applog.log");
  std::vector<std::string> messages;
  for (const auto& line : Split(log, kCrLf)) {
    if (line.size() > 20) messages.push_back(line.substr(20));
  }
  const std::vector<std::string> expected = {"Protocol stripped",
                                             "Protocol stripped",
                                             "@ was detected, split URL out of @",
                                             "I made it out of GetHostFromURL",
                                             "Protocol stripped",
                                             "I made it out of GetHostFromURL"};
  EXPECT_EQ(messages, expected);
}

TEST(GetURLPart, TakesOnePartOfAnAddress) {
  struct Case {
    const char* address;
    int32_t part;
    int32_t flags;
    const char* expected;
  };
  const Case cases[] = {
      {"http://Www.Example.com:8080/x", kUrlPartHostName, kUrlPartFlagKeepScheme, "http:Www.Example.com"},
      {"http://Www.Example.com:8080/x", kUrlPartHostName, 0, "Www.Example.com"},
      {"http://u:p@host.com/x?q=1#f", kUrlPartUserName, 0, "u"},
      {"http://u:p@host.com/x?q=1#f", kUrlPartPassword, 0, "p"},
      {"http://u:p@host.com:99/x?q=1#f", kUrlPartPort, 0, "99"},
      {"http://u:p@host.com/x?q=1#f", kUrlPartQuery, 0, "q=1"},
      {"http://u:p@host.com/x", kUrlPartScheme, kUrlPartFlagKeepScheme, "http"},
      {"http://a.com/x@b.com", kUrlPartHostName, 0, "a.com"},  // an "@" in the path is no user part
      {"http://[::1]:80/", kUrlPartHostName, 0, "[::1]"},
      {"http://host\\dir", kUrlPartHostName, 0, "host"},
      {"mailto:someone@example.com", kUrlPartHostName, kUrlPartFlagKeepScheme, ""},
      {"file:///etc/passwd", kUrlPartHostName, kUrlPartFlagKeepScheme, ""},
      {"example.com/page", kUrlPartHostName, kUrlPartFlagKeepScheme, ""},
      {"", kUrlPartHostName, kUrlPartFlagKeepScheme, ""},
      {"http://host.com/", 9, 0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetURLPart(c.address, c.part, c.flags), c.expected) << c.address;
}

TEST(GetURLPart, GivesNothingLongerThanTheParserBuffer) {
  const std::string fits = "http://" + std::string(254, 'a') + "/";  // "http:" + 254 = 259 characters
  const std::string too_long = "http://" + std::string(255, 'a') + "/";
  EXPECT_EQ(GetURLPart(fits, kUrlPartHostName, kUrlPartFlagKeepScheme).size(), 259u);
  EXPECT_EQ(GetURLPart(too_long, kUrlPartHostName, kUrlPartFlagKeepScheme), "");
}

TEST(GetPathPart, TakesFileNameFolderOrHostKey) {
  struct Case {
    int32_t mode;
    const char* text;
    const char* expected;
  };
  const Case cases[] = {
      {FileName, "C:\\dir\\file.txt", "file.txt"},
      {FileName, "file.txt", "file.txt"},
      {FileName, "/home/me/pages/index.htm", "index.htm"},
      {FileName, "a/b\\c.txt", "c.txt"},
      {FileName, "/home/me/", ""},
      {Folder, "C:\\dir\\sub\\page.htm", "C:\\dir\\sub"},
      {Folder, "/home/me/pages/index.htm", "/home/me/pages"},
      {Folder, "page.htm", ""},
      {HostKey, "http://Www.Example.com:8080/x/y.htm", "httpWww_Example_com"},
      {HostKey, "https://user:pw@a.b.c/", "httpsa_b_c"},
      {HostKey, "example.com", ""},
      {0, "C:\\dir\\file.txt", ""},
      {3, "C:\\dir\\file.txt", ""},
      {8, "http://a.com/", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPathPart(c.mode, c.text), c.expected) << c.mode << " " << c.text;
}

TEST(GetPathPart, HostKeyNeverLeavesItsFolder) {
  const std::string hostile[] = {"http://../../etc/x",  "http://a\\..\\..\\b/",
                                 "http://..%2f..%2fx/", std::string("http://a\0/../b/", 15),
                                 "http://[::1]:80/",    "http://./"};
  for (const auto& address : hostile) {
    const std::string key = GetPathPart(HostKey, address);
    EXPECT_EQ(key.find_first_of(std::string("/\\\0", 3)), std::string::npos) << key;
    EXPECT_FALSE(Contains(key, "..")) << key;
  }
}

}  // namespace
}  // namespace kestrum
