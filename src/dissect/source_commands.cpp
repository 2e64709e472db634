#include "dissect/source_commands.h"

#include "core/app_log.h"
#include "core/file_report.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/storage.h"
#include "core/text.h"
#include "core/url_scheme.h"
#include "dissect/link_extractor.h"
#include "dissect/query_pipeline.h"

namespace kestrum {

std::optional<std::string> LinkToDissect(std::string_view selection) {
  if (selection.size() < 8 || !Contains(selection, ".") || !IsURL(selection)) return std::nullopt;
  // A blank would let the second instance read part of the link as its own switches (" /f:").
  for (char c : selection)
    if (static_cast<unsigned char>(c) <= ' ' || c == '\x7f') return std::nullopt;
  return std::string(selection);
}

void DissectLink(Context& ctx, std::string_view link, std::string_view own_executable) {
  if (SettingIsOn(ctx, "Settings", "chkLaunchProc", "1")) {
    if (ctx.desktop && !ctx.desktop->startProgram(own_executable, {std::string(link)}))
      WriteLog(ctx, "I couldn't start " + std::string(own_executable));
    return;
  }
  if (!ctx.window) return;
  ctx.window->setAddressText(link);
  SendQuery(ctx, std::string(link));
}

std::string SourceFileText(std::string_view pane_text) {
  return ToCrLf(pane_text) + kCrLf;
}

void SaveSource(Context& ctx, MainView& window, bool with_links) {
  if (!ctx.desktop) return;
  const std::string kept_caption = window.caption();
  const auto path = ctx.desktop->chooseSaveFile("Save to file", kSaveSourceFilter, "");
  if (!path || path->empty()) return;
  if (!with_links) {
    WriteFileOrReport(ctx, *path, SourceFileText(window.source().text()));
    return;
  }
  window.setCaption("Saving source code");
  std::string contents = SourceFileText(window.source().text());
  ItemList& links = window.links();
  if (links.count() == 0) {
    window.setCaption("Extracting links ...");
    WriteLog(ctx, "Extracting Links ....");
    ExtractLinks(ctx, links, window.source().text());
    window.setCaption("Links extracted, formatting for saving ...");
    ctx.desktop->processEvents();
  }
  const std::string stars(65, '*');
  contents += stars + kCrLf + "Links found in source code" + kCrLf + stars + kCrLf;
  if (links.count() > 0) {
    window.setCaption("Saving links to file ....");
    for (const auto& link : links.items()) contents += link + kCrLf;
    window.setCaption("Links saved, finishing and closing file");
  } else {
    contents += std::string("No links found") + kCrLf;
  }
  WriteFileOrReport(ctx, *path, contents);
  window.setCaption(kept_caption);
}

void CopySourceSelection(Context& ctx, TextPane& source) {
  if (ctx.desktop) ctx.desktop->setClipboardText(ToCrLf(source.selectedText()));
}

void ClearAllViews(MainView& window) {
  window.source().setText("");
  window.setAddressText("http://");
  window.links().clear();
  window.images().clear();
  window.netBlock().setText("");
  window.headers().setText("");
}

std::optional<std::string> WriteMailAttachment(Context& ctx, TextPane& source) {
  std::string path = ctx.saved_page_file;
  if (path.empty()) {
    const std::string folder = GetTempFolder(ctx);
    if (folder == kTempFolderError) return std::nullopt;
    path = folder + "/source.txt";
  }
  if (!WriteFileOrReport(ctx, path, SourceFileText(source.text()))) return std::nullopt;
  return path;
}

}  // namespace kestrum
