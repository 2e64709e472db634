#include "ui/widget_files.h"

#include "core/file_report.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/text.h"

namespace kestrum::ui {

bool SavePaneText(Context& ctx, const TextPane& pane) {
  if (!ctx.desktop) return false;
  const auto path = ctx.desktop->chooseSaveFile(kSaveToFileCaption, kSaveToFileFilter, "");
  if (!path || path->empty()) return false;
  const std::string contents = ToCrLf(pane.text()) + kCrLf;
  return WriteFileOrReport(ctx, *path, contents);
}

}  // namespace kestrum::ui
