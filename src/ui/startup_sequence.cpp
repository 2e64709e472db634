#include "ui/startup_sequence.h"

#include "core/exit_cleanup.h"
#include "core/seams.h"
#include "core/text.h"
#include "decode/char_table.h"
#include "dissect/unattended.h"

namespace kestrum::ui {

CommandLinePlan RunStartup(Context& ctx, std::string_view command_line, const WindowStartupSteps& steps) {
  RunEarlyStartup(ctx);
  if (PrepareStorage(ctx)) WriteCharTable(ctx);
  if (steps.set_source_mode) steps.set_source_mode();
  ctx.output_to_file = false;
  ctx.append_net_block = false;
  if (steps.prepare_lists) steps.prepare_lists();
  if (steps.restore_word_wrap) steps.restore_word_wrap();
  LoadProxyEntry(ctx);
  CommandLinePlan plan = InterpretCommandLine(ctx, command_line);
  if (plan.action == StartAction::WriteCharTableThenInteractive) WriteCharTable(ctx);
  if (plan.action == StartAction::Interactive || plan.action == StartAction::WriteCharTableThenInteractive)
    PrepareInteractiveStart(ctx);
  return plan;
}

int RunUnattended(Context& ctx, const CommandLinePlan& plan) {
  // InterpretCommandLine has logged the query and put the address into the address box.
  const int status = RunUnattendedQuery(ctx, plan.address, plan.output_path, plan.append_net_block);
  RunExitCleanup(ctx);
  return status;
}

}  // namespace kestrum::ui
