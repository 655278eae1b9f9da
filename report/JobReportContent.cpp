#include "report/JobReportContent.h"

#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>
#include <tuple>

namespace {

const QString kMinute = QStringLiteral("yyyy-MM-ddThh:mm");

QString FactorText(double factor) {
    return QString::number(factor, 'g', 4);
}

QString LocalDay(const QString& utc) {
    const QDateTime at = QDateTime::fromString(utc, Qt::ISODateWithMs);
    return at.isValid() ? at.toLocalTime().date().toString(Qt::ISODate) : QString();
}

QString LimitText(const Asset& asset) {
    if (!asset.limit.isEmpty())
        return asset.limit;
    if (!asset.commissioning.isEmpty())
        return QCoreApplication::translate("JobReportContent", "投运 %1").arg(asset.commissioning);
    if (!asset.factory.isEmpty())
        return QCoreApplication::translate("JobReportContent", "出厂 %1").arg(asset.factory);
    return {};
}

// The change against the device's latest earlier test at the same step, from its records.
QString ChangeText(const std::vector<ArchivedRecord>& records, const JobRow& row) {
    const ArchivedRecord* self = nullptr;
    const ArchivedRecord* previous = nullptr;
    for (const ArchivedRecord& record : records) {
        if (record.id == row.recordId)
            self = &record;
        else if (record.stepAmperes == row.stepAmperes && record.microOhms && !record.testTime.isEmpty() &&
                 record.testTime < row.testTime)
            previous = &record; // records come in time order: the last one found is the latest
    }
    if (!self || !self->microOhms || !previous || *previous->microOhms <= 0)
        return {};
    const double percent = (*self->microOhms / *previous->microOhms - 1) * 100;
    return (percent >= 0 ? QStringLiteral("+") : QString()) + PercentText(percent);
}

ReportTrend TrendOf(const QString& device, const std::vector<ArchivedRecord>& records, const Asset& asset) {
    ReportTrend trend;
    trend.device = device;
    trend.limit = ParseMicroOhms(asset.limit);
    QMap<int, ReportTrend::Series> byStep;
    for (const ArchivedRecord& record : records) {
        const QDateTime at = QDateTime::fromString(record.testTime, kMinute);
        if (!at.isValid() || !record.microOhms || !record.stepAmperes)
            continue;
        ReportTrend::Series& series = byStep[*record.stepAmperes];
        series.stepAmperes = *record.stepAmperes;
        series.points.emplace_back(at, *record.microOhms);
    }
    for (const ReportTrend::Series& series : byStep)
        trend.series.push_back(series);
    return trend;
}

} // namespace

QString JobReportContent::reportNumber() const {
    return job.revision > 1 ? QStringLiteral("%1-%2").arg(job.number).arg(job.revision) : job.number;
}

QString SignatureFolder(const QString& dataFolder) {
    return QDir(dataFolder).filePath(QStringLiteral("签名"));
}

Result<QString> FindJob(RecordArchive& archive, const QString& numberOrUuid) {
    const Result<std::vector<TestJob>> all = TestJobs(archive).jobs();
    if (!all)
        return Outcome(all);
    QString found;
    for (const TestJob& job : *all) // by number and revision: the newest revision comes last
        if (job.uuid == numberOrUuid || job.number == numberOrUuid)
            found = job.uuid;
    if (found.isEmpty())
        return Outcome::Failure(
            QCoreApplication::translate("JobReportContent", "记录库中没有试验任务“%1”。").arg(numberOrUuid));
    return found;
}

namespace {

std::vector<ReportCriterion> Criteria(const AssessmentFactors& factors) {
    return {
        {QStringLiteral("1"), QCoreApplication::translate("JobReportContent", "不大于设备的限值"),
         QCoreApplication::translate("JobReportContent", "超过为“不合格”")},
        {QStringLiteral("2"),
         QCoreApplication::translate("JobReportContent", "不大于出厂值的 %1 倍")
             .arg(FactorText(factors.baseline)),
         QCoreApplication::translate("JobReportContent", "超过为“注意”（有投运值时以投运值为基准）")},
        {QStringLiteral("3"),
         QCoreApplication::translate("JobReportContent", "较上次增长不超过 %1")
             .arg(PercentText(factors.rise * 100)),
         QCoreApplication::translate("JobReportContent", "超过为“注意”（同一试验电流比较）")},
        {QStringLiteral("4"),
         QCoreApplication::translate("JobReportContent", "三相最大值不超过最小值的 %1 倍")
             .arg(FactorText(1 + factors.phase)),
         QCoreApplication::translate("JobReportContent", "超过为“注意”（同一间隔、同一天、同一试验电流）")},
    };
}

// The job's rows by bay, each device's register entry and records read once (by device key).
std::vector<ReportBay> Bays(RecordArchive& archive, const std::vector<JobRow>& rows,
                            QHash<QString, std::vector<ArchivedRecord>>& history,
                            QHash<QString, Asset>& assets) {
    // Bays in the order of station and bay; a device without a bay stands alone under its number,
    // after the bays of the register.
    QMap<std::tuple<bool, QString, QString>, ReportBay> bays;
    for (const JobRow& row : rows) {
        const QString key = row.device.toUpper();
        if (!assets.contains(key)) {
            assets.insert(key, LoadAsset(archive, row.device).value_or(Asset{}));
            history.insert(key, DeviceRecords(archive, row.device));
        }
        const Asset& asset = assets[key];
        ReportBay& bay = bays[{row.bay.isEmpty(), row.station, row.bay.isEmpty() ? row.device : row.bay}];
        bay.station = row.station;
        bay.bay = row.bay.isEmpty() ? row.device : row.bay;
        ReportColumn column;
        column.device = row.device;
        column.phase = row.phase;
        column.limit = LimitText(asset);
        if (row.tested()) {
            column.testTime = QString(row.testTime).replace(QLatin1Char('T'), QLatin1Char(' '));
            column.step = row.stepAmperes ? QString::number(*row.stepAmperes) : QString();
            column.resistance = row.resistanceText.trimmed();
            column.change = ChangeText(history[key], row);
            column.verdict = row.assessment.verdict;
            column.reasons = row.assessment.reasons;
        }
        bay.columns.push_back(std::move(column));
    }
    std::vector<ReportBay> ordered;
    for (ReportBay& bay : bays) {
        std::stable_sort(bay.columns.begin(), bay.columns.end(),
                         [](const ReportColumn& a, const ReportColumn& b) {
                             return std::tie(a.step, a.phase, a.device) < std::tie(b.step, b.phase, b.device);
                         });
        ordered.push_back(std::move(bay));
    }
    return ordered;
}

// 试验, 审核, 批准: who and when, with the signature image where the data folder holds one.
std::vector<ReportSigner> Signers(const TestJob& job, const QString& dataFolder) {
    std::vector<ReportSigner> signers;
    const QDir signatures(SignatureFolder(dataFolder));
    const auto image = [&](const QString& name) {
        const QString path = signatures.filePath(name + QStringLiteral(".png"));
        return !name.isEmpty() && QFileInfo(path).isFile() ? path : QString();
    };
    const std::pair<QString, std::pair<QString, QString>> signs[] = {
        {QCoreApplication::translate("JobReportContent", "试验"), {job.recordedBy, job.recordedAt}},
        {QCoreApplication::translate("JobReportContent", "审核"), {job.checkedBy, job.checkedAt}},
        {QCoreApplication::translate("JobReportContent", "批准"), {job.approvedBy, job.approvedAt}}};
    for (const auto& [role, signer] : signs)
        signers.push_back({role, signer.first, LocalDay(signer.second), image(signer.first)});
    return signers;
}

} // namespace

Result<JobReportContent> LoadJobReportContent(RecordArchive& archive, const QString& uuid,
                                              const QString& dataFolder, bool trends) {
    TestJobs jobs(archive);
    const Result<TestJob> job = jobs.job(uuid);
    if (!job)
        return Outcome(job);
    const Result<std::vector<JobRow>> rows = jobs.rows(uuid);
    if (!rows)
        return Outcome(rows);
    JobReportContent content;
    content.job = *job;
    content.instrument = jobs.instrument(job->instrument);
    content.calibrationWarning = CalibrationWarning(*job, content.instrument);
    content.summary = Summarize(*rows);
    content.criteria = Criteria(LoadFactors(archive));

    QHash<QString, std::vector<ArchivedRecord>> history; // by device key, read once per device
    QHash<QString, Asset> assets;
    content.bays = Bays(archive, *rows, history, assets);
    content.signers = Signers(*job, dataFolder);

    if (trends) {
        QSet<QString> seen;
        for (const JobRow& row : *rows) {
            const QString key = row.device.toUpper();
            if (seen.contains(key))
                continue;
            seen.insert(key);
            content.trends.push_back(TrendOf(row.device, history[key], assets[key]));
        }
    }
    return content;
}
