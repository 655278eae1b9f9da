#include "PgCluster.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

QString PostgresBin() {
    for (int version : {17, 16, 15}) {
        const QString bin = QStringLiteral("/usr/lib/postgresql/%1/bin").arg(version);
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return {};
}

// A port of 127.0.0.1 that nothing listens on now: the kernel's pick for a socket bound to port 0.
int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

} // namespace

PgCluster::PgCluster() : m_bin(PostgresBin()), m_root(::geteuid() == 0) {}

PgCluster::~PgCluster() {
    stop();
}

QStringList PgCluster::asOwner(const QString& program) const {
    // setpriv keeps the parent-death signal across the change of user and the exec.
    if (m_root)
        return {QStringLiteral("setpriv"),          QStringLiteral("--reuid=nobody"),
                QStringLiteral("--regid=nogroup"),  QStringLiteral("--clear-groups"),
                QStringLiteral("--pdeathsig=KILL"), program};
    return {QStringLiteral("setpriv"), QStringLiteral("--pdeathsig=KILL"), program};
}

bool PgCluster::run(const QStringList& command, QString* output) {
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForFinished(120'000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        m_error =
            command.join(QLatin1Char(' ')) + QStringLiteral(": ") + QString::fromLocal8Bit(process.readAll());
        return false;
    }
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return true;
}

bool PgCluster::create() {
    if (m_bin.isEmpty()) {
        m_error = QStringLiteral("PostgreSQL server programs not found (Debian package postgresql)");
        return false;
    }
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return false;
    }
    m_data = m_dir.filePath(QStringLiteral("data"));
    const QString pwfile = m_dir.filePath(QStringLiteral("pw"));
    QFile pw(pwfile);
    if (!pw.open(QIODevice::WriteOnly) || pw.write(kAdminPassword) < 0)
        return false;
    pw.close();
    if (m_root) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody ||
            ::chown(QFile::encodeName(m_dir.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0 ||
            ::chown(QFile::encodeName(pwfile).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            m_error = QStringLiteral("cannot hand the cluster folder to nobody");
            return false;
        }
    }
    QStringList initdb = asOwner(m_bin + QStringLiteral("/initdb"));
    initdb << QStringLiteral("-D") << m_data << QStringLiteral("-U") << QString::fromLatin1(kAdmin)
           << QStringLiteral("--pwfile=") + pwfile << QStringLiteral("--auth=scram-sha-256")
           << QStringLiteral("-E") << QStringLiteral("UTF8") << QStringLiteral("--locale=C.UTF-8")
           << QStringLiteral("--no-sync");
    if (!run(initdb))
        return false;
    m_port = FreePort();
    if (!start())
        return false;
    return psql(QStringLiteral("CREATE DATABASE %1").arg(QString::fromLatin1(kDatabase)),
                QStringLiteral("postgres"))
        .has_value();
}

bool PgCluster::start() {
    m_server = std::make_unique<QProcess>();
    m_server->setWorkingDirectory(m_dir.path());
    m_server->setStandardOutputFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
    m_server->setStandardErrorFile(m_dir.filePath(QStringLiteral("server.log")), QIODevice::Append);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : std::as_const(environment))
        env.insert(variable.section(QLatin1Char('='), 0, 0), variable.section(QLatin1Char('='), 1));
    m_server->setProcessEnvironment(env);
    QStringList command = asOwner(m_bin + QStringLiteral("/postgres"));
    command << QStringLiteral("-D") << m_data << QStringLiteral("-p") << QString::number(m_port)
            << QStringLiteral("-k") << m_dir.path() << QStringLiteral("-c")
            << QStringLiteral("listen_addresses=127.0.0.1") << QStringLiteral("-c")
            << QStringLiteral("fsync=off") << QStringLiteral("-c") << QStringLiteral("full_page_writes=off");
    for (const QString& setting : std::as_const(settings))
        command << QStringLiteral("-c") << setting;
    m_server->start(command.first(), command.mid(1));
    if (!m_server->waitForStarted()) {
        m_error = QStringLiteral("postgres did not start");
        return false;
    }
    // Ready when pg_isready says so (it polls the socket; the server needs a second or so).
    const QDeadlineTimer deadline(30s);
    while (!deadline.hasExpired() && m_server->state() == QProcess::Running) {
        QProcess ready;
        ready.start(m_bin + QStringLiteral("/pg_isready"),
                    {QStringLiteral("-q"), QStringLiteral("-h"), QStringLiteral("127.0.0.1"),
                     QStringLiteral("-p"), QString::number(m_port)});
        if (ready.waitForFinished(5000) && ready.exitCode() == 0)
            return true;
        QThread::msleep(100);
    }
    QFile log(m_dir.filePath(QStringLiteral("server.log")));
    log.open(QIODevice::ReadOnly);
    m_error = QStringLiteral("postgres is not ready: ") + QString::fromLocal8Bit(log.readAll().right(2000));
    return false;
}

void PgCluster::stop() {
    if (!m_server)
        return;
    if (m_server->state() == QProcess::Running) {
        ::kill(pid_t(m_server->processId()), SIGINT);
        if (!m_server->waitForFinished(30'000))
            m_server->kill();
        m_server->waitForFinished();
    }
    m_server.reset();
}

std::optional<QString> PgCluster::client(const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGPASSWORD"), QString::fromLatin1(kAdminPassword));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(m_bin + QLatin1Char('/') + program,
                  QStringList{QStringLiteral("-h"), QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                              QString::number(m_port), QStringLiteral("-U"), QString::fromLatin1(kAdmin)} +
                      arguments);
    if (!process.waitForFinished(600'000) || process.exitCode() != 0) {
        m_error = QString::fromLocal8Bit(process.readAll());
        return std::nullopt;
    }
    return QString::fromUtf8(process.readAll()).trimmed();
}

std::optional<QString> PgCluster::psql(const QString& sql, const QString& database) {
    return client(QStringLiteral("psql"), {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-At"),
                                           QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                           QStringLiteral("-d"), database, QStringLiteral("-c"), sql});
}

bool PgCluster::dump(const QString& file) {
    return client(QStringLiteral("pg_dump"), {QStringLiteral("-Fc"), QStringLiteral("-f"), file,
                                              QStringLiteral("-d"), QString::fromLatin1(kDatabase)})
        .has_value();
}

bool PgCluster::restore(const QString& file) {
    return client(QStringLiteral("pg_restore"), {QStringLiteral("--exit-on-error"), QStringLiteral("-d"),
                                                 QString::fromLatin1(kDatabase), file})
        .has_value();
}
