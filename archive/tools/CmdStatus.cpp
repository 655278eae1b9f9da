#include "archive/RecordArchive.h"
#include "archive/tools/ToolCommand.h"

#include <QCoreApplication>
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
        context.err << QCoreApplication::translate("CmdStatus", "status: 不需要参数 / takes no arguments\n");
        return kExitUsage;
    }
    QTextStream& out = context.out;
    // The places first: they say where to look when the archive is not there.
    out << "settings: " << QDir::toNativeSeparators(context.settingsFile) << '\n';
    out << "data_folder: " << QDir::toNativeSeparators(context.dataFolder) << '\n';
    out.flush();
    RecordArchive archive;
    if (const int opened = OpenToolArchive(context, archive, false); opened != kExitOk)
        return opened;
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

extern const ToolCommand kStatusCommand{
    "status", "", "显示设置文件、数据文件夹和记录库的位置，记录库的版本和记录数",
    "show where the settings, the data folder and the archive are, and what the archive holds", RunStatus};
