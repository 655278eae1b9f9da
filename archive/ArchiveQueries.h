#pragma once
// Reading the archive: one device's records, the assessment of a record against its asset's rules
// and its other records, and the station overview. Every query goes through an index, so a
// device's history takes milliseconds whatever the archive holds.
#include "archive/Assessment.h"
#include "archive/AssetRegister.h"
#include "core/TestRecord.h"

#include <QDate>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

class QSqlQuery;
class RecordArchive;

struct ArchivedRecord {
    QString id;
    TestRecord::Texts texts;
    QString device;
    QString testTime; // "yyyy-MM-ddThh:mm", or empty when the record's time does not read
    std::optional<int> stepAmperes;
    std::optional<double> microOhms;
    QString source;
};

// The device's records (matched without regard to case), by test time; records without a time last.
std::vector<ArchivedRecord> DeviceRecords(const RecordArchive& archive, const QString& device);

// Every record of the archive, one at a time (forward only, whatever the archive holds), by device
// and test time.
class RecordCursor {
public:
    explicit RecordCursor(const RecordArchive& archive);
    ~RecordCursor();
    // False when the archive could not be read.
    bool ok() const { return m_ok; }
    // The next record's identity and texts; false after the last.
    bool next(QString* id, TestRecord::Texts* texts);

private:
    std::unique_ptr<QSqlQuery> m_query;
    bool m_ok = false;
};

// What the archive holds, for the tool's status; -1 where a count could not be read.
struct ArchiveCounts {
    qint64 records = -1;
    qint64 devices = -1;
    qint64 assets = -1;
    qint64 importedFiles = -1;
    qint64 notPushed = -1; // waiting for the team server
    qint64 refused = -1;   // set aside: the team server refused them
};
ArchiveCounts CountArchive(const RecordArchive& archive);

// Judges records against the archive: the asset's rules, the device's earlier tests and the sister
// phases of its bay. Keeps what it has read of the register for its own lifetime.
class ArchiveAssessor {
public:
    explicit ArchiveAssessor(const RecordArchive& archive);
    ~ArchiveAssessor();
    Assessment assess(const QString& device, const QString& testTime, std::optional<int> stepAmperes,
                      std::optional<double> microOhms);
    Assessment assess(const TestRecord& record);
    const Asset& assetOf(const QString& device);
    // Takes the whole register at once (the overview), instead of a look-up per device.
    void preload(const std::vector<Asset>& assets);
    // Each device's last test (by device key), read beforehand for all devices (the overview): a
    // sister phase's test on the day is then mostly known without a query.
    struct LastTest {
        QString testTime;
        std::optional<int> stepAmperes;
        std::optional<double> microOhms;
    };
    void preloadLastTests(QHash<QString, LastTest> lastTests);
    // The previous test at the same step that the last assess() found.
    const std::optional<EarlierTest>& lastPreviousSameStep() const { return m_lastPrevious; }

private:
    std::optional<EarlierTest> earlier(QSqlQuery& query);
    std::optional<EarlierTest> sameDay(const QString& sisterKey, const QDate& day, int stepAmperes);

    const RecordArchive& m_archive;
    AssessmentFactors m_factors;
    QHash<QString, Asset> m_assets;                                  // by device key
    QHash<QString, std::vector<std::pair<QString, QString>>> m_bays; // station/bay -> (key, phase)
    std::unique_ptr<QSqlQuery> m_previousSameStep;
    std::unique_ptr<QSqlQuery> m_previousAnyStep;
    std::unique_ptr<QSqlQuery> m_sameDay;
    std::optional<EarlierTest> m_lastPrevious;
    QHash<QString, LastTest> m_lastTests;
    bool m_preloaded = false;
    bool m_lastTestsKnown = false;
};

// The station at a glance: station → bay → device, each device with its last test.
struct OverviewDevice {
    Asset asset;
    QString lastTime; // "yyyy-MM-ddThh:mm" or empty when never tested (or the time does not read)
    QString stepText; // "100 A"
    QString resistanceText;
    std::optional<double> changePercent; // against the previous test at the same step
    Assessment assessment;
    bool tested = false;
};

struct OverviewBay {
    QString name;
    Verdict worst = Verdict::NoCriteria;
    std::vector<OverviewDevice> devices; // phases A, B, C first, then the others
};

struct OverviewStation {
    QString name; // "" for devices not in the register
    Verdict worst = Verdict::NoCriteria;
    std::vector<OverviewBay> bays;
};

std::vector<OverviewStation> BuildOverview(const RecordArchive& archive);
// The worst verdict of the devices rolls up to their bay and of the bays to their station.
void RollUp(std::vector<OverviewStation>& stations);
// The overview as table rows (station, bay, device, phase, time, step, resistance, change, verdict,
// reason), for the exports.
const QStringList& OverviewHeaders();
std::vector<QStringList> OverviewRows(const std::vector<OverviewStation>& stations);
// "+12.5%" as the history shows a change, or empty.
QString OverviewChangeText(const std::optional<double>& percent);
