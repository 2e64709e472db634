#include "cli/cli_codec.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <iterator>

#include "cli/cli_output.h"
#include "core/context.h"
#include "core/exit_codes.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/text.h"
#include "decode/base64.h"
#include "decode/char_table.h"
#include "decode/html_entities.h"
#include "decode/js_unescape.h"

namespace kestrum::cli {
namespace {

struct CodecInput {
  std::string text;  // engine text
  bool raw = false;  // --raw: bytes in and out unchanged
};

// TEXT from the arguments, or all of standard input.
CodecInput ReadInput(const std::vector<std::string>& args) {
  CodecInput input;
  std::vector<std::string> words;
  for (const auto& arg : args) {
    if (arg == "--raw")
      input.raw = true;
    else
      words.push_back(arg);
  }
  std::string text;
  if (!words.empty()) {
    for (size_t i = 0; i < words.size(); ++i) text += (i ? " " : "") + words[i];
  } else {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  }
  input.text = input.raw ? text : FromTerminal(text);
  return input;
}

// The result on standard output; a failed write (full disk, closed pipe) gives a non-zero status.
int WriteResult(const std::string& engine_text, bool raw, int status = kExitSuccess) {
  std::string out = raw ? engine_text : AnsiToUtf8(engine_text);
  if (!raw && ::isatty(STDOUT_FILENO)) out = EscapeControls(out);
  if (!raw && (out.empty() || out.back() != '\n')) out += '\n';
  const bool written = WriteOut(out) && std::fflush(stdout) == 0;
  return written ? status : kExitOutputNotWritable;
}

// Messages the decoders show go to standard error; the count tells the caller whether any came.
size_t ReportMessages(const ScriptedDesktop& desktop) {
  for (const auto& message : desktop.messages) std::fprintf(stderr, "%s\n", ForTerminal(message.text).c_str());
  return desktop.messages.size();
}

}  // namespace

int RunDecode(const char* argv0, const std::vector<std::string>& args) {
  if (args.empty() || (args[0] != "base64" && args[0] != "js" && args[0] != "entities")) {
    std::fprintf(stderr, "kestrum-cli: decode needs base64, js or entities\n");
    return 2;
  }
  const CodecInput input = ReadInput({args.begin() + 1, args.end()});
  if (args[0] == "entities") {
    return WriteResult(DecodeHTMLEntities(input.text), input.raw);
  }
  Context ctx = MakeProgramContext(argv0);
  ScriptedDesktop desktop;
  ctx.desktop = &desktop;
  ctx.unattended = true;
  if (args[0] == "base64") {
    MemoryTextPane pane;
    if (!Base64Decode(ctx, pane, input.text)) {
      ReportMessages(desktop);
      return 1;
    }
    // Decoded Base64 is often a binary payload: bytes as they are unless a person reads them.
    return WriteResult(pane.text(), input.raw || !::isatty(STDOUT_FILENO));
  }
  WriteCharTableIfMissing(ctx);  // as the program does at start-up
  const std::string result = UnescapeJavascript(ctx, input.text);
  const bool complained = ReportMessages(desktop) > 0;
  return WriteResult(result, input.raw, complained ? 1 : kExitSuccess);
}

int RunEncode(const char*, const std::vector<std::string>& args) {
  if (args.empty() || args[0] != "base64") {
    std::fprintf(stderr, "kestrum-cli: encode needs base64\n");
    return 2;
  }
  const CodecInput input = ReadInput({args.begin() + 1, args.end()});
  return WriteResult(ReplaceAll(Base64Encode(input.text), "\r\n", "\n"), input.raw);
}

}  // namespace kestrum::cli
