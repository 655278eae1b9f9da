#include "core/TestRecord.h"

#include "core/RecordColumns.h"
#include "core/UDataCenter.h"

#include <QCryptographicHash>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMicroOhmExponent = 6;

double PowerOfTen(int exponent) {
    return std::pow(10.0, exponent);
}

} // namespace

double ScaledReading::value() const {
    return double(mantissa) / PowerOfTen(exponent);
}

double ScaledReading::microOhms() const {
    return double(mantissa) / PowerOfTen(exponent - kMicroOhmExponent);
}

TestRecord TestRecord::FromTexts(const Texts& texts) {
    TestRecord record;
    record.texts = texts;
    for (const RecordColumnInfo& column : RecordColumns())
        column.readBack(record, texts[size_t(column.column)]);
    return record;
}

TestRecord TestRecord::FromLiveTest(int row, const LiveTest& test) {
    TestRecord record = FromTexts({RowNumberText(row), FormatTestTime(test.when), test.device, test.tester,
                                   test.location, CurrentStepText(unsigned(test.stepCode)),
                                   LoadTimeText(test.loadSeconds), test.resistanceText});
    if (test.resistance && TrimText(test.resistanceText) == TrimText(test.resistanceShown))
        record.resistance = test.resistance;
    record.rawReply = test.pollReply;
    return record;
}

QString TestRecord::timeKey() const {
    if (!testTime)
        return {};
    const QDate date = testTime->date();
    const QTime time = testTime->time();
    if (date.year() < 0 || date.year() > 9999)
        return testTime->toString(QStringLiteral("yyyy-MM-ddThh:mm"));
    // Every record read or stored passes here: digits by hand, not through the locale's formats.
    char text[17];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d", date.year(), date.month(), date.day(),
                  time.hour(), time.minute());
    return QString::fromLatin1(text, 16);
}

QByteArray TestRecord::identity() const {
    // Each part falls back to its text when its value is unknown, marked so the two never meet.
    QString key = QStringLiteral("v1");
    key += QLatin1Char('\x1f');
    key += testTime ? timeKey() : QStringLiteral("t:") + TrimText(texts[1]);
    key += QLatin1Char('\x1f') + device + QLatin1Char('\x1f');
    key += stepAmperes ? QString::number(*stepAmperes) : QStringLiteral("t:") + TrimText(texts[5]);
    key += QLatin1Char('\x1f');
    key += loadSeconds ? QString::number(*loadSeconds) : QStringLiteral("t:") + TrimText(texts[6]);
    key += QLatin1Char('\x1f');
    // Tenths of a micro-ohm: the finest step any resistance text shows.
    key += microOhms ? QString::number(std::llround(*microOhms * 10.0))
                     : QStringLiteral("t:") + TrimText(texts[7]);
    return QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex();
}
