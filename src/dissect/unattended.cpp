#include "dissect/unattended.h"

#include <optional>

#include "core/seams.h"
#include "core/startup.h"
#include "core/text.h"
#include "dissect/query_pipeline.h"
#include "net/net_block.h"

namespace kestrum {

int RunUnattendedQuery(Context& ctx, const std::string& address, const std::string& output_path,
                       bool append_net_block) {
  MainView& window = *ctx.window;
  ctx.output_to_file = true;
  ctx.append_net_block = append_net_block;
  ctx.output_path = output_path;

  // The command line's interpreter has logged the query and filled the address box.
  SendQuery(ctx, address);

  std::optional<std::string> net_block;
  if (append_net_block) {
    RunNetBlockLookup(ctx);
    net_block = window.netBlock().text();
  }
  if (!WriteUnattendedResults(ctx, window.source().text(), net_block)) return 1;
  // The file holds whatever the views held; a page that could not be fetched still fails the run.
  return TrimBlank(window.source().text()).empty() ? 2 : 0;
}

}  // namespace kestrum
