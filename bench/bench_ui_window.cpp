// The window's speed: from construction to a shown window, and showing and colouring a large page.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QMenu>
#include <QScrollBar>
#include <QWindow>
#include <filesystem>

#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/content_scanner.h"
#include "dissect/find_replace.h"
#include "dissect/link_extractor.h"
#include "page_generator.h"
#include "ui/line_number_gutter.h"
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

// A main window of a scratch program, shown and painted at a fixed size.
struct ShownWindow {
  ShownWindow() {
    program.ctx.window = &window;
    window.resize(1000, 700);
    window.show();
    WaitUntilShown(window);
  }
  ScratchProgram program;
  MainWindow window{program.ctx};
};

// Window creation, the whole start-up sequence and the first paint.
void BM_StartToShownWindow(benchmark::State& state) {
  for (auto _ : state) {
    ScratchProgram program;
    MainWindow window(program.ctx);
    program.ctx.window = &window;
    kestrum::ui::RunStartup(program.ctx, "",
                            {[&window] { window.SetViewMode(kestrum::ui::kModeSource); },
                             [&window] { window.PrepareLists(); }, [&window] { window.RestoreWordWrap(); }});
    window.FinishStartup();
    window.show();
    WaitUntilShown(window);
  }
}
BENCHMARK(BM_StartToShownWindow)->Unit(benchmark::kMillisecond);

// A realistic page into the source pane, its links found and coloured, the content scan run, and
// the pane painted: what the window adds to a Dissect beyond the fetch.
void BM_ShowAndColourPage(benchmark::State& state) {
  ShownWindow shown;
  ScratchProgram& program = shown.program;
  MainWindow& window = shown.window;
  const std::string page = kestrum::bench::RealisticPage(static_cast<size_t>(state.range(0)) << 20);
  for (auto _ : state) {
    // As the Dissect command runs them: the page's links found once for the marks, the list and
    // the executables scan.
    window.rtfSource->setText(page);
    const kestrum::FoundLinks found(page);
    kestrum::HighlightLinks(program.ctx, *window.rtfSource, found);
    kestrum::RunContentScan(program.ctx, *window.rtfSource, *window.lvwLinks, page, &found);
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

// The Source pane's menu on the realistic 10 MB page with a link selected: the link rule and
// the popup.
void BM_OpenSourceMenu(benchmark::State& state) {
  ShownWindow shown;
  MainWindow& window = shown.window;
  const std::string page = kestrum::bench::RealisticPage(10u << 20);
  window.rtfSource->setText(page);
  const size_t link = page.find("http://", page.size() / 2);
  window.rtfSource->select(link, 24);
  for (auto _ : state) {
    window.SourceMenu(QPoint(100, 100));
    QCoreApplication::processEvents();
    window.mnuSource->hide();
  }
}
BENCHMARK(BM_OpenSourceMenu)->Unit(benchmark::kMillisecond);

// One page-down step through the realistic 10 MB page, with the pane and its line numbers painted.
void BM_ScrollWithGutter(benchmark::State& state) {
  ShownWindow shown;
  MainWindow& window = shown.window;
  window.rtfSource->setText(kestrum::bench::RealisticPage(10u << 20));
  QScrollBar* bar = window.rtfSource->verticalScrollBar();
  int value = 0;
  for (auto _ : state) {
    value = (value + bar->pageStep()) % std::max(1, bar->maximum());
    bar->setValue(value);
    window.rtfSource->repaint();
    window.picLines->repaint();
  }
  state.counters["lines"] = window.rtfSource->document()->blockCount();
}
BENCHMARK(BM_ScrollWithGutter)->Unit(benchmark::kMillisecond);

// Replace All of a word that occurs 10 000 times in the realistic 10 MB page, after the Find that
// selects its first occurrence, as the find dialog runs it.
void BM_ReplaceAllTenThousand(benchmark::State& state) {
  ShownWindow shown;
  ScratchProgram& program = shown.program;
  MainWindow& window = shown.window;
  const std::string base = kestrum::bench::RealisticPage(10u << 20);
  std::string page;
  const size_t step = base.size() / 10000;
  for (size_t i = 0; i < 10000; ++i) page.append(base, i * step, step).append(" quokka ");
  int replaced = 0;
  for (auto _ : state) {
    state.PauseTiming();
    window.rtfSource->setText(page);
    kestrum::FindReplace find(program.ctx, *window.rtfSource);
    state.ResumeTiming();
    find.Find("quokka", {});
    replaced = find.ReplaceAll("quokka", "wallaby", {});
    window.rtfSource->repaint();
  }
  state.counters["replaced"] = replaced;
}
BENCHMARK(BM_ReplaceAllTenThousand)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
