#include "ui/JobModels.h"

#include "core/RecordColumns.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

QString Day(const QDate& day) {
    return day.isValid() ? day.toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

} // namespace

JobListModel* MakeJobListModel(QObject* parent) {
    return new JobListModel(
        {QCoreApplication::translate("JobModels", "任务编号"),
         QCoreApplication::translate("JobModels", "版本"), QCoreApplication::translate("JobModels", "站名"),
         QCoreApplication::translate("JobModels", "试验性质"),
         QCoreApplication::translate("JobModels", "开始日期"),
         QCoreApplication::translate("JobModels", "结束日期"),
         QCoreApplication::translate("JobModels", "状态")},
        [](const TestJob& job, int column) -> QString {
            switch (column) {
            case 0:
                return job.number;
            case 1:
                return QCoreApplication::translate("JobModels", "第 %1 版").arg(job.revision);
            case 2:
                return job.station;
            case 3:
                return JobKindCaption(job.kind);
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
        {RecordColumnOf(RecordColumn::Device).caption(), QCoreApplication::translate("JobModels", "站名"),
         QCoreApplication::translate("JobModels", "间隔"), QCoreApplication::translate("JobModels", "相别"),
         QCoreApplication::translate("JobModels", "测试时间"),
         QCoreApplication::translate("JobModels", "电流"), QCoreApplication::translate("JobModels", "电阻"),
         QCoreApplication::translate("JobModels", "结论"), QCoreApplication::translate("JobModels", "原因")},
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
                return row.tested() ? VerdictText(row.assessment.verdict) : UntestedText();
            default:
                return row.assessment.reasonText();
            }
        },
        parent);
}

InstrumentModel* MakeInstrumentModel(QObject* parent) {
    return new InstrumentModel(
        {QCoreApplication::translate("JobModels", "型号"),
         QCoreApplication::translate("JobModels", "出厂编号"),
         QCoreApplication::translate("JobModels", "校准证书编号"),
         QCoreApplication::translate("JobModels", "校准日期"),
         QCoreApplication::translate("JobModels", "有效期至"),
         QCoreApplication::translate("JobModels", "备注")},
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
        {RecordColumnOf(RecordColumn::Device).caption(), QCoreApplication::translate("JobModels", "站名"),
         QCoreApplication::translate("JobModels", "间隔"), QCoreApplication::translate("JobModels", "相别"),
         QCoreApplication::translate("JobModels", "类型"),
         QCoreApplication::translate("JobModels", "上次试验"),
         QCoreApplication::translate("JobModels", "周期(月)"),
         QCoreApplication::translate("JobModels", "下次试验")},
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
                return AssetKindCaption(due.asset.kind);
            case 5:
                return Day(due.lastTest);
            case 6:
                return QString::number(due.months);
            default:
                return due.due.isValid() ? Day(due.due) : QCoreApplication::translate("JobModels", "未试验");
            }
        },
        parent);
}
