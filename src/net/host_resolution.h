#pragma once
// Host names to IPv4 addresses and back, through the context's resolver, and the conversion
// between the dotted and the decimal form of an address.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/context.h"

namespace kestrum {

class Resolver;

// The socket layer needs no start-up on this system; kept so callers read as they always have.
bool SocketsInitialize();
void SocketsCleanup();

// The context's resolver, or the system resolver when the context has none.
Resolver& ResolverOf(Context& ctx);

// Every IPv4 address of a host, dotted, joined by ", " in resolver order. When the name does
// not resolve, the result of ResolveHostFirst (usually empty).
std::string ResolveHost(Context& ctx, std::string_view host);

// The name behind one dotted address, or behind each of several joined by "," (answers joined by
// ","). Failures come back as "Invalid IP", "Resolution failed" (one address) or "Resolution
// Failed" (inside a list).
std::string ReverseLookup(Context& ctx, std::string_view addresses);

// Decimal value to dotted text ("3232235777" -> "192.168.1.1", "0.0.0.0" when out of range);
// dotted text to its decimal value ("192.168.1.1" -> "3232235777", "0" when a part is above
// 255). A port (":...") and a "_" suffix are dropped first. Anything else gives empty text.
std::string ConvertIPValue(std::string_view value);
// ConvertIPValue after removing the port and "_" suffix from `host` itself.
std::string ConvertIP(std::string& host);

// Dotted text of a 32-bit address in network byte order.
std::string AddressToText(uint32_t network_order_address);

}  // namespace kestrum
