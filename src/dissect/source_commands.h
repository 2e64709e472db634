#pragma once
// The Source pane's menu commands that work on text and files: the link a selection offers for
// dissecting, saving with or without the links, the clipboard, clearing the views, and the page
// copy that goes out by e-mail.
#include <optional>
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/seams.h"

namespace kestrum {

// The selection as a link for "Dissect this link": at least 8 characters, a ".", an address
// IsURL accepts, and no blank or control character (a link is handed on as one argument).
std::optional<std::string> LinkToDissect(std::string_view selection);

// With chkLaunchProc "1" starts `own_executable` with the link as its only argument; otherwise
// puts the link into the address box and fetches it here.
void DissectLink(Context& ctx, std::string_view link, std::string_view own_executable);

// The pane text as a file holds it: every line break CR LF, and one CR LF at the end.
std::string SourceFileText(std::string_view pane_text);

// "Save source to file" and "... [With Links]": asks for a name, then writes the whole file or
// nothing under that name; a file that cannot be written is reported.
void SaveSource(Context& ctx, MainView& window, bool with_links);
inline constexpr const char* kSaveSourceFilter =
    "All Files (*.*)|*.*|Text File (.txt)|*.txt|Kestrum File (.kmx)|*.kmx|HTML File (.html)|*.html";

// The selected text on the clipboard, line breaks as CR LF.
void CopySourceSelection(Context& ctx, TextPane& source);

// Empties the Source pane, the lists, the Owner Info and Headers panes; the address box to "http://".
void ClearAllViews(MainView& window);

// Writes the pane text and a CR LF over the saved page file (a file in dl_temp when no page was
// fetched) and returns its path; nothing, after a message, when it cannot be written.
std::optional<std::string> WriteMailAttachment(Context& ctx, TextPane& source);

}  // namespace kestrum
