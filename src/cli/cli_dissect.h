#pragma once
// `dissect [--json] [--yes] URL`: the Dissect command on memory views, printed as a report.
#include <string>
#include <vector>

namespace kestrum::cli {

int RunDissectCommand(const char* argv0, const std::vector<std::string>& args);

}  // namespace kestrum::cli
