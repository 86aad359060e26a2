#include "records/team_address.h"

#include <charconv>

namespace tamarack::records {
namespace {

constexpr std::string_view kSchemes[] = {"postgresql://", "postgres://"};

// %XX escapes, as the URL form allows in the user and database names.
std::optional<std::string> Unescaped(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    int value = 0;
    if (i + 2 >= text.size()) return std::nullopt;
    const auto [end, error] = std::from_chars(text.data() + i + 1, text.data() + i + 3, value, 16);
    if (error != std::errc() || end != text.data() + i + 3) return std::nullopt;
    out += static_cast<char>(value);
    i += 2;
  }
  return out;
}

}  // namespace

std::string TeamAddress::Text() const {
  const std::string shownHost = host.find(':') != std::string::npos ? "[" + host + "]" : host;
  return "postgresql://" + (user.empty() ? std::string() : user + "@") + shownHost + ":" +
         std::to_string(port) + "/" + database;
}

bool IsTeamAddress(std::string_view text) {
  for (const std::string_view scheme : kSchemes) {
    if (text.starts_with(scheme)) return true;
  }
  return false;
}

std::optional<TeamAddress> ParseTeamAddress(std::string_view url, std::string& error) {
  std::string_view rest;
  for (const std::string_view scheme : kSchemes) {
    if (url.starts_with(scheme)) rest = url.substr(scheme.size());
  }
  if (rest.empty()) {
    error = "a team store's address begins with postgresql://";
    return std::nullopt;
  }
  if (rest.find_first_of("?#") != std::string_view::npos) {
    error = "the address takes no options (?...)";
    return std::nullopt;
  }
  TeamAddress address;
  const std::size_t slash = rest.find('/');
  if (slash == std::string_view::npos || slash + 1 == rest.size()) {
    error = "the address names no database (postgresql://user@host:port/database)";
    return std::nullopt;
  }
  std::string_view authority = rest.substr(0, slash);
  const std::string_view database = rest.substr(slash + 1);
  if (database.find('/') != std::string_view::npos) {
    error = "a database name has no \"/\"";
    return std::nullopt;
  }
  if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    if (user.find(':') != std::string_view::npos) {
      error = "the address holds a password: keep it in ~/.pgpass (or PGPASSFILE) instead";
      return std::nullopt;
    }
    const auto name = Unescaped(user);
    if (!name || name->empty()) {
      error = "the user name does not read";
      return std::nullopt;
    }
    address.user = *name;
    authority.remove_prefix(at + 1);
  }
  std::string_view portText;
  if (authority.starts_with('[')) {
    const std::size_t close = authority.find(']');
    if (close == std::string_view::npos) {
      error = "an IPv6 address lacks its \"]\"";
      return std::nullopt;
    }
    address.host = std::string(authority.substr(1, close - 1));
    const std::string_view after = authority.substr(close + 1);
    if (!after.empty() && !after.starts_with(':')) {
      error = "the host does not read";
      return std::nullopt;
    }
    if (!after.empty()) portText = after.substr(1);
    if (after == ":") portText = ":";
  } else {
    const std::size_t colon = authority.find(':');
    address.host = std::string(authority.substr(0, colon));
    if (colon != std::string_view::npos) portText = authority.substr(colon + 1);
    if (colon != std::string_view::npos && portText.empty()) portText = ":";
  }
  if (address.host.empty()) {
    error = "the address names no host";
    return std::nullopt;
  }
  if (!portText.empty()) {
    int port = 0;
    const auto [end, problem] =
        std::from_chars(portText.data(), portText.data() + portText.size(), port);
    if (problem != std::errc() || end != portText.data() + portText.size() || port < 1 ||
        port > 65535) {
      error = "the port is a number from 1 to 65535";
      return std::nullopt;
    }
    address.port = port;
  }
  const auto name = Unescaped(database);
  if (!name || name->empty()) {
    error = "the database name does not read";
    return std::nullopt;
  }
  address.database = *name;
  return address;
}

}  // namespace tamarack::records
