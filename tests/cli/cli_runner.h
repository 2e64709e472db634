#pragma once
// kestrum-cli started as a user starts it: a process with arguments, environment, standard input
// and output. Several may run at once.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace kestrum::testing {

inline const std::string kCliProgram = std::string(KESTRUM_BINARY_DIR) + "/bin/kestrum-cli";

struct RunResult {
  int status = -1;
  std::string out, err;
};

struct CliEnvironment {
  std::string program = kCliProgram;
  std::string kestrum_home;  // empty: KESTRUM_HOME unset
  std::string data_home;     // XDG_DATA_HOME; empty: unset
  std::string stdout_path;   // empty: captured
};

class CliProcess {
 public:
  CliProcess(const std::vector<std::string>& args, const CliEnvironment& env, const std::string& input = "") {
    io_.write("in", input);
    std::vector<std::string> all = {env.program};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const std::string out_path = env.stdout_path.empty() ? io_.file("out") : env.stdout_path;
    pid_ = ::fork();
    if (pid_ == 0) {
      if (env.kestrum_home.empty())
        ::unsetenv("KESTRUM_HOME");
      else
        ::setenv("KESTRUM_HOME", env.kestrum_home.c_str(), 1);
      if (env.data_home.empty())
        ::unsetenv("XDG_DATA_HOME");
      else
        ::setenv("XDG_DATA_HOME", env.data_home.c_str(), 1);
      ::setenv("NO_COLOR", "1", 1);
      const int in = ::open(io_.file("in").c_str(), O_RDONLY);
      const int out = ::open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      const int err = ::open(io_.file("err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(in, 0), ::dup2(out, 1), ::dup2(err, 2);
      ::execv(argv[0], argv.data());
      ::_exit(127);
    }
  }
  RunResult finish() {
    int status = 0;
    ::waitpid(pid_, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io_.read("out"), io_.read("err")};
  }

 private:
  TempFolder io_;
  pid_t pid_ = -1;
};

inline RunResult RunCliWith(const std::vector<std::string>& args, const CliEnvironment& env,
                            const std::string& input = "") {
  return CliProcess(args, env, input).finish();
}

}  // namespace kestrum::testing
