#pragma once
// `decode base64|js|entities [TEXT]` and `encode base64 [TEXT]`.
#include <string>
#include <vector>

namespace kestrum::cli {

int RunDecode(const char* argv0, const std::vector<std::string>& args);
int RunEncode(const char* argv0, const std::vector<std::string>& args);

}  // namespace kestrum::cli
