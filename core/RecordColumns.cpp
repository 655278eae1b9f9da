#include "core/RecordColumns.h"

#include "core/RecordValues.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>

namespace {

constexpr int kMicroOhmExponent = 6;
constexpr int kMaxStepCode = 22;

std::optional<int> LeadingNumberBefore(const QString& text, const QString& unit) {
    const QString trimmed = TrimText(text);
    if (!trimmed.endsWith(unit))
        return std::nullopt;
    bool ok = false;
    const int value = trimmed.chopped(unit.size()).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// "1234.5 uΩ" → 12345 / 10^7; "1.5 Ω" → 15 / 10^1.
std::optional<ScaledReading> ScaledResistance(const ResistanceText& parts) {
    const QString digits = parts.whole + parts.fraction;
    if (digits.size() > 17)
        return std::nullopt;
    bool ok = false;
    int64_t mantissa = digits.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    if (parts.negative)
        mantissa = -mantissa;
    int exponent = int(parts.fraction.size());
    if (!parts.ohms)
        exponent += kMicroOhmExponent;
    return ScaledReading{mantissa, exponent};
}

void ReadNothing(TestRecord&, const QString&) {}

void ReadTime(TestRecord& record, const QString& text) {
    record.testTime = RecordTime(text);
}
void ReadDevice(TestRecord& record, const QString& text) {
    record.device = TrimText(text);
}
void ReadTester(TestRecord& record, const QString& text) {
    record.tester = TrimText(text);
}
void ReadLocation(TestRecord& record, const QString& text) {
    record.location = TrimText(text);
}

void ReadStep(TestRecord& record, const QString& text) {
    const std::optional<int> amperes = LeadingNumberBefore(text, QStringLiteral(" A"));
    if (!amperes)
        return;
    for (int code = 1; code <= kMaxStepCode; ++code)
        if (CurrentStepAmperes(unsigned(code)) == *amperes) {
            // Only the form the program writes ("100 A"), not "+100 A" or "0100 A".
            if (CurrentStepText(unsigned(code)) == TrimText(text)) {
                record.stepCode = code;
                record.stepAmperes = *amperes;
            }
            return;
        }
}

void ReadLoadTime(TestRecord& record, const QString& text) {
    record.loadSeconds = LeadingNumberBefore(text, QStringLiteral(" 秒"));
}

void ReadResistance(TestRecord& record, const QString& text) {
    if (const std::optional<ResistanceText> parts = SplitResistanceText(text)) {
        record.resistance = ScaledResistance(*parts);
        record.microOhms = ResistanceMicroOhms(text);
    }
}

constexpr int kGridColumnWidth = 95;

// The header is also the data-file key; both are file formats and never translated. The caption
// is the header's translation.
RecordColumnInfo Column(RecordColumn column, const char* header, int gridWidth, int reportUnits,
                        void (*readBack)(TestRecord&, const QString&)) {
    const QString text = QString::fromUtf8(header);
    return {column, text, text, gridWidth, reportUnits, readBack};
}

} // namespace

const std::array<RecordColumnInfo, TestRecord::ColumnCount>& RecordColumns() {
    static const std::array<RecordColumnInfo, TestRecord::ColumnCount> columns{{
        Column(RecordColumn::Number, QT_TRANSLATE_NOOP("RecordColumns", "序号"), 50, 1, ReadNothing),
        Column(RecordColumn::Time, QT_TRANSLATE_NOOP("RecordColumns", "时间"), 120, 2, ReadTime),
        Column(RecordColumn::Device, QT_TRANSLATE_NOOP("RecordColumns", "设备编号"), kGridColumnWidth, 2,
               ReadDevice),
        Column(RecordColumn::Tester, QT_TRANSLATE_NOOP("RecordColumns", "测试人员"), kGridColumnWidth, 2,
               ReadTester),
        Column(RecordColumn::Location, QT_TRANSLATE_NOOP("RecordColumns", "测试地点"), kGridColumnWidth, 2,
               ReadLocation),
        Column(RecordColumn::Step, QT_TRANSLATE_NOOP("RecordColumns", "测试档位"), kGridColumnWidth, 2,
               ReadStep),
        Column(RecordColumn::LoadTime, QT_TRANSLATE_NOOP("RecordColumns", "载流时间"), kGridColumnWidth, 2,
               ReadLoadTime),
        Column(RecordColumn::Resistance, QT_TRANSLATE_NOOP("RecordColumns", "测试电阻"), kGridColumnWidth, 2,
               ReadResistance),
    }};
    return columns;
}

const RecordColumnInfo& RecordColumnOf(RecordColumn column) {
    return RecordColumns()[size_t(column)];
}

QString RecordColumnCaption(const QString& header) {
    return QCoreApplication::translate("RecordColumns", header.toUtf8().constData());
}

QString RecordColumnInfo::caption() const {
    return RecordColumnCaption(header);
}
