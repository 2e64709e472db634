#pragma once
// The three blocklist lookups: one request each, the raw answer kept in a file, a short status back.
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

// "KestrumDE_v0.3.7": tells the lookup services which client asks.
std::string LookupVersionTag();
// Base address of a lookup service from section `Services` of cfg.ini (no trailing "/").
std::string ServiceBase(Context& ctx, std::string_view key);

std::string BraxelRequestURL(Context& ctx, std::string_view host);
std::string MDLRequestURL(Context& ctx, std::string_view host);
std::string PhishTankRequestURL(Context& ctx, std::string_view address);

// What a lookup gives when it got no answer (no connection, a failed request, an error status).
inline constexpr const char* kUnknownVerdict = "Unknown";

// The answer text, or "Unknown" when the download failed.
std::string GetBraxelStatus(Context& ctx, std::string_view host, const std::string& answer_file);
std::string GetMDLStatus(Context& ctx, std::string_view host, const std::string& answer_file);
// "Listed", "Not Listed", another text found in the answer, empty text for an answer without a
// verdict, or "Unknown" when no answer came.
std::string GetPhishTankStatus(Context& ctx, const std::string& answer_file, std::string_view address);

// The last comma-separated field of a text (quotes around a field dropped, leading blanks skipped).
std::string LastAnswerField(std::string_view text);

}  // namespace kestrum
