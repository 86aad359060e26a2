#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tamarack::records {

// A team's store: "postgresql://user@host:port/db" (or "postgres://"). The password is never part
// of it: the database's client library takes it from PGPASSFILE or ~/.pgpass, so Tamarack
// neither asks for it nor keeps it.
struct TeamAddress {
  std::string user;  // empty: the client library's default (the login name)
  std::string host;  // a name, an IPv4 address, or an IPv6 address without its brackets
  int port = 5432;
  std::string database;

  // The address as given back to people, without a password: "postgresql://ann@db:5432/records".
  std::string Text() const;
};

// Nothing with `error` saying what does not read.
std::optional<TeamAddress> ParseTeamAddress(std::string_view url, std::string& error);
// The text names a team store rather than a file or folder: it begins "postgresql://" or
// "postgres://".
bool IsTeamAddress(std::string_view text);

}  // namespace tamarack::records
