#include "core/RecordValues.h"

#include "core/UDataCenter.h"

#include <QRegularExpression>

namespace {

constexpr double kMicroOhmsPerOhm = 1e6;
constexpr int kFirstYearOfCentury = 2000;

} // namespace

std::optional<double> ResistanceMicroOhms(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([+-]?[0-9]+(?:\\.[0-9]+)?) (uΩ|Ω)$"));
    const QRegularExpressionMatch match = pattern.match(TrimText(text));
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(1).toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return match.captured(2) == QStringLiteral("Ω") ? value * kMicroOhmsPerOhm : value;
}

std::optional<QDateTime> RecordTime(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral("^([0-9]{2})-([0-9]{2})-([0-9]{2}) ([0-9]{2}):([0-9]{2})$"));
    const QRegularExpressionMatch match = pattern.match(TrimText(text));
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(kFirstYearOfCentury + match.captured(1).toInt(), match.captured(2).toInt(),
                     match.captured(3).toInt());
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt());
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString MicroOhmText(double microOhms) {
    QString text = QString::number(microOhms, 'f', 3);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}
