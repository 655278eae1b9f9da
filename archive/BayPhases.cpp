#include "archive/BayPhases.h"

#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <algorithm>
#include <map>

namespace {

struct Reading {
    QString testTime;
    std::optional<double> microOhms;
    QString resistanceText;
    QString stepText;
};

// A phase's reasons for a row that speaks for all three: those that do not name the phase go
// together behind it ("C相：超过限值 60 uΩ，比出厂值高 61 %").
QStringList PhaseReasons(const QString& phase, const QStringList& reasons) {
    const QString label = QCoreApplication::translate("BayPhases", "%1相").arg(phase);
    QStringList named, unnamed;
    for (const QString& reason : reasons)
        (reason.startsWith(label) ? named : unnamed) << reason;
    if (!unnamed.isEmpty())
        named.prepend(label + QCoreApplication::translate("BayPhases", "：") +
                      unnamed.join(QCoreApplication::translate("BayPhases", "，")));
    return named;
}

} // namespace

std::optional<BayPhases> BayPhasesOf(const RecordArchive& archive, const QString& device) {
    const std::optional<Asset> asset = LoadAsset(archive, device);
    if (!asset || !asset->registered || asset->phase.isEmpty() || asset->bay.isEmpty())
        return std::nullopt;
    BayPhases bay{asset->station, asset->bay, {}, {}};
    bay.phases = BayPhaseDevices(archive, asset->station, asset->bay);
    if (bay.phases.empty()) // the register could not be read
        return std::nullopt;

    // Each phase's latest reading per day and step; records come by test time.
    std::map<std::pair<QString, int>, std::vector<Reading>> byDay;
    for (size_t p = 0; p < bay.phases.size(); ++p)
        for (const ArchivedRecord& record : DeviceRecords(archive, bay.phases[p].second)) {
            if (record.testTime.isEmpty() || !record.stepAmperes)
                continue;
            std::vector<Reading>& readings = byDay[{record.testTime.left(10), *record.stepAmperes}];
            readings.resize(bay.phases.size());
            readings[p] = {record.testTime, record.microOhms, TrimText(record.texts[7]),
                           TrimText(record.texts[5])};
        }

    ArchiveAssessor assessor(archive);
    for (auto day = byDay.rbegin(); day != byDay.rend(); ++day) {
        BayPhaseDay row{day->first.first, day->first.second, {}, {}, {}, {}};
        for (size_t p = 0; p < bay.phases.size(); ++p) {
            const Reading& reading = day->second[p];
            row.resistanceTexts.push_back(reading.resistanceText);
            row.assessments.push_back(reading.testTime.isEmpty()
                                          ? Assessment{}
                                          : assessor.assess(bay.phases[p].second, reading.testTime,
                                                            row.stepAmperes, reading.microOhms));
            if (!reading.stepText.isEmpty())
                row.stepText = reading.stepText;
        }
        for (const Assessment& assessment : row.assessments)
            row.worst.verdict = std::max(row.worst.verdict, assessment.verdict);
        for (size_t p = 0; p < bay.phases.size(); ++p)
            if (row.worst.verdict > Verdict::Pass && row.assessments[p].verdict == row.worst.verdict)
                row.worst.reasons << PhaseReasons(bay.phases[p].first, row.assessments[p].reasons);
        bay.days.push_back(std::move(row));
    }
    return bay;
}
