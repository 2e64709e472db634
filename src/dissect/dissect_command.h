#pragma once
// The Dissect command: fetch the address box's page, check its host against the blocklists,
// extract and scan as the Automation settings say.
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/seams.h"
#include "dissect/query_pipeline.h"

namespace kestrum {

// How the fetch ended (FetchFailed also when there was no connection to try it on).
QueryOutcome RunDissect(Context& ctx);

// A Braxel answer taken apart at "||": status, then the class (empty when none came back).
struct BraxelVerdict {
  std::string status;
  std::string category;
};
BraxelVerdict ParseBraxelAnswer(std::string_view answer);

struct AddressColors {
  Rgb background;
  Rgb text;
};
// The status line of a lookup: "Listed", "Not Listed", or "Unknown" when no answer came.
std::string VerdictLine(std::string_view name, std::string_view answer);

// The address box's colours for a listed host of the given class.
AddressColors BraxelClassColors(std::string_view category);

}  // namespace kestrum
