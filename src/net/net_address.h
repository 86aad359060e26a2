#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamarack {

// How a serial device server carries the line: raw bytes over TCP (the server owns the line
// settings) or telnet with the COM port control option (the client sets them).
enum class NetScheme { kRaw, kRfc2217 };

// A serial device server's address, written as the URL that serial tools use for it:
// "socket://host:port" or "rfc2217://host:port" (an IPv6 host in brackets).
struct NetAddress {
  NetScheme scheme = NetScheme::kRaw;
  std::string host;
  int port = 0;

  std::string Url() const;
};

// True when `name` from the Comm list names a network link rather than a local device.
bool IsNetworkName(std::string_view name);

// Reads "host:port" as typed in the "Network…" dialog. On failure `error` says what is wrong.
std::optional<NetAddress> ParseHostPort(std::string_view text, NetScheme scheme,
                                        std::string* error);
// Reads "socket://host:port" or "rfc2217://host:port".
std::optional<NetAddress> ParseNetUrl(std::string_view url, std::string* error);

}  // namespace tamarack
