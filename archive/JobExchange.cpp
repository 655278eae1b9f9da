#include "archive/JobExchange.h"

#include "archive/ArchiveMessages.h"
#include "archive/AssetRegister.h"
#include "archive/RecordArchive.h"
#include "archive/TestJobs.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

// The file's names of the job's fields, in the order JobForFile reads them and StoreJobFromFile
// writes them (which leaves out the last, changed_at).
const char* const kJobNames[] = {"uuid",        "family",        "number",    "station",    "customer",
                                 "kind",        "basis",         "first_day", "last_day",   "weather",
                                 "temperature", "humidity",      "testers",   "instrument", "conclusion",
                                 "notes",       "revision_note", "changed_at"};
// The file's names of the approval's fields, in the order JobForFile reads them and
// StoreJobApprovalFromFile writes them.
const char* const kApprovalNames[] = {"recorded_by",  "recorded_at", "checked_by",
                                      "checked_at",   "approved_by", "approved_at",
                                      "returned_why", "expired_by",  "expired_at"};
// The file's names of the instrument's fields, in the order InstrumentByUuid reads them and
// AddInstrumentFromFile writes them.
const char* const kInstrumentNames[] = {"uuid",          "model",       "serial", "certificate",
                                        "calibrated_on", "valid_until", "note"};
// The register's fields in the order of AssetColumns().
const QStringList kAssetFields{"device",      "station",      "bay",
                               "phase",       "kind",         "maker",
                               "model",       "factory_uohm", "commissioning_uohm",
                               "limit_uohm",  "note",         "baseline_factor",
                               "rise_factor", "phase_factor"};
// The file's names of the record's values as RecordArchive stores them, id .. raw_reply, in the order
// JobRecordsForFile reads them.
const char* const kRecordNames[] = {"id",         "test_time",  "device",       "device_key",   "tester",
                                    "location",   "step_code",  "step_amperes", "load_seconds", "r_mantissa",
                                    "r_exponent", "micro_ohms", "texts",        "raw_reply"};

QString Detail(const QSqlQuery& query) {
    const QSqlError error = query.lastError();
    return (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
}

QJsonValue RecordValue(const QString& column, const QVariant& value) {
    if (value.isNull())
        return QJsonValue::Null;
    if (column == QLatin1String("texts"))
        return QJsonDocument::fromJson(value.toString().toUtf8()).array();
    if (column == QLatin1String("raw_reply"))
        return QString::fromLatin1(value.toByteArray().toBase64());
    if (column == QLatin1String("micro_ohms"))
        return value.toDouble();
    if (column.endsWith(QLatin1String("_code")) || column.endsWith(QLatin1String("_amperes")) ||
        column.endsWith(QLatin1String("_seconds")) || column.startsWith(QLatin1String("r_")))
        return value.toLongLong();
    return value.toString();
}

QVariant RecordColumnValue(const QString& column, const QJsonValue& value) {
    if (value.isNull() || value.isUndefined())
        return {};
    if (column == QLatin1String("texts"))
        return QString::fromUtf8(QJsonDocument(value.toArray()).toJson(QJsonDocument::Compact));
    if (column == QLatin1String("raw_reply"))
        return QByteArray::fromBase64(value.toString().toLatin1());
    if (column == QLatin1String("micro_ohms"))
        return value.toDouble();
    if (value.isDouble())
        return qlonglong(value.toDouble());
    return value.toString();
}

} // namespace

QString JobImport::text() const {
    const QString job =
        jobAdded ? QCoreApplication::translate("JobExchange", "新增试验任务")
        : jobUpdated
            ? QCoreApplication::translate("JobExchange", "更新了试验任务（本机为编制中，文件中的较新）")
            : QCoreApplication::translate("JobExchange", "试验任务已在记录库中");
    return QCoreApplication::translate("JobExchange", "%1；新增记录 %2 条，新增设备台账 %3 台。")
        .arg(job)
        .arg(recordsAdded)
        .arg(assetsAdded);
}

namespace {

// The job's row with its approval, revision, state and planned assets.
Result<QJsonObject> JobObject(RecordArchive& archive, const QString& uuid, const QStringList& planned) {
    QSqlQuery query = archive.statement(ArchiveSql::JobForFile);
    QJsonObject jobObject;
    query.addBindValue(uuid);
    if (!query.exec() || !query.next())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::JobFileJobUnreadable(Detail(query)),
                                Detail(query));
    int c = 0;
    for (const char* name : kJobNames)
        jobObject.insert(QLatin1String(name), query.value(c++).toString());
    QJsonObject approval;
    for (const char* name : kApprovalNames)
        approval.insert(QLatin1String(name), query.value(c++).toString());
    jobObject.insert(QStringLiteral("revision"), query.value(c++).toInt());
    jobObject.insert(QStringLiteral("state"), query.value(c++).toString());
    jobObject.insert(QStringLiteral("approval"), approval);
    jobObject.insert(QStringLiteral("planned"), QJsonArray::fromStringList(planned));
    return jobObject;
}

// The job's instrument, or null when it has none or it is not in the archive.
QJsonValue InstrumentObject(RecordArchive& archive, const QString& uuid) {
    QJsonValue instrument = QJsonValue::Null;
    if (!uuid.isEmpty()) {
        QSqlQuery query = archive.statement(ArchiveSql::InstrumentByUuid);
        query.addBindValue(uuid);
        if (query.exec() && query.next()) {
            QJsonObject object;
            int c = 0;
            for (const char* name : kInstrumentNames)
                object.insert(QLatin1String(name), query.value(c++).toString());
            instrument = object;
        }
    }
    return instrument;
}

// The register's fields of the job's registered assets, each device once.
QJsonArray AssetObjects(RecordArchive& archive, const std::vector<JobRow>& rows) {
    QJsonArray assets;
    QStringList devices;
    for (const JobRow& row : rows)
        if (!devices.contains(row.device, Qt::CaseInsensitive))
            devices << row.device;
    const QStringList& headers = kAssetFields;
    for (const QString& device : devices) {
        const std::optional<Asset> asset = LoadAsset(archive, device);
        if (!asset || !asset->registered)
            continue;
        const QStringList values = AssetColumns(*asset);
        QJsonObject object;
        for (int i = 0; i < headers.size() && i < values.size(); ++i)
            object.insert(headers.at(i), values.at(i));
        assets.append(object);
    }
    return assets;
}

// The job's records with their values and identity.
Result<QJsonArray> RecordObjects(RecordArchive& archive, const QString& uuid) {
    QSqlQuery query = archive.statement(ArchiveSql::JobRecordsForFile);
    QStringList names;
    for (const char* column : kRecordNames)
        names << QLatin1String(column);
    QJsonArray records;
    query.addBindValue(uuid);
    if (!query.exec())
        return Outcome::Failure(FailureKind::Io, ArchiveMessages::JobFileRecordsUnreadable(Detail(query)),
                                Detail(query));
    while (query.next()) {
        QJsonObject object;
        for (int i = 0; i < names.size(); ++i)
            object.insert(names.at(i), RecordValue(names.at(i), query.value(i)));
        int extra = int(names.size());
        for (const char* column : {"source", "added_at", "added_by"})
            object.insert(QLatin1String(column), query.value(extra++).toString());
        records.append(object);
    }
    return records;
}

// The verdicts of the tested rows with their grounds.
QJsonArray VerdictObjects(const std::vector<JobRow>& rows) {
    QJsonArray verdicts;
    for (const JobRow& row : rows) {
        if (!row.tested())
            continue;
        verdicts.append(
            QJsonObject{{QStringLiteral("record"), row.recordId},
                        {QStringLiteral("device"), row.device},
                        {QStringLiteral("verdict"), VerdictText(row.assessment.verdict)},
                        {QStringLiteral("code"), int(row.assessment.verdict)},
                        {QStringLiteral("reasons"), QJsonArray::fromStringList(row.assessment.reasons)}});
    }
    return verdicts;
}

} // namespace

Result<QByteArray> ExportJobJson(RecordArchive& archive, const QString& uuid) {
    TestJobs jobs(archive);
    const Result<TestJob> job = jobs.job(uuid);
    if (!job)
        return Outcome(job);
    const Result<std::vector<JobRow>> rows = jobs.rows(uuid);
    if (!rows)
        return Outcome(rows);
    const Result<QJsonObject> jobObject = JobObject(archive, uuid, job->planned);
    if (!jobObject)
        return Outcome(jobObject);
    const QJsonValue instrument = InstrumentObject(archive, job->instrument);
    const QJsonArray assets = AssetObjects(archive, *rows);
    const Result<QJsonArray> records = RecordObjects(archive, uuid);
    if (!records)
        return Outcome(records);
    const QJsonArray verdicts = VerdictObjects(*rows);

    const QJsonObject file{{QStringLiteral("format"), kJobFileFormat},
                           {QStringLiteral("version"), kJobFileVersion},
                           {QStringLiteral("exported_at"), RecordArchive::NowText()},
                           {QStringLiteral("job"), *jobObject},
                           {QStringLiteral("instrument"), instrument},
                           {QStringLiteral("assets"), assets},
                           {QStringLiteral("records"), *records},
                           {QStringLiteral("verdicts"), verdicts}};
    return QJsonDocument(file).toJson(QJsonDocument::Indented);
}

Outcome ExportJobFile(RecordArchive& archive, const QString& uuid, const QString& fileName) {
    const Result<QByteArray> json = ExportJobJson(archive, uuid);
    if (!json)
        return json;
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(*json) != json->size() || !file.commit())
        return Outcome::Failure(
            FailureKind::Io,
            ArchiveMessages::JobFileNotWritable(QDir::toNativeSeparators(fileName), file.errorString()),
            file.errorString());
    return {};
}

Result<JobImport> ImportJobFile(RecordArchive& archive, const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return Outcome::Failure(
            FailureKind::Invalid,
            ArchiveMessages::JobFileNotReadable(QDir::toNativeSeparators(fileName), file.errorString()),
            file.errorString());
    return ImportJobJson(archive, file.readAll());
}

namespace {

// The file's frame: JSON of our format and version, with the job's uuid, number and state.
Result<QJsonObject> ReadJobFile(const QByteArray& json) {
    QJsonParseError parsed;
    const QJsonObject file = QJsonDocument::fromJson(json, &parsed).object();
    if (parsed.error != QJsonParseError::NoError)
        return Outcome::Failure(FailureKind::Invalid,
                                ArchiveMessages::NotAJobFile(parsed.errorString(), parsed.offset),
                                parsed.errorString());
    if (file.value(QStringLiteral("format")).toString() != kJobFileFormat)
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::NotAJobFileFormat(kJobFileFormat));
    if (file.value(QStringLiteral("version")).toInt() != kJobFileVersion)
        return Outcome::Failure(
            FailureKind::Invalid,
            ArchiveMessages::JobFileVersion(file.value(QStringLiteral("version")).toInt(), kJobFileVersion));
    const QJsonObject job = file.value(QStringLiteral("job")).toObject();
    const QString uuid = job.value(QStringLiteral("uuid")).toString();
    const QString state = job.value(QStringLiteral("state")).toString();
    if (uuid.isEmpty() || job.value(QStringLiteral("number")).toString().trimmed().isEmpty() ||
        !QStringList{"draft", "checking", "approved"}.contains(state))
        return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::JobFileLacksJob());
    return file;
}

// The register: assets not registered here are added; registered ones keep their fields.
Result<std::vector<Asset>> AssetsToAdd(RecordArchive& archive, const QJsonObject& file) {
    std::vector<Asset> added;
    const QStringList& headers = kAssetFields;
    for (const QJsonValue& value : file.value(QStringLiteral("assets")).toArray()) {
        QStringList columns;
        for (const QString& header : headers)
            columns << value.toObject().value(header).toString();
        const Result<Asset> asset = AssetFromColumns(columns);
        if (!asset)
            return Outcome::Failure(FailureKind::Invalid, ArchiveMessages::JobFileAssetWrong(asset.reason()));
        const std::optional<Asset> known = LoadAsset(archive, asset->device);
        if (!known || !known->registered)
            added.push_back(*asset);
    }
    return added;
}

// One import's writing inside its transaction. A step that fails returns false and leaves the
// archive's text in `why`, or the file's fault in `refused`.
class JobFileWriter {
public:
    JobFileWriter(RecordArchive& archive, const QJsonObject& file, JobImport& done)
        : m_archive(archive), m_file(file), m_job(file.value(QStringLiteral("job")).toObject()),
          m_uuid(m_job.value(QStringLiteral("uuid")).toString()),
          m_state(m_job.value(QStringLiteral("state")).toString()), m_now(RecordArchive::NowText()),
          m_laptop(archive.laptopId()), m_done(done) {}

    bool write() {
        QString instrument = m_job.value(QStringLiteral("instrument")).toString();
        if (!storeInstrument(instrument) || !storeRecords())
            return false;
        bool known = false;
        bool takes = false;
        if (!compareJob(known, takes))
            return false;
        if (!takes)
            return true;
        if (!numberFree() || !storeDraft(instrument))
            return false;
        m_done.jobAdded = !known;
        m_done.jobUpdated = known;
        return storePlanned() && storeJobRecords() && storeVerdicts() && storeApproval();
    }

    QString why;
    Outcome refused;

private:
    bool failed(const QSqlQuery& query) {
        why = Detail(query);
        return false;
    }

    // The instrument: known by its serial number, or added.
    bool storeInstrument(QString& instrument) {
        const QJsonObject device = m_file.value(QStringLiteral("instrument")).toObject();
        if (device.isEmpty())
            return true;
        QSqlQuery known = m_archive.statement(ArchiveSql::InstrumentUuidBySerial);
        known.addBindValue(device.value(QStringLiteral("serial")).toString());
        if (!known.exec())
            return failed(known);
        if (known.next()) {
            instrument = known.value(0).toString();
            return true;
        }
        known.finish();
        QSqlQuery add = m_archive.statement(ArchiveSql::AddInstrumentFromFile);
        for (const char* name : kInstrumentNames)
            add.addBindValue(device.value(QLatin1String(name)).toString());
        add.addBindValue(m_now);
        add.addBindValue(m_laptop);
        if (!add.exec())
            return failed(add);
        instrument = device.value(QStringLiteral("uuid")).toString();
        return true;
    }

    // The records, by their identity.
    bool storeRecords() {
        for (const QJsonValue& value : m_file.value(QStringLiteral("records")).toArray()) {
            const QJsonObject record = value.toObject();
            ArchiveRow row;
            for (const char* name : kRecordNames)
                row.values.push_back(
                    RecordColumnValue(QLatin1String(name), record.value(QLatin1String(name))));
            if (row.values[0].toString().isEmpty() || row.values[2].toString().isEmpty())
                return refused = Outcome::Failure(FailureKind::Invalid,
                                                  ArchiveMessages::JobFileRecordWithoutIdentity()),
                       false;
            const int stored = m_archive.storeInOpenTransaction(
                std::vector<ArchiveRow>{row}, record.value(QStringLiteral("source")).toString());
            if (stored < 0)
                return why = m_archive.writeFailure().reason(), false;
            m_done.recordsAdded += stored;
        }
        return true;
    }

    // The job: an approved revision here never changes; a draft here takes a newer or approved one.
    bool compareJob(bool& known, bool& takes) {
        QSqlQuery query = m_archive.statement(ArchiveSql::JobStateAndChange);
        query.addBindValue(m_uuid);
        if (!query.exec())
            return failed(query);
        known = query.next();
        const QString localState = known ? query.value(0).toString() : QString();
        const QString localChanged = known ? query.value(1).toString() : QString();
        takes = !(known && (localState == QLatin1String("approved") ||
                            (m_state != QLatin1String("approved") &&
                             m_job.value(QStringLiteral("changed_at")).toString() <= localChanged)));
        return true;
    }

    bool numberFree() {
        QSqlQuery query = m_archive.statement(ArchiveSql::JobNumberUsedElsewhere);
        query.addBindValue(m_job.value(QStringLiteral("number")).toString());
        query.addBindValue(m_job.value(QStringLiteral("family")).toString());
        if (!query.exec())
            return failed(query);
        if (query.next())
            return refused = Outcome::Failure(FailureKind::Conflict,
                                              ArchiveMessages::JobFileNumberUsedHere(
                                                  m_job.value(QStringLiteral("number")).toString())),
                   false;
        return true;
    }

    // Stored as a draft first, so that its assets and records may join; then its state.
    bool storeDraft(const QString& instrument) {
        QSqlQuery query = m_archive.statement(ArchiveSql::StoreJobFromFile);
        for (const char* name : kJobNames) {
            const QLatin1String field(name);
            if (field == QLatin1String("changed_at"))
                continue;
            query.addBindValue(field == QLatin1String("instrument") ? instrument
                                                                    : m_job.value(field).toString());
        }
        query.addBindValue(m_job.value(QStringLiteral("revision")).toInt(1));
        query.addBindValue(m_now);
        query.addBindValue(m_laptop);
        if (!query.exec())
            return failed(query);
        return true;
    }

    bool storePlanned() {
        QSqlQuery member = m_archive.statement(ArchiveSql::AddPlannedAsset);
        for (const QJsonValue& value : m_job.value(QStringLiteral("planned")).toArray()) {
            for (const QString& bound :
                 {m_uuid, value.toString().toUpper(), value.toString(), m_now, m_laptop})
                member.addBindValue(bound);
            if (!member.exec())
                return failed(member);
        }
        return true;
    }

    bool storeJobRecords() {
        QSqlQuery member = m_archive.statement(ArchiveSql::AddJobRecord);
        for (const QJsonValue& value : m_file.value(QStringLiteral("records")).toArray()) {
            for (const QString& bound :
                 {m_uuid, value.toObject().value(QStringLiteral("id")).toString(), m_now, m_laptop})
                member.addBindValue(bound);
            if (!member.exec())
                return failed(member);
        }
        return true;
    }

    // The verdicts as judged at approval come with the job, whatever the rules are here.
    bool storeVerdicts() {
        if (m_state != QLatin1String("approved"))
            return true;
        QSqlQuery member = m_archive.statement(ArchiveSql::KeepJobVerdict);
        for (const QJsonValue& value : m_file.value(QStringLiteral("verdicts")).toArray()) {
            const QJsonObject verdict = value.toObject();
            QStringList reasons;
            for (const QJsonValue& reason : verdict.value(QStringLiteral("reasons")).toArray())
                reasons << reason.toString();
            for (const QVariant& bound :
                 {QVariant(m_uuid), QVariant(verdict.value(QStringLiteral("record")).toString()),
                  QVariant(verdict.value(QStringLiteral("code")).toInt()),
                  QVariant(reasons.isEmpty() ? QStringLiteral("") : reasons.join(QLatin1Char('\n'))),
                  QVariant(m_now), QVariant(m_laptop)})
                member.addBindValue(bound);
            if (!member.exec())
                return failed(member);
        }
        return true;
    }

    bool storeApproval() {
        const QJsonObject approval = m_job.value(QStringLiteral("approval")).toObject();
        QSqlQuery query = m_archive.statement(ArchiveSql::StoreJobApprovalFromFile);
        for (const char* name : kApprovalNames)
            query.addBindValue(approval.value(QLatin1String(name)).toString());
        query.addBindValue(m_state);
        query.addBindValue(m_uuid);
        if (!query.exec())
            return failed(query);
        return true;
    }

    RecordArchive& m_archive;
    const QJsonObject& m_file;
    const QJsonObject m_job;
    const QString m_uuid;
    const QString m_state;
    const QString m_now;
    const QString m_laptop;
    JobImport& m_done;
};

} // namespace

Result<JobImport> ImportJobJson(RecordArchive& archive, const QByteArray& json) {
    const Result<QJsonObject> file = ReadJobFile(json);
    if (!file)
        return Outcome(file);
    const Result<std::vector<Asset>> added = AssetsToAdd(archive, *file);
    if (!added)
        return Outcome(added);

    JobImport done;
    done.job = file->value(QStringLiteral("job")).toObject().value(QStringLiteral("uuid")).toString();
    JobFileWriter writer(archive, *file, done);
    if (!archive.inTransaction([&] { return writer.write(); })) {
        if (!writer.refused.ok())
            return writer.refused;
        const Outcome failed = archive.writeFailure();
        return Outcome::Failure(
            writer.why.isEmpty() ? failed.kind() : FailureKind::Io,
            ArchiveMessages::JobFileArchiveNotWritable(writer.why.isEmpty() ? failed.reason() : writer.why),
            writer.why.isEmpty() ? failed.detail() : writer.why);
    }
    if (!added->empty()) {
        if (const Outcome saved = SaveAssets(archive, *added); !saved)
            return Outcome::Failure(saved.kind(), ArchiveMessages::JobFileAssetsNotWritten(saved.reason()),
                                    saved.detail());
        done.assetsAdded = int(added->size());
    }
    return done;
}
