#include "core/file_report.h"

#include "core/app_log.h"
#include "core/identity.h"
#include "core/ini_profile.h"
#include "core/seams.h"

namespace kestrum {

bool WriteFileOrReport(Context& ctx, const std::string& path, std::string_view contents) {
  if (WriteFileAtomically(path, contents, 0644)) return true;
  const std::string message = "I was unable to write the file: " + path;
  WriteLog(ctx, message);
  if (ctx.desktop) ctx.desktop->showMessage(message, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
  return false;
}

}  // namespace kestrum
