// The window's speed: from construction to a shown window, and showing and colouring a large page.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QWindow>
#include <filesystem>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/content_scanner.h"
#include "dissect/link_extractor.h"
#include "page_generator.h"
#include "ui/main_window.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/startup_sequence.h"

namespace {

using kestrum::Context;
using kestrum::ui::MainWindow;

// A program folder of its own, removed at the end.
struct ScratchProgram {
  ScratchProgram() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-bench-XXXXXX").string();
    folder = mkdtemp(pattern.data()) ? pattern : std::string();
    ctx.program_folder = folder + "/program";
    ctx.user_data_root = folder + "/user";
    std::filesystem::create_directories(ctx.program_folder + "/Storage");
    ctx.desktop = &desktop;
  }
  ~ScratchProgram() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::string folder;
  kestrum::ScriptedDesktop desktop;
  Context ctx;
};

void WaitUntilShown(QWidget& widget) {
  while (!widget.windowHandle() || !widget.windowHandle()->isExposed()) QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

// Window creation, the whole start-up sequence and the first paint.
void BM_StartToShownWindow(benchmark::State& state) {
  for (auto _ : state) {
    ScratchProgram program;
    MainWindow window(program.ctx);
    program.ctx.window = &window;
    kestrum::ui::RunStartup(program.ctx, "",
                            {[&window] { window.SetViewMode(kestrum::ui::kModeSource); },
                             [&window] { window.PrepareLists(); }, [&window] { window.ToggleWordWrap(); }});
    window.FinishStartup();
    window.show();
    WaitUntilShown(window);
  }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond);

// A realistic page into the source pane, its links found and coloured, the content scan run, and
// the pane painted: what the window adds to a Dissect beyond the fetch.
void BM_ShowAndColourPage(benchmark::State& state) {
  ScratchProgram program;
  MainWindow window(program.ctx);
  program.ctx.window = &window;
  window.resize(1000, 700);
  window.show();
  WaitUntilShown(window);
  const std::string page = kestrum::bench::RealisticPage(static_cast<size_t>(state.range(0)) << 20);
  for (auto _ : state) {
    window.rtfSource->setText(page);
    kestrum::HighlightLinks(program.ctx, *window.rtfSource, page);
    kestrum::RunContentScan(program.ctx, *window.rtfSource, *window.lvwLinks, page);
    window.rtfSource->repaint();
    QCoreApplication::processEvents();
  }
  state.counters["runs"] = static_cast<double>(window.rtfSource->formats().size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_ShowAndColourPage)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);

// The pane's own share: the text and a batch of precomputed runs, then one paint.
void BM_PaneTextAndRuns(benchmark::State& state) {
  ScratchProgram program;
  const std::string page = kestrum::bench::RealisticPage(static_cast<size_t>(state.range(0)) << 20);
  kestrum::MemoryTextPane memory;
  memory.setText(page);
  kestrum::HighlightLinks(program.ctx, memory, page);
  const auto runs = memory.formats();
  kestrum::ui::RichTextPane pane;
  pane.resize(1000, 700);
  pane.show();
  WaitUntilShown(pane);
  for (auto _ : state) {
    pane.setText(page);
    pane.applyFormats(runs);
    pane.repaint();
    QCoreApplication::processEvents();
  }
  state.counters["runs"] = static_cast<double>(runs.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(page.size()));
}
BENCHMARK(BM_PaneTextAndRuns)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond)->Iterations(3);

// Minified pages put everything on one line, and inline Base64 images are long runs without a
// space: the pane must stay usable when such a line is on screen, with word wrap on (the
// start-up default) or off. Arguments: megabytes, wrap, words (1) or one unbroken run (0).
void BM_LongLine(benchmark::State& state) {
  std::string line;
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  if (state.range(2))
    while (line.size() < size) line += "<a href=x>word</a> ";
  else
    line.assign(size, 'Q');
  kestrum::ui::RichTextPane pane;
  pane.setLineWrapMode(state.range(1) ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  pane.resize(1000, 700);
  pane.show();
  WaitUntilShown(pane);
  for (auto _ : state) {
    pane.setText(line);
    pane.applyFormats({{10, 20, kestrum::kRed, true}});
    pane.repaint();
    QCoreApplication::processEvents();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(line.size()));
}
BENCHMARK(BM_LongLine)->ArgsProduct({{1, 2}, {0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
