#include "core/settings.h"

#include "core/ini_profile.h"
#include "core/storage.h"
#include "core/text.h"

namespace kestrum {

std::string SettingOverrideKey(std::string_view section, std::string_view key) {
  return ToLowerAscii(std::string(section) + "." + std::string(key));
}

std::string ReadSetting(Context& ctx, std::string_view section, std::string_view key, std::string_view default_value) {
  if (!ctx.setting_overrides.empty()) {
    const auto given = ctx.setting_overrides.find(SettingOverrideKey(section, key));
    if (given != ctx.setting_overrides.end()) return given->second;
  }
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
