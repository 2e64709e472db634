// The connection test and the availability of the HTTP component.
#include <curl/curl.h>

#include <cstring>

#include "core/settings.h"
#include "core/storage.h"
#include "net/connection_state.h"
#include "net/http_client.h"
#include "net/net_settings.h"

namespace kestrum {

bool IsTheInternetAlive(Context& ctx) {
  if (SystemHasConnection()) return true;

  std::string check_file = ReadSetting(ctx, "Settings", "IsTheInternetAlive", "");
  if (check_file.empty()) {
    check_file = KestrumServicesBase(ctx) + "/online.txt";
    WriteSetting(ctx, "Settings", "IsTheInternetAlive", check_file);
  }
  const bool use_xmlhttp = ReadSetting(ctx, "Settings", "chkMSXML", "0") == "1";
  // Its own fetch must not ask this question again.
  const FetchResult result =
      FetchURLWithoutConnectionCheck(ctx, check_file, JoinPath(StorageFolder(ctx), "online.txt"));
  return use_xmlhttp ? result.Status == 200 : result.Status == 0;
}

bool IsMSXML6Available() {
  const curl_version_info_data* info = curl_version_info(CURLVERSION_NOW);
  if (info == nullptr || info->protocols == nullptr) return false;
  for (const char* const* protocol = info->protocols; *protocol != nullptr; ++protocol) {
    if (std::strcmp(*protocol, "http") == 0) return true;
  }
  return false;
}

}  // namespace kestrum
