#pragma once
// The application log: one time-stamped line per noteworthy step.
#include <ctime>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class TextPane;

enum LogKind { kDebugLog = 1, kApplicationLog = 2, kUpdateLog = 3 };

// Appends "dd-mm-yyyy hh:mm:ss message" + CR LF. Reads its settings afresh on every call.
void WriteLog(Context& ctx, std::string_view message);
// Appends lines already stamped and ended (FormatLogLine's form), with the same settings and
// questions as WriteLog: for many lines written together.
void WriteLogLines(Context& ctx, std::string_view lines);
// The log folder followed by the kind's file name (empty name for an unknown kind).
std::string GetLogPath(Context& ctx, int kind);
// "dd-mm-yyyy hh:mm:ss " + message + CR LF for the given local time.
std::string FormatLogLine(const std::tm& local_time, std::string_view message);

// Commands of the log view.
void ShowLog(Context& ctx, TextPane& log_view);  // the last 50 lines, newest on top
void ClearLog(Context& ctx, TextPane& log_view);
// The Disable Logging command: switches the writer off (Disable_Log "0", Log "1") or back on
// (Disable_Log "1", Log "0") and returns the new check mark (true: logging is off).
bool ToggleDisableLog(Context& ctx);
// Whether the writer is off (Disable_Log is "0", or switched off for this run): the check mark
// the command shows at start.
bool LoggingDisabled(Context& ctx);
// Lines to show in the log view.
inline constexpr int kLogViewLines = 50;

}  // namespace kestrum
