// Decoder throughput on 10 MB inputs: Base64 both ways, HTML references, and the character-table
// path of the JavaScript unescape.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <random>
#include <string>

#include "core/context.h"
#include "core/settings.h"
#include "decode/base64.h"
#include "decode/char_table.h"
#include "decode/html_entities.h"
#include "decode/js_unescape.h"

namespace {

constexpr size_t kTenMegabytes = 10 * 1024 * 1024;

std::string RandomBytes(size_t size) {
  std::mt19937 random(1);
  std::uniform_int_distribution<int> byte(0, 255);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = static_cast<char>(byte(random));
  return bytes;
}

void BM_Base64Encode(benchmark::State& state) {
  const std::string input = RandomBytes(kTenMegabytes);
  for (auto _ : state) benchmark::DoNotOptimize(kestrum::Base64Encode(input));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Base64Encode)->Unit(benchmark::kMillisecond);

void BM_Base64Decode(benchmark::State& state) {
  // 10 MB of encoded text in the program's own 72-character lines.
  std::string input = kestrum::Base64Encode(RandomBytes(kTenMegabytes / 74 * 54));
  for (auto _ : state) benchmark::DoNotOptimize(kestrum::Base64DecodeText(input));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK(BM_Base64Decode)->Unit(benchmark::kMillisecond);

// Numeric references of every code with some prose and named entities between them.
std::string TextFullOfReferences() {
  std::mt19937 random(2);
  std::uniform_int_distribution<int> code(1, 255), filler(0, 7);
  const char* const fillers[] = {"x", " ", "&lt;", "&amp;", "#65;", "&quot;", "&amp;#60;", "ab"};
  std::string text;
  text.reserve(kTenMegabytes + 16);
  while (text.size() < kTenMegabytes) {
    text += "&#" + std::to_string(code(random)) + ";";
    text += fillers[filler(random)];
  }
  return text;
}

// References whose decoded characters complete further references, pass after pass.
std::string TextOfChainedReferences() {
  const std::string chain = "&#38;#35;&#51;8;#&#53;0;&#2&#53;5;&#65&#59;";
  std::string text;
  text.reserve(kTenMegabytes + chain.size());
  while (text.size() < kTenMegabytes) text += chain;
  return text;
}

void BM_DecodeHTMLEntities(benchmark::State& state, std::string (*make_text)()) {
  const std::string input = make_text();
  for (auto _ : state) benchmark::DoNotOptimize(kestrum::DecodeHTMLEntities(input));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
}
BENCHMARK_CAPTURE(BM_DecodeHTMLEntities, full_of_references, TextFullOfReferences)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_DecodeHTMLEntities, chained_references, TextOfChainedReferences)->Unit(benchmark::kMillisecond);

// 10 MB of escapes: far too long for the percent-decoder, so every one goes through the table.
void BM_UnescapeJavascriptThroughTable(benchmark::State& state) {
  std::string root = (std::filesystem::temp_directory_path() / "kestrum-bench-XXXXXX").string();
  if (!::mkdtemp(root.data())) {
    state.SkipWithError("no temporary folder");
    return;
  }
  kestrum::Context ctx;
  ctx.program_folder = root;
  ctx.user_data_root = root;
  std::filesystem::create_directories(root + "/Storage");
  kestrum::WriteSetting(ctx, "Settings", "Disable_Log", "0");
  kestrum::WriteCharTable(ctx);
  std::string input;
  input.reserve(kTenMegabytes);
  const char* const hex = "0123456789ABCDEF";
  for (unsigned i = 0; input.size() < kTenMegabytes; ++i) {
    const unsigned code = 32 + i % 95;
    input += '%';
    input += hex[code / 16];
    input += hex[code % 16];
  }
  for (auto _ : state) benchmark::DoNotOptimize(kestrum::UnescapeJavascript(ctx, input));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
  std::filesystem::remove_all(root);
}
BENCHMARK(BM_UnescapeJavascriptThroughTable)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
