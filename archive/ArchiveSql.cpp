#include "archive/ArchiveSql.h"

QString ArchiveSqlText(ArchiveSql statement) {
    switch (statement) {
    // The archive file.
    case ArchiveSql::RecordCount:
        return QStringLiteral("SELECT count(*) FROM records");

        // Reading records.

        // The asset register and the assessment rules.

        // The import's notes.

        // Test jobs, instruments, test intervals and the audit trail.

        // The job file.

        // The sync's session, records and added-only tables.

    // The sync's tables whose rows change.
    }
    return {};
}
