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

// A step the server refused: worth trying again later only when the network, a timeout or the
// server's load stopped it.
bool Transient(const QString& sqlState) {
    const QStringView c = QStringView(sqlState).left(2);
    return sqlState.isEmpty() || c == u"08" || c == u"40" || c == u"53" || c == u"57" || c == u"58" ||
           sqlState == QLatin1String("55P03");
}

// CREATE DATABASE takes no parameters: the name goes in as a quoted identifier.
QString QuotedIdentifier(QString name) {
    return QLatin1Char('"') + name.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

int CreateDatabase(const ServerConfig& config, ServerCommandIo& io) {
    ServerConfig maintenance = config;
    maintenance.database = QStringLiteral("postgres");
    const QString name = QStringLiteral("ohmara-create-") + QUuid::createUuid().toString(QUuid::Id128);
    int exitCode = SyncExit::kOk;
    QString error;
    if (std::optional<QSqlDatabase> db = OpenServer(maintenance, name, &error)) {
        QSqlQuery query(*db);
        if (!query.exec(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0")
                            .arg(QuotedIdentifier(config.database)))) {
            const QSqlError failure = query.lastError();
            error = failure.databaseText().trimmed();
            if (failure.nativeErrorCode() == QLatin1String("42501")) {
                error =
                    QCoreApplication::translate(
                        "SyncCommands", "用户 %1 无权建立数据库（CREATEDB）/ may not create databases: %2")
                        .arg(config.user, error);
                exitCode = SyncExit::kRefused;
            } else {
                exitCode = Transient(failure.nativeErrorCode()) ? SyncExit::kNetwork : SyncExit::kRefused;
            }
        }
        query.finish();
        db->close();
    } else {
        exitCode = ConnectExit(ProbeServer(maintenance).failure);
    }
    QSqlDatabase::removeDatabase(name);
    if (exitCode == SyncExit::kOk)
        io.out << QCoreApplication::translate("SyncCommands", "已建立数据库 / created database %1\n")
                      .arg(config.database);
    else
        io.err << error << '\n';
    return exitCode;
}

int ExitFor(const SyncOutcome& outcome) {
    switch (outcome.status) {
    case SyncStatus::Done:
        return outcome.readOnlyAccount ? SyncExit::kPartial : SyncExit::kOk;
    case SyncStatus::ArchiveError:
        return SyncExit::kArchive;
    case SyncStatus::Incompatible:
        return SyncExit::kServerSchema;
    case SyncStatus::ConnectFailed:
        return SyncExit::kRefused; // reached, but not let in (a failed connection is told before)
    case SyncStatus::Failed:
        return Transient(outcome.sqlState) ? SyncExit::kNetwork : SyncExit::kRefused;
    case SyncStatus::Cancelled:
        break;
    }
    return SyncExit::kNetwork;
}

} // namespace

int ConnectExit(ConnectFailure failure) {
    switch (failure) {
    case ConnectFailure::None:
        return SyncExit::kOk;
    case ConnectFailure::Unreachable:
        return SyncExit::kNetwork;
    case ConnectFailure::NoDatabase:
        return SyncExit::kServerSchema;
    case ConnectFailure::NeedsPassword:
    case ConnectFailure::LoginRefused:
    case ConnectFailure::NoRight:
        break;
    }
    return SyncExit::kRefused;
}

QString ConnectFailureText(ConnectFailure failure) {
    switch (failure) {
    case ConnectFailure::None:
    case ConnectFailure::Unreachable:
        return {};
    case ConnectFailure::NeedsPassword:
        return QCoreApplication::translate(
            "SyncCommands", "服务器要求密码，但 ~/.pgpass（或 PGPASSFILE 指定的文件）中没有这个用户的密码。");
    case ConnectFailure::LoginRefused:
        return QCoreApplication::translate("SyncCommands",
                                           "服务器拒绝了登录（密码、用户名或 pg_hba.conf 的规则）。");
    case ConnectFailure::NoDatabase:
        return QCoreApplication::translate(
            "SyncCommands",
            "服务器上没有这个数据库：请检查数据库名，或由管理员运行 ohmara-archive init-server。");
    case ConnectFailure::NoRight:
        return QCoreApplication::translate("SyncCommands", "这个用户无权连接这个数据库。");
    }
    return {};
}

int RunSyncCommand(const QString& archivePath, const ProfileFile& settings, const QStringList& arguments,
                   ServerCommandIo& io) {
    ServerConfig config;
    if (arguments.size() == 2 && arguments[0] == QLatin1String("--server")) {
        std::optional<ServerConfig> parsed = ParseConnection(arguments[1], io.err);
        if (!parsed)
            return SyncExit::kUsage;
        config = *parsed;
    } else if (arguments.isEmpty()) {
        config = ServerConfig::FromSettings(settings);
    } else {
        io.err << QCoreApplication::translate("SyncCommands", "用法 / usage: sync [--server CONNECTION]\n");
        return SyncExit::kUsage;
    }
    if (!config.isSet()) {
        io.err << QCoreApplication::translate(
                      "SyncCommands",
                      "没有设置同步服务器（设置文件 %1 的 [%2] 一节，或 --server）/ no server is "
                      "named: add a [%2] section to the settings file, or give --server\n")
                      .arg(settings.path(), kTeamServerSection);
        return SyncExit::kUsage;
    }
    if (!QFileInfo::exists(archivePath) && io.makeArchive && !io.makeArchive())
        return SyncExit::kArchive;
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
        if (outcome.status == SyncStatus::ConnectFailed) {
            const ConnectFailure failure = ProbeServer(config).failure;
            if (failure == ConnectFailure::NeedsPassword && AskPassword(config, io))
                continue;
            io.err << outcome.message << '\n';
            if (const QString why = ConnectFailureText(failure); !why.isEmpty())
                io.err << why << '\n';
            return failure == ConnectFailure::None ? SyncExit::kRefused : ConnectExit(failure);
        }
        (outcome.status == SyncStatus::Done ? io.out : io.err) << outcome.message << '\n';
        return ExitFor(outcome);
    }
}

int RunServerSchemaCommand(bool init, const QStringList& arguments, ServerCommandIo& io) {
    if (arguments.size() != 1) {
        io.err << QCoreApplication::translate("SyncCommands", "用法 / usage: %1 CONNECTION\n")
                      .arg(init ? QStringLiteral("init-server") : QStringLiteral("upgrade-server"));
        return SyncExit::kUsage;
    }
    std::optional<ServerConfig> config = ParseConnection(arguments[0], io.err);
    if (!config)
        return SyncExit::kUsage;
    const QString name = QStringLiteral("ohmara-schema-") + QUuid::createUuid().toString(QUuid::Id128);
    int exitCode = SyncExit::kOk;
    {
        QString error;
        std::optional<QSqlDatabase> db;
        while (!(db = OpenServer(*config, name, &error))) {
            ConnectFailure failure = ProbeServer(*config).failure;
            if (failure == ConnectFailure::NeedsPassword && AskPassword(*config, io))
                continue;
            if (failure == ConnectFailure::NoDatabase && init) {
                if (const int created = CreateDatabase(*config, io); created != SyncExit::kOk)
                    return created;
                if ((db = OpenServer(*config, name, &error)))
                    break;
                failure = ProbeServer(*config).failure;
            }
            io.err << error << '\n';
            if (const QString why = ConnectFailureText(failure); !why.isEmpty())
                io.err << why << '\n';
            return failure == ConnectFailure::None ? SyncExit::kRefused : ConnectExit(failure);
        }
        const int before = ReadServerSchema(*db).version;
        if (!init && before == 0) {
            io.err << QCoreApplication::translate(
                "SyncCommands", "服务器尚未建立记录库，请先运行 init-server / the server is not set up: run "
                                "init-server first\n");
            exitCode = SyncExit::kServerSchema;
        } else if (const int from = UpgradeServerSchema(*db, &error); from < 0) {
            io.err << error << '\n';
            exitCode = before > kServerSchemaVersion ? SyncExit::kServerSchema
                       : db->isOpen()                ? SyncExit::kRefused
                                                     : SyncExit::kNetwork;
        } else if (from == kServerSchemaVersion) {
            io.out << QCoreApplication::translate(
                          "SyncCommands", "服务器记录库已是版本 %1，未作改动 / already at version %1\n")
                          .arg(from);
        } else {
            io.out << QCoreApplication::translate(
                          "SyncCommands",
                          "服务器记录库版本 %1 → %2 / server schema upgraded from version %1 to %2\n")
                          .arg(from)
                          .arg(kServerSchemaVersion);
        }
        db->close();
    }
    QSqlDatabase::removeDatabase(name);
    return exitCode;
}
