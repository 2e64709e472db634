#include "net/host_resolution.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "net/system_resolver.h"
#include "net/table_resolver.h"
#include "support/temp_folder.h"

namespace kestrum {
namespace {

class HostResolutionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    table.addHost("three.test", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
    table.addHost("one.test", {"10.0.0.9"});
    table.addName("10.0.0.1", "first.test");
    table.addName("10.0.0.9", "nine.test");
    program.ctx.resolver = &table;
  }
  testing::TestProgram program;
  TableResolver table;
};

TEST_F(HostResolutionTest, ResolveHostListsEveryAddressInOrder) {
  EXPECT_EQ(ResolveHost(program.ctx, "three.test"), "10.0.0.1, 10.0.0.2, 10.0.0.3");
  EXPECT_EQ(ResolveHost(program.ctx, "ONE.test"), "10.0.0.9");
  // A name that fails goes to the single-address fallback, which fails too.
  EXPECT_EQ(ResolveHost(program.ctx, "missing.test"), "");
  EXPECT_EQ(table.lookups, 4);
}

TEST_F(HostResolutionTest, ReverseLookupAnswersEachAddress) {
  const std::pair<const char*, const char*> cases[] = {
      {"10.0.0.1", "first.test"},
      {"10.0.0.2", "Resolution failed"},
      {"255.255.255.255", "Invalid IP"},  // the parser's no-address value
      {"not an address", "Invalid IP"},
      {"", "Invalid IP"},
      {"10.0.0.1,10.0.0.2", "first.test,Resolution Failed"},
      {"10.0.0.1, 10.0.0.9", "first.test,Invalid IP"},  // the piece keeps its leading space
      {"10.0.0.9,10.0.0.1,x", "nine.test,first.test,Invalid IP"},
  };
  for (const auto& [text, answer] : cases) EXPECT_EQ(ReverseLookup(program.ctx, text), answer) << text;
}

TEST(ConvertIPValue, ConvertsBetweenDecimalAndDotted) {
  const std::pair<const char*, const char*> cases[] = {
      {"3232235777", "192.168.1.1"},
      {"0", "0.0.0.0"},
      {"255", "0.0.0.255"},
      {"4294967295", "255.255.255.255"},
      {"4294967296", "0.0.0.0"},
      {"99999999999999999999", "0.0.0.0"},
      {"3232235777:8080", "192.168.1.1"},
      {"192.168.1.1", "3232235777"},
      {"10.0.0.1:8080", "167772161"},
      {"10.0.0.1_2", "167772161"},
      {"0.0.0.0", "0"},
      {"1.2.3.256", "0"},
      {"1.2.3", ""},
      {"1.2.3.4.5", ""},
      {"a.b.c.d", ""},
      {"example.com", ""},
      {"-5", ""},
      {"", ""},
  };
  for (const auto& [value, converted] : cases) EXPECT_EQ(ConvertIPValue(value), converted) << value;
}

TEST(ConvertIP, DropsPortAndSuffixFromTheCallersHost) {
  std::string host = "3232235777:80_x";
  EXPECT_EQ(ConvertIP(host), "192.168.1.1");
  EXPECT_EQ(host, "3232235777");
}

TEST(AddressToText, WritesNetworkOrderAsDotted) {
  EXPECT_EQ(AddressToText(htonl(0xC0A80101)), "192.168.1.1");
  EXPECT_EQ(AddressToText(0), "0.0.0.0");
}

TEST(SystemResolver, ResolvesLoopbackNamesAndAddresses) {
  SystemResolver resolver;
  const auto localhost = resolver.resolve("localhost");
  EXPECT_NE(std::find(localhost.begin(), localhost.end(), "127.0.0.1"), localhost.end());
  EXPECT_EQ(std::count(localhost.begin(), localhost.end(), "127.0.0.1"), 1) << "duplicates are dropped";
  EXPECT_EQ(resolver.resolve("127.0.0.1"), std::vector<std::string>{"127.0.0.1"});
  EXPECT_TRUE(resolver.resolve("").empty());
  EXPECT_TRUE(resolver.reverse("127.0.0.1").has_value());
  EXPECT_FALSE(resolver.reverse("not an address").has_value());
}

TEST(SystemResolver, ServesAContextWithoutResolver) {
  testing::TestProgram program;
  EXPECT_EQ(ResolveHost(program.ctx, "127.0.0.1"), "127.0.0.1");
  EXPECT_NE(ReverseLookup(program.ctx, "127.0.0.1"), "Resolution failed");
}

}  // namespace
}  // namespace kestrum
