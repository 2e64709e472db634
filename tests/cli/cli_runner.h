#pragma once
// kestrum-cli driven as a user drives it: a process with arguments, standard input and output,
// and a program folder of its own.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kestrum::testing {

inline const std::string kCli = std::string(KESTRUM_BINARY_DIR) + "/bin/kestrum-cli";

struct RunResult {
  int status = -1;
  std::string out, err;
};

// Runs the CLI with KESTRUM_HOME=`home`; `input` is its standard input. Standard output goes to
// a file, or to `stdout_path` when given (then `out` stays empty).
inline RunResult RunCli(const std::vector<std::string>& args, const std::string& home, const std::string& input = "",
                        const std::string& stdout_path = "") {
  TempFolder io;
  io.write("in", input);
  io.write("out", "");
  std::vector<char*> argv;
  std::vector<std::string> all = {kCli};
  all.insert(all.end(), args.begin(), args.end());
  for (auto& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const std::string out_path = stdout_path.empty() ? io.file("out") : stdout_path;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::setenv("KESTRUM_HOME", home.c_str(), 1);
    ::setenv("NO_COLOR", "1", 1);
    const int in = ::open(io.file("in").c_str(), O_RDONLY);
    const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = ::open(io.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
    ::execv(kCli.c_str(), argv.data());
    ::_exit(127);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.read("out"), io.read("err")};
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    home = root.file("home");
    root.write("placeholder", "");
    ::mkdir(home.c_str(), 0755);
    ::mkdir((home + "/Storage").c_str(), 0755);
  }
  void settings(const std::string& ini) { root.write("home/Storage/cfg.ini", ini); }
  std::string settingsText() const { return root.read("home/Storage/cfg.ini"); }
  TempFolder root;
  std::string home;
};

}  // namespace kestrum::testing
