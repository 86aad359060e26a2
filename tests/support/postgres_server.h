#pragma once

#include <QProcess>
#include <QTemporaryDir>
#include <string>

namespace tamarack::test {

// Debian's PostgreSQL, started for one test in a temporary folder on 127.0.0.1 at a free port,
// and stopped and removed with the object. The server refuses to run as root, so when the test
// runs as root the server's programs run as the "postgres" user (or "nobody"), who then owns the
// folder. No system service or cluster is touched.
//
// Over TCP the server asks for the password (SCRAM) of its one user, kUser; over its socket, in
// the temporary folder, it trusts that user, which is how Execute sets things up.
class PostgresServer {
 public:
  static constexpr const char* kUser = "tamarack";
  static constexpr const char* kPassword = "weigh-it-right";

  PostgresServer() = default;
  ~PostgresServer();
  PostgresServer(const PostgresServer&) = delete;
  PostgresServer& operator=(const PostgresServer&) = delete;

  // Makes the cluster on the first call, then starts the server, on a free port the first time
  // and on the same port after a Stop. Returns once it takes connections: empty, or what went
  // wrong.
  std::string Start();
  // `immediate`: as if the machine lost power; open transactions are simply gone.
  void Stop(bool immediate = false);
  bool Running() const { return running_; }

  int Port() const { return port_; }
  // "postgresql://tamarack@127.0.0.1:PORT/DATABASE".
  std::string Url(const std::string& database) const;
  // Runs one statement as the server's user over the socket: empty, or the error.
  std::string Execute(const std::string& database, const std::string& sql) const;
  // Writes a password file naming this server with `password`, and points PGPASSFILE at it.
  std::string UsePassword(const std::string& password);

 private:
  std::string Run(const QString& program, const QStringList& arguments) const;

  QTemporaryDir dir_;
  QString bin_;
  QString runAs_;  // empty: as this process's user
  bool made_ = false;
  bool running_ = false;
  int port_ = 0;
};

}  // namespace tamarack::test
