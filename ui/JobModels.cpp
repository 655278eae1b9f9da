#include "ui/JobModels.h"

#include "core/RecordColumns.h"

#include <algorithm>

namespace {

QString Day(const QDate& day) {
    return day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace

JobListModel* MakeJobListModel(QObject* parent) {
    return new JobListModel(
        {QStringLiteral("任务编号"), QStringLiteral("版本"), QStringLiteral("站名"),
         QStringLiteral("试验性质"), QStringLiteral("开始日期"), QStringLiteral("结束日期"),
         QStringLiteral("状态")},
        [](const TestJob& job, int column) -> QString {
            switch (column) {
            case 0:
                return job.number;
            case 1:
                return QStringLiteral("第 %1 版").arg(job.revision);
            case 2:
                return job.station;
            case 3:
                return job.kind;
            case 4:
                return Day(job.firstDay);
            case 5:
                return Day(job.lastDay);
            default:
                return JobStateText(job.state);
            }
        },
        parent);
}

JobRowsModel* MakeJobRowsModel(QObject* parent) {
    return new JobRowsModel(
        {RecordColumnOf(RecordColumn::Device).header, QStringLiteral("站名"), QStringLiteral("间隔"),
         QStringLiteral("相别"), QStringLiteral("测试时间"), QStringLiteral("电流"), QStringLiteral("电阻"),
         QStringLiteral("结论"), QStringLiteral("原因")},
        [](const JobRow& row, int column) -> QString {
            switch (column) {
            case 0:
                return row.device;
            case 1:
                return row.station;
            case 2:
                return row.bay;
            case 3:
                return row.phase;
            case 4:
                return QString(row.testTime).replace(QLatin1Char('T'), QLatin1Char(' '));
            case 5:
                return row.stepAmperes ? QStringLiteral("%1 A").arg(*row.stepAmperes) : QString();
            case 6:
                return row.resistanceText;
            case 7:
                return row.tested() ? VerdictText(row.assessment.verdict) : kUntestedText;
            default:
                return row.assessment.reasonText();
            }
        },
        parent);
}

InstrumentModel* MakeInstrumentModel(QObject* parent) {
    return new InstrumentModel(
        {QStringLiteral("型号"), QStringLiteral("出厂编号"), QStringLiteral("校准证书编号"),
         QStringLiteral("校准日期"), QStringLiteral("有效期至"), QStringLiteral("备注")},
        [](const Instrument& instrument, int column) -> QString {
            const QString texts[] = {instrument.model,           instrument.serial,
                                     instrument.certificate,     Day(instrument.calibratedOn),
                                     Day(instrument.validUntil), instrument.note};
            return texts[std::clamp(column, 0, 5)];
        },
        parent);
}

AuditModel* MakeAuditModel(QObject* parent) {
    return new AuditModel(
        AuditHeaders(), [](const AuditEntry& entry, int column) { return AuditColumns(entry).value(column); },
        parent);
}

DueModel* MakeDueModel(QObject* parent) {
    return new DueModel(
        {RecordColumnOf(RecordColumn::Device).header, QStringLiteral("站名"), QStringLiteral("间隔"),
         QStringLiteral("相别"), QStringLiteral("类型"), QStringLiteral("上次试验"),
         QStringLiteral("周期(月)"), QStringLiteral("下次试验")},
        [](const DueAsset& due, int column) -> QString {
            switch (column) {
            case 0:
                return due.asset.device;
            case 1:
                return due.asset.station;
            case 2:
                return due.asset.bay;
            case 3:
                return due.asset.phase;
            case 4:
                return due.asset.kind;
            case 5:
                return Day(due.lastTest);
            case 6:
                return QString::number(due.months);
            default:
                return due.due.isValid() ? Day(due.due) : QStringLiteral("未试验");
            }
        },
        parent);
}
