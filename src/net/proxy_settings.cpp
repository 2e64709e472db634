// The proxy switches and the method caption of the HTTP client.
#include "core/settings.h"
#include "net/http_client.h"
#include "net/net_settings.h"

namespace kestrum {

bool ProxyEnabled(Context& ctx) {
  const std::string value = ReadSetting(ctx, "Settings", "chkProxy", "");
  if (value.empty()) WriteSetting(ctx, "Settings", "chkProxy", "0");
  return value == "1";
}

std::string GetProxyTemplate(Context& ctx) {
  if (!ctx.proxy_template.empty()) return ctx.proxy_template;
  std::string proxy = ReadSetting(ctx, "Settings", "Proxy_URL", "");
  if (proxy.empty()) {
    proxy = KestrumServicesBase(ctx) + "/proxy/?url=";
    WriteSetting(ctx, "Settings", "Proxy_URL", proxy);
  }
  // Proxy_URL is a prefix the address is appended to; as a template it would otherwise send the
  // proxy script no address at all.
  if (proxy.find("[URL]") == std::string::npos) proxy += "[URL]";
  return proxy;
}

std::string FetchMethodText(Context& ctx) {
  if (ReadSetting(ctx, "Settings", "chkMSXML", "0") == "1") return "Method: MSXML";
  if (ReadSetting(ctx, "Settings", "chkWinsock", "0") == "1") return "Method: Winsock";
  return "Method: URLDownloadToFile";
}

}  // namespace kestrum
