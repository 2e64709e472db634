// The resources the program carries inside itself, written out by ExtractResourceToFile.
#include <cstddef>
#include <string_view>

#include "core/storage.h"
#include "core/text.h"

namespace kestrum {
namespace {

// Default proxy list: nine comment lines and four entries, CR LF line ends, a final NUL byte.
constexpr char kProxyList[] =
    "; Kestrum Proxy Server List\r\n"
    ";\r\n"
    "; Proxy servers supported by Kestrum, one per line:\r\n"
    "; label||address of the proxy script with [URL] and [REF].\r\n"
    "; To offer a mirror, host the Kestrum proxy script on\r\n"
    "; your own server and send us its address.\r\n"
    ";\r\n"
    "; See our forum:\r\n"
    "; http://forum.kestrel.example/kestrum\r\n"
    "Northwind (US)||http://relay.northwind.example/p/?url=[URL]&ref=[REF]\r\n"
    "Lantern (US)||http://www.lantern.example/kp/?url=[URL]&ref=[REF]\r\n"
    "Harbour (NL)||http://proxy.harbour.example/?url=[URL]&ref=[REF]\r\n"
    "Kestrel Works (UK)||http://127.0.0.1:8931/proxy/?url=[URL]&ref=[REF]";

// Default user-agent list: six agents, CR LF line ends, a final NUL byte.
constexpr char kUserAgents[] =
    "msnbot/1.0+(+http://search.msn.example/msnbot.htm)\r\n"
    "Googlebot/2.1+(+http://www.googlebot.example/bot.html)\r\n"
    "Mozilla/5.0+(Windows;+U;+Windows+NT+5.1;+en-US;+rv:1.8.1.9)+Gecko/20071025+Firefox/2.0.0.9\r\n"
    "Mozilla/4.0+(compatible; MSIE 7.0; Windows NT 6.0)\r\n"
    "Mozilla/4.0+(compatible;+MSIE+7.0;+Windows+NT+5.1)\r\n"
    "Mozilla/4.0+(compatible;+MSIE+6.0;+Windows+NT+5.1;+Avant+Browser)";

constexpr char kDisclaimer[] =
    "Kestrum Desktop Edition is provided as it is, without warranty of any kind.\r\n"
    "\r\n"
    "It fetches web pages for examination and never renders them, but the pages it\r\n"
    "fetches may be hostile. Open the links and files it lists only if you know what\r\n"
    "you are doing, preferably on a machine set aside for that purpose.\r\n"
    "\r\n"
    "The lookups it makes tell you what the services knew at that moment; a host\r\n"
    "that is not listed is not thereby safe.\r\n";

}  // namespace

std::string_view EmbeddedResource(int number, std::string_view type) {
  // sizeof counts the terminating NUL, which the two lists carry as their last byte.
  if (number == 104 && EqualsNoCase(type, "PSERVERS")) return {kProxyList, sizeof kProxyList};
  if (number == 103 && EqualsNoCase(type, "UAStrings")) return {kUserAgents, sizeof kUserAgents};
  if (number == 101 && EqualsNoCase(type, "aDisc")) return {kDisclaimer, sizeof kDisclaimer - 1};
  return {};
}

}  // namespace kestrum
