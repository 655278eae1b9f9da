#include "archive/sync/SyncCommands.h"

#include "archive/sync/ServerSchema.h"
#include "archive/sync/SyncEngine.h"
#include "core/ProfileFile.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

std::optional<ServerConfig> ParseConnection(const QString& text, QTextStream& err) {
    std::optional<ServerConfig> config = ServerConfig::FromConnectionText(text);
    if (!config)
        err << QStringLiteral("无法识别的连接参数 / unreadable connection: %1\n").arg(text);
    return config;
}

int ExitFor(const SyncOutcome& outcome) {
    switch (outcome.status) {
    case SyncStatus::Done:
        return outcome.readOnlyAccount ? SyncExit::kPartial : SyncExit::kOk;
    case SyncStatus::ArchiveError:
        return SyncExit::kArchive;
    case SyncStatus::Incompatible:
        return SyncExit::kServerSchema;
    case SyncStatus::Cancelled:
    case SyncStatus::ConnectFailed:
    case SyncStatus::Failed:
        break;
    }
    return SyncExit::kNetwork;
}

// CREATE DATABASE takes no parameters: the name goes in as a quoted identifier.
QString QuotedIdentifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

bool CreateDatabase(const ServerConfig& config, QTextStream& out, QTextStream& err) {
    ServerConfig maintenance = config;
    maintenance.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("ohmara-create-") + QUuid::createUuid().toString(QUuid::Id128);
    bool created = false;
    QString error;
    if (std::optional<QSqlDatabase> db = OpenServer(maintenance, name, &error)) {
        QSqlQuery query(*db);
        created = query.exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0")
                                 .arg(QuotedIdentifier(config.database)));
        if (!created)
            error = query.lastError().text();
        query.finish();
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    if (created)
        out << QStringLiteral("已建立数据库 / created database %1\n").arg(config.database);
    else
        err << error << '\n';
    return created;
}

} // namespace

int RunSyncCommand(const QString& archivePath, const QString& settingsPath, const QStringList& arguments,
                   QTextStream& out, QTextStream& err) {
    ServerConfig config;
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--server")) {
        std::optional<ServerConfig> parsed = ParseConnection(arguments[1], err);
        if (!parsed)
            return SyncExit::kUsage;
        config = *parsed;
    } else if (arguments.isEmpty()) {
        ProfileFile settings(settingsPath);
        static_cast<void>(settings.load()); // a file that cannot be read holds no server
        config = ServerConfig::FromSettings(settings);
    } else {
        err << QStringLiteral("用法 / usage: sync [--server CONNECTION]\n");
        return SyncExit::kUsage;
    }
    int lastPercent = -1;
    const SyncOutcome outcome = SyncEngine(archivePath, config).run([&](qint64 done, qint64 total) {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        if (percent / 10 != lastPercent / 10) {
            err << percent << "%\n";
            err.flush();
        }
        lastPercent = percent;
    });
    (outcome.status == SyncStatus::Done ? out : err) << outcome.message << '\n';
    return ExitFor(outcome);
}

int RunServerSchemaCommand(bool init, const QStringList& arguments, QTextStream& out, QTextStream& err) {
    if (arguments.size() != 1) {
        err << QStringLiteral("用法 / usage: %1 CONNECTION\n")
                   .arg(init ? QStringLiteral("init-server") : QStringLiteral("upgrade-server"));
        return SyncExit::kUsage;
    }
    std::optional<ServerConfig> config = ParseConnection(arguments[0], err);
    if (!config)
        return SyncExit::kUsage;
    const QString name = QStringLiteral("ohmara-schema-") + QUuid::createUuid().toString(QUuid::Id128);
    int exitCode = SyncExit::kOk;
    {
        QString error;
        std::optional<QSqlDatabase> db = OpenServer(*config, name, &error);
        if (!db && init && error.contains(QLatin1String("does not exist")) &&
            CreateDatabase(*config, out, err))
            db = OpenServer(*config, name, &error);
        if (!db) {
            err << error << '\n';
            return SyncExit::kNetwork;
        }
        const int before = ReadServerSchema(*db).version;
        if (!init && before == 0) {
            err << QStringLiteral(
                "服务器尚未建立记录库，请先运行 init-server / the server is not set up: run "
                "init-server first\n");
            exitCode = SyncExit::kServerSchema;
        } else if (const int from = UpgradeServerSchema(*db, &error); from < 0) {
            err << error << '\n';
            exitCode = before > kServerSchemaVersion ? SyncExit::kServerSchema : SyncExit::kNetwork;
        } else if (from == kServerSchemaVersion) {
            out << QStringLiteral("服务器记录库已是版本 %1，未作改动 / already at version %1\n").arg(from);
        } else {
            out << QStringLiteral("服务器记录库版本 %1 → %2 / server schema upgraded from version %1 to %2\n")
                       .arg(from)
                       .arg(kServerSchemaVersion);
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    return exitCode;
}
