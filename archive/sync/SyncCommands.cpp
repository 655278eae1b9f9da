#include "archive/sync/SyncCommands.h"

#include "archive/sync/ServerSchema.h"
#include "archive/sync/SyncEngine.h"
#include "core/ProfileFile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

// A server named on the command line. A password there would show in every process list.
std::optional<ServerConfig> ParseConnection(const QString& text, QTextStream& err) {
    std::optional<ServerConfig> config = ServerConfig::FromConnectionText(text);
    if (!config) {
        err << QCoreApplication::translate("SyncCommands", "无法识别的连接参数 / unreadable connection: %1\n")
                   .arg(text);
    } else if (!config->password.isEmpty()) {
        err << QCoreApplication::translate(
            "SyncCommands", "连接参数中不能写密码（其他用户可在进程列表中看到）；请写入 ~/.pgpass（或 "
                            "PGPASSFILE 指定的文件），或不写密码、由本工具询问 / a password in CONNECTION "
                            "shows in the process list: put it in ~/.pgpass (or PGPASSFILE), or leave it out "
                            "and type it when asked\n");
        config.reset();
    }
    return config;
}

// The password for config when the server asks for one and none was found: asked once.
bool AskPassword(ServerConfig& config, ServerCommandIo& io) {
    if (!config.password.isEmpty() || !io.askPassword)
        return false;
    config.password =
        io.askPassword(QCoreApplication::translate("SyncCommands", "服务器 %1 用户 %2 的密码 / password: ")
                           .arg(config.label(), config.user));
    return !config.password.isEmpty();
}

// CREATE DATABASE takes no parameters: the name goes in as a quoted identifier.
QString QuotedIdentifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

int CreateDatabase(const ServerConfig& config, ServerCommandIo& io) {
    ServerConfig maintenance = config;
    maintenance.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("ohmara-create-") + QUuid::createUuid().toString(QUuid::Id128);
    Outcome created;
    if (Result<QSqlDatabase> db = OpenServer(maintenance, name); db.ok()) {
        QSqlQuery query(*db);
        if (!query.exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0")
                            .arg(QuotedIdentifier(config.database)))) {
            const QSqlError failure = query.lastError();
            const QString text = failure.databaseText().trimmed();
            if (failure.nativeErrorCode() == QLatin1String("42501"))
                created = Outcome::Failure(
                    FailureKind::Refused,
                    QCoreApplication::translate("SyncCommands", "用户 %1 无权建立数据库（CREATEDB）：%2")
                        .arg(config.user, text),
                    text);
            else
                created = Outcome::Failure(TransientServerState(failure.nativeErrorCode())
                                               ? FailureKind::Unreachable
                                               : FailureKind::Refused,
                                           text, text);
        }
        query.finish();
        db->close();
    } else {
        created = db;
    }
    QSqlDatabase::removeDatabase(name);
    if (created)
        io.out << QCoreApplication::translate("SyncCommands", "已建立数据库 / created database %1\n")
                      .arg(config.database);
    else
        io.err << created.reason() << '\n';
    return ExitCodeFor(created);
}

} // namespace

int RunSyncCommand(const QString& archivePath, const ProfileFile& settings, const QStringList& arguments,
                   ServerCommandIo& io) {
    ServerConfig config;
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--server")) {
        std::optional<ServerConfig> parsed = ParseConnection(arguments[1], io.err);
        if (!parsed)
            return kExitUsage;
        config = *parsed;
    } else if (arguments.isEmpty()) {
        config = ServerConfig::FromSettings(settings);
    } else {
        io.err << QCoreApplication::translate("SyncCommands", "用法 / usage: sync [--server CONNECTION]\n");
        return kExitUsage;
    }
    if (!config.isSet()) {
        io.err << QCoreApplication::translate(
                      "SyncCommands",
                      "没有设置同步服务器（设置文件 %1 的 [%2] 一节，或 --server）/ no server is "
                      "named: add a [%2] section to the settings file, or give --server\n")
                      .arg(settings.path(), kTeamServerSection);
        return kExitUsage;
    }
    if (!QFileInfo::exists(archivePath) && io.makeArchive && !io.makeArchive())
        return kExitArchive;
    while (true) {
        int lastPercent = -1;
        const SyncOutcome outcome = SyncEngine(archivePath, config).run([&](qint64 done, qint64 total) {
            const int percent = total > 0 ? int(done * 100 / total) : 100;
            if (percent / 10 != lastPercent / 10) {
                io.err << percent << "%\n";
                io.err.flush();
            }
            lastPercent = percent;
        });
        if (outcome.kind() == FailureKind::NeedsPassword && AskPassword(config, io))
            continue;
        if (!outcome) {
            io.err << outcome.reason() << '\n';
            return ExitCodeFor(outcome);
        }
        io.out << outcome->message << '\n';
        return outcome->readOnlyAccount ? kExitPartial : kExitOk;
    }
}

int RunServerSchemaCommand(bool init, const QStringList& arguments, ServerCommandIo& io) {
    if (arguments.size() != 1) {
        io.err << QCoreApplication::translate("SyncCommands", "用法 / usage: %1 CONNECTION\n")
                      .arg(init ? QStringLiteral("init-server") : QStringLiteral("upgrade-server"));
        return kExitUsage;
    }
    std::optional<ServerConfig> config = ParseConnection(arguments[0], io.err);
    if (!config)
        return kExitUsage;
    const QString name = QStringLiteral("ohmara-schema-") + QUuid::createUuid().toString(QUuid::Id128);
    int exitCode = kExitOk;
    {
        Result<QSqlDatabase> db = OpenServer(*config, name);
        while (!db) {
            if (db.kind() == FailureKind::NeedsPassword && AskPassword(*config, io)) {
                db = OpenServer(*config, name);
                continue;
            }
            // No such database (the server answered, but not for it): init-server makes it.
            if (db.kind() == FailureKind::Incompatible && init) {
                if (const int created = CreateDatabase(*config, io); created != kExitOk)
                    return created;
                if ((db = OpenServer(*config, name)))
                    break;
            }
            io.err << db.reason() << '\n';
            return ExitCodeFor(db);
        }
        const int before = ReadServerSchema(*db).version;
        if (!init && before == 0) {
            io.err << QCoreApplication::translate(
                "SyncCommands", "服务器尚未建立记录库，请先运行 init-server / the server is not set up: run "
                                "init-server first\n");
            exitCode = kExitServer;
        } else if (const Result<int> from = UpgradeServerSchema(*db); !from) {
            io.err << from.reason() << '\n';
            exitCode = ExitCodeFor(from);
        } else if (*from == kServerSchemaVersion) {
            io.out << QCoreApplication::translate(
                          "SyncCommands", "服务器记录库已是版本 %1，未作改动 / already at version %1\n")
                          .arg(*from);
        } else {
            io.out << QCoreApplication::translate(
                          "SyncCommands",
                          "服务器记录库版本 %1 → %2 / server schema upgraded from version %1 to %2\n")
                          .arg(*from)
                          .arg(kServerSchemaVersion);
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    return exitCode;
}
