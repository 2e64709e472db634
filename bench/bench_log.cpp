// The application log's writer: every call reads cfg.ini afresh and appends one line, so a
// settings change between two calls takes effect at the next one. Target: 100 000 lines < 2 s.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/app_log.h"
#include "core/context.h"

namespace {

// A program folder in a fresh temporary folder, with a cfg.ini as a user's would look.
class BenchProgram {
 public:
  BenchProgram() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-bench-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
    ctx.program_folder = root_ + "/program";
    ctx.user_data_root = root_ + "/userdata";
    std::filesystem::create_directories(ctx.program_folder + "/Storage");
    std::ofstream cfg(ctx.program_folder + "/Storage/cfg.ini", std::ios::binary);
    cfg << "[Settings]\r\ncboProxyServers=\r\nchkProxy=0\r\nchkMSXML=1\r\nchkWinsock=0\r\n"
           "cboUAString=Kestrum Desktop Edition v0.3.7\r\ntxtReferer=\r\nchkBraxel=1\r\nchkMDL=1\r\n"
           "chkPhishTank=1\r\nchkLaunchProc=1\r\nWordwrap=1\r\nDisable_Log=1\r\nLog=0\r\nSMTP=127.0.0.1\r\n"
           "Port=25\r\nAuth=1\r\n[Automation]\r\nchkAutoDownload=0\r\ntxtMins=10\r\nchkAutoScanExes=1\r\n"
           "chkAutoScanLinks=1\r\nchkAutoScanImages=1\r\n[Monitor]\r\n";
    for (int i = 0; i < 40; ++i) cfg << "host" << i << ".example=192.0.2." << i << "\r\n";
    cfg << "[Monitors]\r\nIP=0\r\n[Paths]\r\nAppLog_File=" << app_log_file << "\r\n";
  }
  ~BenchProgram() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }

  kestrum::Context ctx;
  std::string app_log_file;

 private:
  std::string root_;
};

void BM_WriteLog(benchmark::State& state) {
  BenchProgram program;
  for (auto _ : state) kestrum::WriteLog(program.ctx, "Sending query to server ....");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_WriteLog);

// The target as stated: one run of 100 000 calls, its wall time in milliseconds.
BENCHMARK(BM_WriteLog)->Name("BM_WriteLog_100k")->Iterations(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
