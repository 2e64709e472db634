#include "core/recording_desktop.h"

#include <cstdio>

#include "core/text.h"

namespace kestrum {

const char* MessageIconName(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Information: return "information";
    case MessageIcon::Exclamation: return "exclamation";
    case MessageIcon::Question: return "question";
    case MessageIcon::Critical: return "critical";
    case MessageIcon::None: break;
  }
  return "none";
}

MessageAnswer ScriptedDesktop::showMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                           MessageButtons buttons) {
  ShownMessage shown{std::string(text), std::string(caption), icon, buttons, MessageAnswer::Ok};
  if (buttons == MessageButtons::YesNo || buttons == MessageButtons::YesNoCancel) {
    shown.answer = fallback_answer;
    if (!answers_.empty()) {
      shown.answer = answers_.front();
      answers_.pop_front();
    }
  } else if (buttons == MessageButtons::OkCancel) {
    shown.answer = fallback_answer == MessageAnswer::Yes ? MessageAnswer::Ok : MessageAnswer::Cancel;
    if (!answers_.empty()) {
      shown.answer = answers_.front();
      answers_.pop_front();
    }
  }
  messages.push_back(shown);
  onMessage(shown);
  return shown.answer;
}

std::optional<std::string> ScriptedDesktop::chooseSaveFile(std::string_view, std::string_view, std::string_view) {
  if (save_files_.empty()) return std::nullopt;
  auto path = save_files_.front();
  save_files_.pop_front();
  return path;
}

std::optional<std::string> ScriptedDesktop::chooseOpenFile(std::string_view, std::string_view) {
  if (open_files_.empty()) return std::nullopt;
  auto path = open_files_.front();
  open_files_.pop_front();
  return path;
}

void ConsoleDesktop::onMessage(const ShownMessage& message) {
  if (!echo_) return;
  const std::string text = AnsiToUtf8(ReplaceAll(message.text, "\r\n", "\n"));
  std::fprintf(stderr, "[%s] %s\n", MessageIconName(message.icon), text.c_str());
  if (message.buttons == MessageButtons::YesNo || message.buttons == MessageButtons::YesNoCancel)
    std::fprintf(stderr, "  -> answered %s\n", message.answer == MessageAnswer::Yes ? "Yes" : "No");
}

}  // namespace kestrum
