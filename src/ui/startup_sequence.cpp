#include "ui/startup_sequence.h"

#include "core/exit_cleanup.h"
#include "core/seams.h"
#include "decode/char_table.h"
#include "dissect/dissect_command.h"

namespace kestrum::ui {

CommandLinePlan RunStartup(Context& ctx, std::string_view command_line, const WindowStartupSteps& steps) {
  RunEarlyStartup(ctx);
  if (PrepareStorage(ctx)) WriteCharTable(ctx);
  if (steps.set_source_mode) steps.set_source_mode();
  ctx.output_to_file = false;
  ctx.append_net_block = false;
  if (steps.prepare_lists) steps.prepare_lists();
  if (steps.toggle_word_wrap) steps.toggle_word_wrap();
  LoadProxyEntry(ctx);
  CommandLinePlan plan = InterpretCommandLine(ctx, command_line);
  if (plan.action == StartAction::WriteCharTableThenInteractive) WriteCharTable(ctx);
  if (plan.action == StartAction::Interactive || plan.action == StartAction::WriteCharTableThenInteractive)
    PrepareInteractiveStart(ctx);
  return plan;
}

int RunUnattended(Context& ctx, const CommandLinePlan& plan,
                  const std::function<std::optional<std::string>(Context&)>& look_up_net_block) {
  SendQuery(ctx, plan.address);
  const std::string source_text = ctx.window ? ctx.window->source().text() : std::string();
  std::optional<std::string> net_block;
  if (ctx.append_net_block && look_up_net_block) net_block = look_up_net_block(ctx);
  const bool written = WriteUnattendedResults(ctx, source_text, net_block);
  RunExitCleanup(ctx);
  return written ? 0 : 1;
}

}  // namespace kestrum::ui
