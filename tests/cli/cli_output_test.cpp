#include "cli/cli_output.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/text.h"

namespace kestrum::cli {
namespace {

// The terminal text is defined by its three steps; the one-pass version must agree byte for byte.
std::string ThreeSteps(std::string_view ansi) {
  return EscapeControls(AnsiToUtf8(ReplaceAll(ansi, "\r\n", "\n")));
}

TEST(ForTerminal, AgreesWithConvertingThenEscapingOnEveryByteAndMix) {
  std::string every_byte;
  for (int b = 0; b < 256; ++b) every_byte += static_cast<char>(b);
  EXPECT_EQ(ForTerminal(every_byte), ThreeSteps(every_byte));
  for (const std::string_view text : {"", "\r", "\r\n", "\n\r", "\r\r\n", "a\r\nb\rc\nd", "\x1b]0;pwned\x07\x1b[2J",
                                      "\x81\x8d\x8f\x90\x9d", "caf\xe9 \x80 \x9b"})
    EXPECT_EQ(ForTerminal(text), ThreeSteps(text)) << text;
  // Each byte at each place of a plain run, where the run's end is found sixteen bytes at a time.
  for (int b = 0; b < 256; ++b) {
    for (size_t at = 0; at < 40; ++at) {
      std::string text(40, 'x');
      text[at] = static_cast<char>(b);
      ASSERT_EQ(ForTerminal(text), ThreeSteps(text)) << b << " at " << at;
    }
  }
  std::mt19937 random(11);
  const std::string alphabet = std::string("ab \t\r\n\x1b\x7f\x80\x81\x9b\xc9\xff", 13) + '\0';
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    for (size_t n = random() % 40; n > 0; --n) text += alphabet[random() % alphabet.size()];
    ASSERT_EQ(ForTerminal(text), ThreeSteps(text)) << round;
  }
}

}  // namespace
}  // namespace kestrum::cli
