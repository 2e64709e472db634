// The services' list files on arbitrary bytes, each list parsed and then asked about a host
// and an address taken from the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/braxel_list.h"
#include "services/entry_list.h"
#include "services/netblock_list.h"

using namespace kestrum::services;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string_view probe = bytes.substr(0, bytes.find('\n'));
  std::vector<std::string> warnings;
  (void)BraxelAnswerText(BraxelList::Parse(bytes, warnings).ClassOf(probe));
  (void)MdlList::Parse(bytes, warnings).Lists(probe);
  (void)PhishList::Parse(bytes, warnings).Lists(probe);
  const NetblockQuery query = ParseNetblockQuery(probe);
  (void)NetblockAnswerText(NetblockList::Parse(bytes, warnings).Find(query.addresses, query.host));
  return 0;
}
