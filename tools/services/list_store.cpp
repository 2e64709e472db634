#include "services/list_store.h"

#include <sys/stat.h>

#include "core/ini_profile.h"

namespace kestrum::services {

FileStamp StampOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec,
          static_cast<long long>(st.st_size), static_cast<unsigned long long>(st.st_ino)};
}

std::string ReadListFile(const std::string& path, const WarningSink& warn) {
  auto contents = ReadWholeFile(path);
  if (!contents) {
    if (warn) warn(path + ": cannot be read; the list is empty");
    return {};
  }
  return std::move(*contents);
}

ListStore::ListStore(const std::string& folder, const WarningSink& warn)
    : braxel_(folder + "/braxel.txt", warn),
      mdl_(folder + "/mdl.txt", warn),
      phish_(folder + "/phishtank.txt", warn),
      netblock_(folder + "/netblocks.txt", warn) {}

ListStore::ListStore(const ListTexts& texts)
    : braxel_(std::string_view(texts.braxel)),
      mdl_(std::string_view(texts.mdl)),
      phish_(std::string_view(texts.phish)),
      netblock_(std::string_view(texts.netblock)) {}

}  // namespace kestrum::services
