#include "core/RecordValues.h"

#include "core/UDataCenter.h"

#include <algorithm>
#include <iterator>

namespace {

constexpr double kMicroOhmsPerOhm = 1e6;
constexpr int kFirstYearOfCentury = 2000;

} // namespace

std::optional<ResistanceText> SplitResistanceText(const QString& text) {
    static const QString microUnit = QStringLiteral(" uΩ");
    static const QString ohmUnit = QStringLiteral(" Ω");
    const QString trimmed = TrimText(text);
    ResistanceText parts;
    QStringView number(trimmed);
    if (number.endsWith(microUnit)) {
        number.chop(microUnit.size());
    } else if (number.endsWith(ohmUnit)) {
        number.chop(ohmUnit.size());
        parts.ohms = true;
    } else {
        return std::nullopt;
    }
    if (!number.isEmpty() && (number.front() == u'+' || number.front() == u'-')) {
        parts.negative = number.front() == u'-';
        number = number.mid(1);
    }
    const qsizetype point = number.indexOf(u'.');
    parts.whole = number.left(point < 0 ? number.size() : point).toString();
    if (point >= 0)
        parts.fraction = number.mid(point + 1).toString();
    const auto digitsOnly = [](const QString& digits) {
        return std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (parts.whole.isEmpty() || !digitsOnly(parts.whole) || (point >= 0 && parts.fraction.isEmpty()) ||
        !digitsOnly(parts.fraction))
        return std::nullopt;
    return parts;
}

std::optional<double> ResistanceMicroOhms(const QString& text) {
    const std::optional<ResistanceText> parts = SplitResistanceText(text);
    if (!parts)
        return std::nullopt;
    QString number = parts->whole;
    if (!parts->fraction.isEmpty())
        number += u'.' + parts->fraction;
    bool ok = false;
    double value = number.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    if (parts->negative)
        value = -value;
    return parts->ohms ? value * kMicroOhmsPerOhm : value;
}

std::optional<QDateTime> RecordTime(const QString& text) {
    // "YY-MM-DD hh:mm": digits in pairs, the separators fixed.
    const QString trimmed = TrimText(text);
    static constexpr char16_t kForm[] = u"00-00-00 00:00";
    constexpr qsizetype kLength = std::size(kForm) - 1;
    if (trimmed.size() != kLength)
        return std::nullopt;
    for (qsizetype i = 0; i < kLength; ++i) {
        const QChar c = trimmed.at(i);
        if (kForm[i] == u'0' ? !(c >= u'0' && c <= u'9') : c != kForm[i])
            return std::nullopt;
    }
    const auto pair = [&](qsizetype at) {
        return (trimmed.at(at).unicode() - u'0') * 10 + trimmed.at(at + 1).unicode() - u'0';
    };
    const QDate date(kFirstYearOfCentury + pair(0), pair(3), pair(6));
    const QTime time(pair(9), pair(12));
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
