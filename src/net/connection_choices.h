#pragma once
// What the Connection page of the settings dialog offers: the user agents (with their list file)
// and the proxy names (with the current proxy they select), and the user-agent database offer.
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"

namespace kestrum {

// The program title, " v" and the version: the user agent stored when none was chosen.
std::string ProductText();

// Storage/user_agents.txt under the program folder.
std::string UserAgentListPath(const Context& ctx);
// The list file's text when it is missing: the header, then the built-in agents.
std::string DefaultUserAgentListText();

struct UserAgentChoices {
  std::string field;                // the stored user agent, or the product text
  std::vector<std::string> agents;  // what the list offers, in order
};
// Writes the list file when it is missing (one attempt) and reads it. `system_agent` is the
// system browser's user agent, offered even when empty.
UserAgentChoices LoadUserAgentChoices(Context& ctx, std::string_view system_agent);

struct ProxyChoices {
  std::string field;               // the stored proxy name, or the list's second name
  std::vector<std::string> names;  // valid entries only; the others are logged
};
// Reads the proxy list (written first when missing); the entry named in the field becomes the
// current proxy.
ProxyChoices LoadProxyChoices(Context& ctx);
// Makes the named entry the current proxy at once; a missing list is written and nothing chosen.
void ChooseProxy(Context& ctx, std::string_view name);

// Services/UserAgentDatabase: the web page listing user agents.
std::string UserAgentDatabaseAddress(Context& ctx);
// Asks before opening that page; explains when there is no connection.
void OfferUserAgentDatabase(Context& ctx);

}  // namespace kestrum
