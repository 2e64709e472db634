#include "decode/html_entities.h"

#include <gtest/gtest.h>

#include <random>

#include "entity_passes_reference.h"

namespace kestrum {
namespace {

struct EntityCase {
  const char* input;
  const char* expected;
};

TEST(DecodeHTMLEntities, NamedEntitiesAndPlainReferences) {
  const EntityCase cases[] = {
      {"", ""},
      {"&lt;b&gt;", "<b>"},
      {"&quot;x&quot;", "\"x\""},
      {"&#72;&#105;", "Hi"},
      {"a&nbsp;b", "a b"},             // an ordinary space, not a no-break space
      {"&#233;", "\xE9"},              // above 127: the code page's character
      {"&#039;", "&#039;"},            // leading zero
      {"&#x3C;", "&#x3C;"},            // hexadecimal
      {"&#256; &#0;", "&#256; &#0;"},  // outside 1..255
      {"&copy;", "&copy;"},            // no other named entity
      {"&#65", "&#65"},                // no closing ";"
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeHTMLEntities(c.input), c.expected) << c.input;
}

TEST(DecodeHTMLEntities, ConsequencesOfTheReplacementOrder) {
  const EntityCase cases[] = {
      {"&amp;lt;", "&lt;"},                // named entities are replaced once, in order
      {"&amp;nbsp;", " "},                 // ... and "&nbsp;" comes after "&amp;"
      {"&amp;#60;", "<"},                  // a doubly encoded reference
      {"&#65;, later #66;", "A, later B"}, // the bare form once no "&#" is left
      {"color:#65;", "color:A"},
      {"&#1000;#65;", "&#1000;#65;"},      // an "&#" that never goes keeps the bare form away
      {"&#65;#66;&#38;#67;", "A#66;C"},    // ... for as long as one is left
      {"#38;#65;", "A"},                   // a decoded "&" brings the "&#" form back
      {"&#38;#65;", "A"},                  // a decoded character completes a later reference
      {"&#2&#53;5;", "\xFF"},              // ... a digit
      {"&#65&#59;", "A"},                  // ... a ";"
      {"#35;38;#66;", "B"},                // ... in a chain
      {"&#38;#35;", "&#35;"},              // ... but never one of an earlier code
      {"&#38;#38;", "&#38;"},              // ... nor one of the code whose pass made it
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeHTMLEntities(c.input), c.expected) << c.input;
}

// Texts built from the pieces that interact: references whose decoded characters are "&", "#",
// digits or ";", broken references, named entities and plain letters.
std::string RandomEntityText(std::mt19937& random) {
  static const char* const pieces[] = {"&", "#", ";", "&#", "&amp;", "&nbsp;", "&lt;", "amp;", "nbsp;", "x", " ",
                                       "0", "1", "2", "3", "5", "6", "9", "35;", "38;", "59;", "48;", "49;", "50;",
                                       "53;", "57;", "65;", "66;", "255;", "25", "&#35;", "&#38;", "&#59;",
                                       "&#51;", "&#53;", "&#65;", "#35;", "#38;", "#66;", "&#1000;", "\xE9"};
  std::uniform_int_distribution<size_t> count(0, 24), pick(0, std::size(pieces) - 1);
  std::string text;
  for (size_t n = count(random); n > 0; --n) text += pieces[pick(random)];
  return text;
}

TEST(DecodeHTMLEntities, AgreesWithTheLiteralPassesOnRandomTexts) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 100000; ++round) {
    const std::string text = RandomEntityText(random);
    ASSERT_EQ(DecodeHTMLEntities(text), testing::DecodeHTMLEntitiesByPasses(text)) << "input: " << text;
  }
}

TEST(DecodeHTMLEntities, AgreesWithTheLiteralPassesOnOneLongText) {
  std::mt19937 random(7);
  std::string text;
  while (text.size() < 200000) text += RandomEntityText(random);
  EXPECT_EQ(DecodeHTMLEntities(text), testing::DecodeHTMLEntitiesByPasses(text));
}

}  // namespace
}  // namespace kestrum
