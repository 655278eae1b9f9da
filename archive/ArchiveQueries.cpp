#include "archive/ArchiveQueries.h"

#include "archive/RecordArchive.h"
#include "core/RecordColumns.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <map>

namespace {

TestRecord::Texts TextsFromJson(const QString& json) {
    TestRecord::Texts texts;
    const QJsonArray array = QJsonDocument::fromJson(json.toUtf8()).array();
    for (int i = 0; i < TestRecord::ColumnCount && i < array.size(); ++i)
        texts[size_t(i)] = array.at(i).toString();
    return texts;
}

std::optional<int> OptionalInt(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<int>(value.toInt());
}

std::optional<double> OptionalDouble(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

QString TimeKey(const std::optional<QDateTime>& time) {
    return time ? time->toString(QStringLiteral("yyyy-MM-ddThh:mm")) : QString();
}

int PhaseOrder(const QString& phase) {
    return phase.isEmpty() ? 3 : phase.at(0).unicode() - 'A';
}

} // namespace

std::vector<ArchivedRecord> DeviceRecords(const RecordArchive& archive, const QString& device) {
    std::vector<ArchivedRecord> records;
    QSqlQuery query = archive.statement(ArchiveSql::DeviceRecordsByTime);
    query.addBindValue(TrimText(device).toUpper());
    if (TrimText(device).isEmpty() || !query.exec())
        return records;
    while (query.next())
        records.push_back({query.value(0).toString(), TextsFromJson(query.value(1).toString()),
                           query.value(2).toString(), query.value(3).toString(), OptionalInt(query.value(4)),
                           OptionalDouble(query.value(5)), query.value(6).toString()});
    return records;
}

RecordCursor::RecordCursor(const RecordArchive& archive)
    : m_query(std::make_unique<QSqlQuery>(archive.statement(ArchiveSql::RecordsByDevice))) {
    m_ok = m_query->exec();
}

RecordCursor::~RecordCursor() = default;

bool RecordCursor::next(QString* id, TestRecord::Texts* texts) {
    if (!m_ok || !m_query->next())
        return false;
    *id = m_query->value(0).toString();
    *texts = TextsFromJson(m_query->value(1).toString());
    return true;
}

ArchiveCounts CountArchive(const RecordArchive& archive) {
    const auto count = [&](ArchiveSql statement) -> qint64 {
        QSqlQuery query = archive.statement(statement);
        return query.exec() && query.next() ? query.value(0).toLongLong() : -1;
    };
    ArchiveCounts counts;
    counts.records = archive.recordCount();
    counts.devices = count(ArchiveSql::DeviceCount);
    counts.assets = count(ArchiveSql::AssetCount);
    counts.importedFiles = count(ArchiveSql::ImportedFileCount);
    counts.notPushed = count(ArchiveSql::NotPushedRecordCount);
    counts.refused = count(ArchiveSql::RefusedRecordCount);
    return counts;
}

ArchiveAssessor::ArchiveAssessor(const RecordArchive& archive)
    : m_archive(archive), m_factors(LoadFactors(archive)),
      m_previousSameStep(std::make_unique<QSqlQuery>(archive.statement(ArchiveSql::PreviousTestAtStep))),
      m_previousAnyStep(std::make_unique<QSqlQuery>(archive.statement(ArchiveSql::PreviousTestAtAnyStep))),
      m_sameDay(std::make_unique<QSqlQuery>(archive.statement(ArchiveSql::SisterTestOnDay))) {}

ArchiveAssessor::~ArchiveAssessor() = default;

const Asset& ArchiveAssessor::assetOf(const QString& device) {
    const QString key = TrimText(device).toUpper();
    auto found = m_assets.find(key);
    if (found == m_assets.end()) {
        Asset asset = m_preloaded ? Asset{} : LoadAsset(m_archive, device).value_or(Asset{});
        if (!asset.registered)
            asset.device = TrimText(device);
        found = m_assets.insert(key, asset);
    }
    return *found;
}

void ArchiveAssessor::preload(const std::vector<Asset>& assets) {
    for (const Asset& asset : assets) {
        m_assets.insert(asset.key(), asset);
        if (asset.registered && !asset.phase.isEmpty())
            m_bays[asset.station + QLatin1Char('\x1f') + asset.bay].emplace_back(asset.key(), asset.phase);
    }
    m_preloaded = true;
}

std::optional<EarlierTest> ArchiveAssessor::earlier(QSqlQuery& query) {
    if (!query.exec() || !query.next())
        return std::nullopt;
    return EarlierTest{query.value(0).toInt(), query.value(1).toDouble()};
}

Assessment ArchiveAssessor::assess(const QString& device, const QString& testTime,
                                   std::optional<int> stepAmperes, std::optional<double> microOhms) {
    const Asset asset = assetOf(device); // a copy: the cache may grow below
    AssessmentInput input;
    input.microOhms = microOhms;
    input.stepAmperes = stepAmperes;
    input.phase = asset.phase;
    input.rules = RulesOf(asset, m_factors);
    const QString key = TrimText(device).toUpper();
    if (!testTime.isEmpty() && stepAmperes) {
        m_previousSameStep->bindValue(0, key);
        m_previousSameStep->bindValue(1, *stepAmperes);
        m_previousSameStep->bindValue(2, testTime);
        input.previousSameStep = earlier(*m_previousSameStep);
        if (!input.previousSameStep) {
            m_previousAnyStep->bindValue(0, key);
            m_previousAnyStep->bindValue(1, testTime);
            input.previousAnyStep = earlier(*m_previousAnyStep);
        }
    }
    m_lastPrevious = input.previousSameStep;
    if (!testTime.isEmpty() && stepAmperes && !asset.phase.isEmpty() && !asset.bay.isEmpty()) {
        const QString bayKey = asset.station + QLatin1Char('\x1f') + asset.bay;
        auto sisters = m_bays.find(bayKey);
        if (sisters == m_bays.end() && m_preloaded)
            sisters = m_bays.insert(bayKey, {});
        if (sisters == m_bays.end()) {
            std::vector<std::pair<QString, QString>> list;
            for (const auto& [phase, sister] : BayPhaseDevices(m_archive, asset.station, asset.bay))
                list.emplace_back(sister.toUpper(), phase);
            sisters = m_bays.insert(bayKey, list);
        }
        const QDate day = QDate::fromString(testTime.left(10), Qt::ISODate);
        for (const auto& [sisterKey, phase] : *sisters) {
            if (sisterKey == key || phase == asset.phase)
                continue;
            if (const std::optional<EarlierTest> test = sameDay(sisterKey, day, *stepAmperes))
                input.sisterPhases.push_back({phase, test->microOhms});
        }
    }
    return Assess(input);
}

void ArchiveAssessor::preloadLastTests(QHash<QString, LastTest> lastTests) {
    m_lastTests = std::move(lastTests);
    m_lastTestsKnown = true;
}

// The sister's latest reading of the day at the step. Its last test of all answers that when it lies
// on an earlier day (no test that day) or is a reading on the day at the step (the day's latest); a
// sister never tested has none.
std::optional<EarlierTest> ArchiveAssessor::sameDay(const QString& sisterKey, const QDate& day,
                                                    int stepAmperes) {
    if (m_lastTestsKnown) {
        const auto last = m_lastTests.constFind(sisterKey);
        if (last == m_lastTests.cend())
            return std::nullopt;
        const QDate lastDay = QDate::fromString(last->testTime.left(10), Qt::ISODate);
        if (!lastDay.isValid() || lastDay < day)
            return std::nullopt;
        if (lastDay == day && last->stepAmperes == stepAmperes && last->microOhms)
            return EarlierTest{stepAmperes, *last->microOhms};
    }
    m_sameDay->bindValue(0, sisterKey);
    m_sameDay->bindValue(1, stepAmperes);
    m_sameDay->bindValue(2, day.toString(Qt::ISODate));
    m_sameDay->bindValue(3, day.addDays(1).toString(Qt::ISODate));
    return earlier(*m_sameDay);
}

Assessment ArchiveAssessor::assess(const TestRecord& record) {
    return assess(record.device, TimeKey(record.testTime), record.stepAmperes, record.microOhms);
}

std::vector<OverviewStation> BuildOverview(const RecordArchive& archive) {
    ArchiveAssessor assessor(archive);
    std::vector<Asset> assets = LoadAssets(archive);
    assessor.preload(assets);
    QSqlQuery last = archive.statement(ArchiveSql::LastTestOfDevice);
    // First every device's last test, then the verdicts, which look at the sister phases' tests.
    QHash<QString, ArchiveAssessor::LastTest> lastTests;
    std::vector<OverviewDevice> lastOf(assets.size());
    for (size_t i = 0; i < assets.size(); ++i) {
        last.bindValue(0, assets[i].key());
        if (!last.exec() || !last.next())
            continue;
        OverviewDevice& device = lastOf[i];
        device.tested = true;
        device.lastTime = last.value(0).toString();
        const TestRecord::Texts texts = TextsFromJson(last.value(3).toString());
        device.stepText = TrimText(texts[5]);
        device.resistanceText = TrimText(texts[7]);
        lastTests.insert(assets[i].key(),
                         {device.lastTime, OptionalInt(last.value(1)), OptionalDouble(last.value(2))});
    }
    assessor.preloadLastTests(lastTests);
    std::map<QString, std::map<QString, std::vector<OverviewDevice>>> places;
    for (size_t i = 0; i < assets.size(); ++i) {
        Asset& asset = assets[i];
        OverviewDevice& device = lastOf[i];
        if (device.tested) {
            const ArchiveAssessor::LastTest test = lastTests.value(asset.key());
            const std::optional<double> microOhms = test.microOhms;
            device.assessment = assessor.assess(asset.device, device.lastTime, test.stepAmperes, microOhms);
            if (const std::optional<EarlierTest>& previous = assessor.lastPreviousSameStep();
                microOhms && previous && previous->microOhms > 0)
                device.changePercent = (*microOhms / previous->microOhms - 1.0) * 100.0;
        } else {
            device.assessment.reasons << QCoreApplication::translate("ArchiveQueries", "尚无试验记录");
        }
        device.asset = std::move(asset);
        places[device.asset.station][device.asset.bay].push_back(std::move(device));
    }
    std::vector<OverviewStation> stations;
    for (auto& [stationName, bays] : places) {
        OverviewStation station{stationName, Verdict::NoCriteria, {}};
        for (auto& [bayName, devices] : bays) {
            std::stable_sort(devices.begin(), devices.end(),
                             [](const OverviewDevice& a, const OverviewDevice& b) {
                                 return PhaseOrder(a.asset.phase) < PhaseOrder(b.asset.phase);
                             });
            station.bays.push_back({bayName, Verdict::NoCriteria, std::move(devices)});
        }
        stations.push_back(std::move(station));
    }
    // Devices not in the register come last.
    std::stable_partition(stations.begin(), stations.end(),
                          [](const OverviewStation& s) { return !s.name.isEmpty(); });
    RollUp(stations);
    return stations;
}

void RollUp(std::vector<OverviewStation>& stations) {
    for (OverviewStation& station : stations) {
        station.worst = Verdict::NoCriteria;
        for (OverviewBay& bay : station.bays) {
            bay.worst = Verdict::NoCriteria;
            for (const OverviewDevice& device : bay.devices)
                bay.worst = std::max(bay.worst, device.assessment.verdict);
            station.worst = std::max(station.worst, bay.worst);
        }
    }
}

const QStringList& OverviewHeaders() {
    static const QStringList headers{QCoreApplication::translate("ArchiveQueries", "站名"),
                                     QCoreApplication::translate("ArchiveQueries", "间隔"),
                                     RecordColumnOf(RecordColumn::Device).caption(),
                                     QCoreApplication::translate("ArchiveQueries", "相别"),
                                     QCoreApplication::translate("ArchiveQueries", "最近试验"),
                                     RecordColumnOf(RecordColumn::Step).caption(),
                                     RecordColumnOf(RecordColumn::Resistance).caption(),
                                     QCoreApplication::translate("ArchiveQueries", "比上次"),
                                     QCoreApplication::translate("ArchiveQueries", "结论"),
                                     QCoreApplication::translate("ArchiveQueries", "原因")};
    return headers;
}

QString OverviewChangeText(const std::optional<double>& percent) {
    return percent ? QString::asprintf("%+.1f%%", *percent) : QString();
}

std::vector<QStringList> OverviewRows(const std::vector<OverviewStation>& stations) {
    std::vector<QStringList> rows;
    for (const OverviewStation& station : stations)
        for (const OverviewBay& bay : station.bays)
            for (const OverviewDevice& device : bay.devices)
                rows.push_back(
                    {station.name.isEmpty() ? QCoreApplication::translate("ArchiveQueries", "（未登记）")
                                            : station.name,
                     bay.name, device.asset.device, device.asset.phase,
                     QString(device.lastTime).replace(QLatin1Char('T'), QLatin1Char(' ')), device.stepText,
                     device.resistanceText, OverviewChangeText(device.changePercent),
                     VerdictText(device.assessment.verdict), device.assessment.reasonText()});
    return rows;
}
