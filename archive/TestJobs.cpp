#include "archive/TestJobs.h"

#include "archive/ArchiveMessages.h"
#include "archive/ArchiveQueries.h"
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"
#include "archive/TableFile.h"
#include "core/UDataCenter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <algorithm>
#include <functional>

namespace {

const QString kDay = QStringLiteral("yyyy-MM-dd");
const QString kLocked = QStringLiteral("approved job is locked");
const QString kNotDraft = QStringLiteral("only a draft job changes");

const char* const kStateCodes[] = {"draft", "checking", "approved"};

JobState StateOf(const QString& code) {
    for (int i = 0; i < 3; ++i)
        if (code == QLatin1String(kStateCodes[i]))
            return JobState(i);
    return JobState::Draft;
}

QString NotNull(const QString& text) {
    return text.isNull() ? QStringLiteral("") : text;
}

QString DayText(const QDate& day) {
    return day.isValid() ? day.toString(kDay) : QStringLiteral("");
}

QString Uuid() {
    return QUuid::createUuid().toString(QUuid::WithoutBraces);
}

// A decimal as people type it, with an ASCII or a typographic minus.
std::optional<double> ParseSigned(const QString& text) {
    static const QRegularExpression plain(QStringLiteral("^[-\u2212]?[0-9]{1,3}(\\.[0-9]{1,3})?$"));
    if (!plain.match(text).hasMatch())
        return std::nullopt;
    return QString(text).replace(QChar(0x2212), QLatin1Char('-')).toDouble();
}

// The library's text of a failed statement, as the detail of the user's message.
QString Detail(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
}

// A job as JobsInOrder and JobByUuid read it.
TestJob JobFrom(const QSqlQuery& query) {
    TestJob job;
    int c = 0;
    job.uuid = query.value(c++).toString();
    job.family = query.value(c++).toString();
    job.revision = query.value(c++).toInt();
    QString* texts[] = {&job.number, &job.station, &job.kind, &job.basis};
    for (QString* text : texts)
        *text = query.value(c++).toString();
    job.firstDay = QDate::fromString(query.value(c++).toString(), kDay);
    job.lastDay = QDate::fromString(query.value(c++).toString(), kDay);
    QString* more[] = {&job.weather,    &job.temperature, &job.humidity, &job.testers,
                       &job.instrument, &job.conclusion,  &job.notes,    &job.revisionNote};
    for (QString* text : more)
        *text = query.value(c++).toString();
    job.state = StateOf(query.value(c++).toString());
    QString* signs[] = {&job.recordedBy, &job.recordedAt,  &job.checkedBy, &job.checkedAt, &job.approvedBy,
                        &job.approvedAt, &job.returnedWhy, &job.expiredBy, &job.expiredAt};
    for (QString* text : signs)
        *text = query.value(c++).toString();
    job.customer = query.value(c++).toString();
    return job;
}

// An instrument as InstrumentsBySerial, InstrumentByUuid and InstrumentBySerial read it.
Instrument InstrumentFrom(const QSqlQuery& query) {
    Instrument instrument;
    instrument.uuid = query.value(0).toString();
    instrument.model = query.value(1).toString();
    instrument.serial = query.value(2).toString();
    instrument.certificate = query.value(3).toString();
    instrument.calibratedOn = QDate::fromString(query.value(4).toString(), kDay);
    instrument.validUntil = QDate::fromString(query.value(5).toString(), kDay);
    instrument.note = query.value(6).toString();
    return instrument;
}

QString ResistanceText(const QString& textsJson) {
    const QJsonArray texts = QJsonDocument::fromJson(textsJson.toUtf8()).array();
    return texts.size() == TestRecord::ColumnCount ? texts.at(7).toString() : QString();
}

} // namespace

QString JobStateText(JobState state) {
    static const QString texts[] = {QCoreApplication::translate("TestJobs", "编制中"),
                                    QCoreApplication::translate("TestJobs", "待审核"),
                                    QCoreApplication::translate("TestJobs", "已批准")};
    return texts[int(state)];
}

// The kinds are kept in the archive as written here; they are shown translated.
const QStringList& JobKinds() {
    static const QStringList kinds{QString::fromUtf8(QT_TRANSLATE_NOOP("JobKinds", "交接试验")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("JobKinds", "例行试验")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("JobKinds", "诊断性试验")),
                                   QString::fromUtf8(QT_TRANSLATE_NOOP("JobKinds", "其他"))};
    return kinds;
}

QString JobKindCaption(const QString& kind) {
    return QCoreApplication::translate("JobKinds", kind.toUtf8().constData());
}

const QStringList& JobBasisPresets() {
    static const QStringList presets{
        QStringLiteral("GB 50150 电气装置安装工程 电气设备交接试验标准"),
        QStringLiteral("DL/T 596 电力设备预防性试验规程"),
        QStringLiteral("Q/GDW 1168 输变电设备状态检修试验规程"),
        QStringLiteral("DL/T 593 高压开关设备和控制设备标准的共用技术要求"),
    };
    return presets;
}

QString TestJob::title() const {
    return QCoreApplication::translate("TestJobs", "%1 第 %2 版").arg(number).arg(revision);
}

Outcome ValidateJob(const TestJob& job) {
    if (TrimText(job.number).isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::JobNumberEmpty());
    if (!job.kind.isEmpty() && !JobKinds().contains(job.kind))
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::JobKindNotKnown(job.kind, JobKinds()));
    if (!job.temperature.isEmpty()) {
        const std::optional<double> value = ParseSigned(job.temperature);
        if (!value || *value < kMinTemperature || *value > kMaxTemperature)
            return Outcome::Failure(FailureKind::Invalid,
                                    ArchiveMessages::TemperatureOutOfRange(job.temperature));
    }
    if (!job.humidity.isEmpty()) {
        const std::optional<double> value = ParseSigned(job.humidity);
        if (!value || *value < 0 || *value > 100)
            return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::HumidityOutOfRange(job.humidity));
    }
    if (job.firstDay.isValid() && job.lastDay.isValid() && job.lastDay < job.firstDay)
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::DaysReversed(DayText(job.lastDay), DayText(job.firstDay)));
    return {};
}

QString CalibrationWarning(const TestJob& job, const std::optional<Instrument>& instrument) {
    const QDate day = job.lastDay.isValid() ? job.lastDay : job.firstDay;
    if (!instrument || !instrument->validUntil.isValid() || !day.isValid() || day <= instrument->validUntil)
        return {};
    return QCoreApplication::translate("TestJobs", "仪器“%1”的校准有效期至 %2，试验日期 %3 已超过有效期。")
        .arg(instrument->serial, DayText(instrument->validUntil), DayText(day));
}

QString JobSummary::text() const {
    QStringList parts;
    for (int v = int(Verdict::Fail); v >= 0; --v)
        if (counts[size_t(v)] > 0)
            parts << QStringLiteral("%1 %2").arg(VerdictText(Verdict(v))).arg(counts[size_t(v)]);
    if (untested > 0)
        parts << QStringLiteral("%1 %2").arg(UntestedText()).arg(untested);
    const QString worstText = worst ? VerdictText(*worst) : UntestedText();
    return QCoreApplication::translate("TestJobs", "最差：%1；%2")
        .arg(worstText, parts.join(QCoreApplication::translate("TestJobs", "，")));
}

JobSummary Summarize(const std::vector<JobRow>& rows) {
    JobSummary summary;
    for (const JobRow& row : rows) {
        if (!row.tested()) {
            ++summary.untested;
            continue;
        }
        ++summary.counts[size_t(row.assessment.verdict)];
        summary.worst = std::max(summary.worst.value_or(Verdict::NoCriteria), row.assessment.verdict);
    }
    return summary;
}

QString AuditSubjectText(const QString& subject) {
    if (subject == QLatin1String("job"))
        return QCoreApplication::translate("TestJobs", "试验任务");
    if (subject == QLatin1String("asset"))
        return QCoreApplication::translate("TestJobs", "设备台账");
    if (subject == QLatin1String("instrument"))
        return QCoreApplication::translate("TestJobs", "仪器台账");
    return QCoreApplication::translate("TestJobs", "判据");
}

const QStringList& AuditHeaders() {
    static const QStringList headers{
        QCoreApplication::translate("TestJobs", "时间"), QCoreApplication::translate("TestJobs", "修改人"),
        QCoreApplication::translate("TestJobs", "对象"), QCoreApplication::translate("TestJobs", "名称"),
        QCoreApplication::translate("TestJobs", "字段"), QCoreApplication::translate("TestJobs", "原值"),
        QCoreApplication::translate("TestJobs", "新值")};
    return headers;
}

QStringList AuditColumns(const AuditEntry& entry) {
    const auto value = [&](const QString& text) {
        return entry.field == QStringLiteral("状态") && !text.isEmpty() ? JobStateText(StateOf(text)) : text;
    };
    const QDateTime at = QDateTime::fromString(entry.at, Qt::ISODateWithMs);
    return {at.isValid() ? at.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : entry.at,
            entry.who,
            AuditSubjectText(entry.subject),
            entry.item,
            entry.field,
            value(entry.oldValue),
            value(entry.newValue)};
}

Outcome ExportAudit(const std::vector<AuditEntry>& entries, const QString& fileName) {
    return WriteTableFile(fileName, AuditHeaders(), [&](qint64 row, QStringList* cells) {
        if (row >= qint64(entries.size()))
            return false;
        *cells = AuditColumns(entries[size_t(row)]);
        return true;
    });
}

// ---- In the archive ----

Outcome TestJobs::fail(const QString& statement) const {
    const Outcome archive = m_archive.failure();
    const QString what = statement.isEmpty() ? archive.reason() : statement;
    // The archive's triggers refuse changes to a job that is no longer a draft.
    if (what.contains(kLocked))
        return Outcome::Failure(FailureKind::Conflict, ArchiveMessages::JobApprovedLocked(kLocked), kLocked);
    if (what.contains(kNotDraft))
        return Outcome::Failure(FailureKind::Conflict, ArchiveMessages::JobNotDraft(kNotDraft), kNotDraft);
    const FailureKind kind = statement.isEmpty() && !archive.ok() ? archive.kind() : FailureKind::Io;
    return Outcome::Failure(kind, ArchiveMessages::JobArchiveNotWritable(what),
                            statement.isEmpty() ? archive.detail() : statement);
}

QString TestJobs::signature() const {
    QSqlQuery query = m_archive.statement(ArchiveSql::ReadSignature);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

Outcome TestJobs::write(ArchiveSql statement, const QVariantList& values) {
    QString why;
    const bool done = m_archive.inTransaction([&] {
        QSqlQuery query = m_archive.statement(statement);
        for (const QVariant& value : values)
            query.addBindValue(value);
        if (!query.exec())
            why = Detail(query);
        return why.isEmpty();
    });
    return done ? Outcome() : fail(why);
}

Outcome TestJobs::setSignature(const QString& name) {
    const QString text = TrimText(name);
    if (text.isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::SignatureEmpty());
    return write(ArchiveSql::StoreSignature, {text});
}

Result<std::vector<TestJob>> TestJobs::jobs() const {
    std::vector<TestJob> jobs;
    QSqlQuery query = m_archive.statement(ArchiveSql::JobsInOrder);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::JobsUnreadable(Detail(query)),
                                Detail(query));
    while (query.next())
        jobs.push_back(JobFrom(query));
    return jobs;
}

Result<TestJob> TestJobs::job(const QString& uuid) const {
    QSqlQuery query = m_archive.statement(ArchiveSql::JobByUuid);
    query.addBindValue(uuid);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::JobNotFound(), Detail(query));
    if (!query.next())
        return Outcome::Failure(FailureKind::Missing, ArchiveMessages::JobNotFound());
    TestJob job = JobFrom(query);
    query.finish();
    QSqlQuery planned = m_archive.statement(ArchiveSql::JobPlannedDevices);
    planned.addBindValue(uuid);
    if (planned.exec())
        while (planned.next())
            job.planned << planned.value(0).toString();
    return job;
}

QString TestJobs::proposeNumber(const QString& station, const QDate& day) const {
    const QString prefix =
        QStringLiteral("%1-%2-").arg(TrimText(station), day.toString(QStringLiteral("yyyyMMdd")));
    QSqlQuery query = m_archive.statement(ArchiveSql::JobNumberUsed);
    for (int sequence = 1;; ++sequence) {
        const QString number = prefix + QStringLiteral("%1").arg(sequence, 2, 10, QLatin1Char('0'));
        query.bindValue(0, number);
        if (!query.exec() || !query.next())
            return number;
    }
}

Result<QString> TestJobs::save(const TestJob& given) {
    TestJob job = given;
    job.number = TrimText(job.number);
    job.temperature = TrimText(job.temperature);
    job.humidity = TrimText(job.humidity);
    if (const Outcome valid = ValidateJob(job); !valid)
        return valid;
    const bool added = job.uuid.isEmpty();
    if (added)
        job.uuid = job.family = Uuid();
    QString why;
    Outcome refused;
    const QString now = RecordArchive::NowText();
    const bool done = m_archive.inTransaction([&] {
        QSqlQuery query = m_archive.statement(ArchiveSql::JobNumberUsedElsewhere);
        query.addBindValue(job.number);
        query.addBindValue(added ? job.uuid : job.family);
        if (!query.exec())
            return why = Detail(query), false;
        if (query.next())
            return refused =
                       Outcome::Failure(FailureKind::Conflict, ArchiveMessages::JobNumberUsed(job.number)),
                   false;
        query.finish();
        if (!added) {
            QSqlQuery state = m_archive.statement(ArchiveSql::JobStateAndFamily);
            state.addBindValue(job.uuid);
            if (!state.exec() || !state.next())
                return refused = Outcome::Failure(FailureKind::Missing, ArchiveMessages::JobNotFound()),
                       false;
            job.family = state.value(1).toString();
            if (StateOf(state.value(0).toString()) != JobState::Draft)
                return refused = Outcome::Failure(
                           FailureKind::Conflict,
                           ArchiveMessages::JobStateForbidsChange(
                               job.number, JobStateText(StateOf(state.value(0).toString())))),
                       false;
        }
        QSqlQuery store = m_archive.statement(ArchiveSql::StoreJob);
        store.addBindValue(job.uuid);
        store.addBindValue(job.family);
        store.addBindValue(job.revision);
        for (const QString& text :
             {job.number, job.station, job.kind, job.basis, DayText(job.firstDay), DayText(job.lastDay),
              job.weather, job.temperature, job.humidity, job.testers, job.instrument, job.conclusion,
              job.notes, job.revisionNote, job.customer, now, m_archive.laptopId()})
            store.addBindValue(NotNull(text));
        if (!store.exec())
            return why = Detail(store), false;
        // The planned assets: those no longer planned go, the new ones come.
        QSet<QString> keys;
        for (const QString& device : job.planned)
            if (!TrimText(device).isEmpty())
                keys.insert(TrimText(device).toUpper());
        QStringList stored;
        QSqlQuery planned = m_archive.statement(ArchiveSql::JobPlannedKeys);
        planned.addBindValue(job.uuid);
        if (!planned.exec())
            return why = Detail(planned), false;
        while (planned.next())
            stored << planned.value(0).toString();
        QSqlQuery remove = m_archive.statement(ArchiveSql::RemovePlannedAsset);
        for (const QString& key : stored) {
            if (keys.contains(key))
                continue;
            remove.addBindValue(job.uuid);
            remove.addBindValue(key);
            if (!remove.exec())
                return why = Detail(remove), false;
        }
        QSqlQuery add = m_archive.statement(ArchiveSql::AddPlannedAsset);
        for (const QString& device : job.planned) {
            const QString key = TrimText(device).toUpper();
            if (key.isEmpty() || stored.contains(key))
                continue;
            for (const QString& value : {job.uuid, key, TrimText(device), now, m_archive.laptopId()})
                add.addBindValue(value);
            if (!add.exec())
                return why = Detail(add), false;
        }
        return true;
    });
    if (done)
        return job.uuid;
    if (!refused)
        return refused;
    return fail(why);
}

QString TestJobs::current() const {
    QSqlQuery query = m_archive.statement(ArchiveSql::CurrentJob);
    return query.exec() && query.next() ? query.value(0).toString() : QString();
}

Outcome TestJobs::setCurrent(const QString& uuid) {
    return write(ArchiveSql::StoreCurrentJob, {NotNull(uuid)});
}

Result<int> TestJobs::joinCurrent(const std::vector<TestRecord>& records) {
    const QString uuid = current();
    if (uuid.isEmpty() || records.empty())
        return 0;
    const Result<TestJob> found = job(uuid);
    if (!found || found->state != JobState::Draft)
        return 0;
    int joined = 0;
    QString why;
    const QString now = RecordArchive::NowText();
    const bool done = m_archive.inTransaction([&] {
        QSqlQuery join = m_archive.statement(ArchiveSql::JoinRecordToJob);
        for (const TestRecord& record : records) {
            for (const QString& value :
                 {uuid, now, m_archive.laptopId(), QString::fromLatin1(record.identity()), uuid})
                join.addBindValue(value);
            if (!join.exec())
                return why = Detail(join), false;
            joined += join.numRowsAffected() > 0 ? 1 : 0;
        }
        return true;
    });
    if (!done)
        return fail(why);
    return joined;
}

Result<int> TestJobs::addRecords(const QString& uuid, const QStringList& devices, const QDate& from,
                                 const QDate& to) {
    if (from.isValid() && to.isValid() && to < from)
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::DaysReversed(DayText(to), DayText(from)));
    int joined = 0;
    QString why;
    const QString now = RecordArchive::NowText();
    const bool done = m_archive.inTransaction([&] {
        QSqlQuery join = m_archive.statement(ArchiveSql::JoinDeviceRecordsToJob);
        for (const QString& device : devices) {
            for (const QString& value : {uuid, now, m_archive.laptopId(), TrimText(device).toUpper(),
                                         from.isValid() ? DayText(from) : QStringLiteral("0000"),
                                         to.isValid() ? DayText(to.addDays(1)) : QStringLiteral("9999")})
                join.addBindValue(value);
            if (!join.exec())
                return why = Detail(join), false;
            joined += join.numRowsAffected();
        }
        return true;
    });
    if (!done)
        return fail(why);
    return joined;
}

Result<std::vector<JobRow>> TestJobs::rows(const QString& uuid) const {
    const Result<TestJob> found = job(uuid);
    if (!found)
        return Outcome(found);
    const bool frozen = found->state == JobState::Approved;
    std::vector<JobRow> rows;
    ArchiveAssessor assessor(m_archive);
    QSqlQuery query = m_archive.statement(ArchiveSql::JobRecordsWithVerdicts);
    query.addBindValue(uuid);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::JobRecordsUnreadable(Detail(query)),
                                Detail(query));
    QSet<QString> tested;
    while (query.next()) {
        JobRow row;
        row.recordId = query.value(0).toString();
        row.device = query.value(1).toString();
        row.testTime = query.value(2).toString();
        if (!query.value(3).isNull())
            row.stepAmperes = query.value(3).toInt();
        row.resistanceText = ResistanceText(query.value(5).toString());
        if (frozen && !query.value(6).isNull()) {
            row.assessment.verdict = Verdict(std::clamp(query.value(6).toInt(), 0, 3));
            const QString reasons = query.value(7).toString();
            row.assessment.reasons = reasons.isEmpty() ? QStringList() : reasons.split(QLatin1Char('\n'));
        } else {
            const std::optional<double> microOhms =
                query.value(4).isNull() ? std::nullopt : std::optional<double>(query.value(4).toDouble());
            row.assessment = assessor.assess(row.device, row.testTime, row.stepAmperes, microOhms);
        }
        tested.insert(row.device.toUpper());
        rows.push_back(std::move(row));
    }
    for (const QString& device : found->planned) {
        if (tested.contains(device.toUpper()))
            continue;
        JobRow row;
        row.device = device;
        rows.push_back(std::move(row));
    }
    for (JobRow& row : rows) {
        const Asset& asset = assessor.assetOf(row.device);
        row.station = asset.station;
        row.bay = asset.bay;
        row.phase = asset.phase;
    }
    return rows;
}

Outcome TestJobs::step(const QString& uuid, JobState from, const char* what) {
    const QString signer = signature();
    if (signer.isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::SignatureFirst());
    const Result<TestJob> found = job(uuid);
    if (!found)
        return Outcome(found);
    if (found->state != from)
        return Outcome::Failure(FailureKind::Conflict, ArchiveMessages::JobStateForbidsStep(
                                                           found->title(), JobStateText(found->state), what));
    return {};
}

Outcome TestJobs::submit(const QString& uuid) {
    if (const Outcome can = step(uuid, JobState::Draft, QT_TRANSLATE_NOOP("TestJobs", "提交审核")); !can)
        return can;
    const TestJob found = *job(uuid);
    const QString warning = CalibrationWarning(found, instrument(found.instrument));
    if (!warning.isEmpty() && found.expiredBy.isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::ConfirmExpiredFirst(warning));
    const QString now = RecordArchive::NowText();
    return write(ArchiveSql::SubmitJob, {signature(), now, now, m_archive.laptopId(), uuid});
}

Outcome TestJobs::check(const QString& uuid) {
    if (const Outcome can = step(uuid, JobState::Checking, QT_TRANSLATE_NOOP("TestJobs", "审核")); !can)
        return can;
    const TestJob found = *job(uuid);
    if (found.recordedBy == signature())
        return Outcome::Failure(FailureKind::Refused, ArchiveMessages::CheckerIsRecorder(found.recordedBy));
    const QString now = RecordArchive::NowText();
    return write(ArchiveSql::CheckJob, {signature(), now, now, m_archive.laptopId(), uuid});
}

Outcome TestJobs::approve(const QString& uuid) {
    if (const Outcome can = step(uuid, JobState::Checking, QT_TRANSLATE_NOOP("TestJobs", "批准")); !can)
        return can;
    const TestJob found = *job(uuid);
    if (found.recordedBy == signature())
        return Outcome::Failure(FailureKind::Refused, ArchiveMessages::ApproverIsRecorder(found.recordedBy));
    if (found.checkedBy.isEmpty())
        return Outcome::Failure(FailureKind::Conflict, ArchiveMessages::JobNotChecked(found.title()));
    const Result<std::vector<JobRow>> judged = rows(uuid);
    if (!judged)
        return Outcome(judged);
    QString why;
    const bool done = m_archive.inTransaction([&] {
        // The verdicts as judged now stay with the job, whatever the limits and rules become.
        const QString now = RecordArchive::NowText();
        QSqlQuery keep = m_archive.statement(ArchiveSql::KeepJobVerdict);
        for (const JobRow& row : *judged) {
            if (!row.tested())
                continue;
            keep.addBindValue(uuid);
            keep.addBindValue(row.recordId);
            keep.addBindValue(int(row.assessment.verdict));
            keep.addBindValue(NotNull(row.assessment.reasons.join(QLatin1Char(QChar::LineFeed))));
            keep.addBindValue(now);
            keep.addBindValue(m_archive.laptopId());
            if (!keep.exec())
                return why = Detail(keep), false;
        }
        QSqlQuery query = m_archive.statement(ArchiveSql::ApproveJob);
        for (const QString& value : {signature(), now, now, m_archive.laptopId(), uuid})
            query.addBindValue(value);
        if (!query.exec())
            return why = Detail(query), false;
        return true;
    });
    return done ? Outcome() : fail(why);
}

Outcome TestJobs::sendBack(const QString& uuid, const QString& reason) {
    if (const Outcome can = step(uuid, JobState::Checking, QT_TRANSLATE_NOOP("TestJobs", "退回")); !can)
        return can;
    if (TrimText(reason).isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::SendBackWithoutReason());
    return write(ArchiveSql::SendJobBack,
                 {TrimText(reason), RecordArchive::NowText(), m_archive.laptopId(), uuid});
}

Outcome TestJobs::goOnWithExpired(const QString& uuid) {
    if (const Outcome can = step(uuid, JobState::Draft, QT_TRANSLATE_NOOP("TestJobs", "修改")); !can)
        return can;
    const QString now = RecordArchive::NowText();
    return write(ArchiveSql::GoOnWithExpired, {signature(), now, now, m_archive.laptopId(), uuid});
}

Result<QString> TestJobs::revise(const QString& uuid, const QString& whatChanged) {
    const Result<TestJob> found = job(uuid);
    if (!found)
        return Outcome(found);
    if (found->state != JobState::Approved)
        return Outcome::Failure(FailureKind::Conflict, ArchiveMessages::ReviseOnlyApproved());
    if (TrimText(whatChanged).isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::ReviseWithoutNote());
    QString why;
    const QString fresh = Uuid();
    const bool done = m_archive.inTransaction([&] {
        QSqlQuery last = m_archive.statement(ArchiveSql::LastRevisionOfFamily);
        last.addBindValue(found->family);
        if (!last.exec() || !last.next())
            return why = Detail(last), false;
        const int revision = last.value(0).toInt() + 1;
        const QString now = RecordArchive::NowText();
        QSqlQuery copy = m_archive.statement(ArchiveSql::CopyJobAsRevision);
        for (const QVariant& value : {QVariant(fresh), QVariant(revision), QVariant(TrimText(whatChanged)),
                                      QVariant(now), QVariant(m_archive.laptopId()), QVariant(uuid)})
            copy.addBindValue(value);
        if (!copy.exec())
            return why = Detail(copy), false;
        for (const ArchiveSql members :
             {ArchiveSql::CopyPlannedAssetsToRevision, ArchiveSql::CopyJobRecordsToRevision}) {
            QSqlQuery query = m_archive.statement(members);
            for (const QString& value : {fresh, now, m_archive.laptopId(), uuid})
                query.addBindValue(value);
            if (!query.exec())
                return why = Detail(query), false;
        }
        return true;
    });
    if (!done)
        return fail(why);
    // The correction takes the place of the revision it corrects as the current job.
    if (current() == uuid)
        (void)setCurrent(fresh);
    return fresh;
}

Result<std::vector<Instrument>> TestJobs::instruments() const {
    std::vector<Instrument> instruments;
    QSqlQuery query = m_archive.statement(ArchiveSql::InstrumentsBySerial);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::InstrumentsUnreadable(Detail(query)),
                                Detail(query));
    while (query.next())
        instruments.push_back(InstrumentFrom(query));
    return instruments;
}

std::optional<Instrument> TestJobs::instrument(const QString& uuid) const {
    QSqlQuery query = m_archive.statement(ArchiveSql::InstrumentByUuid);
    query.addBindValue(uuid);
    if (uuid.isEmpty() || !query.exec() || !query.next())
        return std::nullopt;
    return InstrumentFrom(query);
}

std::optional<Instrument> TestJobs::instrumentBySerial(const QString& serial) const {
    QSqlQuery query = m_archive.statement(ArchiveSql::InstrumentBySerial);
    query.addBindValue(TrimText(serial));
    if (!query.exec() || !query.next())
        return std::nullopt;
    return InstrumentFrom(query);
}

Result<QString> TestJobs::saveInstrument(const Instrument& given) {
    Instrument instrument = given;
    instrument.serial = TrimText(instrument.serial);
    if (instrument.serial.isEmpty())
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::InstrumentSerialEmpty());
    if (instrument.calibratedOn.isValid() && instrument.validUntil.isValid() &&
        instrument.validUntil < instrument.calibratedOn)
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::ValidBeforeCalibrated(DayText(instrument.validUntil),
                                                                       DayText(instrument.calibratedOn)));
    if (const std::optional<Instrument> other = instrumentBySerial(instrument.serial);
        other && other->uuid != instrument.uuid)
        return Outcome::Failure(FailureKind::Conflict,
                                ArchiveMessages::InstrumentSerialUsed(instrument.serial));
    if (instrument.uuid.isEmpty())
        instrument.uuid = Uuid();
    QVariantList values;
    for (const QString& value : {instrument.uuid, instrument.model, instrument.serial, instrument.certificate,
                                 DayText(instrument.calibratedOn), DayText(instrument.validUntil),
                                 instrument.note, RecordArchive::NowText(), m_archive.laptopId()})
        values << NotNull(value);
    const Outcome written = write(ArchiveSql::StoreInstrument, values);
    if (!written)
        return written;
    return instrument.uuid;
}

Outcome TestJobs::useInstrument(const QString& uuid) {
    const Result<TestJob> found = job(current());
    if (!found)
        return Outcome::Failure(FailureKind::Missing, ArchiveMessages::NoCurrentJob());
    TestJob changed = *found;
    changed.instrument = uuid;
    const Result<QString> saved = save(changed);
    return saved ? Outcome() : Outcome(saved);
}

Result<std::vector<AuditEntry>> TestJobs::audit() const {
    std::vector<AuditEntry> entries;
    QSqlQuery query = m_archive.statement(ArchiveSql::AuditNewestFirst);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::AuditUnreadable(Detail(query)),
                                Detail(query));
    while (query.next())
        entries.push_back({query.value(0).toString(), query.value(1).toString(), query.value(2).toString(),
                           query.value(3).toString(), query.value(4).toString(), query.value(5).toString(),
                           query.value(6).toString()});
    return entries;
}

bool DueMatches(const DueAsset& asset, DueFilter filter, const QDate& today) {
    if (filter == DueFilter::All)
        return true;
    if (!asset.due.isValid() || asset.due < today)
        return true; // overdue, or never tested: due now
    return filter == DueFilter::Soon && asset.due <= today.addDays(kDueSoonDays);
}

Outcome TestJobs::setInterval(IntervalScope scope, const QString& key, std::optional<int> months) {
    static const QString scopes[] = {QStringLiteral("all"), QStringLiteral("kind"), QStringLiteral("asset")};
    const QString stored = scope == IntervalScope::All     ? QStringLiteral("")
                           : scope == IntervalScope::Asset ? TrimText(key).toUpper()
                                                           : TrimText(key);
    if (scope == IntervalScope::Kind && !AssetKinds().contains(stored))
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::AssetKindNotKnown(stored, AssetKinds()));
    if (!months) {
        if (scope == IntervalScope::All)
            return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::IntervalForAllEmpty());
        // Kept as months 0, so that the removal reaches the other laptops in a sync.
        return write(ArchiveSql::ClearInterval,
                     {RecordArchive::NowText(), m_archive.laptopId(), scopes[int(scope)], stored});
    }
    if (*months < 1 || *months > 240)
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::IntervalOutOfRange(*months));
    return write(ArchiveSql::StoreInterval,
                 {scopes[int(scope)], stored, *months, RecordArchive::NowText(), m_archive.laptopId()});
}

Result<std::vector<DueAsset>> TestJobs::dueList() const {
    std::vector<DueAsset> due;
    QSqlQuery query = m_archive.statement(ArchiveSql::DueDates);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::TestDatesUnreadable(Detail(query)),
                                Detail(query));
    while (query.next()) {
        DueAsset asset;
        asset.asset.device = query.value(0).toString();
        asset.asset.station = query.value(1).toString();
        asset.asset.bay = query.value(2).toString();
        asset.asset.phase = query.value(3).toString();
        asset.asset.kind = query.value(4).toString();
        asset.asset.registered = true;
        asset.lastTest = QDate::fromString(query.value(5).toString().left(10), kDay);
        asset.months = query.value(6).toInt();
        if (asset.lastTest.isValid())
            asset.due = asset.lastTest.addMonths(asset.months);
        due.push_back(std::move(asset));
    }
    return due;
}

TestJob TestJobs::jobForDue(const QString& station, const std::vector<DueAsset>& due, DueFilter filter,
                            const QDate& today) const {
    TestJob job;
    job.station = station;
    job.kind = QStringLiteral("例行试验");
    job.firstDay = job.lastDay = today;
    job.number = proposeNumber(station, today);
    for (const DueAsset& asset : due)
        if (asset.asset.station == station && DueMatches(asset, filter, today))
            job.planned << asset.asset.device;
    return job;
}
