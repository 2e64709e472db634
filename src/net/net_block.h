#pragma once
// The net-block command: who owns the address block of the address box's host.
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class TextPane;

std::string NetBlockRequestURL(Context& ctx, std::string_view address_text, std::string_view host);
// dl_temp + host with "." as "_" + "-Netblock.txt"; a host can never lead out of dl_temp.
std::string NetBlockAnswerFile(Context& ctx, std::string_view host);
// The part of an answer worth showing: inside [CONTENT]...[/CONTENT], then inside <b>...</b>.
std::string CutNetBlockAnswer(std::string_view answer_lines);

// Fills the net-block view from the address box's host (ctx.window); brings the view to the front.
void RunNetBlockLookup(Context& ctx);

// The view's menu: copy the selection, save the whole text (both with CR LF line breaks).
void CopyNetBlockSelection(Context& ctx, TextPane& view);
void SaveNetBlockText(Context& ctx, TextPane& view);
inline constexpr const char* kNetBlockSaveFilter =
    "All Files (*.*)|*.*|Text File (.txt)|*.txt|Kestrum File (.kmx)|*.kmx|HTML File (.html)|*.html";

}  // namespace kestrum
