#include "ui/widget_files.h"

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/text.h"

namespace kestrum::ui {

bool SavePaneText(Context& ctx, const TextPane& pane) {
  if (!ctx.desktop) return false;
  const auto path = ctx.desktop->chooseSaveFile(kSaveToFileCaption, kSaveToFileFilter, "");
  if (!path || path->empty()) return false;
  const std::string contents = ToCrLf(pane.text()) + kCrLf;
  if (WriteFileAtomically(*path, contents, 0644)) return true;
  const std::string message = "I was unable to write the file: " + *path;
  WriteLog(ctx, message);
  ctx.desktop->showMessage(message, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  return false;
}

}  // namespace kestrum::ui
