#include "dissect/image_extractor.h"

#include <optional>
#include <utility>

#include "core/app_log.h"
#include "core/ini_profile.h"
#include "dissect/image_references.h"
#include "dissect/listed_items.h"
#include "net/url.h"

namespace kestrum {

void ExtractImages(Context& ctx, ItemList& images, const std::string& page_file, std::string_view page_address) {
  WriteLog(ctx, "Scanning source for images .... please wait (this may take a few minutes)");
  ListScan scan(images);
  ListedItems listed(ctx);
  if (const auto page = page_file.empty() ? std::nullopt : ReadWholeFile(page_file)) {
    ImageScanHooks hooks;
    // The scan asks once; the duplicate lines found before go to the log ahead of the host's.
    hooks.host_of_page = [&] {
      listed.flushLog();
      return GetHostFromURL(ctx, page_address);
    };
    hooks.found = [&](std::string& reference) { listed.addIfNew(std::move(reference)); };
    hooks.yield = [&] {
      listed.flushLog();
      if (ctx.desktop) ctx.desktop->processEvents();
    };
    FindImageReferences(*page, hooks);
  }
  scan.finish(ctx, listed.take(), "Images found: ");
}

}  // namespace kestrum
