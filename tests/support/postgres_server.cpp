#include "support/postgres_server.h"

#include <pwd.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <QUuid>
#include <QVersionNumber>

namespace tamarack::test {
namespace {

// The newest PostgreSQL that Debian installed: /usr/lib/postgresql/<version>/bin.
QString ServerPrograms() {
  const QDir root("/usr/lib/postgresql");
  QString best;
  QVersionNumber bestVersion;
  for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    const QVersionNumber version = QVersionNumber::fromString(name);
    if (!QFile::exists(root.filePath(name + "/bin/initdb"))) continue;
    if (best.isEmpty() || version > bestVersion) {
      best = root.filePath(name + "/bin");
      bestVersion = version;
    }
  }
  return best;
}

int FreePort() {
  QTcpServer probe;
  if (!probe.listen(QHostAddress::LocalHost, 0)) return 0;
  return probe.serverPort();
}

bool Chown(const QString& path, uid_t uid, gid_t gid) {
  return ::chown(QFile::encodeName(path).constData(), uid, gid) == 0;
}

}  // namespace

PostgresServer::~PostgresServer() {
  Stop();
}

std::string PostgresServer::Run(const QString& program, const QStringList& arguments) const {
  QProcess process;
  process.setProcessChannelMode(QProcess::MergedChannels);
  process.setWorkingDirectory(dir_.path());
  if (runAs_.isEmpty()) {
    process.start(program, arguments);
  } else {
    process.start("runuser", QStringList{"-u", runAs_, "--", program} + arguments);
  }
  if (!process.waitForStarted(10000)) return "cannot start " + program.toStdString();
  if (!process.waitForFinished(120000)) {
    process.kill();
    process.waitForFinished();
    return program.toStdString() + " did not end";
  }
  if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    return program.toStdString() + ": " + process.readAll().toStdString();
  }
  return {};
}

std::string PostgresServer::Start() {
  if (running_) return {};
  if (!dir_.isValid()) return "no temporary folder";
  if (!made_) {
    bin_ = ServerPrograms();
    if (bin_.isEmpty()) return "PostgreSQL is not installed (scripts/bootstrap installs it)";
    if (::geteuid() == 0) {
      const passwd* user = ::getpwnam("postgres");
      if (user == nullptr) user = ::getpwnam("nobody");
      if (user == nullptr) return "no unprivileged user to run the server as";
      runAs_ = QString::fromLocal8Bit(user->pw_name);
      if (!Chown(dir_.path(), user->pw_uid, user->pw_gid)) return "cannot hand the folder over";
    }
    QFile password(dir_.filePath("password"));
    if (!password.open(QIODevice::WriteOnly)) return "cannot write the password file";
    password.write(kPassword);
    password.close();
    if (!runAs_.isEmpty()) {
      const passwd* user = ::getpwnam(runAs_.toLocal8Bit().constData());
      Chown(password.fileName(), user->pw_uid, user->pw_gid);
    }
    QDir(dir_.path()).mkdir("socket");
    if (!runAs_.isEmpty()) {
      const passwd* user = ::getpwnam(runAs_.toLocal8Bit().constData());
      Chown(dir_.filePath("socket"), user->pw_uid, user->pw_gid);
    }
    const std::string made = Run(
        bin_ + "/initdb", {"-D", dir_.filePath("data"), "-U", kUser, "--pwfile",
                           password.fileName(), "--auth-local=trust", "--auth-host=scram-sha-256",
                           "-E", "UTF8", "--no-locale", "--no-sync"});
    if (!made.empty()) return made;
    made_ = true;
  }
  if (port_ == 0) port_ = FreePort();
  if (port_ == 0) return "no free port on the loopback";
  const QString options =
      QString("-p %1 -k %2 -c listen_addresses=127.0.0.1").arg(port_).arg(dir_.filePath("socket"));
  const std::string started =
      Run(bin_ + "/pg_ctl", {"-D", dir_.filePath("data"), "-l", dir_.filePath("server.log"), "-o",
                             options, "-w", "-t", "60", "start"});
  if (!started.empty()) return started;
  running_ = true;
  return {};
}

void PostgresServer::Stop(bool immediate) {
  if (!running_) return;
  Run(bin_ + "/pg_ctl", {"-D", dir_.filePath("data"), "-m", immediate ? "immediate" : "fast", "-w",
                         "-t", "60", "stop"});
  running_ = false;
}

std::string PostgresServer::Url(const std::string& database) const {
  return std::string("postgresql://") + kUser + "@127.0.0.1:" + std::to_string(port_) + "/" +
         database;
}

std::string PostgresServer::Execute(const std::string& database, const std::string& sql) const {
  const QString name = "postgres-server-" + QUuid::createUuid().toString();
  std::string error;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", name);
    db.setHostName(dir_.filePath("socket"));
    db.setPort(port_);
    db.setUserName(kUser);
    db.setDatabaseName(QString::fromStdString(database));
    if (!db.open()) {
      error = db.lastError().text().toStdString();
    } else {
      QSqlQuery query(db);
      if (!query.exec(QString::fromStdString(sql))) error = query.lastError().text().toStdString();
    }
  }
  QSqlDatabase::removeDatabase(name);
  return error;
}

std::string PostgresServer::UsePassword(const std::string& password) {
  const QString path = dir_.filePath("client.pgpass");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return "cannot write " + path.toStdString();
  file.write(
      ("127.0.0.1:" + std::to_string(port_) + ":*:" + kUser + ":" + password + "\n").c_str());
  file.close();
  // The client library ignores a password file that others may read.
  file.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
  qputenv("PGPASSFILE", QFile::encodeName(path));
  return {};
}

}  // namespace tamarack::test
