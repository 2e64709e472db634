#pragma once
// Program-wide state, passed to every command instead of living in globals.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace kestrum {

class Desktop;
class MainView;
class Resolver;
struct FetchFacts;

struct Context {
  // $KESTRUM_HOME, a build tree's or portable unpack's executable folder, or the per-user folder
  // (ChooseProgramFolder). Storage lives below it.
  std::string program_folder;
  // Root of the per-user folders ($XDG_DATA_HOME, default ~/.local/share).
  std::string user_data_root;

  Desktop* desktop = nullptr;
  MainView* window = nullptr;
  Resolver* resolver = nullptr;

  // Platform detection results.
  std::string platform_name;
  std::string platform_family;

  // The proxy-list entry chosen at start-up.
  std::string proxy_template;
  std::string proxy_name;

  // Left by the query pipeline for the analyses that follow.
  std::string current_host;
  std::string saved_page_file;

  // Command line's unattended form.
  bool output_to_file = false;
  bool append_net_block = false;
  std::string output_path;

  // Unattended runs answer questions themselves and never wait for a person.
  bool unattended = false;

  // Set when a command asks the program to end (the log's last refusal, the unattended form).
  bool quit_requested = false;

  // The user agreed to switch the log off but the setting could not be stored: honoured until exit.
  bool logging_off_for_session = false;
  // The log file could not be created and its questions were asked: once per run is enough.
  bool log_questions_asked = false;

  // A run that only reads cfg.ini (the terminal front end): WriteSetting stores nothing there, so a
  // setting that is absent keeps reading as its default.
  bool settings_read_only = false;

  // Settings given for this run only ("section.key" in lower case -> value): read before cfg.ini,
  // never written to it.
  std::map<std::string, std::string> setting_overrides;

  // Evidence for a caller that reports a run (kestrum-cli's report); null when nobody asks.
  // The next page fetch records its facts here; each blocklist answer is kept as received.
  FetchFacts* page_fetch_facts = nullptr;
  std::vector<std::pair<std::string, std::string>>* lookup_answers = nullptr;  // request address, answer

  int view_mode = 1;
  int last_view_mode = 1;
};

// A context for the running program: per-user root from $XDG_DATA_HOME or $HOME/.local/share,
// program folder from ChooseProgramFolder.
Context MakeProgramContext(const char* argv0);
// $KESTRUM_HOME when set; else the executable's folder when it already holds a Storage folder and
// lies outside /usr; else the per-user folder (user data root + "/kestrum").
std::string ChooseProgramFolder(const char* kestrum_home, const std::string& executable_folder,
                                const std::string& user_data_root);
std::string ExecutableFolder(const char* argv0);

}  // namespace kestrum
