#pragma once
// The notes the content scan shows, word for word.
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrum {

std::string IFrameNote();
std::string MetaRefreshNote();
// `method` is "location.href", "document.location" or "window.location".
std::string ScriptRedirectNote(std::string_view method);
std::string ExecutablesNote(int32_t count);
inline constexpr const char* kExecutablesNoteCaption = "Potentially executable files found";

}  // namespace kestrum
