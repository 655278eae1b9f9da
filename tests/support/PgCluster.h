#pragma once
// A PostgreSQL server of the test's own: a temporary cluster made with initdb, served by a
// postgres process that is a child of the test (it dies with the test, even when the test
// crashes) on a free port of 127.0.0.1, with password logins. PostgreSQL refuses to run as root:
// under root the cluster belongs to the user "nobody" and the server runs as that user.
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <optional>

class PgCluster {
public:
    static constexpr const char* kAdmin = "ohmara_admin";
    static constexpr const char* kAdminPassword = "admin-secret";
    static constexpr const char* kDatabase = "ohmara";

    PgCluster();
    ~PgCluster(); // stops the server
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    // Server settings beyond the test's own ("shared_buffers=1GB"), taken by the next start.
    QStringList settings;
    // Environment of the server beyond the test's own ("LOCPATH=/tmp/x"), taken by the next start.
    QStringList environment;

    // Makes the cluster and the database and starts the server; false with error() on failure.
    bool create();
    bool start();
    // Fast shutdown: open connections are cut off, as when a server goes down.
    void stop();
    bool running() const { return m_server && m_server->state() == QProcess::Running; }
    int port() const { return m_port; }
    QString error() const { return m_error; }
    // Runs SQL through psql as the administrator; the output, or nothing on failure.
    std::optional<QString> psql(const QString& sql, const QString& database = QString::fromLatin1(kDatabase));
    // The database through pg_dump (custom format) into a file, and such a file through
    // pg_restore into this cluster's database, as an administrator moves a server.
    bool dump(const QString& file);
    bool restore(const QString& file);
    // The folder of the cluster's files, which the server's user may read.
    QString folder() const { return m_dir.path(); }

private:
    std::optional<QString> client(const QString& program, const QStringList& arguments);
    bool run(const QStringList& command, QString* output = nullptr);
    QStringList asOwner(const QString& program) const;

    QTemporaryDir m_dir;
    QString m_bin;
    QString m_data;
    int m_port = 0;
    bool m_root = false;
    std::unique_ptr<QProcess> m_server;
    QString m_error;
};
