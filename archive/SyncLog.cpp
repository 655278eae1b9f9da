#include "archive/SyncLog.h"

#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QSysInfo>
#include <QVariant>
#include <pwd.h>
#include <unistd.h>

namespace {

QString KindText(const QString& kind) {
    if (kind == QLatin1String("overwritten"))
        return QCoreApplication::translate("SyncLog", "被覆盖");
    if (kind == QLatin1String("error"))
        return QCoreApplication::translate("SyncLog", "出错");
    if (kind == QLatin1String("done"))
        return QCoreApplication::translate("SyncLog", "完成");
    if (kind == QLatin1String("refused"))
        return QCoreApplication::translate("SyncLog", "被拒收");
    return kind;
}

// The log names laptops by their identity and fields by their column ("limit_uohm=120"), listed in
// brackets, in Chinese or English as the log was written.
QString Readable(QString text, const QHash<QString, QString>& laptops) {
    for (auto it = laptops.cbegin(); it != laptops.cend(); ++it)
        text.replace(it.key(), it.value());
    static const QRegularExpression field(QStringLiteral("([（，(]|, )([a-z_]+)="));
    QString result;
    qsizetype from = 0;
    for (QRegularExpressionMatchIterator it = field.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += QStringView(text).mid(from, match.capturedStart() - from);
        result += match.captured(1) + AssetFieldCaption(match.captured(2)) + QLatin1Char('=');
        from = match.capturedEnd();
    }
    return result + text.mid(from);
}

} // namespace

QString LaptopName() {
    const passwd* user = ::getpwuid(::geteuid());
    const QString name = user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER");
    return name + QLatin1Char('@') + QSysInfo::machineHostName();
}

std::vector<SyncLogEntry> ReadSyncLog(const RecordArchive& archive, int limit) {
    std::vector<SyncLogEntry> entries;
    // The other laptops by the names the team server told (host / user), this one as itself.
    QHash<QString, QString> laptops;
    QSqlQuery names = archive.statement(ArchiveSql::LaptopNames);
    if (names.exec())
        while (names.next())
            laptops.insert(
                names.value(0).toString(),
                QStringLiteral("%1 / %2").arg(names.value(1).toString(), names.value(2).toString()));
    if (!archive.laptopId().isEmpty())
        laptops.insert(archive.laptopId(),
                       QCoreApplication::translate("SyncLog", "本机 %1").arg(LaptopName()));
    QSqlQuery query = archive.statement(ArchiveSql::SyncLogNewestFirst);
    query.addBindValue(limit);
    if (!query.exec())
        return entries;
    while (query.next()) {
        entries.push_back(SyncLogEntry{query.value(0).toString(), KindText(query.value(1).toString()),
                                       Readable(query.value(2).toString(), laptops),
                                       Readable(query.value(3).toString(), laptops)});
    }
    return entries;
}
