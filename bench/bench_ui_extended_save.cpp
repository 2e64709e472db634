// The extended save of the links list against a real kestrum-services: the total time and the
// longest pause between two passes of the window's event loop (the window repaints in them).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/recording_desktop.h"
#include "core/settings.h"
#include "dissect/list_commands.h"
#include "net/connection_state.h"
#include "net/table_resolver.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;

// Lets the window's events run at every pass the command offers, and times the gaps.
class TimingDesktop : public kestrum::ScriptedDesktop {
 public:
  void processEvents() override {
    const auto now = Clock::now();
    if (now - last > longest) {
      longest = now - last;
      if (window) longest_after = last_caption, longest_before = window->caption();
    }
    QCoreApplication::processEvents();
    last = Clock::now();
    if (window) last_caption = window->caption();
  }
  // What the window said when the longest pause began and when it ended.
  kestrum::MainView* window = nullptr;
  std::string last_caption, longest_after, longest_before;
  Clock::time_point last = Clock::now();
  Clock::duration longest{};
};

struct Services {
  explicit Services(const std::string& data) {
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/kestrum-services");
    process.start(program, {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--quiet"),
                            QStringLiteral("--data"), QString::fromStdString(data)});
    process.waitForReadyRead(10000);
    const QString line = QString::fromUtf8(process.readLine()).trimmed();
    port = line.section(':', -1).remove('/').toInt();
  }
  ~Services() {
    process.terminate();
    process.waitForFinished(5000);
  }
  QProcess process;
  int port = 0;
};

void BM_ExtendedSaveOfLinks(benchmark::State& state) {
  const int links = static_cast<int>(state.range(0));
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-bench-XXXXXX").string();
  const std::string folder = mkdtemp(pattern.data()) ? pattern : std::string();
  std::filesystem::create_directories(folder + "/program/Storage");
  std::filesystem::create_directories(folder + "/lists");
  std::ofstream(folder + "/lists/braxel.txt") << "127.0.0.1 host7.test ATS\n";
  std::ofstream(folder + "/lists/mdl.txt") << "host9.test\n";
  std::ofstream(folder + "/lists/phishtank.txt") << "http://host5.test/page.html\n";
  std::ofstream(folder + "/lists/netblocks.txt") << "";
  Services services(folder + "/lists");
  if (services.port == 0) {
    state.SkipWithError("kestrum-services did not start");
    return;
  }

  kestrum::OverrideConnectionStateForTesting(true);
  TimingDesktop desktop;
  kestrum::TableResolver resolver;
  kestrum::Context ctx;
  ctx.program_folder = folder + "/program";
  ctx.user_data_root = folder + "/user";
  ctx.desktop = &desktop;
  ctx.resolver = &resolver;
  kestrum::WriteSetting(ctx, "Services", "KestrumServices", "http://127.0.0.1:" + std::to_string(services.port));
  kestrum::ui::MainWindow window(ctx);
  ctx.window = &window;
  desktop.window = &window;
  window.show();
  std::vector<std::string> items;
  resolver.addName("127.0.0.1", "localhost");
  for (int i = 0; i < links; ++i) {
    // Half named hosts with two addresses, half dotted addresses.
    const std::string host = "host" + std::to_string(i) + ".test";
    resolver.addHost(host, {"127.0.0.1", "127.0.0.2"});
    items.push_back(i % 2 ? "http://" + host + "/page.html" : "http://127.0.0.1:9/" + std::to_string(i));
  }
  window.links().addMany(items);

  double total_seconds = 0;
  for (auto _ : state) {
    desktop.scriptSaveFile(folder + "/extended.txt");
    desktop.longest = {};
    const auto started = Clock::now();
    desktop.last = started;
    kestrum::SaveFoundLinks(ctx, true);
    total_seconds = std::chrono::duration<double>(Clock::now() - started).count();
  }
  state.counters["total_s"] = total_seconds;
  state.counters["longest_pause_ms"] = std::chrono::duration<double, std::milli>(desktop.longest).count();
  state.SetLabel("longest pause after \"" + desktop.longest_after + "\" until \"" + desktop.longest_before + "\"");
  kestrum::OverrideConnectionStateForTesting(std::nullopt);
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_ExtendedSaveOfLinks)->Arg(1000)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
