#include "archive/sync/SyncMessages.h"

#include "archive/sync/ServerSchema.h"

#include <QCoreApplication>

namespace SyncMessages {

QString NoServerNamed(const QString& section) {
    return QCoreApplication::translate("SyncMessages", "没有设置同步服务器（设置文件的 [%1] 一节）。")
        .arg(section);
}

QString LocalArchiveMissing(const QString& path) {
    return QCoreApplication::translate("SyncMessages", "本机记录库 %1 不存在。").arg(path);
}

QString LocalArchiveUnopened(const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "本机记录库无法打开：%1").arg(detail);
}

QString LocalArchiveUnwritable(const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "无法写入本机记录库：%1").arg(detail);
}

QString DriverMissing() {
    return QCoreApplication::translate("SyncMessages", "缺少 PostgreSQL 数据库驱动（libqt6sql6-psql）。");
}

QString CannotConnect(const QString& server, const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "无法连接服务器 %1：%2").arg(server, detail);
}

QString ConnectionLost(const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "与服务器的连接中断：%1").arg(detail);
}

QString ServerLocked(qint64 seconds, const QString& detail) {
    return QCoreApplication::translate("SyncMessages",
                                       "服务器上有未完成的事务（或表被锁定），同步等待 %1 秒后放弃（%2）。"
                                       "已完成的部分已保存，请稍后再同步。")
        .arg(seconds)
        .arg(detail);
}

QString StatementTimedOut(const QString& detail) {
    return QCoreApplication::translate(
               "SyncMessages", "服务器上的语句超时，同步已放弃（%1）。已完成的部分已保存，请稍后再同步。")
        .arg(detail);
}

QString ServerRefused(const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "服务器拒绝了同步：%1").arg(detail);
}

QString NoReadRight(const QString& user) {
    return QCoreApplication::translate("SyncMessages", "用户 %1 没有读取服务器记录的权限。").arg(user);
}

QString Cancelled() {
    return QCoreApplication::translate("SyncMessages", "同步已取消；已完成的部分已保存，下次同步继续。");
}

QString SchemaUnreadable(const QString& detail) {
    return QCoreApplication::translate("SyncMessages", "无法读取服务器的数据库版本：%1").arg(detail);
}

QString SchemaNotSetUp() {
    return QCoreApplication::translate("SyncMessages",
                                       "服务器尚未建立记录库，请先运行 ohmara-archive init-server。");
}

QString SchemaOlder(int version) {
    return QCoreApplication::translate(
               "SyncMessages",
               "服务器的数据库版本（%1）比本程序旧，请管理员运行 ohmara-archive upgrade-server。")
        .arg(version);
}

QString SchemaNewer(int version) {
    return QCoreApplication::translate("SyncMessages",
                                       "服务器的数据库版本（%1）比本程序（%2）新，请升级本程序。")
        .arg(version)
        .arg(kServerSchemaVersion);
}

QString SchemaNewerLeftAlone(int version) {
    return QCoreApplication::translate("SyncMessages", "服务器的数据库版本（%1）比本程序（%2）新，未作改动。")
        .arg(version)
        .arg(kServerSchemaVersion);
}

} // namespace SyncMessages

QString ConnectFailureText(ConnectFailure failure) {
    switch (failure) {
    case ConnectFailure::None:
    case ConnectFailure::Unreachable:
        return {};
    case ConnectFailure::NeedsPassword:
        return QCoreApplication::translate(
            "SyncMessages", "服务器要求密码，但 ~/.pgpass（或 PGPASSFILE 指定的文件）中没有这个用户的密码。");
    case ConnectFailure::LoginRefused:
        return QCoreApplication::translate("SyncMessages",
                                           "服务器拒绝了登录（密码、用户名或 pg_hba.conf 的规则）。");
    case ConnectFailure::NoDatabase:
        return QCoreApplication::translate(
            "SyncMessages",
            "服务器上没有这个数据库：请检查数据库名，或由管理员运行 ohmara-archive init-server。");
    case ConnectFailure::NoRight:
        return QCoreApplication::translate("SyncMessages", "这个用户无权连接这个数据库。");
    }
    return {};
}
