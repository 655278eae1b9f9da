#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"

#include <QDir>
#include <QSqlQuery>
#include <QVariant>

namespace {

qint64 Count(const RecordArchive& archive, const QString& sql) {
    QSqlQuery query(archive.database());
    return query.exec(sql) && query.next() ? query.value(0).toLongLong() : -1;
}

int RunStatus(ToolContext& context, const QStringList& arguments) {
    if (!arguments.isEmpty()) {
        context.err << "status: 不需要参数 / takes no arguments\n";
        return kExitUsage;
    }
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
    QTextStream& out = context.out;
    out << "archive: " << QDir::toNativeSeparators(archive.fileName()) << '\n';
    out << "schema_version: " << archive.schemaVersion() << " (this program: " << kArchiveSchemaVersion
        << ")\n";
    out << "laptop_id: " << archive.laptopId() << '\n';
    out << "records: " << archive.recordCount() << '\n';
    out << "devices: "
        << Count(archive, QStringLiteral("SELECT count(*) FROM devices WHERE device_key <> ''")) << '\n';
    out << "assets: " << Count(archive, QStringLiteral("SELECT count(*) FROM assets")) << '\n';
    out << "imported_files: " << Count(archive, QStringLiteral("SELECT count(*) FROM imported_files"))
        << '\n';
    out << "records_not_pushed: "
        << Count(archive, QStringLiteral("SELECT count(*) FROM records WHERE pushed = 0")) << '\n';
    return kExitOk;
}

} // namespace

extern const ToolCommand kStatusCommand{"status", "", "显示记录库的位置、版本和记录数",
                                        "show where the archive is, its version and what it holds",
                                        RunStatus};
