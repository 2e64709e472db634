#pragma once
// Settings in cfg.ini and the character table in charcfg.ini. Nothing is cached: every call
// goes to the file, so a change made between two calls is seen by the second.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/context.h"

namespace kestrum {

std::string ReadSetting(Context& ctx, std::string_view section, std::string_view key, std::string_view default_value);
void WriteSetting(Context& ctx, std::string_view section, std::string_view key, std::optional<std::string_view> value);
// A switch is on only when its value is exactly "1".
// The key of ctx.setting_overrides for a setting: names compare without case, as in cfg.ini.
std::string SettingOverrideKey(std::string_view section, std::string_view key);

bool SettingIsOn(Context& ctx, std::string_view section, std::string_view key, std::string_view default_value);

std::string ReadCharConfig(Context& ctx, std::string_view section, std::string_view key,
                           std::string_view default_value);
void WriteCharConfig(Context& ctx, std::string_view section, std::string_view key,
                     std::optional<std::string_view> value);
// The whole table in one write.
void WriteCharConfigMany(Context& ctx, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values);

}  // namespace kestrum
