#include "core/settings.h"

#include "core/ini_profile.h"
#include "core/storage.h"

namespace kestrum {

std::string ReadSetting(Context& ctx, std::string_view section, std::string_view key, std::string_view default_value) {
  return ReadProfileString(GetSettingsPath(ctx), section, key, default_value);
}

void WriteSetting(Context& ctx, std::string_view section, std::string_view key, std::optional<std::string_view> value) {
  // A setting that cannot be written is lost; the next read gives the default.
  if (ctx.settings_read_only) return;
  WriteProfileString(GetSettingsPath(ctx), section, key, value);
}

bool SettingIsOn(Context& ctx, std::string_view section, std::string_view key, std::string_view default_value) {
  return ReadSetting(ctx, section, key, default_value) == "1";
}

std::string ReadCharConfig(Context& ctx, std::string_view section, std::string_view key,
                           std::string_view default_value) {
  return ReadProfileString(GetCharConfigPath(ctx), section, key, default_value);
}

void WriteCharConfig(Context& ctx, std::string_view section, std::string_view key,
                     std::optional<std::string_view> value) {
  WriteProfileString(GetCharConfigPath(ctx), section, key, value);
}

void WriteCharConfigMany(Context& ctx, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  WriteProfileStrings(GetCharConfigPath(ctx), section, values);
}

}  // namespace kestrum
