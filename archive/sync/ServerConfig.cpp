#include "archive/sync/ServerConfig.h"

#include "core/ProfileFile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>
#include <QUrlQuery>

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
    config.syncAfterUpload =
        settings.readInteger(kTeamServerSection, QStringLiteral("SyncAfterUpload"), 0) == 1;
    return config;
}

namespace {

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
    } else if (key == QLatin1String("password")) {
        config.password = value;
    } else if (key == QLatin1String("connect_timeout")) {
        bool ok = false;
        config.connectTimeout = std::chrono::seconds(value.toInt(&ok));
        return ok;
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

std::optional<QSqlDatabase> OpenServer(const ServerConfig& config, const QString& connectionName,
                                       QString* error) {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) {
        *error = QStringLiteral("缺少 PostgreSQL 数据库驱动（libqt6sql6-psql）。");
        return std::nullopt;
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connectionName);
        db.setHostName(config.host);
        if (config.port > 0)
            db.setPort(config.port);
        db.setDatabaseName(config.database);
        db.setUserName(config.user);
        db.setPassword(config.password);
        // A lost network shows as an error within seconds instead of a sync that hangs.
        QStringList options{QStringLiteral("connect_timeout=%1").arg(config.connectTimeout.count()),
                            QStringLiteral("keepalives=1"),
                            QStringLiteral("keepalives_idle=15"),
                            QStringLiteral("keepalives_interval=5"),
                            QStringLiteral("keepalives_count=3"),
                            QStringLiteral("application_name=ohmara")};
        if (!config.sslMode.isEmpty())
            options << QStringLiteral("sslmode=%1").arg(config.sslMode);
        db.setConnectOptions(options.join(QLatin1Char(';')));
        if (db.open()) {
            QSqlQuery utc(db);
            if (utc.exec(QStringLiteral("SET TIME ZONE 'UTC'")))
                return db;
            *error = utc.lastError().text();
        } else {
            *error =
                QStringLiteral("无法连接服务器 %1：%2").arg(config.label(), db.lastError().text().trimmed());
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    return std::nullopt;
}
