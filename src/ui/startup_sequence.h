#pragma once
// The order in which the program starts: the early phase, the load phase up to the command line,
// and the unattended run. Window-only steps come in as callbacks, so the unattended form runs the
// same sequence without a display.
#include <functional>
#include <string_view>

#include "core/context.h"
#include "core/startup.h"

namespace kestrum::ui {

struct WindowStartupSteps {
  std::function<void()> set_source_mode;    // view mode 1 and its caption
  std::function<void()> prepare_lists;      // report layout, one column as wide as the list
  std::function<void()> restore_word_wrap;  // the source pane's word wrap as the user left it
};

// Early phase, then load phase steps 1 to 11 (the command line is interpreted, and "/ascii"
// rewrites the character table). The interactive start is prepared for an empty command line and
// "/ascii". Running the query the plan asks for is left to the caller.
CommandLinePlan RunStartup(Context& ctx, std::string_view command_line, const WindowStartupSteps& steps);

// The unattended form after start-up: SendQuery, the net-block information when asked for, the
// results file, and the close with its clean-up. Returns the process exit code: 0 when the file
// holds a page, 1 when it could not be written, 2 when the page could not be fetched.
int RunUnattended(Context& ctx, const CommandLinePlan& plan);

}  // namespace kestrum::ui
