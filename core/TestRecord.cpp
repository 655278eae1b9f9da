#include "core/TestRecord.h"

#include "core/RecordValues.h"
#include "core/UDataCenter.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <cmath>

namespace {

constexpr int kMicroOhmExponent = 6;

double PowerOfTen(int exponent) { return std::pow(10.0, exponent); }

// "1234.5 uΩ" → 12345 / 10^7; "1.5 Ω" → 15 / 10^1.
std::optional<ScaledReading> ScaledResistance(const QString& text) {
    static const QRegularExpression pattern(QStringLiteral("^([+-]?)([0-9]+)(?:\\.([0-9]+))? (uΩ|Ω)$"));
    const QRegularExpressionMatch match = pattern.match(TrimText(text));
    if (!match.hasMatch())
        return std::nullopt;
    const QString digits = match.captured(2) + match.captured(3);
    if (digits.size() > 17)
        return std::nullopt;
    bool ok = false;
    int64_t mantissa = digits.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    if (match.captured(1) == QStringLiteral("-"))
        mantissa = -mantissa;
    int exponent = int(match.captured(3).size());
    if (match.captured(4) != QStringLiteral("Ω"))
        exponent += kMicroOhmExponent;
    return ScaledReading{mantissa, exponent};
}

std::optional<int> LeadingNumberBefore(const QString& text, const QString& unit) {
    const QString trimmed = TrimText(text);
    if (!trimmed.endsWith(unit))
        return std::nullopt;
    bool ok = false;
    const int value = trimmed.chopped(unit.size()).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

double ScaledReading::value() const { return double(mantissa) / PowerOfTen(exponent); }

double ScaledReading::microOhms() const { return double(mantissa) / PowerOfTen(exponent - kMicroOhmExponent); }

TestRecord TestRecord::FromTexts(const Texts& texts) {
    TestRecord record;
    record.texts = texts;
    record.testTime = RecordTime(texts[1]);
    record.device = TrimText(texts[2]);
    record.tester = TrimText(texts[3]);
    record.location = TrimText(texts[4]);
    if (const std::optional<int> amperes = LeadingNumberBefore(texts[5], QStringLiteral(" A"))) {
        for (int code = 1; code <= 22; ++code)
            if (CurrentStepText(unsigned(code)) == TrimText(texts[5])) {
                record.stepCode = code;
                record.stepAmperes = *amperes;
                break;
            }
    }
    record.loadSeconds = LeadingNumberBefore(texts[6], QStringLiteral(" 秒"));
    record.resistance = ScaledResistance(texts[7]);
    record.microOhms = ResistanceMicroOhms(texts[7]);
    return record;
}

QByteArray TestRecord::identity() const {
    // Each part falls back to its text when its value is unknown, marked so the two never meet.
    QString key = QStringLiteral("v1");
    key += QLatin1Char('\x1f');
    key += testTime ? testTime->toString(QStringLiteral("yyyy-MM-ddThh:mm")) : QStringLiteral("t:") + TrimText(texts[1]);
    key += QLatin1Char('\x1f') + device + QLatin1Char('\x1f');
    key += stepAmperes ? QString::number(*stepAmperes) : QStringLiteral("t:") + TrimText(texts[5]);
    key += QLatin1Char('\x1f');
    key += loadSeconds ? QString::number(*loadSeconds) : QStringLiteral("t:") + TrimText(texts[6]);
    key += QLatin1Char('\x1f');
    // Tenths of a micro-ohm: the finest step any resistance text shows.
    key += microOhms ? QString::number(std::llround(*microOhms * 10.0)) : QStringLiteral("t:") + TrimText(texts[7]);
    return QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
}
