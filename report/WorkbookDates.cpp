#include "report/WorkbookDates.h"

#include <QDate>
#include <cmath>

namespace {

constexpr qint64 kSecondsPerDay = 86400;
constexpr double kLastSerial = 2958466.0;    // 10000-01-01 in the 1900 system
constexpr int kFirstSerialAfterLeapBug = 61; // the 1900 system counts a 29 February 1900
constexpr int kDays1904 = 1462;              // days between the two systems' day zero

bool IsBuiltInDate(int id) {
    return (id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 31) || (id >= 34 && id <= 36) ||
           (id >= 50 && id <= 58);
}

bool IsBuiltInTime(int id) {
    return (id >= 18 && id <= 21) || (id >= 32 && id <= 33) || (id >= 45 && id <= 47);
}

} // namespace

DateStyle DateStyleOfFormat(int formatId, const QString& formatCode) {
    if (IsBuiltInDate(formatId))
        return DateStyle::Date;
    if (IsBuiltInTime(formatId))
        return DateStyle::Time;
    if (formatId < 164)
        return DateStyle::None;
    bool date = false, month = false, time = false;
    for (qsizetype i = 0; i < formatCode.size(); ++i) {
        const QChar c = formatCode.at(i).toLower();
        if (c == QLatin1Char(';'))
            break; // the first section decides
        if (c == QLatin1Char('"')) {
            const qsizetype close = formatCode.indexOf(QLatin1Char('"'), i + 1);
            i = close < 0 ? formatCode.size() : close;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = formatCode.indexOf(QLatin1Char(']'), i + 1);
            const QString inside = formatCode.mid(i + 1, close < 0 ? -1 : close - i - 1).toLower();
            // Elapsed time ([h], [mm], [ss]) is a time; colours, conditions and locales are not.
            if (!inside.isEmpty() && inside.count(inside.at(0)) == inside.size() &&
                QStringLiteral("hms").contains(inside.at(0)))
                time = true;
            i = close < 0 ? formatCode.size() : close;
        } else if (c == QLatin1Char('y') || c == QLatin1Char('d')) {
            date = true;
        } else if (c == QLatin1Char('m')) {
            month = true;
        } else if (c == QLatin1Char('h') || c == QLatin1Char('s')) {
            time = true;
        }
    }
    if (date || (month && !time))
        return DateStyle::Date;
    return time ? DateStyle::Time : DateStyle::None;
}

QString SerialDateText(double serial, DateStyle style, bool date1904) {
    if (style == DateStyle::None || !std::isfinite(serial) || serial < 0)
        return {};
    const double days1900 = date1904 ? serial + kDays1904 : serial;
    if (days1900 >= kLastSerial)
        return {};
    qint64 seconds = std::llround(days1900 * kSecondsPerDay);
    qint64 day = seconds / kSecondsPerDay;
    seconds %= kSecondsPerDay;
    const QTime time = QTime(0, 0).addSecs(int(seconds));
    const QString timeText = QStringLiteral("%1:%2:%3")
                                 .arg(time.hour())
                                 .arg(time.minute(), 2, 10, QLatin1Char('0'))
                                 .arg(time.second(), 2, 10, QLatin1Char('0'));
    if (style == DateStyle::Time && days1900 < 1.0 && day == 0)
        return timeText;
    // Day 1 is 1900-01-01; from day 61 on the count includes the 29 February 1900 that never was.
    if (!date1904 && day < kFirstSerialAfterLeapBug && day > 0)
        ++day;
    const QDate date = QDate(1899, 12, 30).addDays(day);
    const QString dateText = QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
    return seconds == 0 ? dateText : dateText + QLatin1Char(' ') + timeText;
}
