// Speed of the download method on loopback: a 100 MB body streamed to a file. Peak memory is
// reported beside the rate; it must not grow with the body.
#include <benchmark/benchmark.h>
#include <httplib.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <filesystem>
#include <string>
#include <thread>

#include "core/context.h"
#include "net/downloads.h"

namespace {

constexpr size_t kBodyBytes = 100u << 20;

long PeakResidentKB() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

void BM_DownloadToFile(benchmark::State& state) {
  // The server sends the body from one 1 MB block, so it holds no copy of the whole body either.
  const std::string block(1u << 20, 'x');
  httplib::Server server;
  server.Get("/big", [&block](const httplib::Request&, httplib::Response& response) {
    response.set_content_provider(kBodyBytes, "application/octet-stream",
                                  [&block](size_t offset, size_t length, httplib::DataSink& sink) {
                                    const size_t piece = std::min({length, block.size(), kBodyBytes - offset});
                                    sink.write(block.data(), piece);
                                    return true;
                                  });
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  std::thread serving([&server] { server.listen_after_bind(); });

  // Argument 0: the system temporary folder (disk); 1: /dev/shm, the transfer without the disk.
  const std::filesystem::path base = state.range(0) == 1 && std::filesystem::is_directory("/dev/shm")
                                         ? "/dev/shm"
                                         : std::filesystem::temp_directory_path();
  std::string folder = (base / "kestrum-bench-XXXXXX").string();
  ::mkdtemp(folder.data());
  kestrum::Context ctx;
  ctx.program_folder = folder;
  ctx.user_data_root = folder;
  std::filesystem::create_directories(folder + "/Storage");
  const std::string address = "http://127.0.0.1:" + std::to_string(port) + "/big";
  const std::string target = folder + "/big.bin";

  const long peak_before = PeakResidentKB();
  for (auto _ : state) {
    if (kestrum::DownloadNewest(ctx, address, target) != 0) state.SkipWithError("download failed");
  }
  const long peak_after = PeakResidentKB();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBodyBytes));
  state.counters["file_MB"] = static_cast<double>(std::filesystem::file_size(target)) / (1 << 20);
  state.counters["peak_rss_MB"] = static_cast<double>(peak_after) / 1024;
  state.counters["rss_growth_MB"] = static_cast<double>(peak_after - peak_before) / 1024;

  server.stop();
  serving.join();
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DownloadToFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
