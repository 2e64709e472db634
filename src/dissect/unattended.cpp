#include "dissect/unattended.h"

#include <optional>

#include "core/exit_codes.h"
#include "core/seams.h"
#include "core/startup.h"
#include "core/text.h"
#include "net/net_block.h"

namespace kestrum {

int ExitStatusFor(QueryOutcome outcome) {
  switch (outcome) {
    case QueryOutcome::Shown:
    case QueryOutcome::AnsweredEmpty:
      return kExitSuccess;
    case QueryOutcome::InvalidAddress:
      return kExitUsage;
    case QueryOutcome::StorageFailed:
      return kExitStorageUnusable;
    case QueryOutcome::FetchFailed:
      break;
  }
  return kExitFetchFailed;
}

int RunUnattendedQuery(Context& ctx, const std::string& address, const std::string& output_path,
                       bool append_net_block) {
  MainView& window = *ctx.window;
  ctx.output_to_file = true;
  ctx.append_net_block = append_net_block;
  ctx.output_path = output_path;

  // The command line's interpreter has logged the query and filled the address box.
  const QueryOutcome outcome = SendQuery(ctx, address);
  if (ctx.quit_requested) return kExitStorageUnusable;

  std::optional<std::string> net_block;
  // Owner information only for a server that answered: a dead address has no host of this run.
  if (append_net_block && ExitStatusFor(outcome) == kExitSuccess) {
    RunNetBlockLookup(ctx);
    net_block = window.netBlock().text();
  }
  // The file holds whatever the views held (nothing of an earlier run); a page that could not be
  // fetched still fails the run.
  const bool written = WriteUnattendedResults(ctx, window.source().text(), net_block);
  if (ExitStatusFor(outcome) != kExitSuccess) return ExitStatusFor(outcome);
  return written ? kExitSuccess : kExitOutputNotWritable;
}

}  // namespace kestrum
