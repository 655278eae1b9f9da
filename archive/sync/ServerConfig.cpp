#include "archive/sync/ServerConfig.h"

#include "archive/sync/ServerSql.h"
#include "archive/sync/SyncMessages.h"

#include "core/ProfileFile.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>
#include <libpq-fe.h>
#include <poll.h>
#include <vector>

QString ServerConfig::label() const {
    return QStringLiteral("%1:%2/%3")
        .arg(host.isEmpty() ? QStringLiteral("localhost") : host)
        .arg(port > 0 ? port : 5432)
        .arg(database.isEmpty() ? user : database);
}

ServerConfig ServerConfig::FromSettings(const ProfileFile& settings) {
    ServerConfig config;
    config.host = settings.readString(kTeamServerSection, QStringLiteral("Host"), {}).trimmed();
    config.port = settings.readInteger(kTeamServerSection, QStringLiteral("Port"), 0);
    config.database = settings.readString(kTeamServerSection, QStringLiteral("Database"), {}).trimmed();
    config.user = settings.readString(kTeamServerSection, QStringLiteral("User"), {}).trimmed();
    config.sslMode = settings.readString(kTeamServerSection, QStringLiteral("SslMode"), {}).trimmed();
    config.sslRootCert = settings.readString(kTeamServerSection, QStringLiteral("SslRootCert"), {}).trimmed();
    config.sslCert = settings.readString(kTeamServerSection, QStringLiteral("SslCert"), {}).trimmed();
    config.sslKey = settings.readString(kTeamServerSection, QStringLiteral("SslKey"), {}).trimmed();
    config.syncAfterUpload =
        settings.readInteger(kTeamServerSection, QStringLiteral("SyncAfterUpload"), 0) == 1;
    return config;
}

namespace {

// The libpq keywords of a connection beyond host, port, database, user and password. A lost
// network shows as an error within seconds instead of a sync that hangs.
std::vector<std::pair<const char*, QString>> ConnectionOptions(const ServerConfig& config) {
    std::vector<std::pair<const char*, QString>> options{
        {"connect_timeout", QString::number(config.connectTimeout.count())},
        {"keepalives", QStringLiteral("1")},
        {"keepalives_idle", QStringLiteral("15")},
        {"keepalives_interval", QStringLiteral("5")},
        {"keepalives_count", QStringLiteral("3")},
        {"application_name", config.applicationName}};
    const std::pair<const char*, const QString*> optional[] = {{"sslmode", &config.sslMode},
                                                               {"sslrootcert", &config.sslRootCert},
                                                               {"sslcert", &config.sslCert},
                                                               {"sslkey", &config.sslKey}};
    for (const auto& [key, value] : optional) {
        if (!value->isEmpty())
            options.emplace_back(key, *value);
    }
    return options;
}

bool SetKeyword(ServerConfig& config, const QString& key, const QString& value) {
    if (key == QLatin1String("host") || key == QLatin1String("hostaddr")) {
        config.host = value;
    } else if (key == QLatin1String("port")) {
        bool ok = false;
        config.port = value.toInt(&ok);
        return ok && config.port > 0 && config.port < 65536;
    } else if (key == QLatin1String("dbname")) {
        config.database = value;
    } else if (key == QLatin1String("user")) {
        config.user = value;
    } else if (key == QLatin1String("sslmode")) {
        config.sslMode = value;
    } else if (key == QLatin1String("sslrootcert")) {
        config.sslRootCert = value;
    } else if (key == QLatin1String("sslcert")) {
        config.sslCert = value;
    } else if (key == QLatin1String("sslkey")) {
        config.sslKey = value;
    } else if (key == QLatin1String("application_name")) {
        config.applicationName = value;
    } else if (key == QLatin1String("password")) {
        config.password = value;
    } else if (key == QLatin1String("connect_timeout")) {
        bool ok = false;
        config.connectTimeout = std::chrono::seconds(value.toInt(&ok));
        return ok && config.connectTimeout.count() >= 0;
    } else {
        return false;
    }
    return true;
}

std::optional<ServerConfig> FromUri(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return std::nullopt;
    ServerConfig config;
    config.host = url.host();
    config.port = url.port(0);
    config.user = url.userName();
    config.password = url.password();
    config.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (!SetKeyword(config, key, value))
            return std::nullopt;
    }
    return config;
}

} // namespace

std::optional<ServerConfig> ServerConfig::FromConnectionText(const QString& text) {
    if (text.startsWith(QLatin1String("postgresql://")) || text.startsWith(QLatin1String("postgres://")))
        return FromUri(text);
    // keyword = value pairs; a value may be single-quoted with \' and \\ inside.
    ServerConfig config;
    qsizetype i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && text[i].isSpace())
            ++i;
    };
    while (true) {
        skipBlanks();
        if (i >= text.size())
            break;
        const qsizetype keyStart = i;
        while (i < text.size() && text[i] != QLatin1Char('=') && !text[i].isSpace())
            ++i;
        const QString key = text.mid(keyStart, i - keyStart);
        skipBlanks();
        if (i >= text.size() || text[i] != QLatin1Char('=') || key.isEmpty())
            return std::nullopt;
        ++i;
        skipBlanks();
        QString value;
        if (i < text.size() && text[i] == QLatin1Char('\'')) {
            ++i;
            bool closed = false;
            while (i < text.size()) {
                const QChar c = text[i++];
                if (c == QLatin1Char('\\') && i < text.size()) {
                    value += text[i++];
                } else if (c == QLatin1Char('\'')) {
                    closed = true;
                    break;
                } else {
                    value += c;
                }
            }
            if (!closed)
                return std::nullopt;
        } else {
            while (i < text.size() && !text[i].isSpace())
                value += text[i++];
        }
        if (!SetKeyword(config, key, value))
            return std::nullopt;
    }
    return config;
}

Result<QSqlDatabase> OpenServer(const ServerConfig& config, const QString& connectionName) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return Outcome::Failure(FailureKind::Missing, SyncMessages::DriverMissing());
    QString error;
    QString detail;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(config.host);
        if (config.port > 0)
            db.setPort(config.port);
        db.setDatabaseName(config.database);
        db.setUserName(config.user);
        db.setPassword(config.password);
        // A lost network shows as an error within seconds instead of a sync that hangs.
        QStringList options;
        for (const auto& [key, value] : ConnectionOptions(config)) {
            // The driver splits its options at ';' and hands them to libpq, which reads quotes.
            QString quoted = value;
            quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
                .replace(QLatin1Char('\''), QStringLiteral("\\'"));
            options << QStringLiteral("%1='%2'").arg(QLatin1String(key), quoted);
        }
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (db.open()) {
            QSqlQuery utc = ServerStatement(db, ServerSql::UseUtc);
            if (ServerExec(utc))
                return db;
            error = detail = utc.lastError().databaseText().trimmed();
        } else {
            // The server's and libpq's words, without the driver's own "QPSQL: Unable to connect".
            detail = db.lastError().databaseText().trimmed();
            error = SyncMessages::CannotConnect(config.label(), detail);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    // The driver keeps no code of a failed login: libpq is asked once more, for the kind.
    const ConnectFailure failure = ProbeServer(config).failure;
    if (const QString why = ConnectFailureText(failure); !why.isEmpty())
        error += QLatin1Char('\n') + why;
    return Outcome::Failure(ConnectFailureKind(failure), error, detail);
}

FailureKind ConnectFailureKind(ConnectFailure failure) {
    switch (failure) {
    case ConnectFailure::Unreachable:
        return FailureKind::Unreachable;
    case ConnectFailure::NoDatabase:
        return FailureKind::Incompatible;
    case ConnectFailure::NeedsPassword:
        return FailureKind::NeedsPassword;
    case ConnectFailure::None: // reached, but not let in
    case ConnectFailure::LoginRefused:
    case ConnectFailure::NoRight:
        break;
    }
    return FailureKind::Refused;
}

bool TransientServerState(const QString& sqlState) {
    const QStringView c = QStringView(sqlState).left(2);
    return sqlState.isEmpty() || c == u"08" || c == u"40" || c == u"53" || c == u"57" || c == u"58" ||
           sqlState == QLatin1String("55P03");
}

ConnectProbe ProbeServer(const ServerConfig& config) {
    std::vector<QByteArray> keys{"host", "port", "dbname", "user", "password"};
    std::vector<QByteArray> values{config.host.toUtf8(),
                                   config.port > 0 ? QByteArray::number(config.port) : "",
                                   config.database.toUtf8(), config.user.toUtf8(), config.password.toUtf8()};
    for (const auto& [key, value] : ConnectionOptions(config)) {
        keys.emplace_back(key);
        values.push_back(value.toUtf8());
    }
    std::vector<const char*> keyPointers;
    std::vector<const char*> valuePointers;
    for (size_t i = 0; i < keys.size(); ++i) {
        if (values[i].isEmpty())
            continue; // libpq's default (PGHOST, PGPORT, ...)
        keyPointers.push_back(keys[i].constData());
        valuePointers.push_back(values[i].constData());
    }
    keyPointers.push_back(nullptr);
    valuePointers.push_back(nullptr);
    ConnectProbe probe;
    PGconn* conn = PQconnectStartParams(keyPointers.data(), valuePointers.data(), 0);
    if (!conn) {
        probe.failure = ConnectFailure::Unreachable;
        return probe;
    }
    // The server's error comes as its SQLSTATE alone, whatever language it speaks.
    PQsetErrorVerbosity(conn, PQERRORS_SQLSTATE);
    const QDeadlineTimer deadline(std::chrono::seconds(std::max<qint64>(config.connectTimeout.count(), 2)));
    PostgresPollingStatusType state =
        PQstatus(conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    while (state != PGRES_POLLING_OK && state != PGRES_POLLING_FAILED) {
        pollfd fd{PQsocket(conn), short(state == PGRES_POLLING_READING ? POLLIN : POLLOUT), 0};
        const int ready = ::poll(&fd, 1, int(std::min<qint64>(deadline.remainingTime(), 60'000)));
        if (ready == 0 || deadline.hasExpired())
            break;
        if (ready > 0)
            state = PQconnectPoll(conn);
    }
    if (state != PGRES_POLLING_OK) {
        // "…failed: FATAL:  3D000" (the severity in the server's language, the code as it is), with
        // libpq's own lines ("password retrieved from file …") after it.
        static const QRegularExpression code(QStringLiteral("\\s([0-9A-Z]{5})$"),
                                             QRegularExpression::MultilineOption);
        static const QRegularExpression digit(QStringLiteral("[0-9]"));
        for (QRegularExpressionMatchIterator it = code.globalMatch(QString::fromUtf8(PQerrorMessage(conn)));
             it.hasNext();) {
            const QString found = it.next().captured(1);
            if (found.contains(digit))
                probe.sqlState = found;
        }
        const QStringView sqlClass = QStringView(probe.sqlState).left(2);
        if (PQconnectionNeedsPassword(conn))
            probe.failure = ConnectFailure::NeedsPassword;
        else if (probe.sqlState == QLatin1String("3D000"))
            probe.failure = ConnectFailure::NoDatabase;
        else if (probe.sqlState == QLatin1String("42501"))
            probe.failure = ConnectFailure::NoRight;
        else if (sqlClass == QLatin1String("28"))
            probe.failure = ConnectFailure::LoginRefused;
        else
            probe.failure = ConnectFailure::Unreachable;
    }
    PQfinish(conn);
    return probe;
}
