// The list files: how lines are read, what each lookup matches, and the answer texts the
// program parses.
#include <gtest/gtest.h>

#include "services/braxel_list.h"
#include "services/entry_list.h"
#include "services/netblock_list.h"

namespace kestrum::services {
namespace {

constexpr const char* kBraxel =
    "# comment line\r\n"
    "127.0.0.1  listed.test   ATS   # trailing comment\r\n"
    "0.0.0.0\thijack.test\tHFS\r\n"
    "::1 v6sink.test GRM\r\n"
    "noclass.test\r\n"
    "bare.test EMD\r\n"
    "0.0.0.0 10.1.2.3 ATS\r\n"
    "127.0.0.1 listed.test GRM\r\n"  // second listing: the first counts
    "127.0.0.1 comma.test A,B\r\n"   // a class the program would cut apart
    "127.0.0.1 unspecified.test NOT  SPECIFIED\n"
    "   \n";

TEST(BraxelList, ReadsHostsStyleLinesAndAnswersListedWithClass) {
  std::vector<std::string> warnings;
  const BraxelList list = BraxelList::Parse(kBraxel, warnings);
  struct Case {
    const char* lookup;
    const char* answer;
  };
  const Case cases[] = {
      {"http://listed.test", "Listed||ATS"},
      {"https://LISTED.Test", "Listed||ATS"},  // letter case of the host does not matter
      {"http://listed.test.", "Listed||ATS"},  // nor a trailing dot
      {"http://listed.test:8080/x", "Listed||ATS"},
      {"listed.test", "Listed||ATS"},
      {"http://hijack.test", "Listed||HFS"},
      {"http://v6sink.test", "Listed||GRM"},
      {"http://noclass.test", "Listed"},
      {"http://bare.test", "Listed||EMD"},
      {"http://10.1.2.3", "Listed||ATS"},
      {"http://comma.test", "Listed"},
      {"http://unspecified.test", "Listed||NOT  SPECIFIED"},  // a class is the rest of the line
      {"http://www.listed.test", "Not Listed"},               // hosts entries are exact names
      {"http://127.0.0.1", "Not Listed"},                     // the sink address is not itself listed
      {"http://", "Not Listed"},
      {"", "Not Listed"},
  };
  for (const Case& c : cases) EXPECT_EQ(BraxelAnswerText(list.ClassOf(c.lookup)), c.answer) << c.lookup;
  EXPECT_EQ(list.size(), 8u);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[0], "line 8: host listed before; the first line counts");
  EXPECT_NE(warnings[1].find("line 9: a class may not hold a comma"), std::string::npos);
}

TEST(EntryLists, MatchHostsAndWholeAddresses) {
  std::vector<std::string> warnings;
  const MdlList mdl = MdlList::Parse("malware.test\nHTTP://Mixed.Test/ignored\n10.0.0.5 extra\n", warnings);
  EXPECT_TRUE(mdl.Lists("http://malware.test"));
  EXPECT_TRUE(mdl.Lists("http://mixed.test"));
  EXPECT_TRUE(mdl.Lists("http://10.0.0.5"));
  EXPECT_FALSE(mdl.Lists("http://sub.malware.test"));
  EXPECT_FALSE(mdl.Lists("http://"));
  EXPECT_EQ(warnings, std::vector<std::string>{"line 3: text after the entry ignored"});

  const PhishList phish =
      PhishList::Parse("http://phish.test/login.html\nhttps://Bank.Test\nbare.test/x?y=1\n", warnings);
  struct Case {
    const char* address;
    bool listed;
  };
  const Case cases[] = {
      {"http://phish.test/login.html", true},
      {"HTTP://PHISH.TEST/login.html", true},
      {"http://phish.test/login.html#top", true},
      {"http://phish.test/LOGIN.html", false},  // paths keep their letter case
      {"http://phish.test/", false},
      {"https://bank.test/", true},  // an empty path is "/"
      {"https://bank.test", true},
      {"http://bank.test/", false},  // the scheme counts
      {"http://bare.test/x?y=1", true},
      {"", false},
  };
  for (const Case& c : cases) EXPECT_EQ(phish.Lists(c.address), c.listed) << c.address;
}

TEST(NetblockList, PrefersTheNarrowestRangeThenTheLongestDomain) {
  std::vector<std::string> warnings;
  const NetblockList list = NetblockList::Parse(
      "127.0.0.0/8      Loopback network\n"
      "127.0.0.1        Demo site\n"
      "10.0.0.0-10.0.255.255  Ten network\n"
      "0.0.0.0/0        Everything else\n"
      "kestrum.test     Demo zone\n"
      "www.kestrum.test Demo web host\n"
      "10.9.9.9/33      bad prefix\n"
      "10.2.0.0-10.1.0.0 reversed\n"
      "256.1.1.1        bad address\n"
      "10.0.0.0/8\n"
      "10.0.0.0/8 The <b>bold</b> owner\n",
      warnings);
  EXPECT_EQ(list.size(), 6u);
  EXPECT_EQ(warnings.size(), 5u);

  const auto demo = list.Find({0x7F000001}, "");
  ASSERT_TRUE(demo);
  EXPECT_EQ(demo->owner, "Demo site");
  EXPECT_EQ(list.Find({0x7F000002}, "")->owner, "Loopback network");
  EXPECT_EQ(list.Find({0x0A00FFFF}, "")->owner, "Ten network");
  EXPECT_EQ(list.Find({0x0A010000}, "")->owner, "Everything else");
  // Addresses are tried in the order given; the first with a match decides.
  EXPECT_EQ(list.Find({0x0A000001, 0x7F000001}, "")->owner, "Ten network");

  const NetblockList names = NetblockList::Parse("kestrum.test Demo zone\nwww.kestrum.test Demo web host\n", warnings);
  EXPECT_EQ(names.Find({}, "kestrum.test")->owner, "Demo zone");
  EXPECT_EQ(names.Find({}, "a.b.kestrum.test")->owner, "Demo zone");
  EXPECT_EQ(names.Find({}, "WWW.kestrum.test")->owner, "Demo web host");
  EXPECT_FALSE(names.Find({}, "xkestrum.test"));  // a suffix must be whole labels
  EXPECT_FALSE(names.Find({}, "test"));
  EXPECT_FALSE(names.Find({0x7F000001}, "Resolution failed"));
}

TEST(NetblockQuery, ReadsTheAddressTextAndHostAsTheProgramSendsThem) {
  struct Case {
    const char* s;
    std::vector<uint32_t> addresses;
    const char* host;
  };
  const Case cases[] = {
      {"127.0.0.1||listed.kestrum.test", {0x7F000001}, "listed.kestrum.test"},
      {"10.0.0.1, 10.0.0.2||a.test", {0x0A000001, 0x0A000002}, "a.test"},
      {"2130706433||a.test", {0x7F000001}, "a.test"},  // a host given as a decimal number
      {"Error: Winsock made a woopsie whilst resolving Hostname||a.test", {}, "a.test"},
      {"127.0.0.1||Resolution failed", {0x7F000001}, "Resolution failed"},
      {"Invalid IP||10.0.0.9", {0x0A000009}, "10.0.0.9"},
      {"10.0.0.1", {0x0A000001}, ""},
      {"||", {}, ""},
      {"4294967296, 1.2.3||x||y", {}, "x"},
  };
  for (const Case& c : cases) {
    const NetblockQuery query = ParseNetblockQuery(c.s);
    EXPECT_EQ(query.addresses, c.addresses) << c.s;
    EXPECT_EQ(query.host, c.host) << c.s;
  }
}

TEST(NetblockAnswer, IsCutByTheProgramsMarkersOrSaysUnableToDetermine) {
  NetblockMatch range{"Demo site", 0x7F000001, 0x7F000000, 0x7FFFFFFF, ""};
  EXPECT_EQ(NetblockAnswerText(range),
            "[CONTENT]\r\n<b>Demo site</b>\r\nRange: 127.0.0.0 - 127.255.255.255\r\nAddress: 127.0.0.1\r\n"
            "[/CONTENT]\r\n");
  NetblockMatch domain{"Demo zone", std::nullopt, 0, 0, "kestrum.test"};
  EXPECT_EQ(NetblockAnswerText(domain), "[CONTENT]\r\n<b>Demo zone</b>\r\nDomain: kestrum.test\r\n[/CONTENT]\r\n");
  // The program retries with "www." when the first 19 characters, lower-cased, say this.
  EXPECT_EQ(NetblockAnswerText(std::nullopt).substr(0, 19), "unable to determine");
}

}  // namespace
}  // namespace kestrum::services
