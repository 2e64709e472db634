#include "dissect/scan_notes.h"

#include "core/text.h"

namespace kestrum {
namespace {

const std::string kBreak = kCrLf;
const std::string kEmptyLine = std::string(kCrLf) + kCrLf;
constexpr const char* kHighlightedSentence =
    "In order to allow you to see where you will be taken to, this tag has been highlighted in bold red.";

}  // namespace

std::string IFrameNote() {
  return "Note: Use of iFrames were found in this page." + kEmptyLine +
         "Use of iFrames usually indicates the page will load content from a third party" + kBreak +
         "and these tend to be malicious (though not always)." + kEmptyLine + kHighlightedSentence;
}

std::string MetaRefreshNote() {
  return "Note: Use of the \"Meta refresh\" tag was found in this page." + kEmptyLine +
         "Use of this meta tag usually indicates the page will direct you to a different web page" + kBreak +
         "and/or different web server, after a given amount of time (usually a few seconds)." + kEmptyLine +
         kHighlightedSentence;
}

std::string ScriptRedirectNote(std::string_view method) {
  return "Note: Use of the \"" + std::string(method) + "\" scripting method was found in this page." + kEmptyLine +
         "Use of this method usually indicates the page will direct you to a different web page" + kBreak +
         "and/or different web server, either automatically, or via manual intervention." + kEmptyLine +
         kHighlightedSentence;
}

std::string ExecutablesNote(int32_t count) {
  return "WARNING: " + std::to_string(count) + " potentially executable files were found in this site's source code." +
         kEmptyLine + "All links detected, have been highlighted for your perusal.";
}

}  // namespace kestrum
