#pragma once
// The images list (lvwImages), filled from the page file the query pipeline saved.
#include <string>
#include <string_view>

#include "core/context.h"
#include "core/seams.h"

namespace kestrum {

// Refills the list with every distinct image reference of the saved page, in the order found.
// References beginning with "/" get the protocol and host of `page_address` (the address box's
// text) in front. A file that cannot be read gives an empty list and the closing log lines.
void ExtractImages(Context& ctx, ItemList& images, const std::string& page_file, std::string_view page_address);

}  // namespace kestrum
