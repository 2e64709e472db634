#pragma once
// Desktops without a window. ScriptedDesktop answers from a script and records every contact (tests);
// ConsoleDesktop prints messages to standard error and answers questions with a fixed answer.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "core/seams.h"

namespace kestrum {

struct ShownMessage {
  std::string text;
  std::string caption;
  MessageIcon icon = MessageIcon::None;
  MessageButtons buttons = MessageButtons::Ok;
  MessageAnswer answer = MessageAnswer::Ok;
};

struct StartedProgram {
  std::string program;
  std::vector<std::string> arguments;
};

class ScriptedDesktop : public Desktop {
 public:
  // Answers for the next questions, in order; when the script runs dry, `fallback_answer`.
  void scriptAnswers(std::initializer_list<MessageAnswer> answers) { answers_.insert(answers_.end(), answers); }
  void scriptSaveFile(std::optional<std::string> path) { save_files_.push_back(std::move(path)); }
  void scriptOpenFile(std::optional<std::string> path) { open_files_.push_back(std::move(path)); }
  MessageAnswer fallback_answer = MessageAnswer::No;

  MessageAnswer showMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                            MessageButtons buttons) override;
  std::optional<std::string> chooseSaveFile(std::string_view caption, std::string_view filter,
                                            std::string_view suggested_name) override;
  std::optional<std::string> chooseOpenFile(std::string_view caption, std::string_view filter) override;
  void processEvents() override { ++event_passes; }
  void endProgram() override { program_ended = true; }
  bool openWithDefaultHandler(std::string_view target) override {
    opened.emplace_back(target);
    return true;
  }
  bool startProgram(std::string_view program, const std::vector<std::string>& arguments) override {
    started.push_back({std::string(program), arguments});
    return true;
  }
  void setClipboardText(std::string_view text) override { clipboard_ = std::string(text); }
  std::string clipboardText() const override { return clipboard_; }

  std::vector<ShownMessage> messages;
  std::vector<std::string> opened;
  std::vector<StartedProgram> started;
  int event_passes = 0;
  bool program_ended = false;

 protected:
  virtual void onMessage(const ShownMessage&) {}

 private:
  std::deque<MessageAnswer> answers_;
  std::deque<std::optional<std::string>> save_files_, open_files_;
  std::string clipboard_;
};

// For unattended runs: every message goes to standard error, every question gets one answer.
class ConsoleDesktop : public ScriptedDesktop {
 public:
  explicit ConsoleDesktop(bool answer_yes = false, bool echo = true) : echo_(echo) {
    fallback_answer = answer_yes ? MessageAnswer::Yes : MessageAnswer::No;
  }

 protected:
  void onMessage(const ShownMessage& message) override;

 private:
  bool echo_;
};

}  // namespace kestrum
