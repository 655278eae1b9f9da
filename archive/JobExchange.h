#pragma once
// A test job as one file other programs can read and another laptop can import: UTF-8 JSON in the
// format docs/job-file.schema.json describes ("ohmara-job", version 1). It holds the job with its
// approval, its instrument, the register fields of its assets, every record with its values and
// identity, and the verdicts with their grounds. An import merges by identity: records by their
// identity, the job by its uuid, the instrument by its serial number; nothing is doubled, a
// registered asset keeps its local fields and an approved revision is never changed.
#include "core/Outcome.h"

#include <QByteArray>
#include <QString>

class RecordArchive;

inline const QString kJobFileFormat = QStringLiteral("ohmara-job");
inline constexpr int kJobFileVersion = 1;

Result<QByteArray> ExportJobJson(RecordArchive& archive, const QString& uuid);
Outcome ExportJobFile(RecordArchive& archive, const QString& uuid, const QString& fileName);

struct JobImport {
    QString job; // the job's uuid
    bool jobAdded = false;
    bool jobUpdated = false; // a draft here took the file's newer revision
    int recordsAdded = 0;
    int assetsAdded = 0;
    QString text() const; // for people: what the import did
};
Result<JobImport> ImportJobJson(RecordArchive& archive, const QByteArray& json);
Result<JobImport> ImportJobFile(RecordArchive& archive, const QString& fileName);
