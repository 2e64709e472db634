#pragma once
// The dissect command's JSON report (docs/json-report.md): one object per address.
#include <nlohmann/json.hpp>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "dissect/query_pipeline.h"
#include "net/fetch_facts.h"

namespace kestrum::cli {

inline constexpr int kReportSchemaVersion = 1;

// Everything one address left behind.
struct DissectRun {
  std::string address;  // as given
  MemoryMainView window;
  ScriptedDesktop desktop;
  FetchFacts facts;
  std::vector<std::pair<std::string, std::string>> lookup_answers;
  std::string saved_page_file;
  QueryOutcome outcome = QueryOutcome::FetchFailed;
  bool net_block_asked = false;
};

// True when the page came: the server answered, whatever its status.
bool PageArrived(const DissectRun& run);
// The failure in one line ("12029 Cannot connect"); empty when the page arrived.
std::string FailureText(const DissectRun& run);

// Writes the report as one JSON object, compact (indent -1) or indented, in pieces.
using ReportWriter = std::function<bool(std::string_view)>;
bool WriteReport(DissectRun& run, int indent, const ReportWriter& write);

// One line of the source pane's header block after its label, e.g. "Listed [ Class: ATS ]".
std::string HeaderBlockValue(std::string_view source, std::string_view label);

}  // namespace kestrum::cli
