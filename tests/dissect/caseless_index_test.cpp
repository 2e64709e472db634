#include "dissect/caseless_index.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/text.h"

namespace kestrum {
namespace {

TEST(CaselessIndex, SpellingsThatDifferOnlyInLetterCaseFindOneEntry) {
  std::mt19937 random(9);
  // ASCII letters, Windows-1252 pairs (\xC9/\xE9, \x8A/\x9A, \x9F/\xFF), bytes without a case.
  const std::string alphabet = "aAzZ@[`{\xc9\xe9\x8a\x9a\x9f\xff\xd7\xf7\xdf/.:0 ";
  std::vector<std::string> texts;
  CaselessIndex index;
  for (int round = 0; round < 4000; ++round) {
    std::string text;
    for (size_t n = random() % 20; n > 0; --n) text += alphabet[random() % alphabet.size()];
    std::string respelled = text;
    for (char& c : respelled)
      if (random() % 2) c = random() % 2 ? AnsiUpper(c) : AnsiLower(c);
    ASSERT_EQ(CaselessIndex::Hash(text), CaselessIndex::Hash(respelled)) << text;
    const size_t known = index.find(texts, respelled, CaselessIndex::Hash(respelled));
    const auto listed = std::find_if(texts.begin(), texts.end(), [&](const std::string& t) {
      return EqualsNoCase(t, respelled);
    });
    ASSERT_EQ(known, listed == texts.end() ? std::string::npos : static_cast<size_t>(listed - texts.begin()));
    if (known == std::string::npos) {
      texts.push_back(text);
      index.add(texts.size() - 1, CaselessIndex::Hash(text));
    }
  }
  // A text and the same text with a NUL after it are different entries.
  EXPECT_NE(CaselessIndex::Hash("a"), CaselessIndex::Hash(std::string("a\0", 2)));
}

}  // namespace
}  // namespace kestrum
