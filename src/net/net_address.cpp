#include "net/net_address.h"

#include <algorithm>
#include <cctype>

namespace tamarack {
namespace {

constexpr std::string_view kRawPrefix = "socket://";
constexpr std::string_view kRfc2217Prefix = "rfc2217://";

bool Fail(std::string* error, std::string_view text) {
  if (error) *error = text;
  return false;
}

bool HostNameChar(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
}

bool Ipv6Char(char c) {
  return std::isxdigit(static_cast<unsigned char>(c)) != 0 || c == ':' || c == '.';
}

// URL schemes ignore case: "RFC2217://" is "rfc2217://".
bool HasScheme(std::string_view url, std::string_view prefix) {
  return url.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), url.begin(), [](char p, char c) {
           return p == std::tolower(static_cast<unsigned char>(c));
         });
}

}  // namespace

std::string NetAddress::Url() const {
  const bool v6 = host.find(':') != std::string::npos;
  return std::string(scheme == NetScheme::kRaw ? kRawPrefix : kRfc2217Prefix) +
         (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

bool IsNetworkName(std::string_view name) {
  return HasScheme(name, kRawPrefix) || HasScheme(name, kRfc2217Prefix);
}

std::optional<NetAddress> ParseHostPort(std::string_view text, NetScheme scheme,
                                        std::string* error) {
  const auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  if (text.empty()) {
    Fail(error, "Type the address of the device server as host:port, e.g. 192.168.1.20:4001.");
    return std::nullopt;
  }

  NetAddress address;
  address.scheme = scheme;
  std::string_view rest;
  if (text.front() == '[') {
    const auto close = text.find(']');
    if (close == std::string_view::npos) {
      Fail(error, "The IPv6 address lacks its closing bracket: type it as [address]:port.");
      return std::nullopt;
    }
    address.host = text.substr(1, close - 1);
    if (address.host.empty() || !std::all_of(address.host.begin(), address.host.end(), Ipv6Char)) {
      Fail(error, "The address in brackets is no IPv6 address.");
      return std::nullopt;
    }
    rest = text.substr(close + 1);
  } else {
    const auto colon = text.rfind(':');
    address.host = text.substr(0, colon == std::string_view::npos ? text.size() : colon);
    rest = colon == std::string_view::npos ? std::string_view() : text.substr(colon);
    if (address.host.empty()) {
      Fail(error, "The host name is missing: type the address as host:port.");
      return std::nullopt;
    }
    if (!std::all_of(address.host.begin(), address.host.end(), HostNameChar)) {
      Fail(error,
           "The host name may hold only letters, digits, '-', '.' and '_' (an IPv6 address goes "
           "in brackets).");
      return std::nullopt;
    }
  }

  if (rest.size() < 2 || rest.front() != ':') {
    Fail(error, "The port number is missing: type the address as host:port.");
    return std::nullopt;
  }
  const std::string_view digits = rest.substr(1);
  long port = 0;
  for (const char c : digits) {
    if (std::isdigit(static_cast<unsigned char>(c)) == 0 || port > 65535) {
      port = -1;
      break;
    }
    port = port * 10 + (c - '0');
  }
  if (port < 1 || port > 65535) {
    Fail(error, "The port number must be a number from 1 to 65535.");
    return std::nullopt;
  }
  address.port = static_cast<int>(port);
  return address;
}

std::optional<NetAddress> ParseNetUrl(std::string_view url, std::string* error) {
  if (HasScheme(url, kRawPrefix)) {
    return ParseHostPort(url.substr(kRawPrefix.size()), NetScheme::kRaw, error);
  }
  if (HasScheme(url, kRfc2217Prefix)) {
    return ParseHostPort(url.substr(kRfc2217Prefix.size()), NetScheme::kRfc2217, error);
  }
  Fail(error, "A network address begins with socket:// or rfc2217://.");
  return std::nullopt;
}

}  // namespace tamarack
