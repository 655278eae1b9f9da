#include "archive/SyncLog.h"

#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"

#include <QCoreApplication>
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
    return kind;
}

// The log names laptops by their identity and fields by their column ("limit_uohm=120").
QString Readable(QString text, const QString& laptopId, const QString& laptop) {
    if (!laptopId.isEmpty())
        text.replace(laptopId, laptop);
    static const QRegularExpression field(QStringLiteral("([（，])([a-z_]+)="));
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
    const QString laptop = QCoreApplication::translate("SyncLog", "本机 %1").arg(LaptopName());
    QSqlQuery query(archive.database());
    query.setForwardOnly(true);
    query.prepare(
        QStringLiteral("SELECT at, kind, subject, message FROM sync_log ORDER BY rowid DESC LIMIT ?"));
    query.addBindValue(limit);
    if (!query.exec())
        return entries;
    while (query.next()) {
        entries.push_back(SyncLogEntry{query.value(0).toString(), KindText(query.value(1).toString()),
                                       Readable(query.value(2).toString(), archive.laptopId(), laptop),
                                       Readable(query.value(3).toString(), archive.laptopId(), laptop)});
    }
    return entries;
}
