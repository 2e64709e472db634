// The dissection's scans on generated pages, with logging on as the program runs (every duplicate
// writes its log line). Target: 100 MB/s or more for all scans together, and time in proportion to
// the page: each scan is measured on two sizes of the realistic page and of the distinct-links page.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/context.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/content_scanner.h"
#include "dissect/image_extractor.h"
#include "dissect/image_references.h"
#include "dissect/link_extractor.h"
#include "dissect/link_finder.h"
#include "page_generator.h"

namespace {

using namespace kestrum;

// A program folder with logging switched on, in a fresh temporary folder.
class ScanProgram {
 public:
  ScanProgram() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrum-bench-dissect-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data()) ? pattern : std::string("/tmp");
    ctx.program_folder = root_ + "/program";
    ctx.user_data_root = root_ + "/userdata";
    ctx.desktop = &desktop;
    std::filesystem::create_directories(ctx.program_folder + "/Storage");
    std::ofstream(ctx.program_folder + "/Storage/cfg.ini", std::ios::binary)
        << "[Settings]\r\nDisable_Log=1\r\nLog=0\r\n[Automation]\r\nchkAutoScanExes=1\r\nchkAutoScanLinks=1\r\n"
           "chkAutoScanImages=1\r\n";
  }
  ~ScanProgram() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  std::string file(const std::string& name) const { return root_ + "/" + name; }
  // The log grows by megabytes per run; start each run on an empty one.
  void clearLog() {
    std::error_code ec;
    std::filesystem::remove_all(ctx.program_folder + "/Storage/Logs", ec);
  }

  ScriptedDesktop desktop;
  Context ctx;

 private:
  std::string root_;
};

enum class PageKind { Realistic, DistinctLinks };

std::string MakePage(PageKind kind, int64_t size) {
  return kind == PageKind::Realistic ? bench::RealisticPage(static_cast<size_t>(size) << 20)
                                     : bench::DistinctLinksPage(static_cast<size_t>(size));
}

// Times `scan` over the page; `prepare` runs untimed before each pass (a fresh log, a fresh pane).
template <typename Prepare, typename Scan>
void TimeScan(benchmark::State& state, const std::string& page, Prepare&& prepare, Scan&& scan) {
  for (auto _ : state) {
    state.PauseTiming();
    prepare();
    state.ResumeTiming();
    scan();
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(page.size()));
  state.counters["page_MB"] = static_cast<double>(page.size()) / (1 << 20);
}

void BM_ExtractLinks(benchmark::State& state, PageKind kind) {
  ScanProgram program;
  const std::string page = MakePage(kind, state.range(0));
  MemoryItemList links;
  TimeScan(
      state, page, [&] { program.clearLog(); }, [&] { ExtractLinks(program.ctx, links, page); });
  state.counters["links"] = static_cast<double>(links.count());
}

void BM_HighlightLinks(benchmark::State& state, PageKind kind) {
  ScanProgram program;
  const std::string page = MakePage(kind, state.range(0));
  MemoryTextPane source;
  TimeScan(
      state, page, [&] { source.setText(page); }, [&] { HighlightLinks(program.ctx, source, page); });
  state.counters["runs"] = static_cast<double>(source.formats().size());
}

// The link marks alone, on candidates found beforehand: the search of every link in the text.
void BM_LinkMarkRuns(benchmark::State& state, PageKind kind) {
  const std::string page = MakePage(kind, state.range(0));
  const FoundLinks found(page);
  size_t runs = 0;
  TimeScan(state, page, [] {}, [&] { runs = LinkHighlightRuns(found, page).size(); });
  state.counters["runs"] = static_cast<double>(runs);
}

// Finding the candidates alone.
void BM_FindAllLinks(benchmark::State& state, PageKind kind) {
  const std::string page = MakePage(kind, state.range(0));
  size_t candidates = 0;
  TimeScan(state, page, [] {}, [&] { candidates = FindAllLinks(page).size(); });
  state.counters["candidates"] = static_cast<double>(candidates);
}

void BM_ExtractImages(benchmark::State& state, PageKind kind) {
  ScanProgram program;
  const std::string page = MakePage(kind, state.range(0));
  std::ofstream(program.file("page.htm"), std::ios::binary) << page;
  MemoryItemList images;
  TimeScan(
      state, page, [&] { program.clearLog(); },
      [&] { ExtractImages(program.ctx, images, program.file("page.htm"), "http://www.example.com/shop/index.html"); });
  state.counters["images"] = static_cast<double>(images.count());
}

// The image scan alone, on the page in memory: what ExtractImages costs besides reading the file
// and the duplicate test of every reference.
void BM_FindImageReferences(benchmark::State& state, PageKind kind) {
  const std::string page = MakePage(kind, state.range(0));
  size_t references = 0;
  ImageScanHooks hooks;
  hooks.host_of_page = [] { return std::string("http://www.example.com"); };
  hooks.found = [&](std::string&) { ++references; };
  TimeScan(
      state, page, [&] { references = 0; }, [&] { FindImageReferences(page, hooks); });
  state.counters["references"] = static_cast<double>(references);
}

void BM_ContentScan(benchmark::State& state, PageKind kind) {
  ScanProgram program;
  const std::string page = MakePage(kind, state.range(0));
  MemoryTextPane source;
  MemoryItemList links;
  ContentScanResult result;
  TimeScan(
      state, page,
      [&] {
        source.setText(page);
        program.clearLog();
      },
      [&] { result = RunContentScan(program.ctx, source, links, page); });
  state.counters["iframes"] = result.iframes;
  state.counters["scripts"] = result.scripts;
  state.counters["executables"] = result.executables;
}

// Everything the Dissect command runs on a fetched page, in its order and as it runs them: links
// found once, link marks, links list, images, content scan. Target: 100 MB/s or more.
void BM_AllScans(benchmark::State& state, PageKind kind) {
  ScanProgram program;
  const std::string page = MakePage(kind, state.range(0));
  std::ofstream(program.file("page.htm"), std::ios::binary) << page;
  MemoryTextPane source;
  MemoryItemList links, images;
  ContentScanResult result;
  TimeScan(
      state, page,
      [&] {
        source.setText(page);
        program.clearLog();
      },
      [&] {
        const FoundLinks found(page);
        HighlightLinks(program.ctx, source, found);
        ExtractLinks(program.ctx, links, found);
        ExtractImages(program.ctx, images, program.file("page.htm"), "http://www.example.com/shop/index.html");
        result = RunContentScan(program.ctx, source, links, page, &found);
      });
  state.counters["links"] = static_cast<double>(links.count());
  state.counters["images"] = static_cast<double>(images.count());
  state.counters["executables"] = result.executables;
}

// Realistic page in MiB; distinct-links page in links.
#define KESTRUM_SCAN_BENCHMARKS(scan)                              \
  BENCHMARK_CAPTURE(scan, realistic_MiB, PageKind::Realistic)      \
      ->Arg(5)                                                     \
      ->Arg(10)                                                    \
      ->Unit(benchmark::kMillisecond)                              \
      ->UseRealTime();                                             \
  BENCHMARK_CAPTURE(scan, distinct_links, PageKind::DistinctLinks) \
      ->Arg(100000)                                                \
      ->Arg(200000)                                                \
      ->Unit(benchmark::kMillisecond)                              \
      ->UseRealTime()

KESTRUM_SCAN_BENCHMARKS(BM_FindAllLinks);
KESTRUM_SCAN_BENCHMARKS(BM_LinkMarkRuns);
KESTRUM_SCAN_BENCHMARKS(BM_ExtractLinks);
KESTRUM_SCAN_BENCHMARKS(BM_HighlightLinks);
KESTRUM_SCAN_BENCHMARKS(BM_ExtractImages);
KESTRUM_SCAN_BENCHMARKS(BM_FindImageReferences);
KESTRUM_SCAN_BENCHMARKS(BM_ContentScan);
KESTRUM_SCAN_BENCHMARKS(BM_AllScans);

}  // namespace

BENCHMARK_MAIN();
