#pragma once
// Test jobs "试验任务": what was tested together, when, under which conditions, with which
// instrument, and who recorded, checked and approved it; the instruments "仪器台账" and the audit
// trail. Their statements are in the archive's catalogue (ArchiveSql); the archive's triggers lock
// approved revisions and write the audit trail for every writer (this program, an import, the tool, a
// sync).
#include "archive/ArchiveSql.h"
#include "archive/Assessment.h"
#include "archive/AssetRegister.h"
#include "core/Outcome.h"
#include "core/TestRecord.h"

#include <QCoreApplication>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <array>
#include <optional>
#include <vector>

class RecordArchive;

enum class JobState { Draft, Checking, Approved };
QString JobStateText(JobState state); // "编制中", "待审核", "已批准"

const QStringList& JobKinds();               // 交接试验, 例行试验, 诊断性试验, 其他
QString JobKindCaption(const QString& kind); // a kind as shown, in the program's language
const QStringList& JobBasisPresets();        // the standards a test basis usually names
inline constexpr double kMinTemperature = -50;
inline constexpr double kMaxTemperature = 60;

struct Instrument {
    QString uuid; // empty until stored
    QString model;
    QString serial;
    QString certificate;
    QDate calibratedOn;
    QDate validUntil;
    QString note;
    bool operator==(const Instrument&) const = default;
};

struct TestJob {
    QString uuid;   // this revision; empty until stored
    QString family; // the first revision's uuid
    int revision = 1;
    QString number;
    QString station;
    QString customer; // the unit the tests are made for ("委托单位")
    QString kind;
    QString basis;
    QDate firstDay;
    QDate lastDay;
    QString weather;
    QString temperature; // °C as typed, or ""
    QString humidity;    // % as typed, or ""
    QString testers;
    QString instrument; // Instrument::uuid or ""
    QString conclusion;
    QString notes;
    QString revisionNote; // what this revision changed
    JobState state = JobState::Draft;
    QString recordedBy, recordedAt, checkedBy, checkedAt, approvedBy, approvedAt;
    QString returnedWhy;
    QString expiredBy, expiredAt; // went on with an instrument past its calibration
    QStringList planned;          // device numbers

    QString title() const; // "东郊站-20240403-01 第 2 版"
};

// Every field that can be wrong on its own: the number, the temperature, the humidity, the dates.
Outcome ValidateJob(const TestJob& job);
// The instrument's calibration has run out before the job's last test day: the warning, or "".
QString CalibrationWarning(const TestJob& job, const std::optional<Instrument>& instrument);

// One row of a job: a record of one of its assets, or a planned asset without a result ("未测").
struct JobRow {
    QString device;
    QString station, bay, phase;
    QString recordId; // "" for 未测
    QString testTime; // "yyyy-MM-ddThh:mm"
    std::optional<int> stepAmperes;
    QString resistanceText;
    Assessment assessment;
    bool tested() const { return !recordId.isEmpty(); }
};

struct JobSummary {
    std::optional<Verdict> worst; // none when nothing was tested
    std::array<int, 4> counts{};  // per Verdict, records
    int untested = 0;             // planned assets without a result
    QString text() const;         // "最差：注意；合格 3，注意 1，未测 2"
};
JobSummary Summarize(const std::vector<JobRow>& rows);
inline QString UntestedText() {
    return QCoreApplication::translate("TestJobs", "未测");
}

struct AuditEntry {
    QString at; // UTC ISO 8601
    QString who;
    QString subject; // "job", "asset", "instrument", "rules"
    QString item;
    QString field;
    QString oldValue;
    QString newValue;
};
QString AuditSubjectText(const QString& subject); // "任务", "设备台账", "仪器台账", "判据"
const QStringList& AuditHeaders();
QStringList AuditColumns(const AuditEntry& entry); // local time, texts as the window shows them
// .xlsx or .csv by the name's ending.
Outcome ExportAudit(const std::vector<AuditEntry>& entries, const QString& fileName);

// Due dates: an asset's next test is due at its last test plus its interval, the narrowest of the
// intervals for all assets, for its kind and for itself.
enum class IntervalScope { All, Kind, Asset };
enum class DueFilter { Overdue, Soon, All }; // "已逾期", "30 天内到期", "全部"
inline constexpr int kDueSoonDays = 30;
struct DueAsset {
    Asset asset;
    QDate lastTest; // invalid when never tested
    int months = 0;
    QDate due; // invalid when never tested: due now
};
bool DueMatches(const DueAsset& asset, DueFilter filter, const QDate& today);

class TestJobs {
public:
    explicit TestJobs(RecordArchive& archive) : m_archive(archive) {}

    // The name this laptop signs with (entered once), kept in the archive of the laptop.
    QString signature() const;
    Outcome setSignature(const QString& name);

    // All jobs, every revision, by number and revision.
    Result<std::vector<TestJob>> jobs() const;
    Result<TestJob> job(const QString& uuid) const;
    // Station + date + sequence, not used by any job yet: "东郊站-20240403-01".
    QString proposeNumber(const QString& station, const QDate& day) const;
    // Stores a draft (new when uuid is empty) with its planned assets; the uuid. Nothing is stored
    // when a field is wrong, the number belongs to another job, or the job is no longer a draft.
    Result<QString> save(const TestJob& job);

    // The job that uploads and live tests go to, for this laptop; "" for none.
    QString current() const;
    Outcome setCurrent(const QString& uuid);
    // Uploaded or live records: those of the current draft's planned assets, or of devices not in the
    // register, join it. The number that joined.
    Result<int> joinCurrent(const std::vector<TestRecord>& records);
    // Records already archived of these devices tested within [from, to]; the number that joined.
    Result<int> addRecords(const QString& uuid, const QStringList& devices, const QDate& from,
                           const QDate& to);

    // A job's rows: its records at each step with their verdict (as judged at approval once
    // approved), then its planned assets without a result.
    Result<std::vector<JobRow>> rows(const QString& uuid) const;

    // 编制中 → 待审核 (the recorder), 待审核: checked, then 已批准 (neither by the recorder), or back
    // to 编制中 with a reason. Each step signed with this laptop's signature.
    Outcome submit(const QString& uuid);
    Outcome check(const QString& uuid);
    Outcome approve(const QString& uuid);
    Outcome sendBack(const QString& uuid, const QString& reason);
    // Goes on with an instrument past its calibration (who and when recorded).
    Outcome goOnWithExpired(const QString& uuid);
    // A correction of an approved job: a new draft revision saying what changed; its uuid.
    Result<QString> revise(const QString& uuid, const QString& whatChanged);

    Result<std::vector<Instrument>> instruments() const;
    std::optional<Instrument> instrument(const QString& uuid) const;
    std::optional<Instrument> instrumentBySerial(const QString& serial) const;
    // Stores (adds when uuid is empty) an instrument; its uuid.
    Result<QString> saveInstrument(const Instrument& instrument);
    // The current draft uses the instrument with this serial number.
    Outcome useInstrument(const QString& uuid);

    // The interval in months for all assets, a kind or one asset (by its device number); none
    // removes a kind's or an asset's own interval.
    Outcome setInterval(IntervalScope scope, const QString& key, std::optional<int> months);
    // Every registered asset with its last test, its interval and its next due date, by station and bay.
    Result<std::vector<DueAsset>> dueList() const;
    // A new routine job of the station's assets that the filter shows on the day, its number proposed.
    TestJob jobForDue(const QString& station, const std::vector<DueAsset>& due, DueFilter filter,
                      const QDate& today) const;

    // The audit trail, newest first.
    Result<std::vector<AuditEntry>> audit() const;

private:
    Outcome step(const QString& uuid, JobState from, const char* what);
    // A write failed: a trigger's refusal (Conflict), a statement's text, or the archive's failure when
    // empty.
    Outcome fail(const QString& statement) const;
    // Runs one statement in a transaction of its own.
    Outcome write(ArchiveSql statement, const QVariantList& values);

    RecordArchive& m_archive;
};
