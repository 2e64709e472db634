#pragma once
// `dissect [OPTION...] URL...`: the Dissect command on memory views for each address, printed
// as a text report, one JSON report, or one JSON line per address.
#include <string>
#include <vector>

namespace kestrum::cli {

int RunDissectCommand(const char* argv0, const std::vector<std::string>& args);

}  // namespace kestrum::cli
